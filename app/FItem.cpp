#include "app/FItem.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableWidget>
#include <algorithm>
#include <filesystem>
#include <optional>

#include "app/DataModules.h"
#include "platform/core/NumText.h"
#include "platform/ui/Application.h"
#include "platform/ui/FormTable.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

namespace {

const char* const kModuleTypes[] = {"Edit", "Memo", "Switch", "Check"};
const char* const kColumnTypes[] = {"CHARACTER", "NUMERIC", "DATE", "BLOB", "BOOLEAN", "MultiBool"};

// What choosing a module type does to the column type and the item grid.
struct TModuleTypeEffect {
    const char* ColumnType;  // "" for none
    bool ItemsEnabled;
    bool ItemsVisible;
};
const TModuleTypeEffect kModuleTypeEffects[] = {
    {"CHARACTER", false, false}, {"BLOB", false, false}, {"NUMERIC", true, true}, {"MultiBool", true, true}};
const TModuleTypeEffect kNoModuleType = {"", false, true};

// The defaults a column type sets for its length and precision.
struct TColumnTypeDefaults {
    const char* Type;
    const char* Length;
    bool LengthVisible;
    const char* Precision;
    bool PrecisionVisible;
};
const TColumnTypeDefaults kColumnTypeDefaults[] = {
    {"CHARACTER", "20", true, "0", false}, {"NUMERIC", "4", true, "0", true}, {"DATE", "10", false, "0", false},
    {"BLOB", "0", true, "1", true},        {"BOOLEAN", "0", false, "0", false}, {"MultiBool", "0", false, "0", false}};

constexpr int kModuleNameLength = 24;
constexpr int kFieldNameLength = 8;
constexpr int kItemColumnWidth = 165;
constexpr int kGridRowHeight = 18;

// Keys the editor writes itself; any other line after a Text line continues the module text.
bool IsModuleKey(const std::string& name)
{
    for (const char* key : {"Text", "Field", "FN", "Type", "CondText"})
        if (SameText(name, key)) return true;
    const std::string lower = LowerCase(name);
    return lower.rfind("item", 0) == 0 || lower.rfind("value", 0) == 0;
}

std::string ModuleText(const TStringList& lines)
{
    int first = 0;
    while (first < lines.Count() && !SameText(lines.Names(first), "Text")) ++first;
    if (first == lines.Count()) return "";
    std::string text = lines.ValueFromIndex(first);
    for (int i = first + 1; i < lines.Count() && !IsModuleKey(lines.Names(i)); ++i) text += "\r\n" + lines[i];
    return text;
}

// A condtext value "n;text" or "n". A number that names no item row, or a row that has its
// conditional text already, makes a further text field, as the input panels treat it.
void AddCondText(TModuleContent& module, const std::string& value)
{
    const size_t semicolon = value.find(';');
    const int n = StrToInt(value.substr(0, semicolon));
    const std::string text = semicolon == std::string::npos ? "" : value.substr(semicolon + 1);
    if (n >= 1 && n <= int(module.Items.size()) && module.Items[n - 1].CondText.empty())
        module.Items[n - 1].CondText = text;
    else
        module.OtherTexts.push_back(text);
}

std::string ToCrLf(const QString& text)
{
    std::string lines = text.toStdString();
    std::string result;
    for (const char c : lines) result += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return result;
}

QString FromCrLf(const std::string& text) { return QText(text).replace("\r\n", "\n"); }

// The definition read from its file as text, or "" when there is no such file.
std::string DefinitionText(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return "";
    TStringList lines;
    TMemIniFile(path).GetStrings(lines);
    return lines.Text();
}

// The columns of a definition's table; none when its sections can't be read (such a file
// never had a table that fits, so its table is not kept).
std::optional<std::vector<std::string>> TableColumns(const TMemIniFile& definition)
{
    try {
        return DefinitionColumns(definition);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string TableFile(const std::string& definitionPath, const std::string& suffix, const char* extension)
{
    std::filesystem::path path(definitionPath);
    path.replace_filename(path.stem().string() + suffix + extension);
    return path.string();
}

// The limit is for typing: a longer name from a file is shown and kept whole.
void SetLimitedText(QLineEdit* edit, const std::string& text, int limit)
{
    const QString shown = QText(text);
    edit->setMaxLength(std::max<int>(limit, int(shown.size())));
    edit->setText(shown);
}

void PrepareGrid(QTableWidget* grid, int columns)
{
    grid->setColumnCount(columns);
    grid->verticalHeader()->setDefaultSectionSize(kGridRowHeight);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
}

}  // namespace

// ---- A module as the editor's controls hold it -------------------------------------------

TStringList ModuleValueLines(const TModuleContent& module)
{
    TStringList lines;
    const std::pair<const char*, const std::string*> heads[] = {
        {"Text", &module.Text}, {"Field", &module.Field}, {"FN", &module.FieldName}, {"Type", &module.Type}};
    for (const auto& [key, value] : heads)
        if (!value->empty()) lines.Add(std::string(key) + "=" + *value);
    int n = 0;
    for (const TModuleItem& item : module.Items) {
        if (item.Text.empty()) continue;
        const std::string number = std::to_string(++n);
        lines.Add("Item" + number + "=" + item.Text);
        if (!item.Value.empty()) lines.Add("Value" + number + "=" + item.Value);
        if (!item.CondText.empty()) lines.Add("CondText=" + number + ";" + item.CondText);
    }
    for (const std::string& text : module.OtherTexts)
        if (!text.empty()) lines.Add("CondText=0;" + text);
    return lines;
}

TModuleContent ReadModuleContent(const TStringList& lines)
{
    TModuleContent module;
    module.Text = ModuleText(lines);
    module.Field = lines.Values("Field");
    module.FieldName = lines.Values("FN");
    module.Type = lines.Values("Type");
    for (int n = 1;; ++n) {
        const std::string item = lines.Values("Item" + std::to_string(n));
        if (item.empty()) break;
        module.Items.push_back({item, lines.Values("Value" + std::to_string(n)), ""});
    }
    // Hand-written files spell the key in any case, and the input panels read them all.
    for (int i = 0; i < lines.Count(); ++i)
        if (SameText(lines.Names(i), "CondText")) AddCondText(module, lines.ValueFromIndex(i));
    return module;
}

TColumnTypeText ParseTypeText(const std::string& value)
{
    TColumnTypeText type;
    const size_t open = value.find('(');
    type.Name = value.substr(0, open);
    if (open == std::string::npos) return type;
    const size_t close = value.find(')', open);
    const std::string numbers = value.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    const size_t comma = numbers.find(',');
    type.HasNumbers = true;
    type.Length = StrToInt(numbers.substr(0, comma));
    type.Precision = comma == std::string::npos ? 0 : StrToInt(numbers.substr(comma + 1));
    return type;
}

std::string TypeText(const std::string& columnType, const std::string& length, const std::string& precision)
{
    if (columnType == "CHARACTER") return "CHARACTER(" + length + ")";
    if (columnType == "NUMERIC" || columnType == "BLOB") return columnType + "(" + length + "," + precision + ")";
    return columnType;  // DATE, BOOLEAN, MultiBool, or none
}

std::vector<std::string> BackupDataTableFiles(const std::string& definitionPath)
{
    const char* const extensions[] = {".dbf", ".dbt"};
    std::error_code error;
    std::string suffix;
    for (int n = 1; suffix.empty(); ++n) {
        suffix = "_backup" + std::to_string(n);
        for (const char* extension : extensions)
            if (std::filesystem::exists(TableFile(definitionPath, suffix, extension), error)) suffix.clear();
    }
    std::vector<std::string> moved;
    for (const char* extension : extensions) {
        const std::string from = TableFile(definitionPath, "", extension);
        if (!std::filesystem::exists(from, error)) continue;
        const std::string to = TableFile(definitionPath, suffix, extension);
        std::filesystem::rename(from, to, error);
        if (error) throw EInOutError("The data table file " + from + " could not be moved to " + to + ": " + error.message());
        moved.push_back(to);
    }
    return moved;
}

std::string BackupMessage(const std::vector<std::string>& backupFiles)
{
    std::string message = "The data table of the former definition was kept as:";
    for (const std::string& file : backupFiles) message += "\r\n" + file;
    return message;
}

// ---- The window ---------------------------------------------------------------------------

const TControlTable& FormItemTable()
{
    using K = TControlKind;
    static const TControlTable table{
        .Name = "FormItem",
        .Caption = "Setting - Module definition",
        .DesignClient = {662, 365},
        .Rows = {
            {.Kind = K::VBox, .Name = "FormLayout"},
            {.Kind = K::Grid, .Name = "TopLayout", .Parent = "FormLayout", .StretchColumn = 0},
            {.Kind = K::Edit, .Name = "EditName", .Caption = "Module name", .Hint = "Short module name", .Cell = {1, 0},
             .Parent = "TopLayout"},
            {.Kind = K::Label, .Name = "LabelName", .Caption = "Module name", .Cell = {0, 0}, .Parent = "TopLayout",
             .Buddy = "EditName"},
            {.Kind = K::Memo, .Name = "MemoModText", .Caption = "Module text", .Cell = {3, 0}, .Parent = "TopLayout"},
            {.Kind = K::Label, .Name = "LabelModText", .Caption = "Module text", .Cell = {2, 0}, .Parent = "TopLayout",
             .Buddy = "MemoModText"},
            {.Kind = K::GroupBox, .Name = "RadioModType", .Caption = "Module type", .Cell = {0, 1, 4, 1}, .Parent = "TopLayout"},
            {.Kind = K::VBox, .Name = "TypeLayout", .Parent = "RadioModType"},
            {.Kind = K::RadioButton, .Name = "RadioModType_Edit", .Caption = "Edit", .Parent = "TypeLayout"},
            {.Kind = K::RadioButton, .Name = "RadioModType_Memo", .Caption = "Memo", .Parent = "TypeLayout"},
            {.Kind = K::RadioButton, .Name = "RadioModType_Switch", .Caption = "Switch", .Parent = "TypeLayout"},
            {.Kind = K::RadioButton, .Name = "RadioModType_Check", .Caption = "Check", .Parent = "TypeLayout"},
            {.Kind = K::StringGrid, .Name = "GridItems", .Caption = "Items", .Parent = "FormLayout", .Stretch = 1},
            {.Kind = K::Grid, .Name = "BottomLayout", .Parent = "FormLayout"},
            {.Kind = K::StringGrid, .Name = "CondTextGrid", .Caption = "Other (optional) text fields:", .Cell = {1, 0, 2, 1},
             .Parent = "BottomLayout"},
            {.Kind = K::Label, .Name = "LabelCondText", .Caption = "Other (optional) text fields:", .Cell = {0, 0},
             .Parent = "BottomLayout", .Buddy = "CondTextGrid"},
            {.Kind = K::Panel, .Name = "PanelField", .Accessible = "Basic field", .Cell = {0, 2, 4, 1}, .Parent = "TopLayout"},
            {.Kind = K::Grid, .Name = "FieldLayout", .Parent = "PanelField", .Margin = 0},
            {.Kind = K::Edit, .Name = "EditFieldName", .Caption = "Basic field name", .Cell = {1, 0, 1, 2},
             .Parent = "FieldLayout"},
            {.Kind = K::Label, .Name = "LabelFieldName", .Caption = "Basic field name", .Cell = {0, 0, 1, 2},
             .Parent = "FieldLayout", .Buddy = "EditFieldName"},
            {.Kind = K::ComboBox, .Name = "CB_Type", .Caption = "Select field type", .Hint = "Select field type",
             .Cell = {2, 0, 1, 2}, .Parent = "FieldLayout",
             .Choices = {std::begin(kColumnTypes), std::end(kColumnTypes)}},
            {.Kind = K::Edit, .Name = "EditTypeLen", .Caption = "Field length", .Hint = "Field length", .Cell = {3, 0},
             .Parent = "FieldLayout", .Text = "0"},
            {.Kind = K::Edit, .Name = "EditTypePrec", .Caption = "Number precission / blob type",
             .Hint = "Number precission / blob type", .Cell = {3, 1}, .Parent = "FieldLayout", .Text = "0"},
            {.Kind = K::Panel, .Name = "PanelNavigation", .Accessible = "Module navigation", .Cell = {0, 1, 2, 2},
             .Parent = "BottomLayout"},
            {.Kind = K::Grid, .Name = "NavigationLayout", .Parent = "PanelNavigation", .Margin = 0},
            {.Kind = K::Label, .Name = "LabelNavigation", .Caption = "Module ID/total count:", .Cell = {0, 0, 1, 2},
             .Parent = "NavigationLayout"},
            {.Kind = K::Label, .Name = "LabelCounting", .Accessible = "Module ID/total count:", .Cell = {0, 2, 1, 2},
             .Parent = "NavigationLayout"},
            {.Kind = K::Button, .Name = "BtnFirst", .Caption = "<<", .Hint = "First module", .Cell = {1, 0},
             .Parent = "NavigationLayout"},
            {.Kind = K::Button, .Name = "BtnPrevious", .Caption = "<", .Hint = "Previous module", .Cell = {1, 1},
             .Parent = "NavigationLayout"},
            {.Kind = K::Button, .Name = "BtnNext", .Caption = ">", .Hint = "Next module", .Cell = {1, 2},
             .Parent = "NavigationLayout"},
            {.Kind = K::Button, .Name = "BtnLast", .Caption = ">>", .Hint = "Last module", .Cell = {1, 3},
             .Parent = "NavigationLayout"},
            {.Kind = K::Button, .Name = "BtnAdd", .Caption = "Add", .Hint = "Add a module", .Cell = {2, 0, 1, 2},
             .Parent = "NavigationLayout"},
            {.Kind = K::Button, .Name = "BtnDel", .Caption = "Delete", .Hint = "Delete this module", .Cell = {2, 2, 1, 2},
             .Parent = "NavigationLayout"},
            {.Kind = K::CheckBox, .Name = "cbCanRewrite", .Caption = "Can rewrite modules", .Cell = {2, 1},
             .Parent = "BottomLayout"},
            {.Kind = K::HBox, .Name = "ClosingLayout", .Parent = "FormLayout"},
            {.Kind = K::Stretch, .Parent = "ClosingLayout"},
            {.Kind = K::Button, .Name = "BtnSave", .Caption = "Save", .Hint = "Save setting and close form",
             .Parent = "ClosingLayout", .Picture = QStyle::SP_DialogOkButton},
            {.Kind = K::Button, .Name = "BtnCancel", .Caption = "Cancel", .Hint = "Cancel changes and form close",
             .Parent = "ClosingLayout", .Picture = QStyle::SP_DialogCancelButton},
        },
    };
    return table;
}

TFormItem::TFormItem(QWidget* parent) : QDialog(parent), form_(BuildForm(this, FormItemTable()))
{
    setFont(FormFont());
    KeepOnScreen(this);
    modules_.OwnsObjects = true;
    SaveDlg.DefaultExt = "ini";
    SaveDlg.Filter = "DefinitionFile (*.ini)|*.ini";
    BuildControls();
    ConnectEditEvents();
    ClearModuleFields();
    UpdateCounting();
}

TFormItem::~TFormItem() = default;

void TFormItem::BuildControls()
{
    EditName = form_.Get<QLineEdit>("EditName");
    LabelName = form_.Get<QLabel>("LabelName");
    MemoModText = form_.Get<QPlainTextEdit>("MemoModText");
    LabelModText = form_.Get<QLabel>("LabelModText");
    RadioModType = form_.Get<QGroupBox>("RadioModType");
    GridItems = form_.Get<QTableWidget>("GridItems");
    CondTextGrid = form_.Get<QTableWidget>("CondTextGrid");
    LabelCondText = form_.Get<QLabel>("LabelCondText");
    PanelField = form_.Control("PanelField");
    EditFieldName = form_.Get<QLineEdit>("EditFieldName");
    LabelFieldName = form_.Get<QLabel>("LabelFieldName");
    CB_Type = form_.Get<QComboBox>("CB_Type");
    EditTypeLen = form_.Get<QLineEdit>("EditTypeLen");
    EditTypePrec = form_.Get<QLineEdit>("EditTypePrec");
    PanelNavigation = form_.Control("PanelNavigation");
    LabelNavigation = form_.Get<QLabel>("LabelNavigation");
    LabelCounting = form_.Get<QLabel>("LabelCounting");
    BtnFirst = form_.Get<QPushButton>("BtnFirst");
    BtnPrevious = form_.Get<QPushButton>("BtnPrevious");
    BtnNext = form_.Get<QPushButton>("BtnNext");
    BtnLast = form_.Get<QPushButton>("BtnLast");
    BtnAdd = form_.Get<QPushButton>("BtnAdd");
    BtnDel = form_.Get<QPushButton>("BtnDel");
    cbCanRewrite = form_.Get<QCheckBox>("cbCanRewrite");
    BtnSave = form_.Get<QPushButton>("BtnSave");
    BtnCancel = form_.Get<QPushButton>("BtnCancel");

    EditName->setMaxLength(kModuleNameLength);
    moduleTypes_ = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i)
        moduleTypes_->addButton(form_.Get<QRadioButton>(std::string("RadioModType_") + kModuleTypes[i]), i);

    PrepareGrid(GridItems, 3);
    GridItems->setHorizontalHeaderLabels({"Item text", "Value", "Conditional text field"});
    for (int column = 0; column < 3; ++column) GridItems->setColumnWidth(column, kItemColumnWidth);
    GridItems->verticalHeader()->setSectionsMovable(true);
    PrepareGrid(CondTextGrid, 1);
    CondTextGrid->horizontalHeader()->hide();
    CondTextGrid->horizontalHeader()->setStretchLastSection(true);
    CondTextGrid->setFixedWidth(400);

    EditFieldName->setMaxLength(kFieldNameLength);
    LabelCounting->setAutoFillBackground(true);
    // Wide enough for "999/999" from the start, so the box does not grow with the count.
    LabelCounting->setAlignment(Qt::AlignCenter);
    LabelCounting->setFixedWidth(LabelCounting->fontMetrics().horizontalAdvance("9999/9999"));
    QPalette palette = LabelCounting->palette();
    palette.setColor(QPalette::Window, Qt::cyan);
    LabelCounting->setPalette(palette);
    BtnSave->setDefault(true);

    // A module type hides the item grid or the length edits; the others keep their places.
    for (QWidget* control : std::initializer_list<QWidget*>{GridItems, EditTypeLen, EditTypePrec}) {
        QSizePolicy policy = control->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        control->setSizePolicy(policy);
    }
    BuildGridPopup();
}

void TFormItem::BuildGridPopup()
{
    GridPopup = new QMenu(this);
    GridPopup->setObjectName("GridPopup");
    GridPopup->setAccessibleName("Grid rows");
    const std::pair<QAction**, const char*> items[] = {
        {&I_DeleteRow1, "&Delete row"}, {&I_ClearRow1, "&Clear row"}, {&I_AddRow1, "&Add row"}};
    const char* const names[] = {"I_DeleteRow1", "I_ClearRow1", "I_AddRow1"};
    for (int i = 0; i < 3; ++i) {
        *items[i].first = GridPopup->addAction(items[i].second);
        (*items[i].first)->setObjectName(names[i]);
    }
}

void TFormItem::ConnectEditEvents()
{
    for (QLineEdit* edit : {EditName, EditFieldName, EditTypeLen, EditTypePrec})
        connect(edit, &QLineEdit::textChanged, this, [this] { SetModified(); });
    connect(MemoModText, &QPlainTextEdit::textChanged, this, [this] { SetModified(); });
    connect(moduleTypes_, &QButtonGroup::idClicked, this, Guarded(this, &TFormItem::RadioModTypeClick));
    connect(CB_Type, &QComboBox::activated, this, Guarded(this, &TFormItem::CB_TypeChange));
    connect(GridItems, &QTableWidget::cellChanged, this,
            [this](int row, int column) { RunHandler([&] { GridItemsSetEditText(row, column); }); });
    connect(CondTextGrid, &QTableWidget::cellChanged, this,
            [this](int row, int) { RunHandler([&] { CondTextGridSetEditText(row); }); });
    const std::pair<QTableWidget*, void (TFormItem::*)()> grids[] = {
        {GridItems, &TFormItem::GridItemsContextPopup}, {CondTextGrid, &TFormItem::CondTextGridContextPopup}};
    for (const auto& [grid, handler] : grids)
        connect(grid, &QWidget::customContextMenuRequested, this, [this, grid = grid, handler = handler](const QPoint& at) {
            (this->*handler)();
            GridPopup->popup(grid->viewport()->mapToGlobal(at));
        });
    connect(I_AddRow1, &QAction::triggered, this, Guarded(this, &TFormItem::I_AddRow1Click));
    connect(I_ClearRow1, &QAction::triggered, this, Guarded(this, &TFormItem::I_ClearRow1Click));
    connect(I_DeleteRow1, &QAction::triggered, this, Guarded(this, &TFormItem::I_DeleteRow1Click));
    const std::pair<QPushButton*, void (TFormItem::*)()> buttons[] = {
        {BtnFirst, &TFormItem::BtnFirstClick}, {BtnPrevious, &TFormItem::BtnPreviousClick},
        {BtnNext, &TFormItem::BtnNextClick},   {BtnLast, &TFormItem::BtnLastClick},
        {BtnAdd, &TFormItem::BtnAddClick},     {BtnDel, &TFormItem::BtnDelClick}};
    for (const auto& [button, handler] : buttons) connect(button, &QPushButton::clicked, this, Guarded(this, handler));
    connect(BtnSave, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

// ---- Definition -----------------------------------------------------------------------------

void TFormItem::CreateDefinition()
{
    if (!UiServices().SaveFileDialog(SaveDlg)) return;
    // A file of that name stays as it is until Save replaces it.
    definition_ = std::make_unique<TMemIniFile>("");
    definition_->Rename(SaveDlg.FileName, false);
    modules_.Clear();
    fieldNames_.Clear();
    changed_ = true;
    exec();
}

void TFormItem::LoadDefinition(const std::string& path)
{
    definition_ = std::make_unique<TMemIniFile>(path);
    modules_.Clear();
    fieldNames_.Clear();
    // Sections are taken from the whole text, so two sections of one name keep their own lines.
    TStringList text;
    definition_->GetStrings(text);
    TStringList* values = nullptr;
    for (int i = 0; i < text.Count(); ++i) {
        const std::string& line = text[i];
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            values = new TStringList;
            modules_.AddObject(line.substr(1, line.size() - 2), values);
        } else if (values && !line.empty()) {
            values->Add(line);
        }
    }
    for (int i = 0; i < modules_.Count(); ++i) SetModuleFieldName(i, ModuleValues(i).Values("FN"));
    changed_ = false;
    exec();
}

std::string TFormItem::GetSavedFileName() const { return saved_ && definition_ ? definition_->FileName() : ""; }

const TStringList& TFormItem::ModuleValues(int index) const
{
    return *static_cast<TStringList*>(modules_.Objects(index));
}

void TFormItem::SetModuleFieldName(int index, const std::string& name)
{
    while (fieldNames_.Count() <= index) fieldNames_.Add("");
    fieldNames_.PutString(index, name);
}

void TFormItem::WriteDefinition()
{
    TStringList text;
    for (int i = 0; i < modules_.Count(); ++i) {
        text.Add("[" + modules_[i] + "]");
        text.AddStrings(ModuleValues(i));
    }
    const std::string before = DefinitionText(definition_->FileName());
    const auto columnsBefore = before.empty() ? std::nullopt : TableColumns(TMemIniFile(definition_->FileName()));
    definition_->SetStrings(text);
    definition_->UpdateFile();
    TStringList after;
    definition_->GetStrings(after);
    savedChanged_ = before.empty() || before != after.Text();
    const auto columnsAfter = TableColumns(*definition_);
    savedColumnsChanged_ = !columnsBefore || !columnsAfter || *columnsBefore != *columnsAfter;
    saved_ = true;
}

// ---- Showing and storing a module ------------------------------------------------------------

void TFormItem::ShowModule(int index)
{
    if (index < 0) return;
    if (index >= modules_.Count()) {
        if (UiServices().AskYesNo("Add a new module?")) BtnAddClick();
        return;
    }
    // Everything that can fail is read before the controls change, so a refused module leaves
    // the shown one as it was.
    const TModuleContent content = ReadModuleContent(ModuleValues(index));
    const TColumnTypeText type = ParseTypeText(content.Type);
    ShowContent(modules_[index], content, type);
    current_ = index;
    UpdateCounting();
    modified_ = false;
}

void TFormItem::ShowContent(const std::string& name, const TModuleContent& content, const TColumnTypeText& type)
{
    ClearModuleFields();
    SetLimitedText(EditName, name, kModuleNameLength);
    MemoModText->setPlainText(FromCrLf(content.Text));
    if (!content.Field.empty()) {
        int selected = -1;
        for (int i = 0; i < 4; ++i)
            if (SameText(content.Field, kModuleTypes[i])) selected = i;
        SetModuleTypeIndex(selected);
        RadioModTypeClick();
    }
    SetLimitedText(EditFieldName, content.FieldName, kFieldNameLength);
    if (!content.Type.empty()) {
        SetColumnType(type.Name);
        CB_TypeChange();
        if (type.HasNumbers) {
            EditTypeLen->setText(QString::number(type.Length));
            EditTypePrec->setText(QString::number(type.Precision));
        }
    }
    for (size_t i = 0; i < content.Items.size(); ++i) {
        AddItemRow(content.Items[i].Text, content.Items[i].Value);
        filling_ = true;
        SetCell(GridItems, int(i) + 1, 2, content.Items[i].CondText);
        filling_ = false;
    }
    for (const std::string& text : content.OtherTexts) AddCondTextRow(text);
}

TModuleContent TFormItem::ShownContent() const
{
    TModuleContent content;
    content.Text = Trim(ToCrLf(MemoModText->toPlainText()));
    content.Field = ModuleTypeIndex() < 0 ? "" : kModuleTypes[ModuleTypeIndex()];
    content.FieldName = EditFieldName->text().toStdString();
    content.Type = GetTypeText();
    // Blanks alone count as empty: the file would keep nothing of them.
    for (int row = 1; row < ItemRowCount(); ++row)
        content.Items.push_back({Trim(ItemCell(row, 0)), Trim(ItemCell(row, 1)), Trim(ItemCell(row, 2))});
    for (int row = 0; row < CondTextRowCount(); ++row) content.OtherTexts.push_back(Trim(CondTextCell(row)));
    return content;
}

bool TFormItem::StoreModule()
{
    if (current_ < 0 || current_ >= modules_.Count()) return true;  // no module shown
    if (!cbCanRewrite->isChecked() && !CheckModuleNames()) return false;
    modules_.PutString(current_, EditName->text().toStdString());
    static_cast<TStringList*>(modules_.Objects(current_))->Assign(ModuleValueLines(ShownContent()));
    SetModuleFieldName(current_, EditFieldName->text().toStdString());
    modified_ = false;
    changed_ = true;
    return true;
}

// The shown module's own names don't count: it may keep them.
bool TFormItem::NameInOtherModule(const TStringList& names, const std::string& name) const
{
    for (int i = 0; i < names.Count(); ++i)
        if (i != current_ && SameText(Trim(names[i]), name)) return true;
    return false;
}

bool TFormItem::CheckModuleNames()
{
    const std::string name = Trim(EditName->text().toStdString());
    const std::string fieldName = Trim(EditFieldName->text().toStdString());
    const bool nameClash = name.empty() || NameInOtherModule(modules_, name);
    const bool fieldClash = fieldName.empty() || NameInOtherModule(fieldNames_, fieldName);
    if (nameClash) UiServices().ShowWarning("Use another module name");
    if (fieldClash) UiServices().ShowWarning("Use another basic field name");
    return !nameClash && !fieldClash;
}

void TFormItem::ClearModuleFields()
{
    filling_ = true;
    for (QTableWidget* grid : {GridItems, CondTextGrid}) {
        grid->setRowCount(0);
        SetRowCount(grid, 2);
    }
    filling_ = false;
    SetModuleTypeIndex(-1);
    GridItems->setEnabled(kNoModuleType.ItemsEnabled);
    GridItems->setVisible(kNoModuleType.ItemsVisible);
    MemoModText->clear();
    EditFieldName->clear();
    EditName->clear();
    CB_Type->setCurrentIndex(-1);
    EditTypeLen->setText("0");
    EditTypePrec->setText("0");
}

void TFormItem::UpdateCounting()
{
    LabelCounting->setText(QString("%1/%2").arg(current_ + 1).arg(modules_.Count()));
}

// ---- Module type and column type ----------------------------------------------------------

QRadioButton* TFormItem::ModuleTypeButton(int index) const
{
    return static_cast<QRadioButton*>(moduleTypes_->button(index));
}

int TFormItem::ModuleTypeIndex() const { return moduleTypes_->checkedId(); }

void TFormItem::SetModuleTypeIndex(int index)
{
    if (index >= 0) {
        ModuleTypeButton(index)->setChecked(true);
        return;
    }
    moduleTypes_->setExclusive(false);
    for (QAbstractButton* button : moduleTypes_->buttons()) button->setChecked(false);
    moduleTypes_->setExclusive(true);
}

void TFormItem::SetColumnType(const std::string& name)
{
    CB_Type->setCurrentIndex(-1);
    for (int i = 0; i < CB_Type->count(); ++i)
        if (SameText(name, CB_Type->itemText(i).toStdString())) CB_Type->setCurrentIndex(i);
}

void TFormItem::RadioModTypeClick()
{
    const int index = ModuleTypeIndex();
    const TModuleTypeEffect& effect = index < 0 ? kNoModuleType : kModuleTypeEffects[index];
    SetColumnType(effect.ColumnType);
    GridItems->setEnabled(effect.ItemsEnabled);
    GridItems->setVisible(effect.ItemsVisible);
    CB_TypeChange();
    SetModified();
}

void TFormItem::CB_TypeChange()
{
    const std::string type = CB_Type->currentText().toStdString();
    for (const TColumnTypeDefaults& defaults : kColumnTypeDefaults) {
        if (type != defaults.Type) continue;
        EditTypeLen->setText(defaults.Length);
        EditTypeLen->setVisible(defaults.LengthVisible);
        EditTypePrec->setText(defaults.Precision);
        EditTypePrec->setVisible(defaults.PrecisionVisible);
    }
    SetModified();
}

std::string TFormItem::GetTypeText() const
{
    if (CB_Type->currentIndex() < 0) return "";
    return TypeText(CB_Type->currentText().toStdString(), EditTypeLen->text().toStdString(),
                    EditTypePrec->text().toStdString());
}

// ---- Navigation -------------------------------------------------------------------------------

void TFormItem::Navigate(int index)
{
    if (!modified_ || StoreModule()) ShowModule(index);
}

void TFormItem::BtnFirstClick() { Navigate(0); }
void TFormItem::BtnPreviousClick() { Navigate(current_ - 1); }
void TFormItem::BtnNextClick() { Navigate(current_ + 1); }
void TFormItem::BtnLastClick() { Navigate(modules_.Count() - 1); }

void TFormItem::BtnAddClick()
{
    if (modified_ && !StoreModule()) return;
    modules_.AddObject("NewDefinition_" + std::to_string(modules_.Count() + 1), new TStringList);
    SetModuleFieldName(modules_.Count() - 1, "");
    changed_ = true;
    ShowModule(modules_.Count() - 1);
}

void TFormItem::BtnDelClick()
{
    if (current_ < 0 || current_ >= modules_.Count()) return;
    const int shown = current_ > 0 ? current_ - 1 : 0;
    modules_.Delete(current_);
    fieldNames_.Delete(current_);
    changed_ = true;
    // Until another module shows, the controls belong to none.
    ClearModuleFields();
    current_ = -1;
    modified_ = false;
    UpdateCounting();
    ShowModule(shown);
}

// ---- Grids ---------------------------------------------------------------------------------------

int TFormItem::ItemRowCount() const { return GridItems->rowCount() + 1; }
std::string TFormItem::ItemCell(int row, int column) const { return Cell(GridItems, row, column); }
int TFormItem::CondTextRowCount() const { return CondTextGrid->rowCount(); }
std::string TFormItem::CondTextCell(int row) const { return Cell(CondTextGrid, row, 0); }

// Rows count as the string grid counts them: the item grid's header is its row 0.
void TFormItem::SetRowCount(QTableWidget* grid, int rows)
{
    const int header = grid == GridItems ? 1 : 0;
    const int first = grid->rowCount();
    const bool filling = filling_;
    filling_ = true;  // new cells are no edits of the user
    grid->setRowCount(rows - header);
    for (int row = first; row < grid->rowCount(); ++row)
        for (int column = 0; column < grid->columnCount(); ++column) grid->setItem(row, column, new QTableWidgetItem);
    filling_ = filling;
}

std::string TFormItem::Cell(const QTableWidget* grid, int row, int column) const
{
    const int visual = row - (grid == GridItems ? 1 : 0);
    const QTableWidgetItem* item = grid->item(grid->verticalHeader()->logicalIndex(visual), column);
    return item ? item->text().toStdString() : "";
}

void TFormItem::SetCell(QTableWidget* grid, int row, int column, const std::string& text)
{
    const int visual = row - (grid == GridItems ? 1 : 0);
    grid->item(grid->verticalHeader()->logicalIndex(visual), column)->setText(QText(text));
}

int TFormItem::RowToFill(QTableWidget* grid)
{
    const int header = grid == GridItems ? 1 : 0;
    for (int row = header; row < grid->rowCount() + header; ++row)
        if (Cell(grid, row, 0).empty()) return row;
    const int row = grid->rowCount() + header;
    SetRowCount(grid, row + 1);
    return row;
}

void TFormItem::AddItemRow(const std::string& itemText, const std::string& value)
{
    filling_ = true;
    const int row = RowToFill(GridItems);
    SetCell(GridItems, row, 0, itemText);
    SetCell(GridItems, row, 1, value);
    SetCell(GridItems, row, 2, "");
    filling_ = false;
}

void TFormItem::AddCondTextRow(const std::string& text)
{
    filling_ = true;
    SetCell(CondTextGrid, RowToFill(CondTextGrid), 0, text);
    filling_ = false;
}

void TFormItem::GridItemsSetEditText(int logicalRow, int column)
{
    if (filling_) return;
    SetModified();  // the grid reports only texts that differ from the cell's
    const int row = GridItems->verticalHeader()->visualIndex(logicalRow) + 1;
    if (column == 0 && row == ItemRowCount() - 1) SetRowCount(GridItems, ItemRowCount() + 1);
}

void TFormItem::CondTextGridSetEditText(int logicalRow)
{
    if (filling_) return;
    SetModified();
    if (CondTextGrid->verticalHeader()->visualIndex(logicalRow) == CondTextRowCount() - 1)
        SetRowCount(CondTextGrid, CondTextRowCount() + 1);
}

void TFormItem::GridItemsContextPopup() { popupGrid_ = GridItems; }
void TFormItem::CondTextGridContextPopup() { popupGrid_ = CondTextGrid; }

void TFormItem::I_AddRow1Click()
{
    if (!popupGrid_) return;
    const int header = popupGrid_ == GridItems ? 1 : 0;
    SetRowCount(popupGrid_, popupGrid_->rowCount() + header + 1);
    SetModified();
}

void TFormItem::I_ClearRow1Click()
{
    if (!popupGrid_ || popupGrid_->currentRow() < 0) return;
    filling_ = true;
    for (int column = 0; column < popupGrid_->columnCount(); ++column)
        popupGrid_->item(popupGrid_->currentRow(), column)->setText("");
    filling_ = false;
    SetModified();
}

void TFormItem::I_DeleteRow1Click()
{
    if (!popupGrid_ || popupGrid_->currentRow() < 0) return;
    // The grid keeps one row to type into.
    if (popupGrid_->rowCount() == 1) return I_ClearRow1Click();
    popupGrid_->removeRow(popupGrid_->currentRow());
    SetModified();
}

// ---- Showing and closing ----------------------------------------------------------------------

// Module 0 shows when the window shows. A later activation (after one of the editor's own
// message boxes) keeps the shown module and its edits.
void TFormItem::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RunHandler([this] { ShowModule(0); });
}

void TFormItem::done(int result)
{
    bool close = false;
    RunHandler([&] { close = FormCloseQuery(result); });
    if (close) QDialog::done(result);
}

bool TFormItem::FormCloseQuery(int result)
{
    if (result == Accepted) {
        if (modified_ && !StoreModule()) return false;
        WriteDefinition();
        return true;
    }
    // Edits of the shown module not stored yet are changes too.
    if (!changed_ && !modified_) return true;
    return UiServices().AskYesNo("Cancel all changes?", mbNo);
}
