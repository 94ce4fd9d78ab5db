#include "app/FReplaceField.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "app/ULng.h"
#include "platform/core/NumText.h"
#include "platform/ui/Application.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/UiServices.h"
#include "platform/ui/WindowFit.h"

// ---- Decisions ---------------------------------------------------------------------------

bool FillOffersField(TFieldType type)
{
    static const TFieldType kNotOffered[] = {ftAutoInc,   ftBlob,     ftGraphic,      ftFmtMemo,
                                             ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor};
    return std::find(std::begin(kNotOffered), std::end(kNotOffered), type) == std::end(kNotOffered);
}

bool FillWritesRecord(const TField& field, bool onlyZeroValues)
{
    if (!onlyZeroValues)
        return true;
    switch (field.DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: return field.AsInteger() == 0;
    case ftFloat:
    case ftCurrency: return field.AsFloat() == 0;
    default: return true;
    }
}

std::optional<std::string> PaddedNumber(const std::string& text, int length, char padChar)
{
    std::string number = Trim(text);
    if (number.empty())
        number = "0";
    int value = 0;
    if (!TryStrToInt(number, value) || value == -9999)
        return std::nullopt;
    const int missing = length - static_cast<int>(number.size());
    if (missing <= 0)
        return number;
    const bool signed_ = number[0] == '-' || number[0] == '+';
    const size_t at = padChar == '0' && signed_ ? 1 : 0;
    return number.insert(at, static_cast<size_t>(missing), padChar);
}

std::optional<std::string> ReplacedText(const std::string& text, const std::string& find,
                                        const std::string& replacement)
{
    if (find.empty() || text.find(find) == std::string::npos)
        return std::nullopt;
    std::string result;
    size_t start = 0;
    for (size_t at = text.find(find); at != std::string::npos; at = text.find(find, start)) {
        result.append(text, start, at - start).append(replacement);
        start = at + find.size();
    }
    return result.append(text, start);
}

std::string SecondTabColumn(const std::string& line)
{
    const size_t tab = line.find('\t');
    if (tab == std::string::npos)
        return line;
    const size_t next = line.find('\t', tab + 1);
    return line.substr(tab + 1, next == std::string::npos ? std::string::npos : next - tab - 1);
}

std::string EraseQuestion(const std::string& fieldName) { return "Erase all values in the field " + fieldName + "?"; }

std::string MissingFileMessage(const std::string& fileName) { return "Soubor \"" + fileName + "\" neexistuje"; }

// ---- The record loop ---------------------------------------------------------------------

namespace {

// What a mode does with the current record: leave it, give it a value, or stop.
struct TFillStep {
    enum { Leave, Write, Stop } Action = Leave;
    Variant Value{};
};

TFillStep Write(Variant value) { return {TFillStep::Write, std::move(value)}; }
TFillStep WriteText(std::optional<std::string> text)
{
    return text ? Write(Variant::String(*text)) : TFillStep{};
}

void PutValue(TField& field, const Variant& value)
{
    if (value.Type() == TVarType::String)
        field.SetAsString(value.StringValue());  // an empty text clears the field
    else
        field.SetValue(value);
}

int FillRecords(TDataSet& dataSet, const std::string& fieldName, bool fromFirst,
                const std::function<TFillStep(TField&)>& stepFor)
{
    TField& field = dataSet.FieldByName(fieldName);
    if (fromFirst)
        dataSet.First();
    int written = 0;
    for (; !dataSet.Eof(); dataSet.Next()) {
        const TFillStep step = stepFor(field);
        if (step.Action == TFillStep::Stop)
            break;
        if (step.Action == TFillStep::Leave)
            continue;
        dataSet.Edit();
        try {
            PutValue(field, step.Value);
            dataSet.Post();
        } catch (...) {
            dataSet.Cancel();
            throw;
        }
        ++written;
    }
    return written;
}

}  // namespace

