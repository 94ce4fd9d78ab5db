#include "app/FTextInput.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <memory>

#include "platform/ui/Application.h"
#include "platform/ui/FormTable.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

const char* const kSkippedColumn = ".NULL.";

namespace {
const char* const kConstantPrefix = "P:";
constexpr int kFieldColumnWidth = 120;
constexpr int kMarkColumnWidth = 20;
constexpr int kMarkColumnSlack = 30;

// Blanks and control characters around a line go, but not the separator: it marks a column.
bool DroppedAtLineEnds(char c, char separator)
{
    return static_cast<unsigned char>(c) <= ' ' && (c != separator || separator == ' ');
}
}  // namespace

// ---- The mapping -------------------------------------------------------------------------

TMapRowKind MapRowKind(const std::string& field, const std::string& mark)
{
    if (mark.size() > 1 && mark.rfind(kConstantPrefix, 0) == 0)
        return TMapRowKind::Constant;
    if (!mark.empty())
        return TMapRowKind::Key;
    // A row without a field still stands for a column, which nothing can take.
    if (field == kSkippedColumn || field.empty())
        return TMapRowKind::Skip;
    return TMapRowKind::Value;
}

TImportMapping BuildImportMapping(const std::vector<TMapRow>& rows)
{
    TImportMapping mapping;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        if (MapRowKind(row->Field, row->Mark) == TMapRowKind::Constant)
            mapping.Constants.push_back({row->Field, row->Mark.substr(2)});

    std::string keys;
    for (const TMapRow& row : rows) {
        const TMapRowKind kind = MapRowKind(row.Field, row.Mark);
        if (kind == TMapRowKind::Constant)
            continue;
        mapping.Columns.push_back({kind, row.Field});
        if (kind == TMapRowKind::Key)
            keys += (keys.empty() ? "" : ";") + row.Field;
    }
    if (keys.empty())
        throw Exception("The import needs at least one key column (\"Par -->\") to find the records");
    for (const TMapRow& constant : mapping.Constants)
        keys += ";" + constant.Field;
    mapping.KeyFields = keys;
    return mapping;
}

std::optional<std::vector<Variant>> TImportMapping::KeyValues(const std::vector<std::string>& texts) const
{
    std::vector<Variant> values;
    for (size_t i = 0; i < Columns.size(); ++i) {
        if (Columns[i].Kind != TMapRowKind::Key)
            continue;
        if (i >= texts.size())
            return std::nullopt;
        values.push_back(Variant::String(texts[i]));
    }
    for (const TMapRow& constant : Constants)
        values.push_back(Variant::String(constant.Mark));
    return values;
}

// ---- Lines -------------------------------------------------------------------------------

std::vector<std::string> SplitLine(const std::string& line, char separator, int columnCount)
{
    size_t first = 0;
    size_t end = line.size();
    while (first < end && DroppedAtLineEnds(line[first], separator)) ++first;
    while (end > first && DroppedAtLineEnds(line[end - 1], separator)) --end;

    std::vector<std::string> texts;
    if (first == end)
        return texts;
    size_t start = first;
    while (static_cast<int>(texts.size()) < columnCount) {
        const size_t at = line.find(separator, start);
        if (at == std::string::npos || at >= end) {
            texts.push_back(line.substr(start, end - start));
            break;
        }
        texts.push_back(line.substr(start, at - start));
        start = at + 1;
        if (separator == ' ')
            while (start < end && line[start] == ' ') ++start;
    }
    return texts;
}

bool ImportLine(TDataSet& dataSet, const TImportMapping& mapping, const std::vector<std::string>& texts)
{
    const auto keys = mapping.KeyValues(texts);
    if (!keys || !dataSet.Locate(mapping.KeyFields, *keys))
        return false;
    dataSet.Edit();
    try {
        for (size_t i = 0; i < mapping.Columns.size() && i < texts.size(); ++i)
            if (mapping.Columns[i].Kind == TMapRowKind::Value)
                dataSet.FieldByName(mapping.Columns[i].Field).SetAsString(texts[i]);
        dataSet.Post();
    } catch (...) {
        dataSet.Cancel();
        throw;
    }
    return true;
}

int RunTextImport(TDataSet& dataSet, const TImportMapping& mapping, const TStringList& lines, char separator)
{
    const int columnCount = static_cast<int>(mapping.Columns.size());
    int updated = 0;
    for (int i = 0; i < lines.Count(); ++i)
        if (ImportLine(dataSet, mapping, SplitLine(lines[i], separator, columnCount)))
            ++updated;
    return updated;
}

// ---- The form ----------------------------------------------------------------------------

