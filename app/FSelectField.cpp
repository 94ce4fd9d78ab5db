#include "app/FSelectField.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "platform/core/CodePage.h"
#include "platform/core/Streams.h"
#include "platform/ui/Application.h"
#include "platform/ui/FormTable.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

namespace {
const QSize kDesignClient(185, 297);
const char* const kLineEnd = "\r\n";

void CenterOnScreen(QWidget& window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

bool Offered(const TFieldTypes& types, TFieldType type)
{
    return types.count(ftUnknown) > 0 || types.count(type) > 0;
}
}  // namespace

const TControlTable& FormSelectFieldTable()
{
    static const TControlTable table{
        .Name = "FormSelectField",
        .DesignClient = kDesignClient,
        .Layout = TFormLayout::Grid,
        .Margin = 4,
        .Rows = {
            {.Kind = TControlKind::ListBox, .Name = "ListBox", .Caption = "Fields", .Cell = {0, 0}},
            // Offered where several fields may be chosen.
            {.Kind = TControlKind::HBox, .Name = "SelectRow", .Cell = {1, 0}},
            {.Kind = TControlKind::Button, .Name = "BtnSelAll", .Caption = "Vše Ano", .Parent = "SelectRow", .Hidden = true},
            {.Kind = TControlKind::Button, .Name = "BtnClear", .Caption = "Vše Ne", .Parent = "SelectRow", .Hidden = true},
            {.Kind = TControlKind::HBox, .Name = "ConfirmRow", .Cell = {2, 0}},
            {.Kind = TControlKind::Button, .Name = "BtnOK", .Caption = "OK", .Parent = "ConfirmRow"},
            {.Kind = TControlKind::Button, .Name = "BtnCancel", .Caption = "Cancel", .Parent = "ConfirmRow"},
        },
    };
    return table;
}

TFormSelectField::TFormSelectField(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      form_(BuildForm(this, FormSelectFieldTable()))
{
    ListBox = form_.Get<QListWidget>("ListBox");
    BtnOK = form_.Get<QPushButton>("BtnOK");
    BtnCancel = form_.Get<QPushButton>("BtnCancel");
    BtnSelAll = form_.Get<QPushButton>("BtnSelAll");
    BtnClear = form_.Get<QPushButton>("BtnClear");
    setFont(FormFont());
    KeepOnScreen(this);

    BtnOK->setEnabled(false);
    BtnOK->setDefault(true);
    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtnSelAll, &QPushButton::clicked, this, Guarded(this, &TFormSelectField::BtnSelAllClick));
    connect(BtnClear, &QPushButton::clicked, this, Guarded(this, &TFormSelectField::BtnClearClick));
    connect(ListBox, &QListWidget::itemSelectionChanged, this, Guarded(this, &TFormSelectField::ListBoxClick));
    connect(ListBox, &QListWidget::currentRowChanged, this, Guarded(this, &TFormSelectField::ListBoxClick));
}

void TFormSelectField::Prepare(const std::string& caption, TDataSet& dataSet, const TFieldTypes& types)
{
    BtnOK->setEnabled(false);
    setWindowTitle(QText(caption));
    setAccessibleName(QText(caption));
    ListBox->clear();
    TStringList names;
    dataSet.GetFieldNames(names);
    for (int i = 0; i < names.Count(); ++i) {
        const int index = dataSet.FieldDefs().IndexOf(names[i]);
        const TFieldType type = index >= 0 ? dataSet.FieldDefs().Items(index).DataType : ftUnknown;
        if (Offered(types, type))
            ListBox->addItem(QText(names[i]));
    }
    ListBoxClick();
}

void TFormSelectField::SetMultiSelect(bool multiSelect)
{
    multiSelect_ = multiSelect;
    ListBox->setSelectionMode(multiSelect ? QAbstractItemView::MultiSelection : QAbstractItemView::SingleSelection);
    BtnSelAll->setVisible(multiSelect);
    BtnClear->setVisible(multiSelect);
}

std::unique_ptr<TStringList> TFormSelectField::SelectFields(const std::string& caption, TDataSet& dataSet,
                                                            const TFieldTypes& types)
{
    Prepare(caption, dataSet, types);
    SetMultiSelect(true);
    CenterOnScreen(*this);
    if (exec() != QDialog::Accepted)
        return nullptr;
    auto chosen = std::make_unique<TStringList>();
    for (int row = 0; row < ListBox->count(); ++row)
        if (ListBox->item(row)->isSelected())
            chosen->Add(ListBox->item(row)->text().toStdString());
    return chosen;
}

void TFormSelectField::ListBoxClick()
{
    const bool chosen = multiSelect_ ? !ListBox->selectedItems().isEmpty() : ListBox->currentRow() >= 0;
    BtnOK->setEnabled(chosen);
}

void TFormSelectField::BtnSelAllClick()
{
    ListBox->selectAll();
    ListBoxClick();
}

void TFormSelectField::BtnClearClick()
{
    ListBox->clearSelection();
    ListBoxClick();
}

const TFieldTypes& TextExportFieldTypes()
{
    static const TFieldTypes types{ftString, ftSmallint, ftInteger, ftWord, ftBoolean,
                                   ftFloat,  ftDate,     ftTime,    ftDateTime};
    return types;
}

std::string TextExportValue(const std::string& text)
{
    std::string value = text;
    std::replace_if(value.begin(), value.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return value;
}

std::string TextExportLine(int number, const std::vector<std::string>& values)
{
    std::string line = std::to_string(number);
    for (const std::string& value : values)
        line += '\t' + TextExportValue(value);
    return line + kLineEnd;
}

std::string TextExportHeader(const std::vector<std::string>& fieldNames)
{
    std::string line = "line";
    for (const std::string& name : fieldNames)
        line += '\t' + TextExportValue(name);
    return line + kLineEnd;
}

namespace {
// The chosen fields in the dataset's field order.
std::vector<TField*> ExportedFields(TDataSet& dataSet, const TStringList& fieldNames)
{
    std::vector<TField*> fields;
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        TField& field = dataSet.Fields().Fields(i);
        if (fieldNames.IndexOf(field.FieldName()) >= 0)
            fields.push_back(&field);
    }
    return fields;
}
}  // namespace

void WriteTextExport(const std::string& fileName, TDataSet& dataSet, const TStringList& fieldNames)
{
    const std::vector<TField*> fields = ExportedFields(dataSet, fieldNames);
    std::vector<std::string> texts;
    for (const TField* field : fields)
        texts.push_back(field->FieldName());

    TFileStream file(fileName, fmCreate);
    file.WriteString(Utf8ToAnsi(TextExportHeader(texts)));
    dataSet.First();
    for (int number = 1; !dataSet.Eof(); ++number) {
        texts.clear();
        for (const TField* field : fields)
            texts.push_back(field->AsString());
        file.WriteString(Utf8ToAnsi(TextExportLine(number, texts)));
        dataSet.Next();
    }
    file.Commit();
}

bool ExportToTextFile(const std::string& fileName, TDataSet& dataSet, const std::string& chooserCaption,
                      QWidget* owner)
{
    std::unique_ptr<TStringList> fieldNames;
    {
        TFormSelectField chooser(owner);
        fieldNames = chooser.SelectFields(chooserCaption, dataSet, TextExportFieldTypes());
    }
    if (!fieldNames)
        return false;
    WriteTextExport(fileName, dataSet, *fieldNames);
    return true;
}