int FillFieldText(TDataSet& dataSet, const std::string& fieldName, const std::string& text, bool onlyZeroValues,
                  bool fromFirst)
{
    return FillRecords(dataSet, fieldName, fromFirst, [&](TField& field) {
        return FillWritesRecord(field, onlyZeroValues) ? Write(Variant::String(text)) : TFillStep{};
    });
}

int FillFieldNumberRun(TDataSet& dataSet, const std::string& fieldName, int from, int step, bool fromFirst)
{
    long long value = from;
    return FillRecords(dataSet, fieldName, fromFirst, [&](TField&) {
        const Variant current = Variant::Integer(value);
        value += step;
        return Write(current);
    });
}

int FillFieldFromLines(TDataSet& dataSet, const std::string& fieldName, const TStringList& lines, bool fromFirst)
{
    int next = 1;  // the first line is a header
    return FillRecords(dataSet, fieldName, fromFirst, [&](TField&) {
        if (next >= lines.Count())
            return TFillStep{TFillStep::Stop};
        return Write(Variant::String(SecondTabColumn(lines[next++])));
    });
}

int PadFieldNumbers(TDataSet& dataSet, const std::string& fieldName, int length, char padChar, bool fromFirst)
{
    return FillRecords(dataSet, fieldName, fromFirst,
                       [&](TField& field) { return WriteText(PaddedNumber(field.AsString(), length, padChar)); });
}

int ReplaceFieldText(TDataSet& dataSet, const std::string& fieldName, const std::string& find,
                     const std::string& replacement, bool fromFirst)
{
    return FillRecords(dataSet, fieldName, fromFirst,
                       [&](TField& field) { return WriteText(ReplacedText(field.AsString(), find, replacement)); });
}

// ---- The form ----------------------------------------------------------------------------

namespace {

QRadioButton* MakeRadio(QWidget* parent, const char* name, const QString& caption)
{
    return Named(new QRadioButton(caption, parent), name, caption);
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& text, const QString& accessibleName)
{
    return Named(new QLineEdit(text, parent), name, accessibleName);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QWidget* buddy)
{
    auto* label = Named(new QLabel(caption, parent), name, caption);
    label->setBuddy(buddy);
    return label;
}

void SetCaption(QWidget* control, const std::string& text)
{
    const QString caption = QText(text);
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(caption);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(caption);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(caption);
    else
        control->setWindowTitle(caption);
    control->setAccessibleName(caption);
}

}  // namespace

