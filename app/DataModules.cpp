#include "app/DataModules.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>

#include "platform/core/IniFiles.h"
#include "platform/core/SysUtils.h"
#include "platform/db/DataSource.h"
#include "platform/ui/Application.h"
#include "platform/ui/FormTable.h"
#include "platform/ui/DBCtrls.h"
#include "platform/ui/UiServices.h"
#include "platform/ui/NamedControls.h"

namespace {

// A decimal integer with an optional sign and nothing else, as the choice numbers are written.
bool ParseNumber(const std::string& text, int& number)
{
    const std::size_t digits = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (text.size() == digits || text.size() - digits > 9) return false;
    for (std::size_t i = digits; i < text.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    number = std::stoi(text);
    return true;
}

[[noreturn]] void SectionError(int index, const std::string& text) { throw Exception(std::to_string(index) + ": " + text); }

// The item handler a field=check or field=switch line chooses.
enum class TChoiceKind { None, Check, Switch };

class TSectionReader {
public:
    TSectionReader(int index, TSectionDefinition& definition) : index_(index), d_(definition) {}

    void FirstPass(const std::string& key, const std::string& value, const std::string& line)
    {
        if (key == "text") d_.Controls.push_back({TSectionControlKind::Label, value});
        else if (key == "fn") d_.BaseName = value;
        else if (key == "type") d_.ColumnType = UpperCase(value);
        else if (key == "field") Field(LowerCase(value));
        else if (key.compare(0, 4, "item") == 0) Item(value, line);
        else if (key.compare(0, 5, "value") == 0) Value(key.substr(5), value, line);
    }

    void SecondPass(const std::string& value, const std::string& line)
    {
        const std::size_t semicolon = value.find(';');
        const std::string number = value.substr(0, semicolon);
        int n = 0;
        if (!ParseNumber(number, n)) SectionError(index_, "The line \"" + line + "\" has no choice number.");
        TConditionalMemoDef memo;
        memo.HasLabel = semicolon != std::string::npos;
        if (memo.HasLabel) memo.Label = value.substr(semicolon + 1);
        memo.FieldName = d_.BaseName + "_" + number + "_" + std::to_string(d_.ConditionalMemos.size());
        if (n >= 1 && n <= int(d_.MemoLinks.size()) && d_.MemoLinks[n - 1] == -1)
            d_.MemoLinks[n - 1] = int(d_.ConditionalMemos.size());
        d_.ConditionalMemos.push_back(memo);
    }

private:
    void Field(const std::string& kind)
    {
        if (kind == "edit" || kind == "memo") {
            const auto control = kind == "edit" ? TSectionControlKind::Edit : TSectionControlKind::Memo;
            // The panel has one edit and one memo, both on the base column.
            if (d_.Has(control)) SectionError(index_, "A section holds at most one field=edit and one field=memo line.");
            d_.Controls.push_back({control, ""});
        } else if (kind == "check") {
            choice_ = TChoiceKind::Check;
        } else if (kind == "switch") {
            choice_ = TChoiceKind::Switch;
        }
    }

    void Item(const std::string& caption, const std::string& line)
    {
        if (choice_ == TChoiceKind::None)
            SectionError(index_, "The line \"" + line + "\" comes before any field=check or field=switch line.");
        const bool check = choice_ == TChoiceKind::Check;
        // Check boxes and radio choices would share one list of values and one field list.
        if (check ? hasRadioItems_ : hasCheckBoxes_) SectionError(index_, "Check boxes and radio choices can't share a section.");
        (check ? hasCheckBoxes_ : hasRadioItems_) = true;
        d_.Controls.push_back({check ? TSectionControlKind::CheckBox : TSectionControlKind::RadioItem, caption});
        d_.ChoiceValues.push_back(check ? "True" : std::to_string(d_.ChoiceValues.size() + 1));
        d_.MemoLinks.push_back(-1);
    }

    void Value(const std::string& number, const std::string& value, const std::string& line)
    {
        int n = 0;
        if (!ParseNumber(number, n) || n < 1 || n > int(d_.ChoiceValues.size()))
            SectionError(index_, "The line \"" + line + "\" names no choice above it.");
        d_.ChoiceValues[n - 1] = value;
    }

    int index_;
    TSectionDefinition& d_;
    TChoiceKind choice_ = TChoiceKind::None;
    bool hasCheckBoxes_ = false;  // kept here: counting the controls at every item is quadratic
    bool hasRadioItems_ = false;
};

// Key and value of a section line; false for lines without '=', which carry no key.
bool SplitLine(const std::string& line, std::string& key, std::string& value)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    key = LowerCase(Trim(line.substr(0, equals)));
    value = Trim(line.substr(equals + 1));
    return true;
}

std::string Join(const std::vector<std::string>& parts, const std::string& separator)
{
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i ? separator : "") + parts[i];
    return text;
}

