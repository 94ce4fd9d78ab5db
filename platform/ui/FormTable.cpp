#include "platform/ui/FormTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>

#include "platform/core/NumText.h"
#include "platform/ui/Anchors.h"
#include "platform/ui/Application.h"
#include "platform/ui/DBCtrls.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/DBNavigator.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/UpDown.h"

static_assert(unsigned{faLeft} == akLeft && unsigned{faTop} == akTop && unsigned{faRight} == akRight &&
                  unsigned{faBottom} == akBottom && unsigned{faAll} == akAll,
              "form anchors are the anchor set's edges");

// ---- Table

const TControlRow* TControlTable::Find(const std::string& name) const
{
    for (const TControlRow& row : Rows)
        if (SameIdent(row.Name, name)) return &row;
    return nullptr;
}

const TControlRow& TControlTable::Row(const std::string& name) const
{
    if (const TControlRow* row = Find(name)) return *row;
    throw EComponentError(std::string("Form ") + Name + " has no control " + name);
}

// ---- Builder

namespace {
bool IsLayoutRow(const TControlRow& row)
{
    return row.Kind == TControlKind::HBox || row.Kind == TControlKind::VBox || row.Kind == TControlKind::Grid ||
           row.Kind == TControlKind::Stretch;
}

QString AccessibleName(const TControlRow& row)
{
    return QString::fromUtf8(*row.Accessible ? row.Accessible : *row.Caption ? row.Caption : row.Hint);
}

QWidget* MakeControl(const TControlRow& row, QWidget* parent, const TBuiltForm& built)
{
    const QString caption = QString::fromUtf8(row.Caption);
    QStringList choices;
    for (const std::string& choice : row.Choices) choices << QText(choice);
    switch (row.Kind) {
    case TControlKind::Label: return new QLabel(caption, parent);
    case TControlKind::Button: {
        auto* button = new QPushButton(caption, parent);
        if (row.Picture >= 0) button->setIcon(parent->style()->standardIcon(static_cast<QStyle::StandardPixmap>(row.Picture)));
        return button;
    }
    case TControlKind::ToolButton: {
        auto* button = new QToolButton(parent);
        if (row.Picture >= 0) button->setIcon(parent->style()->standardIcon(static_cast<QStyle::StandardPixmap>(row.Picture)));
        else button->setText(caption);
        return button;
    }
    case TControlKind::Edit: {
        auto* edit = new QLineEdit(QString::fromUtf8(row.Text), parent);
        edit->setReadOnly(row.ReadOnly);
        return edit;
    }
    case TControlKind::Memo: {
        auto* memo = new QPlainTextEdit(QString::fromUtf8(row.Text), parent);
        memo->setReadOnly(row.ReadOnly);
        return memo;
    }
    case TControlKind::ListBox: {
        auto* list = new QListWidget(parent);
        list->addItems(choices);
        return list;
    }
    case TControlKind::ComboBox: {
        auto* combo = new QComboBox(parent);
        combo->addItems(choices);
        return combo;
    }
    case TControlKind::CheckBox: return new QCheckBox(caption, parent);
    case TControlKind::RadioButton: return new QRadioButton(caption, parent);
    case TControlKind::GroupBox: return new QGroupBox(caption, parent);
    case TControlKind::Panel: return new QFrame(parent);
    case TControlKind::SpinEdit: {
        auto* spin = new QSpinBox(parent);
        spin->setRange(row.Min, row.Max);
        return spin;
    }
    case TControlKind::UpDown: return new TUpDown(built.Get<QLineEdit>(row.Buddy), row.Min, row.Max, parent);
    case TControlKind::StringGrid: return new QTableWidget(parent);
    case TControlKind::Picture: return new QLabel(parent);
    case TControlKind::DBText: return new TDBText(parent);
    case TControlKind::DBGrid: return new TDBGrid(parent);
    case TControlKind::DBNavigator: return new TDBNavigator(parent);
    case TControlKind::HBox:
    case TControlKind::VBox:
    case TControlKind::Grid:
    case TControlKind::Stretch: break;
    }
    return nullptr;
}

// Enables control while the check box named by rule ("Name" or "!Name") is (not) checked.
void FollowEnablingRule(const TBuiltForm& built, QWidget* control, const std::string& rule)
{
    const bool inverted = rule.front() == '!';
    auto* box = built.Get<QCheckBox>(inverted ? rule.substr(1) : rule);
    auto follow = [control, box, inverted] { control->setEnabled(box->isChecked() != inverted); };
    QObject::connect(box, &QCheckBox::toggled, control, follow);
    follow();
}
}  // namespace

TBuiltForm::TBuiltForm(const TControlTable& table, QWidget* form)
    : table_(&table), form_(form), anchors_(std::make_shared<TAnchorSet>(table.DesignClient))
{
}