TFormReplaceField::TFormReplaceField(QWidget* parent)
    : QDialog(parent),
      CBfields(Named(new QComboBox(this), "CBfields", "Atribut")),
      RadioButton1(MakeRadio(this, "RadioButton1", "vymazat")),
      CBnull(Named(new QCheckBox("pouze nulové hodnoty", this), "CBnull", "pouze nulové hodnoty")),
      RadioButton2(MakeRadio(this, "RadioButton2", "vyplnit konstantu")),
      EditConst(MakeEdit(this, "EditConst", "", "vyplnit konstantu")),
      RadioButton3(MakeRadio(this, "RadioButton3", "řada")),
      EditFrom(MakeEdit(this, "EditFrom", "1", "od")),
      EditStep(MakeEdit(this, "EditStep", "1", "přírůstek")),
      RadioButton4(MakeRadio(this, "RadioButton4", "ze souboru")),
      EditFile(MakeEdit(this, "EditFile", "", "ze souboru")),
      btnOpen(Named(new QToolButton(this), "btnOpen", "Vybrat soubor")),
      RadioButton5(MakeRadio(this, "RadioButton5", "číslo v textovém poli - délka")),
      EditNumLen(MakeEdit(this, "EditNumLen", "2", "číslo v textovém poli - délka")),
      EditNumChar(MakeEdit(this, "EditNumChar", "0", "znak")),
      RadioButton6(MakeRadio(this, "RadioButton6", "nahradit text")),
      EditFind(MakeEdit(this, "EditFind", "", "nahradit text")),
      EditReplace(MakeEdit(this, "EditReplace", "", "za")),
      RG_start(Named(new QGroupBox("Provést od", this), "RG_start", "Provést od")),
      RG_startFirst(MakeRadio(RG_start, "RG_startItem0", "počátku")),
      RG_startCurrent(MakeRadio(RG_start, "RG_startItem1", "aktivní řádky")),
      BtnOK(Named(new QPushButton("OK", this), "BtnOK", "OK")),
      BtnCancel(Named(new QPushButton("Cancel", this), "BtnCancel", "Cancel"))
{
    setObjectName("FormReplaceField");
    setWindowTitle("Zápis hodnot");
    setAccessibleName(windowTitle());
    setFont(FormFont());
    KeepOnScreen(this);

    LabelAttrib = MakeLabel(this, "LabelAttrib", "Atribut", CBfields);
    LabelFrom = MakeLabel(this, "LabelFrom", "od", EditFrom);
    LabelStep = MakeLabel(this, "LabelStep", "přírůstek", EditStep);
    LabelChar = MakeLabel(this, "LabelChar", "znak", EditNumChar);
    LabelReplace = MakeLabel(this, "LabelReplace", "za", EditReplace);

    RadioButton1->setChecked(true);
    RG_startCurrent->setChecked(true);
    btnOpen->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    btnOpen->setToolTip("Vybrat soubor");
    EditNumChar->setMaxLength(1);
    EditNumChar->setToolTip("Doporučované znaky 0 # *");
    BtnOK->setEnabled(false);
    BtnOK->setDefault(true);
    SetNumberModeEnabled(false);  // until a text field is chosen

    auto* startLayout = new QVBoxLayout(RG_start);
    startLayout->addWidget(RG_startFirst);
    startLayout->addWidget(RG_startCurrent);

    auto* layout = new QGridLayout(this);
    layout->addWidget(LabelAttrib, 0, 0);
    layout->addWidget(CBfields, 0, 1, 1, 4);
    layout->addWidget(RadioButton1, 1, 0);
    layout->addWidget(CBnull, 1, 1, 1, 4);
    layout->addWidget(RadioButton2, 2, 0);
    layout->addWidget(EditConst, 2, 1, 1, 4);
    layout->addWidget(RadioButton3, 3, 0);
    layout->addWidget(LabelFrom, 3, 1);
    layout->addWidget(EditFrom, 3, 2);
    layout->addWidget(LabelStep, 3, 3);
    layout->addWidget(EditStep, 3, 4);
    layout->addWidget(RadioButton4, 4, 0);
    layout->addWidget(EditFile, 4, 1, 1, 3);
    layout->addWidget(btnOpen, 4, 4);
    layout->addWidget(RadioButton5, 5, 0);
    layout->addWidget(EditNumLen, 5, 1, 1, 2);
    layout->addWidget(LabelChar, 5, 3);
    layout->addWidget(EditNumChar, 5, 4);
    layout->addWidget(RadioButton6, 6, 0);
    layout->addWidget(EditFind, 6, 1, 1, 2);
    layout->addWidget(LabelReplace, 6, 3);
    layout->addWidget(EditReplace, 6, 4);
    layout->addWidget(RG_start, 7, 0, 1, 5);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnOK);
    buttons->addWidget(BtnCancel);
    layout->addLayout(buttons, 8, 0, 1, 5);

    AddMode(RadioButton2, EditConst, {EditConst});
    AddMode(RadioButton3, EditFrom, {EditFrom, EditStep});
    AddMode(RadioButton4, EditFile, {EditFile});
    AddMode(RadioButton5, EditNumLen, {EditNumLen, EditNumChar});
    AddMode(RadioButton6, EditFind, {EditFind});
    connect(CBfields, &QComboBox::currentIndexChanged, this, Guarded(this, &TFormReplaceField::CBfieldsChange));
    connect(EditNumLen, &QLineEdit::textChanged, this, Guarded(this, &TFormReplaceField::EditNumLenChange));
    connect(btnOpen, &QToolButton::clicked, this, Guarded(this, &TFormReplaceField::btnOpenClick));
    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