const QColor kIdColor(0, 255, 255);        // aqua
const QColor kModifiedIdColor(255, 0, 0);  // red

void SetBackground(QWidget* control, const QColor& color)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::Window, color);
    control->setPalette(palette);
}

}  // namespace

int TSectionDefinition::Count(TSectionControlKind kind) const
{
    return int(std::count_if(Controls.begin(), Controls.end(), [kind](const TSectionControl& c) { return c.Kind == kind; }));
}

TSectionDefinition ReadSectionDefinition(int index, const TStringList& lines)
{
    TSectionDefinition definition;
    TSectionReader reader(index, definition);
    std::string key;
    std::string value;
    for (int i = 0; i < lines.Count(); ++i)
        if (SplitLine(lines[i], key, value)) reader.FirstPass(key, value, Trim(lines[i]));
    for (int i = 0; i < lines.Count(); ++i)
        if (SplitLine(lines[i], key, value) && key == "condtext") reader.SecondPass(value, Trim(lines[i]));
    return definition;
}

std::string CheckFieldName(const std::string& baseName, int i) { return baseName + "_" + std::to_string(i + 1); }

std::vector<std::string> SectionColumns(const TSectionDefinition& d)
{
    std::vector<std::string> columns;
    const std::string& f = d.BaseName;
    if (d.Has(TSectionControlKind::Edit) || d.Has(TSectionControlKind::Memo)) columns.push_back(f + " " + d.ColumnType);
    const std::string boxType = d.ColumnType == "MULTIBOOL" ? "BOOLEAN" : d.ColumnType;
    for (int i = 0; i < d.Count(TSectionControlKind::CheckBox); ++i) columns.push_back(CheckFieldName(f, i) + " " + boxType);
    if (d.Has(TSectionControlKind::RadioItem)) columns.push_back(f + " " + d.ColumnType);
    for (const TConditionalMemoDef& memo : d.ConditionalMemos) columns.push_back(memo.FieldName + " BLOB(0,1)");
    return columns;
}

std::string TooLongColumnName(const std::vector<std::string>& columns)
{
    for (const std::string& column : columns) {
        const std::string name = column.substr(0, column.find(' '));
        if (name.size() > kMaxFieldNameLength) return name;
    }
    return {};
}

std::vector<std::string> DefinitionColumns(const TMemIniFile& definition)
{
    std::vector<std::string> columns{"ID NUMERIC(6,0)"};
    TStringList sections;
    definition.ReadSections(sections);
    for (int i = 0; i < sections.Count(); ++i) {
        TStringList lines;
        definition.ReadSectionValues(sections[i], lines);
        for (const std::string& column : SectionColumns(ReadSectionDefinition(i, lines))) columns.push_back(UpperCase(column));
    }
    return columns;
}

void CheckTableFieldCount(const TMemIniFile& definition, const TStringList& sections)
{
    int fields = 1;  // the record ID
    TStringList lines;
    for (int i = 0; i < sections.Count(); ++i) {
        definition.ReadSectionValues(sections[i], lines);
        fields += int(SectionColumns(ReadSectionDefinition(i, lines)).size());
        if (fields > kMaxTableFields)
            throw Exception("Up to the section [" + sections[i] + "] the definition describes " + std::to_string(fields) +
                            " table fields; a table holds at most " + std::to_string(kMaxTableFields) + ".");
    }
}

// ---------------------------------------------------------------------------------------------

TRadioGroup::TRadioGroup(QWidget* parent) : QGroupBox(parent), group_(new QButtonGroup(this)), layout_(new QVBoxLayout(this))
{
    layout_->setContentsMargins(8, 2, 8, 2);
    layout_->setSpacing(0);
    connect(group_, &QButtonGroup::idClicked, this, [this](int) {
        if (OnClick) RunHandler(OnClick);
    });
}

void TRadioGroup::Add(const std::string& caption)
{
    auto* button = new QRadioButton(QText(caption), this);
    button->setObjectName(objectName() + QString("Item%1").arg(Count()));
    button->setAccessibleName(QText(caption));
    group_->addButton(button, Count());
    layout_->addWidget(button);
    buttons_.push_back(button);
}

std::string TRadioGroup::Caption(int index) const { return buttons_.at(index)->text().toStdString(); }

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index)
{
    // An exclusive group keeps one button checked; clearing needs it off for a moment.
    group_->setExclusive(false);
    for (int i = 0; i < Count(); ++i) buttons_[i]->setChecked(i == index);
    group_->setExclusive(true);
}

