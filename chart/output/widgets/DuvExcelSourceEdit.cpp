#include "chart/output/widgets/DuvExcelSourceEdit.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "chart/output/DuvExcelSource.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/ScopeGuard.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/UiServices.h"

namespace {

// The announced name of a caption: without its accelerator mark.
QString Spoken(const char* caption)
{
    QString text = QString::fromUtf8(caption);
    text.remove('&');
    return text;
}

struct TControlRow {
    const char* Name;
    const char* Caption;  // edits and lists take the caption of their label
    QRect Bounds;
};

// Layout in pixels, as the form is designed; rows in tab order.
constexpr TControlRow kRows[] = {
    {"LabelFile", "&Excel file:", {8, 12, 70, 16}},        {"EditFile", "&Excel file:", {80, 8, 200, 21}},
    {"BBrowse", "&Browse...", {288, 7, 75, 23}},           {"LabelSheet", "&Worksheet:", {8, 42, 70, 16}},
    {"CBSheet", "&Worksheet:", {80, 38, 200, 21}},         {"GroupValues", "&Values Range:", {8, 70, 170, 80}},
    {"LabelFrom", "&From:", {8, 22, 40, 16}},              {"EditFrom", "&From:", {52, 18, 100, 21}},
    {"LabelTo", "&To:", {8, 50, 40, 16}},                  {"EditTo", "&To:", {52, 46, 100, 21}},
    {"GroupLabels", "&Labels Range:", {190, 70, 170, 80}}, {"LabelLabelsFrom", "F&rom:", {8, 22, 40, 16}},
    {"EditLabelsFrom", "F&rom:", {52, 18, 100, 21}},       {"LabelLabelsTo", "T&o:", {8, 50, 40, 16}},
    {"EditLabelsTo", "T&o:", {52, 46, 100, 21}},           {"BApply", "&Apply", {288, 160, 75, 23}},
};

const TControlRow& Row(const char* name)
{
    for (const TControlRow& row : kRows)
        if (std::string_view(row.Name) == name) return row;
    throw Exception(std::string("No control ") + name);
}

template <class Widget>
Widget* Make(QWidget* parent, const char* name)
{
    const TControlRow& row = Row(name);
    auto* widget = Named(new Widget(parent), row.Name, Spoken(row.Caption));
    widget->setGeometry(row.Bounds);
    return widget;
}

template <class Captioned>
Captioned* MakeCaptioned(QWidget* parent, const char* name)
{
    Captioned* widget = Make<Captioned>(parent, name);
    widget->setText(QString::fromUtf8(Row(name).Caption));
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, QWidget* buddy)
{
    QLabel* label = MakeCaptioned<QLabel>(parent, name);
    label->setBuddy(buddy);
    return label;
}

std::string Text(const QLineEdit* edit) { return edit->text().trimmed().toStdString(); }

class TWaitCursor {
public:
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
};

}  // namespace

void CheckExcelSourceInput(const std::string& fileName, const std::string& workSheet, const std::string& from,
                           const std::string& to)
{
    if (fileName.empty()) throw Exception("Excel file empty");
    if (workSheet.empty()) throw Exception("Excel WorkSheet must be specified");
    if (from.empty() || to.empty()) throw Exception("Range must be specified. (ie: From A1 to A10)");
}

