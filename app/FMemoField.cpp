#include "app/FMemoField.h"

#include <QCloseEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/core/StringList.h"
#include "platform/db/DataSource.h"
#include "platform/ui/Application.h"
#include "platform/ui/DBCtrls.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

namespace {

// A viewer lives exactly as long as it is listed: it is reachable only through the list.
std::vector<std::unique_ptr<TMemoBrowse>>& MemoBrowsers()
{
    static auto* list = new std::vector<std::unique_ptr<TMemoBrowse>>;
    return *list;
}

// Takes the viewers that match out of the list, last first, so their windows can close.
template <class Match>
std::vector<std::unique_ptr<TMemoBrowse>> TakeMemoBrowsers(Match match)
{
    auto& list = MemoBrowsers();
    std::vector<std::unique_ptr<TMemoBrowse>> taken;
    for (auto i = list.size(); i-- > 0;) {
        if (!match(*list[i]))
            continue;
        taken.push_back(std::move(list[i]));
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return taken;
}

}  // namespace

TFormMemoField::TFormMemoField(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), DBMemo(new TDBMemo(this))
{
    setObjectName("FormMemoField");
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(FormFont());
    KeepOnScreen(this);
    CloseOnEscape(this);
    resize(320, 200);
    DBMemo->setObjectName("DBMemo");
    DBMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(DBMemo);
}

void TFormMemoField::closeEvent(QCloseEvent* event)
{
    auto closed = TakeMemoBrowsers([this](const TMemoBrowse& viewer) { return viewer.Window() == this; });
    for (auto& viewer : closed)
        viewer->ForgetWindow();
    DBMemo->SetDataSource(nullptr);
    QWidget::closeEvent(event);
}

TMemoBrowse::TMemoBrowse(TDataSource* dataSource, const std::string& fieldName)
    : dataSource_(dataSource), fieldName_(UpperCase(fieldName)), window_(new TFormMemoField)
{
    const QString caption = QText("[" + fieldName + "]");
    window_->setWindowTitle(caption);
    window_->setAccessibleName(caption);
    window_->DBMemo->SetDataSource(dataSource);
    window_->DBMemo->SetDataField(fieldName);
}

TMemoBrowse::~TMemoBrowse()
{
    if (window_)
        window_->close();
}

TFormMemoField* BrowseMemoField(TDataSource* dataSource, TField* field)
{
    auto& list = MemoBrowsers();
    auto found = std::find_if(list.begin(), list.end(), [&](const auto& viewer) {
        return viewer->DataSource() == dataSource && SameText(viewer->FieldName(), field->FieldName());
    });
    if (found == list.end() || !(*found)->Window()) {
        if (found != list.end())
            list.erase(found);
        list.push_back(std::make_unique<TMemoBrowse>(dataSource, field->FieldName()));
        found = list.end() - 1;
    }
    TFormMemoField* window = (*found)->Window();
    window->show();
    window->raise();
    return window;
}

void CloseMemoBrowsers(TDataSource* dataSource)
{
    TakeMemoBrowsers([dataSource](const TMemoBrowse& viewer) { return viewer.DataSource() == dataSource; });
}

int MemoBrowserCount() { return static_cast<int>(MemoBrowsers().size()); }