// ---------------------------------------------------------------------------------------------

const TControlTable& DataModuleTable()
{
    // The fixed head of the panel; the data definition's controls follow below it.
    static const TControlTable table{
        .Name = "DataModuleClient",
        .DesignClient = {200, 30},
        .Rows = {
            {.Kind = TControlKind::Button, .Name = "BtnPreviousModule", .Caption = "Previous", .Hint = "Previous data field(s)",
             .Place = {15, 5, 50, 20}},
            {.Kind = TControlKind::Button, .Name = "BtnNextModule", .Caption = "Next", .Hint = "Next data field(s)",
             .Place = {70, 5, 50, 20}},
            {.Kind = TControlKind::DBText, .Name = "IDtext", .Hint = "Record ID", .Place = {130, 6, 60, 13}},
        },
    };
    return table;
}

TDataModule::TDataModule(QWidget* owner) : QScrollArea(owner), content_(new QWidget)
{
    setObjectName("DataModule");
    setAccessibleName("Input panel");
    content_->setObjectName("DataModuleClient");
    setWidget(content_);
    setWidgetResizable(true);
    content_->installEventFilter(this);
    form_ = BuildForm(content_, DataModuleTable());
    BtnPreviousModule = form_.Get<QPushButton>("BtnPreviousModule");
    BtnNextModule = form_.Get<QPushButton>("BtnNextModule");
    IDtext = form_.Get<TDBText>("IDtext");
    connect(BtnPreviousModule, &QPushButton::clicked, this, Guarded(this, &TDataModule::GoPrevious));
    connect(BtnNextModule, &QPushButton::clicked, this, Guarded(this, &TDataModule::GoNext));
    IDtext->setAutoFillBackground(true);
    SetBackground(IDtext, kIdColor);
}

TDataModule::~TDataModule() { OwnerCallback = nullptr; }

QSize TDataModule::ClientSize() const
{
    const int frame = 2 * frameWidth();
    return size() - QSize(frame, frame);
}

void TDataModule::BuildControls(int index, TDataSource* dataSource)
{
    if (parentWidget()) setGeometry(parentWidget()->rect());
    index_ = index;
    dataSource_ = dataSource;
    y_ = BtnPreviousModule->geometry().bottom() + 1 + 5;
    anchors_ = std::make_unique<TAnchorSet>(ClientSize());
    IDtext->SetDataSource(dataSource);
    IDtext->SetDataField("ID");
    definition_ = ReadSectionDefinition(index, sectionLines_);
    baseName_ = definition_.BaseName;
    columnType_ = definition_.ColumnType;
    for (const TSectionControl& control : definition_.Controls) {
        switch (control.Kind) {
        case TSectionControlKind::Label: AddLabelLine(control.Text); break;
        case TSectionControlKind::Edit: AddEdit(); break;
        case TSectionControlKind::Memo: AddMemo(); break;
        case TSectionControlKind::CheckBox: AddCheckBox(control.Text); break;
        case TSectionControlKind::RadioItem: AddRadioItem(control.Text); break;
        }
    }
    for (const TConditionalMemoDef& memo : definition_.ConditionalMemos) AddConditionalMemo(memo);
    if (edit_) edit_->SetDataField(baseName_);
    if (memo_) memo_->SetDataField(baseName_);
    content_->setMinimumHeight(y_ + 5);
    // Choices laid out while hidden: moved once the panel shows, each would be repainted alone.
    if (radioGroup_) radioGroup_->layout()->activate();
    update();
}

// Every control stands at left 10, 5 pixels below the one before it.
void TDataModule::Place(QWidget* control, int height, int widthInset, TAnchors anchors)
{
    const QRect design(10, y_ + 5, ClientSize().width() - widthInset, height);
    anchors_->Add(control, design, anchors);
    y_ = design.top() + design.height();
}

void TDataModule::AddLabelLine(const std::string& text)
{
    auto* label = new QLabel(QText(text), content_);
    label->setObjectName(QString("Label%1").arg(labels_.size() + 1));
    label->setAccessibleName(QText(text));
    label->setWordWrap(false);
    const QSize fitted = label->sizeHint();
    Place(label, fitted.height(), 0, akLeft | akTop);
    label->resize(fitted);
    labels_.push_back(label);
}

void TDataModule::AddEdit()
{
    edit_ = new TDBEdit(content_);
    edit_->setObjectName("Edit");
    edit_->SetDataSource(dataSource_);
    Place(edit_, 21, 20, akLeft | akTop | akRight);
}