TExcelSourceForm::TExcelSourceForm(TChartSeries* series, QWidget* parent) : QWidget(parent), series_(series)
{
    setObjectName("ExcelSourceForm");
    setAccessibleName("Excel");
    resize(372, 192);
    EditFile = Make<QLineEdit>(this, "EditFile");
    LabelFile = MakeLabel(this, "LabelFile", EditFile);
    BBrowse = MakeCaptioned<QPushButton>(this, "BBrowse");
    CBSheet = Make<QComboBox>(this, "CBSheet");
    LabelSheet = MakeLabel(this, "LabelSheet", CBSheet);
    GroupValues = Make<QGroupBox>(this, "GroupValues");
    GroupValues->setTitle(QString::fromUtf8(Row("GroupValues").Caption));
    EditFrom = Make<QLineEdit>(GroupValues, "EditFrom");
    LabelFrom = MakeLabel(GroupValues, "LabelFrom", EditFrom);
    EditTo = Make<QLineEdit>(GroupValues, "EditTo");
    LabelTo = MakeLabel(GroupValues, "LabelTo", EditTo);
    GroupLabels = Make<QGroupBox>(this, "GroupLabels");
    GroupLabels->setTitle(QString::fromUtf8(Row("GroupLabels").Caption));
    EditLabelsFrom = Make<QLineEdit>(GroupLabels, "EditLabelsFrom");
    LabelLabelsFrom = MakeLabel(GroupLabels, "LabelLabelsFrom", EditLabelsFrom);
    EditLabelsTo = Make<QLineEdit>(GroupLabels, "EditLabelsTo");
    LabelLabelsTo = MakeLabel(GroupLabels, "LabelLabelsTo", EditLabelsTo);
    BApply = MakeCaptioned<QPushButton>(this, "BApply");

    source_ = dynamic_cast<TDuvExcelSource*>(series->DataSource());
    if (!source_) source_ = new TDuvExcelSource(series);
    EditFile->setText(QText(source_->FileName()));
    EditFrom->setText(QText(source_->RangeFrom()));
    EditTo->setText(QText(source_->RangeTo()));
    EditLabelsFrom->setText(QText(source_->LabelsFrom()));
    EditLabelsTo->setText(QText(source_->LabelsTo()));
    CBSheet->setEnabled(false);
    EnableRanges(false);
    if (!source_->FileName().empty()) {
        FillSheets();
        if (!source_->WorkSheet().empty()) {
            CBSheet->setCurrentText(QText(source_->WorkSheet()));
            EnableRanges(true);
        }
    }
    BApply->setEnabled(series->DataSource() != source_);

    for (QLineEdit* edit : {EditFile, EditFrom, EditTo, EditLabelsFrom, EditLabelsTo})
        connect(edit, &QLineEdit::textEdited, this, [this] { BApply->setEnabled(true); });
    connect(CBSheet, &QComboBox::activated, this, [this] {
        EnableRanges(true);
        BApply->setEnabled(true);
    });
    connect(BBrowse, &QPushButton::clicked, this, [this] { BrowseClick(); });
    connect(BApply, &QPushButton::clicked, this, [this] { ApplyClick(); });
}

void TExcelSourceForm::EnableRanges(bool enabled)
{
    for (QLineEdit* edit : {EditFrom, EditTo, EditLabelsFrom, EditLabelsTo}) edit->setEnabled(enabled);
}

void TExcelSourceForm::FillSheets()
{
    TWaitCursor wait;
    CBSheet->clear();
    for (const std::string& name : WorkbookSheetNames(Text(EditFile))) CBSheet->addItem(QText(name));
    CBSheet->setEnabled(CBSheet->count() > 0);
}

void TExcelSourceForm::BrowseClick()
{
    TFileDialogOptions dialog;
    dialog.Filter = kExcelFileFilter;
    dialog.DefaultExt = "xls";
    dialog.FileName = Text(EditFile);
    if (!UiServices().OpenFileDialog(dialog)) return;
    EditFile->setText(QText(dialog.FileName));
    BApply->setEnabled(true);
    std::error_code error;
    if (!std::filesystem::is_regular_file(dialog.FileName, error)) {
        CBSheet->setEnabled(false);
        return;
    }
    FillSheets();
}

void TExcelSourceForm::ApplyClick()
{
    if (Text(EditFile).empty()) EditFile->setFocus();
    CheckExcelSourceInput(Text(EditFile), CBSheet->currentText().toStdString(), Text(EditFrom), Text(EditTo));
    TWaitCursor wait;
    source_->Close();
    source_->SetFileName(Text(EditFile));
    source_->SetWorkSheet(CBSheet->currentText().toStdString());
    source_->SetRangeFrom(Text(EditFrom));
    source_->SetRangeTo(Text(EditTo));
    source_->SetLabelsFrom(Text(EditLabelsFrom));
    source_->SetLabelsTo(Text(EditLabelsTo));
    source_->SetSeries(series_);
    source_->Open();
    BApply->setEnabled(false);
}
