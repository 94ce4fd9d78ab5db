#include "chart/editor/DuvSourceEdit.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "chart/editor/DuvPenDlg.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/graphics/DuvConst.h"
#include "chart/output/widgets/DuvExcelSourceEdit.h"
#include "chart/series/ChartSeriesCopy.h"
#include "platform/ui/Application.h"

const TControlTable& BaseSourceEditorTable()
{
    static const TControlTable table{
        .Name = "BaseSourceEditor",
        .Caption = "Source",
        .DesignClient = {385, 224},
        .Rows = {
            {.Kind = TControlKind::Panel, .Name = "Pan", .Caption = "Source", .Place = {0, 0, 385, 34},
             .Anchors = faLeft | faTop | faRight},
            {.Kind = TControlKind::Label, .Name = "LLabel", .Caption = "&Source:", .Place = {4, 9, 50, 16},
             .Parent = "Pan", .Buddy = "CBSources"},
            {.Kind = TControlKind::ComboBox, .Name = "CBSources", .Caption = "Source", .Place = {58, 5, 200, 22},
             .Parent = "Pan"},
            {.Kind = TControlKind::Panel, .Name = "PanelApply", .Caption = "Apply", .Place = {296, 0, 89, 34},
             .Anchors = faTop | faRight, .Parent = "Pan"},
            {.Kind = TControlKind::Button, .Name = "BApply", .Caption = "&Apply", .Place = {6, 5, 75, 25},
             .Parent = "PanelApply"},
        },
    };
    return table;
}

TBaseSourceEditor::TBaseSourceEditor(QWidget* owner) : TDuvEditorForm(owner)
{
    BuildControls(BaseSourceEditorTable());
    BorderIcons = TBorderIcons{biSystemMenu};
    ParentFont = true;
    Pan = Built().Get<QFrame>("Pan");
    LLabel = Built().Get<QLabel>("LLabel");
    CBSources = Built().Get<QComboBox>("CBSources");
    PanelApply = Built().Get<QFrame>("PanelApply");
    BApply = Built().Get<QPushButton>("BApply");
    LLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    BApply->setEnabled(false);
    SetAlign(alClient);
    connect(CBSources, &QComboBox::currentIndexChanged, this, [this] { BApply->setEnabled(true); });
    connect(BApply, &QPushButton::clicked, this, [this] { RunHandler([this] { BApplyClick(); }); });
}

TBaseSourceEditor::~TBaseSourceEditor()
{
    TComponent* made = made_.Get();
    if (!made) return;
    // A source made here and never applied belongs to nobody else.
    const auto* source = dynamic_cast<TDuvSeriesSource*>(made);
    const bool applied = source ? source->Series() != nullptr : series_.Get() && series_->GetDataSource() == made;
    if (!applied) made->Free();
}

void TBaseSourceEditor::FormShow()
{
    TPersistent* tag = Tag();
    if (auto* series = dynamic_cast<TChartSeries*>(tag)) {
        series_ = series;
    } else if (auto* chart = dynamic_cast<TCustomAxisPanel*>(tag)) {
        chart_ = chart;
    } else if (auto* source = dynamic_cast<TDuvSeriesSource*>(tag)) {
        source_ = source;
        series_ = dynamic_cast<TChartSeries*>(source->Series());
    }
    BApply->setEnabled(false);
    TDuvEditorForm::FormShow();
}

void TBaseSourceEditor::AfterEmbed() { TranslateControl(this); }

bool TBaseSourceEditor::FormCloseQuery()
{
    if (!BApply->isEnabled()) return true;
    switch (UiServices().MessageDlg(DuvMsgApplyChanges, TMsgDlgType::mtConfirmation, mbYes | mbNo | mbCancel)) {
    case mrYes:
        BApply->click();
        return !BApply->isEnabled();
    case mrNo:
        BApply->setEnabled(false);
        return true;
    default:
        return false;
    }
}

void TBaseSourceEditor::ApplySource(TComponent* component)
{
    if (chart_ && !series_.Get() && GetGalleryTypeList().Count() > 0) {
        for (int i = 0; i < GetGalleryTypeList().Count(); ++i)
            if (const TClassInfo* first = GetGalleryTypeList().TypeAt(i)->SeriesClass) {
                series_ = CreateChartSeries(chart_->Owner(), chart_, *first);
                break;
            }
    }
    TChartSeries* series = series_.Get();
    if (!series || series->GetDataSource() == component) return;
    if (auto* previous = dynamic_cast<TDuvSeriesSource*>(series->GetDataSource());
        previous && previous->Owner() == series) {
        previous->SetSeries(nullptr);
        previous->Free();
    }
    series->SetDataSource(nullptr);
    if (auto* source = dynamic_cast<TDuvSeriesSource*>(component); source && !source->Series())
        source->SetSeries(series);
    series->SetDataSource(component);
}

TComponent* TBaseSourceEditor::GetOrCreateSource(const TClassInfo& sourceClass)
{
    if (!source_.Get() && series_.Get())
        if (TComponent* current = series_->GetDataSource(); current && current->ClassType().InheritsFrom(sourceClass))
            source_ = current;
    if (source_.Get()) return source_.Get();
    TComponent* owner = series_.Get() ? series_->Owner() : nullptr;
    auto* made = dynamic_cast<TComponent*>(sourceClass.Create(owner));
    if (!made) throw Exception(sourceClass.Name() + " is no component");
    made->SetName(NextFreeComponentName(owner, sourceClass.Name().substr(1)));
    source_ = made;
    made_ = made;
    return made;
}

// ---------------------------------------------------------------- spreadsheet sources

TExcelSourceEditor::TExcelSourceEditor(QWidget* owner) : TBaseSourceEditor(owner)
{
    LLabel->hide();
    CBSources->hide();
}

void TExcelSourceEditor::FormShow()
{
    TBaseSourceEditor::FormShow();
    if (form_ || !Series()) return;
    form_ = new TExcelSourceForm(Series(), this);
    form_->move(0, Pan->height());
    form_->BApply->hide();
    form_->BApply->installEventFilter(this);
    BApply->setEnabled(form_->BApply->isEnabled());
    form_->show();
}

bool TExcelSourceEditor::eventFilter(QObject* watched, QEvent* event)
{
    // The form's own button stays hidden; its state shows on the base's.
    if (form_ && watched == form_->BApply && event->type() == QEvent::EnabledChange)
        BApply->setEnabled(form_->BApply->isEnabled());
    return TBaseSourceEditor::eventFilter(watched, event);
}

void TExcelSourceEditor::BApplyClick()
{
    if (form_) form_->ApplyClick();
}

void DuvSourceEditInitialization()
{
    RegisterEditorFormClass("TBaseSourceEditor", &CreateEditorFormOf<TBaseSourceEditor>, &BaseSourceEditorTable());
    RegisterEditorFormClass("TExcelSourceEditor", &CreateEditorFormOf<TExcelSourceEditor>, &BaseSourceEditorTable());
}

void DuvSourceEditFinalization()
{
    UnregisterEditorFormClass("TExcelSourceEditor");
    UnregisterEditorFormClass("TBaseSourceEditor");
}