void TDataModule::AddMemo()
{
    memo_ = new TDBMemo(content_);
    memo_->setObjectName("Memo");
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->SetDataSource(dataSource_);
    // The memo reaches down to 60 pixels above the bottom edge, but stays usable when placed low.
    const int height = std::max(40, ClientSize().height() - y_ - 60);
    Place(memo_, height, 20, akLeft | akTop | akRight);
}

void TDataModule::AddCheckBox(const std::string& caption)
{
    auto* box = new QCheckBox(QText(caption), content_);
    box->setObjectName(QString("CheckBox%1").arg(checkBoxes_.size() + 1));
    box->setAccessibleName(QText(caption));
    connect(box, &QCheckBox::clicked, this, [this, box] { RunHandler([this, box] { ChoiceClick(box); }); });
    Place(box, 17, 20, akLeft | akTop | akRight);
    checkBoxes_.push_back(box);
}

void TDataModule::AddRadioItem(const std::string& caption)
{
    if (!radioGroup_) {
        radioGroup_ = new TRadioGroup(content_);
        radioGroup_->setObjectName("RadioGroup");
        radioGroup_->setAccessibleName(QText(baseName_));
        radioGroup_->OnClick = [this] { ChoiceClick(radioGroup_); };
        Place(radioGroup_, 0, 15, akLeft | akTop | akRight);
    }
    radioGroup_->Add(caption);
    const QRect design(10, radioGroup_->y(), ClientSize().width() - 15, 18 * (radioGroup_->Count() + 1));
    anchors_->Add(radioGroup_, design, akLeft | akTop | akRight);
    y_ = design.top() + design.height();
}

void TDataModule::AddConditionalMemo(const TConditionalMemoDef& definition)
{
    if (definition.HasLabel) AddLabelLine(definition.Label);
    auto* memo = new TDBMemo(content_);
    memo->setObjectName(QString("CondMemo%1").arg(conditionalMemos_.size()));
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->SetDataSource(dataSource_);
    memo->SetDataField(definition.FieldName);
    Place(memo, 40, 20, akLeft | akTop | akRight);
    conditionalMemos_.push_back(memo);
}

bool TDataModule::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == content_ && event->type() == QEvent::Resize && anchors_) anchors_->Apply(content_->size());
    return QScrollArea::eventFilter(watched, event);
}

TDataSet& TDataModule::DataSet() const
{
    if (!dataSource_ || !dataSource_->DataSet()) throw Exception("The input panel has no data set");
    return *dataSource_->DataSet();
}

void TDataModule::BindFields()
{
    TDataSet& dataSet = DataSet();
    boundFields_.clear();
    for (int i = 0; i < int(checkBoxes_.size()); ++i) boundFields_.push_back(&dataSet.FieldByName(GetCheckFieldName(i)));
    if (radioGroup_) boundFields_.push_back(&dataSet.FieldByName(baseName_));
    // The data-aware controls would stay silently empty on a missing column.
    if (edit_ || memo_) dataSet.FieldByName(baseName_);
    for (const TConditionalMemoDef& memo : definition_.ConditionalMemos) dataSet.FieldByName(memo.FieldName);
}

std::string TDataModule::GetColumnDefinitions()
{
    const std::vector<std::string> columns = SectionColumns(definition_);
    if (!TooLongColumnName(columns).empty()) {
        UiServices().ShowError(std::to_string(index_) + ": Error in the field name (max length): " + baseName_);
        return {};
    }
    return Join(columns, ",\r\n");
}

void TDataModule::ShowPanel()
{
    LoadValues();
    ShowAndFocus();
}

void TDataModule::HidePanel()
{
    if (modified_) PostValues();
    hide();
}

void TDataModule::PostValues()
{
    if (modified_) {
        if (!checkBoxes_.empty()) StoreCheckBoxes();
        if (radioGroup_) StoreSwitch();
        SetModified(false);
    }
    TDataSet& dataSet = DataSet();
    if (dataSet.State() == dsEdit || dataSet.State() == dsInsert) dataSet.Post();
}

void TDataModule::LoadValues()
{
    if (!checkBoxes_.empty()) LoadCheckBoxes();
    if (radioGroup_) LoadSwitch();
    SetModified(false);
}

void TDataModule::EnsureEditing() const
{
    if (DataSet().State() == dsBrowse) DataSet().Edit();
}

void TDataModule::StoreCheckBoxes()
{
    EnsureEditing();
    for (std::size_t i = 0; i < checkBoxes_.size(); ++i) boundFields_.at(i)->SetAsBoolean(checkBoxes_[i]->isChecked());
}

