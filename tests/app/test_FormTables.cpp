#include <gtest/gtest.h>

#include <QApplication>
#include <QLayout>
#include <QWidget>
#include <memory>
#include <set>

#include "app/AppFormTables.h"
#include "platform/core/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/FormTable.h"
#include "stats/StatsFormTables.h"

namespace {

bool IsControl(const TControlRow& row)
{
    return row.Kind != TControlKind::HBox && row.Kind != TControlKind::VBox && row.Kind != TControlKind::Grid &&
           row.Kind != TControlKind::Stretch;
}

// Where a control shown at the start lies at the designed size; controls shown later (the
// window grows for them, or they take another's place) are the window's own tests' to judge.
QRect DesignedRect(QWidget* control) { return control->isVisible() ? control->geometry() : QRect(); }

std::vector<std::string> Faults(const TControlTable& table)
{
    std::vector<std::string> faults;
    const std::string form = table.Name;
    QWidget window;
    if (table.ProgramFont) window.setFont(FormFont());  // the font the designed size holds
    TBuiltForm built = BuildForm(&window, table);
    const QSize size = table.DesignClient.isValid() ? table.DesignClient : window.sizeHint();
    window.resize(size);
    window.show();
    if (window.layout()) window.layout()->activate();
    QApplication::processEvents();
    if (window.size() != size)
        faults.push_back(form + ": the form cannot take its designed size, it needs " +
                         std::to_string(window.width()) + "x" + std::to_string(window.height()));

    struct Placed {
        const TControlRow* row;
        QWidget* control;
        QRect rect;
    };
    std::vector<Placed> placed;
    std::set<std::string> names;
    for (const TControlRow& row : table.Rows) {
        if (!IsControl(row)) continue;
        const std::string name = form + "." + row.Name;
        if (!names.insert(UpperIdent(row.Name)).second) {
            faults.push_back(name + " is declared twice");
            continue;
        }
        QWidget* control = built.Control(row.Name);
        if (control->accessibleName().isEmpty() && !row.CaptionFromCaller) faults.push_back(name + " has no accessible name");
        const QRect rect = DesignedRect(control);
        if (rect.isEmpty()) continue;
        const QRect parentArea(QPoint(), control->parentWidget()->size());
        if (!parentArea.contains(rect))
            faults.push_back(name + " lies outside its parent");
        placed.push_back({&row, control, rect});
    }
    for (std::size_t i = 0; i < placed.size(); ++i)
        for (std::size_t j = i + 1; j < placed.size(); ++j) {
            const Placed& a = placed[i];
            const Placed& b = placed[j];
            if (a.control->parentWidget() != b.control->parentWidget() || a.row->MayOverlap || b.row->MayOverlap) continue;
            if (a.rect.intersects(b.rect))
                faults.push_back(form + "." + a.row->Name + " overlaps " + b.row->Name);
        }

    if (table.Edited) {
        std::unique_ptr<TPersistent> sample(table.Edited().Create(nullptr));
        for (const TControlRow& row : table.Rows)
            if (*row.Property && !BoundProperty(sample.get(), row.Property))
                faults.push_back(form + "." + row.Name + ": " + row.Property + " does not resolve on a " +
                                 table.Edited().Name());
    }
    return faults;
}

TEST(FormTables, EveryRegisteredTableMakesASoundForm)
{
    RegisterStatsFormTables();
    RegisterAppFormTables();
    ASSERT_FALSE(RegisteredControlTables().empty());
    for (const TControlTable* table : RegisteredControlTables()) {
        SCOPED_TRACE(table->Name);
        for (const std::string& fault : Faults(*table)) ADD_FAILURE() << fault;
    }
}

// The walk itself finds each kind of fault.
TEST(FormTables, TheWalkReportsEachKindOfFault)
{
    static const TControlTable faulty{
        .Name = "Faulty",
        .DesignClient = {100, 60},
        .Edited = &TComponent::StaticClass,
        .Rows = {
            {.Kind = TControlKind::Button, .Name = "Nameless", .Place = {0, 0, 40, 20}},
            {.Kind = TControlKind::Button, .Name = "Over", .Caption = "Over", .Place = {30, 10, 40, 20}},
            {.Kind = TControlKind::Button, .Name = "Outside", .Caption = "Outside", .Place = {80, 40, 40, 30}},
            {.Kind = TControlKind::Edit, .Name = "Tagged", .Caption = "Tag", .Place = {0, 30, 40, 20}, .Property = "Tag"},
            {.Kind = TControlKind::Edit, .Name = "Unknown", .Caption = "Unknown", .Place = {0, 0, 10, 10},
             .Property = "Owner.Width", .MayOverlap = true},
            {.Kind = TControlKind::Label, .Name = "tagged", .Caption = "Again", .Place = {50, 40, 10, 10}},
        },
    };
    const std::vector<std::string> expected = {
        "Faulty.Nameless has no accessible name",
        "Faulty.Outside lies outside its parent",
        "Faulty.tagged is declared twice",
        "Faulty.Nameless overlaps Over",
        "Faulty.Unknown: Owner.Width does not resolve on a TComponent",
    };
    EXPECT_EQ(Faults(faulty), expected);
}

}  // namespace
