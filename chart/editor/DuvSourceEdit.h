#pragma once
// The base of the editors of a series' data source, shown on the series editor's "Data Source"
// page. Its Tag says what it edits: a series, a chart (a series is made on the first apply) or a
// source (its series is edited). Leaving it with "&Apply" still enabled asks whether to apply.
#include "chart/editor/DuvEditorForm.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/ComponentRef.h"

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class TDuvSeriesSource;
class TExcelSourceForm;

class TBaseSourceEditor : public TDuvEditorForm {
public:
    explicit TBaseSourceEditor(QWidget* owner = nullptr);
    ~TBaseSourceEditor() override;

    QFrame* Pan;
    QLabel* LLabel;
    QComboBox* CBSources;
    QFrame* PanelApply;
    QPushButton* BApply;

    TChartSeries* Series() const { return series_.Get(); }
    TCustomAxisPanel* Chart() const { return chart_; }
    TComponent* DataSource() const { return source_.Get(); }

    // Makes component the series' data source; a chart without series gets a series of the
    // gallery's first class first. A previous source the series owns is freed.
    void ApplySource(TComponent* component);
    // The source the editor works on, of sourceClass: the series' own when it is of that class,
    // else a new one (named from the class) that is freed with the editor unless it is applied.
    TComponent* GetOrCreateSource(const TClassInfo& sourceClass);
    // The host calls it right after embedding the editor.
    virtual void AfterEmbed();
    // With "&Apply" enabled asks "Apply Changes ?": Yes applies and allows closing only when
    // the apply went through, No drops the changes, Cancel keeps the editor open.
    bool FormCloseQuery() override;

protected:
    void FormShow() override;
    // "&Apply" clicked; descendants apply their changes and disable the button.
    virtual void BApplyClick() {}

    bool Reserved = false;  // kept for descendants

private:
    TComponentRef<TChartSeries> series_;
    TCustomAxisPanel* chart_ = nullptr;
    TComponentRef<TComponent> source_;
    TComponentRef<TComponent> made_;  // a source this editor made
};

// The registered editor of spreadsheet sources: the spreadsheet form inside the base, applied
// with the base's "&Apply".
class TExcelSourceEditor : public TBaseSourceEditor {
public:
    explicit TExcelSourceEditor(QWidget* owner = nullptr);
    TExcelSourceForm* Form() const { return form_; }

protected:
    void FormShow() override;
    void BApplyClick() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TExcelSourceForm* form_ = nullptr;
};

const TControlTable& BaseSourceEditorTable();
void DuvSourceEditInitialization();
void DuvSourceEditFinalization();