void TDataModule::LoadCheckBoxes()
{
    for (std::size_t i = 0; i < checkBoxes_.size(); ++i) checkBoxes_[i]->setChecked(boundFields_.at(i)->AsBoolean());
}

void TDataModule::StoreSwitch()
{
    EnsureEditing();
    const int item = radioGroup_->ItemIndex();
    boundFields_.at(0)->SetAsString(item >= 0 ? definition_.ChoiceValues.at(item) : std::string());
}

void TDataModule::LoadSwitch()
{
    const std::string text = boundFields_.at(0)->AsString();
    int selected = -1;
    for (int i = 0; i < int(definition_.ChoiceValues.size()) && selected < 0; ++i)
        if (SameText(definition_.ChoiceValues[i], text)) selected = i;
    radioGroup_->SetItemIndex(selected);
}

void TDataModule::ShowAndFocus()
{
    show();
    raise();
    QWidget* first = edit_ ? static_cast<QWidget*>(edit_)
                   : memo_ ? static_cast<QWidget*>(memo_)
                   : !checkBoxes_.empty() ? static_cast<QWidget*>(checkBoxes_[0])
                                          : static_cast<QWidget*>(radioGroup_);
    if (first) first->setFocus();
}

void TDataModule::GoNext()
{
    HidePanel();
    if (OwnerCallback) OwnerCallback(index_ + 1);
}

void TDataModule::GoPrevious()
{
    if (index_ <= 0) return;
    HidePanel();
    if (OwnerCallback) OwnerCallback(index_ - 1);
}

void TDataModule::SetReadOnly(bool readOnly)
{
    std::vector<QWidget*> inputs(checkBoxes_.begin(), checkBoxes_.end());
    inputs.insert(inputs.end(), conditionalMemos_.begin(), conditionalMemos_.end());
    for (QWidget* control : {static_cast<QWidget*>(edit_), static_cast<QWidget*>(memo_), static_cast<QWidget*>(radioGroup_)})
        if (control) inputs.push_back(control);
    for (QWidget* control : inputs) control->setEnabled(!readOnly);
}

void TDataModule::DiscardValues()
{
    for (TFieldControl* control : {static_cast<TFieldControl*>(edit_), static_cast<TFieldControl*>(memo_)})
        if (control) control->DiscardChange();
    for (TDBMemo* memo : conditionalMemos_) memo->DiscardChange();
    LoadValues();
}

void TDataModule::SetModified(bool flag)
{
    modified_ = flag;
    SetBackground(IDtext, flag ? kModifiedIdColor : kIdColor);
}

void TDataModule::ChoiceClick(QWidget* sender)
{
    if (isHidden()) return;
    SetModified(true);
    int choice = -1;
    if (sender == radioGroup_) {
        choice = radioGroup_->ItemIndex();
    } else if (auto* box = qobject_cast<QCheckBox*>(sender); box && box->isChecked()) {
        choice = int(std::find(checkBoxes_.begin(), checkBoxes_.end(), box) - checkBoxes_.begin());
    }
    FocusLinkedMemo(choice);
}

void TDataModule::FocusLinkedMemo(int choice)
{
    if (choice < 0 || choice >= int(definition_.MemoLinks.size())) return;
    const int memo = definition_.MemoLinks[choice];
    if (memo != -1) conditionalMemos_.at(memo)->setFocus();
}

std::string TDataModule::GetDescription() const
{
    std::vector<std::string> lines;
    lines.push_back(std::to_string(index_) + ": " + (labels_.empty() ? std::string() : labels_[0]->text().toStdString()));
    lines.push_back("- Data fields:");
    for (std::size_t i = 0; i < boundFields_.size(); ++i) {
        std::string line = " " + boundFields_[i]->FieldName();
        if (i < checkBoxes_.size()) line += " - " + checkBoxes_[i]->text().toStdString();
        lines.push_back(line);
    }
    if (edit_) lines.push_back(" " + edit_->DataField());
    if (memo_) lines.push_back(" " + memo_->DataField());
    if (radioGroup_) {
        lines.push_back("- Value list:");
        for (int i = 0; i < radioGroup_->Count(); ++i) {
            const std::string& value = definition_.ChoiceValues.at(i);
            lines.push_back(" [" + std::to_string(i + 1) + "]: " + radioGroup_->Caption(i) + (value.empty() ? "" : " | " + value));
        }
    }
    if (!conditionalMemos_.empty()) {
        lines.push_back("- Conditional text fields (memos):");
        for (std::size_t k = 0; k < conditionalMemos_.size(); ++k)
            lines.push_back(" " + std::to_string(k) + ": " + conditionalMemos_[k]->DataField());
    }
    return Join(lines, "\r\n");
}