// Entering one of the mode's edits chooses the mode; clicking the mode goes to its first edit.
void TFormReplaceField::AddMode(QRadioButton* mode, QLineEdit* firstEdit, std::initializer_list<QLineEdit*> edits)
{
    for (QLineEdit* edit : edits) {
        edit->setProperty("fillMode", QVariant::fromValue(static_cast<QObject*>(mode)));
        edit->installEventFilter(this);
    }
    connect(mode, &QRadioButton::clicked, firstEdit, [firstEdit] { firstEdit->setFocus(); });
}

bool TFormReplaceField::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto* mode = qobject_cast<QRadioButton*>(watched->property("fillMode").value<QObject*>()))
            mode->setChecked(true);
    }
    if (watched == EditFile && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            RunHandler([this] { EditFileExit(); });
    }
    return QDialog::eventFilter(watched, event);
}

void TFormReplaceField::ApplyLanguage(const TLngModule* module)
{
    if (!module)
        return;
    struct Text {
        QWidget* control;
        int id;
        bool capitalized;
    };
    const Text texts[] = {
        {this, 2000, true},         {LabelAttrib, 511, true},  {RadioButton1, 120, true},  {RadioButton2, 2010, true},
        {RadioButton3, 2020, true}, {LabelFrom, 2021, false},  {LabelStep, 2022, false},   {RadioButton4, 2030, true},
        {RadioButton5, 2040, true}, {LabelChar, 2041, false},  {RadioButton6, 2050, true}, {LabelReplace, 2051, false},
        {CBnull, 2060, true},       {RG_start, 2080, true},    {RG_startFirst, 2081, false},
        {RG_startCurrent, 2082, false}, {BtnCancel, 520, false},
    };
    for (const Text& text : texts)
        SetCaption(text.control, text.capitalized ? module->GetTextCapitalized(text.id) : module->GetText(text.id));
    const QString openHint = QText(module->GetTextCapitalized(2070));
    btnOpen->setToolTip(openHint);
    btnOpen->setAccessibleName(openHint);
}

void TFormReplaceField::FillFieldList()
{
    CBfields->clear();
    for (int i = 0; i < dataSet_->FieldCount(); ++i) {
        const TField& field = dataSet_->Fields().Fields(i);
        if (FillOffersField(field.DataType()))
            CBfields->addItem(QText(field.FieldName()));
    }
    CBfields->setCurrentIndex(-1);
}

void TFormReplaceField::Setup(TDataSet* dataSet, int left, TDataSource* dataSource, int top)
{
    dataSet_ = dataSet;
    FillFieldList();
    move(std::max(left, 0), std::max(top, 0));
    // The grid stops following the records while they are written, and follows again after.
    struct Detached {
        TDataSource* source;
        TDataSet* dataSet;
        ~Detached()
        {
            if (source)
                source->SetDataSet(dataSet);
        }
    } detached{nullptr, dataSet};
    do {
        const bool confirmed = exec() == QDialog::Accepted;
        if (dataSource && !detached.source) {
            detached.source = dataSource;
            dataSource->SetDataSet(nullptr);
        }
        repeat_ = false;
        if (!confirmed)
            break;
        RunChosenMode();
    } while (repeat_);
}

std::string TFormReplaceField::FieldName() const { return CBfields->currentText().toStdString(); }

bool TFormReplaceField::FromFirst() const { return RG_startFirst->isChecked(); }