QWidget* TBuiltForm::Control(const std::string& name) const
{
    auto found = controls_.find(UpperIdent(name));
    if (found == controls_.end())
        throw EComponentError(std::string("Form ") + (table_ ? table_->Name : "") + " has no control " + name);
    return found->second;
}

QLayout* TBuiltForm::Layout(const std::string& name) const
{
    auto found = layouts_.find(UpperIdent(name));
    if (found == layouts_.end())
        throw EComponentError(std::string("Form ") + table_->Name + " has no box " + name);
    return found->second;
}

void TBuiltForm::Replace(const QSize& designClient, const std::function<QRect(const TControlRow&)>& adjust)
{
    *anchors_ = TAnchorSet(designClient);
    for (const TControlRow& row : table_->Rows) {
        if (IsLayoutRow(row) || *row.Parent || grid_) continue;
        anchors_->Add(Control(row.Name), adjust ? adjust(row) : row.Place, row.Anchors);
    }
    anchors_->Apply(form_->size());
}

TBuiltForm BuildForm(QWidget* form, const TControlTable& table)
{
    TBuiltForm built(table, form);
    form->setObjectName(table.Name);
    if (*table.Caption) {
        form->setWindowTitle(QString::fromUtf8(table.Caption));
        form->setAccessibleName(QString::fromUtf8(table.Caption));
    }
    if (table.DesignClient.isValid()) form->resize(table.DesignClient);
    if (table.Layout == TFormLayout::Grid) {
        built.grid_ = new QGridLayout(form);
        if (table.Margin >= 0) built.grid_->setContentsMargins(table.Margin, table.Margin, table.Margin, table.Margin);
        for (auto [column, factor] : table.ColumnStretch) built.grid_->setColumnStretch(column, factor);
        for (auto [index, factor] : table.RowStretch) built.grid_->setRowStretch(index, factor);
    }
    std::map<const QLayout*, QWidget*> owners;  // layout -> the widget its controls belong to
    if (built.grid_) owners[built.grid_] = form;
    for (const TControlRow& row : table.Rows) {
        const std::string parentName = row.Parent;
        QLayout* into = parentName.empty() ? built.grid_ : nullptr;  // the layout the row joins
        QWidget* parent = form;
        if (!parentName.empty()) {
            if (auto layout = built.layouts_.find(UpperIdent(parentName)); layout != built.layouts_.end()) {
                into = layout->second;
                parent = owners[into];
            } else {
                parent = built.Control(parentName);
            }
        }
        auto* box = dynamic_cast<QBoxLayout*>(into);
        auto* grid = dynamic_cast<QGridLayout*>(into);
        const TGridCell& cell = row.Cell;
        if (IsLayoutRow(row)) {
            if (row.Kind == TControlKind::Stretch) {
                if (box) box->addStretch();
                continue;
            }
            QLayout* layout = nullptr;
            if (row.Kind == TControlKind::Grid) {
                auto* made = new QGridLayout;
                if (row.StretchColumn >= 0) made->setColumnStretch(row.StretchColumn, 1);
                layout = made;
            } else {
                layout = new QBoxLayout(row.Kind == TControlKind::HBox ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
            }
            layout->setObjectName(row.Name);
            if (row.Margin >= 0) layout->setContentsMargins(row.Margin, row.Margin, row.Margin, row.Margin);
            if (box) box->addLayout(layout, row.Stretch);
            else if (grid) grid->addLayout(layout, cell.Row, cell.Column, cell.RowSpan, cell.ColumnSpan);
            else parent->setLayout(layout);  // the whole form's, or a panel's
            owners[layout] = parent;
            built.layouts_[UpperIdent(row.Name)] = layout;
            continue;
        }
        QWidget* control = MakeControl(row, parent, built);
        control->setObjectName(row.Name);
        control->setAccessibleName(AccessibleName(row));
        if (*row.Hint) control->setToolTip(QString::fromUtf8(row.Hint));
        built.controls_[UpperIdent(row.Name)] = control;
        const bool placed = !into;
        QRect place = row.Place;
        if (placed && place.isEmpty()) {  // no size given: the size of its text
            control->adjustSize();
            place.setSize(control->size());
        }
        if (box)
            box->addWidget(control, row.Stretch);
        else if (grid)
            grid->addWidget(control, cell.Row, cell.Column, cell.RowSpan, cell.ColumnSpan);
        else
            control->setGeometry(place);
        if (placed && parent == form) built.anchors_->Add(control, place, row.Anchors);
        if (*row.EnabledBy) FollowEnablingRule(built, control, row.EnabledBy);
        if (row.Hidden) control->hide();
    }
    if (table.Squeezes && form->layout()) form->layout()->setSizeConstraint(QLayout::SetNoConstraint);
    // Labels may name controls declared after them.
    for (const TControlRow& row : table.Rows)
        if (*row.Buddy && row.Kind == TControlKind::Label) built.Get<QLabel>(row.Name)->setBuddy(built.Control(row.Buddy));
    return built;
}

// ---- Binder

const TPropInfo* BoundProperty(TObject* object, const std::string& path)
{
    std::string rest = path;
    return object ? ResolvePropertyPath(object, rest) : nullptr;
}

TFormBinder::TFormBinder(const TBuiltForm& form) : form_(form)
{
    for (const TControlRow& row : form.Table().Rows) {
        if (!*row.Property) continue;
        QWidget* control = form.Control(row.Name);
        auto edited = [this, &row] { ControlEdited(row); };
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            QObject::connect(edit, &QLineEdit::editingFinished, edit, edited);
        else if (auto* check = qobject_cast<QCheckBox*>(control))
            QObject::connect(check, &QCheckBox::toggled, check, edited);
        else if (auto* combo = qobject_cast<QComboBox*>(control))
            QObject::connect(combo, &QComboBox::currentIndexChanged, combo, edited);
        else if (auto* spin = qobject_cast<QSpinBox*>(control))
            QObject::connect(spin, &QSpinBox::valueChanged, spin, edited);
        else
            throw EComponentError(std::string("Control ") + row.Name + " cannot show a property");
    }
}

void TFormBinder::Bind(TObject* object)
{
    object_ = object;
    Snapshot();
    Refresh();
}

void TFormBinder::Snapshot()
{
    snapshot_.clear();
    if (!object_) return;
    for (const TControlRow& row : form_.Table().Rows)
        if (*row.Property) snapshot_.emplace_back(row.Property, GetPropValue(object_, row.Property));
}

void TFormBinder::Cancel()
{
    if (!object_) return;
    for (const auto& [path, value] : snapshot_)
        if (!value.IsNull()) SetPropValue(object_, path, value);
    Refresh();
}

void TFormBinder::Refresh()
{
    if (!object_) return;
    for (const TControlRow& row : form_.Table().Rows)
        if (*row.Property) Show(row);
}

void TFormBinder::Show(const TControlRow& row)
{
    const TVariant value = GetPropValue(object_, row.Property);
    QWidget* control = form_.Control(row.Name);
    // A path the object does not have leaves nothing to edit; the enabling rule decides the rest.
    if (!*row.EnabledBy) control->setEnabled(!value.IsNull());
    if (value.IsNull()) return;
    const bool wasShowing = showing_;
    showing_ = true;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(QText(value.Type() == TVariant::vtFloat ? FloatToStr(value.AsFloat()) : value.AsString()));
    } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
        check->setChecked(value.AsBoolean());
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        const TPropInfo* info = BoundProperty(object_, row.Property);
        const int index = info->Kind == TPropKind::Enumeration ? info->Enum->Ordinal(value.AsString())
                                                               : combo->findText(QText(value.AsString()));
        combo->setCurrentIndex(index);
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        spin->setValue(static_cast<int>(value.AsInteger()));
    }
    showing_ = wasShowing;
}