const TControlTable& FormTextInputTable()
{
    using K = TControlKind;
    static const TControlTable table{
        .Name = "FormTextInput",
        .Caption = "Načtení dat z textového souboru",
        .DesignClient = {560, 420},
        .Layout = TFormLayout::Grid,
        .ColumnStretch = {{2, 1}},
        .RowStretch = {{3, 1}},
        .Rows = {
            {.Kind = K::Label, .Name = "LabelAttrib", .Caption = "Atributy tabulky", .Cell = {0, 0}, .Buddy = "ListBoxAttrib"},
            {.Kind = K::ListBox, .Name = "ListBoxAttrib", .Caption = "Atributy tabulky", .Cell = {1, 0}},
            {.Kind = K::VBox, .Name = "Commands", .Cell = {1, 1}},
            {.Kind = K::Button, .Name = "BtnAdd1", .Caption = "Par -->", .Hint = "Datový sloupec je vazebný atribut",
             .Parent = "Commands"},
            {.Kind = K::Button, .Name = "BtnAdd2", .Caption = "Val -->",
             .Hint = "Datový sloupec je načten jako hodnota atributu", .Parent = "Commands"},
            {.Kind = K::Button, .Name = "BtnAdd3", .Caption = "Přeskočit", .Parent = "Commands"},
            {.Kind = K::Label, .Name = "LabelCnd", .Caption = "Constant condition", .Parent = "Commands", .Buddy = "EditCnd"},
            {.Kind = K::Edit, .Name = "EditCnd", .Caption = "Constant condition", .Parent = "Commands"},
            {.Kind = K::Button, .Name = "BtnAddC", .Caption = "Par C-->", .Parent = "Commands"},
            {.Kind = K::Button, .Name = "BtnDel", .Caption = "<--", .Parent = "Commands"},
            {.Kind = K::Stretch, .Parent = "Commands"},
            {.Kind = K::StringGrid, .Name = "SelectGrid", .Caption = "Mapping", .Cell = {1, 2}},
            {.Kind = K::Label, .Name = "LabelData", .Caption = "Data", .Cell = {2, 0, 1, 3}, .Buddy = "DataMemo"},
            {.Kind = K::Memo, .Name = "DataMemo", .Caption = "Data", .Cell = {3, 0, 1, 3}},
            {.Kind = K::HBox, .Name = "Separators", .Cell = {4, 0, 1, 3}},
            {.Kind = K::Label, .Name = "LabelSep", .Caption = "Oddělovač:", .Parent = "Separators", .Buddy = "EditSep"},
            {.Kind = K::RadioButton, .Name = "RBsep1", .Caption = "tabulátor", .Parent = "Separators"},
            {.Kind = K::RadioButton, .Name = "RBsep2", .Caption = "mezera", .Parent = "Separators"},
            {.Kind = K::RadioButton, .Name = "RBsep3", .Caption = "jiný", .Parent = "Separators"},
            {.Kind = K::Edit, .Name = "EditSep", .Caption = "Oddělovač:", .Parent = "Separators", .Text = ";"},
            {.Kind = K::Stretch, .Parent = "Separators"},
            {.Kind = K::Button, .Name = "BtnOK", .Caption = "Import", .Parent = "Separators"},
            {.Kind = K::Button, .Name = "BtnCancel", .Caption = "Cancel", .Parent = "Separators"},
        },
    };
    return table;
}