void TFormReplaceField::RunChosenMode()
{
    if (RadioButton1->isChecked())
        FillText("");
    else if (RadioButton2->isChecked())
        FillText(EditConst->text().toStdString());
    else if (RadioButton3->isChecked())
        FillNumberRun();
    else if (RadioButton4->isChecked())
        FillFromFile(EditFile->text().toStdString());
    else if (RadioButton5->isChecked())
        PadNumbers();
    else if (RadioButton6->isChecked())
        ReplaceText();
}

void TFormReplaceField::FillText(const std::string& text)
{
    if (text.empty() && !UiServices().AskOkCancel(EraseQuestion(FieldName()), mbCancel)) {
        repeat_ = true;
        return;
    }
    FillFieldText(*dataSet_, FieldName(), text, CBnull->isChecked(), FromFirst());
}

void TFormReplaceField::FillNumberRun()
{
    FillFieldNumberRun(*dataSet_, FieldName(), StrToInt(EditFrom->text().toStdString()),
                       StrToInt(EditStep->text().toStdString()), FromFirst());
}

void TFormReplaceField::FillFromFile(const std::string& fileName)
{
    if (!std::filesystem::is_regular_file(fileName)) {
        UiServices().ShowError(MissingFileMessage(fileName));
        return;
    }
    TStringList lines;
    lines.LoadFromFile(fileName);
    FillFieldFromLines(*dataSet_, FieldName(), lines, FromFirst());
}

void TFormReplaceField::PadNumbers()
{
    const std::string padChar = EditNumChar->text().toStdString();
    if (padChar.size() != 1)
        throw Exception("Enter one character to fill the numbers with");
    PadFieldNumbers(*dataSet_, FieldName(), StrToInt(EditNumLen->text().toStdString()), padChar[0], FromFirst());
}

void TFormReplaceField::ReplaceText()
{
    ReplaceFieldText(*dataSet_, FieldName(), EditFind->text().toStdString(), EditReplace->text().toStdString(),
                     FromFirst());
}

void TFormReplaceField::SetNumberModeEnabled(bool enabled)
{
    if (!enabled && RadioButton5->isChecked()) {
        RadioButton5->setAutoExclusive(false);
        RadioButton5->setChecked(false);
        RadioButton5->setAutoExclusive(true);
    }
    for (QWidget* control : std::initializer_list<QWidget*>{RadioButton5, EditNumLen, LabelChar, EditNumChar})
        control->setEnabled(enabled);
}

void TFormReplaceField::CBfieldsChange()
{
    const TField* field = CBfields->currentIndex() >= 0 ? dataSet_->FindField(FieldName()) : nullptr;
    BtnOK->setEnabled(field != nullptr);
    const bool text = field && (field->DataType() == ftString || field->DataType() == ftWideString);
    SetNumberModeEnabled(text);
    maxNumberLength_ = text ? field->Size() : 0;
    EditNumLen->setToolTip(text ? QText("Maximální velikost " + IntToStr(maxNumberLength_)) : QString());
}

void TFormReplaceField::EditNumLenChange()
{
    if (maxNumberLength_ <= 0)
        return;
    const std::string text = EditNumLen->text().toStdString();
    int length = 0;
    if (text.empty() || (TryStrToInt(text, length) && length > maxNumberLength_))
        EditNumLen->setText(QText(IntToStr(maxNumberLength_)));
}

void TFormReplaceField::btnOpenClick()
{
    TFileDialogOptions dialog;
    dialog.Filter = "Textový soubor|*.txt|Všechny soubory|*.*";
    dialog.FileName = EditFile->text().toStdString();
    if (!UiServices().OpenFileDialog(dialog))
        return;
    EditFile->setText(QText(dialog.FileName));
    RadioButton4->setChecked(true);
}

void TFormReplaceField::EditFileExit()
{
    const std::string fileName = EditFile->text().toStdString();
    if (fileName.empty() || std::filesystem::is_regular_file(fileName))
        return;
    if (UiServices().MessageDlg(MissingFileMessage(fileName), TMsgDlgType::mtWarning, mbOKCancel) == mrOk)
        EditFile->setFocus();
}