void TFormBinder::Write(const std::string& rowName)
{
    const TControlRow& row = form_.Table().Row(rowName);
    if (!object_ || !*row.Property) return;
    try {
        SetPropValue(object_, row.Property, ControlValue(row));
    } catch (...) {
        Refresh();
        throw;
    }
    Refresh();
}

TVariant TFormBinder::ControlValue(const TControlRow& row) const
{
    QWidget* control = form_.Control(row.Name);
    const TPropInfo* info = BoundProperty(object_, row.Property);
    const TPropKind kind = info ? info->Kind : TPropKind::String;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        const std::string text = edit->text().toStdString();
        if (kind == TPropKind::Float) return StrToFloat(text);
        if (kind == TPropKind::Integer || kind == TPropKind::Int64) return StrToInt(text);
        return text;
    }
    if (auto* check = qobject_cast<QCheckBox*>(control)) return check->isChecked();
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (kind == TPropKind::Enumeration) return combo->currentIndex();
        return combo->currentText().toStdString();
    }
    if (auto* spin = qobject_cast<QSpinBox*>(control)) return spin->value();
    return {};
}

void TFormBinder::ControlEdited(const TControlRow& row)
{
    if (showing_ || !object_) return;
    bool written = false;
    RunHandler([&] {
        try {
            Write(row.Name);
            written = true;
        } catch (const std::exception& error) {
            if (!OnError) throw;
            OnError(error);
        }
    });
    if (written && OnWritten) OnWritten(row);
}

// ---- Registry

namespace {
std::vector<const TControlTable*>& Tables()
{
    static std::vector<const TControlTable*> tables;
    return tables;
}
}  // namespace

void RegisterControlTable(const TControlTable& table)
{
    if (!FindControlTable(table.Name)) Tables().push_back(&table);
}

const std::vector<const TControlTable*>& RegisteredControlTables() { return Tables(); }

const TControlTable* FindControlTable(const std::string& name)
{
    for (const TControlTable* table : Tables())
        if (SameIdent(table->Name, name)) return table;
    return nullptr;
}
