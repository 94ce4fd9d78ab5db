#include "app/FTextInput.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <memory>

#include "platform/ui/Application.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

const char* const kSkippedColumn = ".NULL.";

namespace {
const char* const kConstantPrefix = "P:";
constexpr int kFieldColumnWidth = 120;
constexpr int kMarkColumnWidth = 20;
constexpr int kMarkColumnSlack = 30;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption)
{
    return Named(new QPushButton(caption, parent), name, caption);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QWidget* buddy)
{
    auto* label = Named(new QLabel(caption, parent), name, caption);
    label->setBuddy(buddy);
    return label;
}

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

TFormTextInput::TFormTextInput(TDataSet& dataSet, QWidget* parent)
    : QDialog(parent),
      ListBoxAttrib(Named(new QListWidget(this), "ListBoxAttrib", "Atributy tabulky")),
      BtnAdd1(MakeButton(this, "BtnAdd1", "Par -->")),
      BtnAdd2(MakeButton(this, "BtnAdd2", "Val -->")),
      BtnAdd3(MakeButton(this, "BtnAdd3", "Přeskočit")),
      EditCnd(Named(new QLineEdit(this), "EditCnd", "Constant condition")),
      BtnAddC(MakeButton(this, "BtnAddC", "Par C-->")),
      BtnDel(MakeButton(this, "BtnDel", "<--")),
      SelectGrid(Named(new QTableWidget(1, 2, this), "SelectGrid", "Mapping")),
      DataMemo(Named(new QPlainTextEdit(this), "DataMemo", "Data")),
      RBsep1(Named(new QRadioButton("tabulátor", this), "RBsep1", "tabulátor")),
      RBsep2(Named(new QRadioButton("mezera", this), "RBsep2", "mezera")),
      RBsep3(Named(new QRadioButton("jiný", this), "RBsep3", "jiný")),
      EditSep(Named(new QLineEdit(";", this), "EditSep", "Oddělovač:")),
      BtnOK(MakeButton(this, "BtnOK", "Import")),
      BtnCancel(MakeButton(this, "BtnCancel", "Cancel")),
      dataSet_(dataSet)
{
    setObjectName("FormTextInput");
    setWindowTitle("Načtení dat z textového souboru");
    setAccessibleName(windowTitle());
    setFont(FormFont());
    KeepOnScreen(this);
    resize(560, 420);

    LabelAttrib = MakeLabel(this, "LabelAttrib", "Atributy tabulky", ListBoxAttrib);
    LabelCnd = MakeLabel(this, "LabelCnd", "Constant condition", EditCnd);
    LabelData = MakeLabel(this, "LabelData", "Data", DataMemo);
    LabelSep = MakeLabel(this, "LabelSep", "Oddělovač:", EditSep);
    BtnAdd1->setToolTip("Datový sloupec je vazebný atribut");
    BtnAdd2->setToolTip("Datový sloupec je načten jako hodnota atributu");
    RBsep1->setChecked(true);
    EditSep->setMaxLength(1);
    DataMemo->setLineWrapMode(QPlainTextEdit::NoWrap);

    SelectGrid->horizontalHeader()->hide();
    SelectGrid->verticalHeader()->setSectionsMovable(true);
    SelectGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    SelectGrid->installEventFilter(this);

    auto* commands = new QVBoxLayout;
    for (QWidget* control : std::initializer_list<QWidget*>{BtnAdd1, BtnAdd2, BtnAdd3, LabelCnd, EditCnd, BtnAddC, BtnDel})
        commands->addWidget(control);
    commands->addStretch();
    auto* separators = new QHBoxLayout;
    for (QWidget* control : std::initializer_list<QWidget*>{LabelSep, RBsep1, RBsep2, RBsep3, EditSep})
        separators->addWidget(control);
    separators->addStretch();
    separators->addWidget(BtnOK);
    separators->addWidget(BtnCancel);

    auto* layout = new QGridLayout(this);
    layout->addWidget(LabelAttrib, 0, 0);
    layout->addWidget(ListBoxAttrib, 1, 0);
    layout->addLayout(commands, 1, 1);
    layout->addWidget(SelectGrid, 1, 2);
    layout->addWidget(LabelData, 2, 0, 1, 3);
    layout->addWidget(DataMemo, 3, 0, 1, 3);
    layout->addLayout(separators, 4, 0, 1, 3);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(3, 1);

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