TFormTextInput::TFormTextInput(TDataSet& dataSet, QWidget* parent)
    : QDialog(parent), dataSet_(dataSet), form_(BuildForm(this, FormTextInputTable()))
{
    LabelAttrib = form_.Get<QLabel>("LabelAttrib");
    ListBoxAttrib = form_.Get<QListWidget>("ListBoxAttrib");
    BtnAdd1 = form_.Get<QPushButton>("BtnAdd1");
    BtnAdd2 = form_.Get<QPushButton>("BtnAdd2");
    BtnAdd3 = form_.Get<QPushButton>("BtnAdd3");
    LabelCnd = form_.Get<QLabel>("LabelCnd");
    EditCnd = form_.Get<QLineEdit>("EditCnd");
    BtnAddC = form_.Get<QPushButton>("BtnAddC");
    BtnDel = form_.Get<QPushButton>("BtnDel");
    SelectGrid = form_.Get<QTableWidget>("SelectGrid");
    LabelData = form_.Get<QLabel>("LabelData");
    DataMemo = form_.Get<QPlainTextEdit>("DataMemo");
    LabelSep = form_.Get<QLabel>("LabelSep");
    RBsep1 = form_.Get<QRadioButton>("RBsep1");
    RBsep2 = form_.Get<QRadioButton>("RBsep2");
    RBsep3 = form_.Get<QRadioButton>("RBsep3");
    EditSep = form_.Get<QLineEdit>("EditSep");
    BtnOK = form_.Get<QPushButton>("BtnOK");
    BtnCancel = form_.Get<QPushButton>("BtnCancel");
    setFont(FormFont());
    KeepOnScreen(this);

    RBsep1->setChecked(true);
    EditSep->setMaxLength(1);
    DataMemo->setLineWrapMode(QPlainTextEdit::NoWrap);

    SelectGrid->setRowCount(1);
    SelectGrid->setColumnCount(2);
    SelectGrid->horizontalHeader()->hide();
    SelectGrid->verticalHeader()->setSectionsMovable(true);
    SelectGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    SelectGrid->installEventFilter(this);

    connect(BtnAdd1, &QPushButton::clicked, this, Guarded(this, &TFormTextInput::BtnAdd1Click));
    connect(BtnAdd2, &QPushButton::clicked, this, Guarded(this, &TFormTextInput::BtnAdd2Click));
    connect(BtnAdd3, &QPushButton::clicked, this, Guarded(this, &TFormTextInput::BtnAdd3Click));
    connect(BtnAddC, &QPushButton::clicked, this, Guarded(this, &TFormTextInput::BtnAddCClick));
    connect(BtnDel, &QPushButton::clicked, this, Guarded(this, &TFormTextInput::BtnDelClick));
    connect(BtnOK, &QPushButton::clicked, this, Guarded(this, &TFormTextInput::BtnOKClick));
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormTextInput::LoadFile(const std::string& fileName)
{
    TStringList names;
    dataSet_.GetFieldNames(names);
    ListBoxAttrib->clear();
    for (int i = 0; i < names.Count(); ++i)
        ListBoxAttrib->addItem(QText(names[i]));
    SelectGrid->setColumnWidth(0, kFieldColumnWidth);
    SelectGrid->setColumnWidth(1, kMarkColumnWidth);
    TStringList lines;
    lines.LoadFromFile(fileName);
    QStringList texts;
    for (int i = 0; i < lines.Count(); ++i)
        texts << QText(lines[i]);
    DataMemo->setPlainText(texts.join('\n'));
}

int TFormTextInput::LogicalRow(int visualRow) const { return SelectGrid->verticalHeader()->logicalIndex(visualRow); }

std::string TFormTextInput::Cell(int visualRow, int column) const
{
    const QTableWidgetItem* item = SelectGrid->item(LogicalRow(visualRow), column);
    return item ? item->text().toStdString() : std::string();
}

void TFormTextInput::SetCell(int visualRow, int column, const std::string& text)
{
    SelectGrid->setItem(LogicalRow(visualRow), column, new QTableWidgetItem(QText(text)));
}

std::vector<TMapRow> TFormTextInput::MapRows() const
{
    std::vector<TMapRow> rows;
    for (int row = 0; row < SelectGrid->rowCount(); ++row)
        rows.push_back({Cell(row, 0), Cell(row, 1)});
    return rows;
}

char TFormTextInput::Separator() const
{
    if (RBsep1->isChecked())
        return '\t';
    if (RBsep2->isChecked())
        return ' ';
    const std::string text = EditSep->text().toStdString();
    if (text.size() != 1)
        throw Exception("Enter one character as the separator");
    return text[0];
}

int TFormTextInput::RunImport()
{
    const TImportMapping mapping = BuildImportMapping(MapRows());
    const char separator = Separator();
    TStringList lines;
    lines.SetText(DataMemo->toPlainText().toStdString());
    return RunTextImport(dataSet_, mapping, lines, separator);
}

bool TFormTextInput::GridHasField(const std::string& field) const
{
    for (int row = 0; row < SelectGrid->rowCount(); ++row)
        if (Cell(row, 0) == field)
            return true;
    return false;
}

void TFormTextInput::AddRow(const std::string& field, const std::string& mark)
{
    int row = 0;
    while (row < SelectGrid->rowCount() && !Cell(row, 0).empty()) ++row;
    if (row == SelectGrid->rowCount())
        SelectGrid->insertRow(row);
    SetCell(row, 0, field);
    SetCell(row, 1, mark);
}

void TFormTextInput::AddSelectedField(const std::string& mark)
{
    const QListWidgetItem* item = ListBoxAttrib->currentItem();
    if (!item || !item->isSelected())
        return;
    const std::string field = item->text().toStdString();
    if (!GridHasField(field))
        AddRow(field, mark);
}

void TFormTextInput::BtnAdd1Click() { AddSelectedField("P"); }
void TFormTextInput::BtnAdd2Click() { AddSelectedField(""); }
void TFormTextInput::BtnAdd3Click() { AddRow(kSkippedColumn, ""); }

void TFormTextInput::BtnAddCClick()
{
    AddSelectedField(kConstantPrefix + EditCnd->text().toStdString());
    EditCnd->clear();
}

void TFormTextInput::BtnDelClick()
{
    const int current = SelectGrid->currentRow();
    if (current < 0)
        return;
    SelectGrid->removeRow(current);
    if (SelectGrid->rowCount() == 0)
        SelectGrid->insertRow(0);  // the grid keeps one row to type into
}

void TFormTextInput::BtnOKClick()
{
    BuildImportMapping(MapRows());  // an unusable mapping is reported while the form stays open
    Separator();
    accept();
}

void TFormTextInput::FitMarkColumn()
{
    SelectGrid->setColumnWidth(1, SelectGrid->width() - SelectGrid->columnWidth(0) - kMarkColumnSlack);
}

bool TFormTextInput::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == SelectGrid && event->type() == QEvent::Resize)
        FitMarkColumn();
    return QDialog::eventFilter(watched, event);
}

bool ImportFromTextFile(const std::string& fileName, TDataSet& dataSet, QWidget* owner)
{
    auto form = std::make_unique<TFormTextInput>(dataSet, owner);
    form->LoadFile(fileName);
    if (form->exec() != QDialog::Accepted)
        return false;
    form->RunImport();
    return true;
}
