#pragma once
// Windows and editor pages declared as tables. A table lists the controls of one form in
// creation order (kind, component name, caption, hint, place, anchors, and for editors the
// property path they edit); BuildForm makes the widgets, TFormBinder moves values between
// them and the edited object through its property table. The window's own code keeps only
// what a row cannot say (handlers, pictures drawn at run time, texts known later).
//
// Rules every registered table keeps (one test walks them all):
//  - every control has an accessible name: its caption, else its hint (or the caller names it);
//  - every control shown at the start lies inside its parent at the form's designed client size;
//  - no two sibling controls shown at the start overlap unless one of them says MayOverlap;
//  - every bound property path resolves on a sample of the edited class.
#include <QRect>
#include <QSize>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Properties.h"

class QGridLayout;
class TAnchorSet;
class QLayout;
class QWidget;

// ToolButton: a flat button showing a picture (announced by its hint) or a short text.
enum class TControlKind {
    Label, Button, ToolButton, Edit, Memo, ListBox, ComboBox, CheckBox, RadioButton,
    GroupBox, Panel, SpinEdit, UpDown, StringGrid, Picture, DBText, DBGrid, DBNavigator,
    // Layout only: boxes and grids (in a cell or box of their parent layout, or the whole layout
    // of their parent panel or of the form), and a stretch inside a box.
    HBox, VBox, Grid, Stretch
};

// The edges a control keeps its distance to as the form resizes (see Anchors.h; the chart
// models' own anchor set lives beside these tables in windows that show charts).
enum TFormAnchor : unsigned { faLeft = 1, faTop = 2, faRight = 4, faBottom = 8, faAll = 15 };

// A cell of a grid layout.
struct TGridCell {
    int Row = 0, Column = 0, RowSpan = 1, ColumnSpan = 1;
};

struct TControlRow {
    TControlKind Kind = TControlKind::Label;
    const char* Name = "";
    // Shown by kinds that show a caption, and announced by every kind (the label's text for
    // the edit it names); controls that show only a picture are announced by their hint.
    const char* Caption = "";
    const char* Hint = "";  // tool tip
    // Announced instead of caption and hint where the window sets the shown text at run time.
    const char* Accessible = "";
    // Anchored forms, and any row inside a group box or panel: the design rectangle; one
    // without a size takes the size of its text.
    QRect Place = {};
    unsigned Anchors = faLeft | faTop;
    TGridCell Cell = {};  // the cell in the parent grid (the grid form's, or a Grid row's)
    const char* Parent = "";  // a group box, panel or layout row declared earlier
    int Stretch = 0;  // in a box: the share of spare room
    int Margin = -1;  // layout rows: their margin; -1 keeps the style's
    int StretchColumn = -1;  // grid rows: the column that takes the spare width
    const char* Buddy = "";  // labels: the control they name; up-downs: the edit they step
    const char* Text = "";  // edits and memos: the starting text
    int Picture = -1;  // a QStyle::StandardPixmap shown on a button
    // Editors: the edited property ("Legend.Symbol.Width"), its range or its choices.
    const char* Property = "";
    int Min = 0, Max = 0;
    std::vector<std::string> Choices = {};  // combo and list boxes: the items (enumerations: in ordinal order)
    // Enabled only while this check box is checked ("!Name": while it is not).
    const char* EnabledBy = "";
    bool ReadOnly = false;
    bool Hidden = false;
    bool MayOverlap = false;  // placed over another control on purpose (alternatives shown one at a time)
    bool CaptionFromCaller = false;  // named and captioned by whoever shows the window
};

enum class TFormLayout { Anchored, Grid };

struct TControlTable {
    const char* Name = "";  // the window's object name
    const char* Caption = "";
    QSize DesignClient = {};
    bool ProgramFont = true;  // shown in the program's form font, else in the desktop's
    // The window may be made smaller than its laid-out controls want (the window keeps its own floor).
    bool Squeezes = false;
    TFormLayout Layout = TFormLayout::Anchored;
    int Margin = -1;  // grid forms: the layout's margin; -1 keeps the style's
    std::vector<std::pair<int, int>> ColumnStretch = {}, RowStretch = {};  // grid forms: (index, factor)
    // Editors: the class of the edited object, for the walk's sample.
    const TClassInfo& (*Edited)() = nullptr;
    std::vector<TControlRow> Rows = {};

    const TControlRow* Find(const std::string& name) const;  // ignores case
    const TControlRow& Row(const std::string& name) const;  // raises EComponentError when missing
};

// The controls BuildForm made for one table.
class TBuiltForm {
public:
    TBuiltForm() = default;
    TBuiltForm(const TControlTable& table, QWidget* form);

    const TControlTable& Table() const { return *table_; }
    QWidget* Form() const { return form_; }
    // The control of a row; raises EComponentError for a row that made none.
    QWidget* Control(const std::string& name) const;
    template <class W>
    W* Get(const std::string& name) const;
    QLayout* Layout(const std::string& name) const;  // a box row's layout
    QGridLayout* Grid() const { return grid_; }
    // The anchored top-level controls at the table's design (anchored forms).
    TAnchorSet& Anchors() { return *anchors_; }
    // Places the anchored top-level controls again for another design client size, each at
    // the rectangle adjust returns for its row (the row's own place when adjust is empty).
    void Replace(const QSize& designClient, const std::function<QRect(const TControlRow&)>& adjust = {});

private:
    friend TBuiltForm BuildForm(QWidget* form, const TControlTable& table);
    const TControlTable* table_ = nullptr;
    QWidget* form_ = nullptr;
    std::map<std::string, QWidget*> controls_;  // upper-case name -> control
    std::map<std::string, QLayout*> layouts_;
    QGridLayout* grid_ = nullptr;
    std::shared_ptr<TAnchorSet> anchors_;
};

// Makes the controls of the table as children of form (object names, accessible names, tool
// tips, items, places) and gives the form its object name, caption and designed size. The
// table must outlive the form.
TBuiltForm BuildForm(QWidget* form, const TControlTable& table);

template <class W>
W* TBuiltForm::Get(const std::string& name) const
{
    auto* control = dynamic_cast<W*>(Control(name));
    if (!control) throw EComponentError("Control " + name + " is not of the kind asked for");
    return control;
}

// The property path of a bound row resolved on object: null when it does not resolve.
const TPropInfo* BoundProperty(TObject* object, const std::string& path);

// Moves values between the bound controls of a built form and the edited object. Edits go to
// the object as the user makes them; every write shows the object again, so a setter that
// changes other properties is seen at once. Cancel puts back what the bound properties held
// when the object was bound (or at the last Snapshot).
class TFormBinder {
public:
    explicit TFormBinder(const TBuiltForm& form);
    TFormBinder(const TFormBinder&) = delete;
    TFormBinder& operator=(const TFormBinder&) = delete;

    // Binds object (null unbinds), takes the snapshot and shows its values.
    void Bind(TObject* object);
    TObject* Object() const { return object_; }
    // The object changed from elsewhere: show its values.
    void Refresh();
    // Writes the value of the row's control to the object, then shows the object again.
    // Raises EPropertyError / EConvertError for a value the property does not take, after
    // showing the object's unchanged value.
    void Write(const std::string& rowName);
    void Snapshot();
    void Cancel();
    // Told after each write made from a control (the window repaints its preview).
    std::function<void(const TControlRow&)> OnWritten;
    // Told when a write from a control failed; without it the error goes to the application.
    std::function<void(const std::exception&)> OnError;

private:
    void Show(const TControlRow& row);
    void ControlEdited(const TControlRow& row);
    TVariant ControlValue(const TControlRow& row) const;
    const TBuiltForm& form_;
    TObject* object_ = nullptr;
    bool showing_ = false;
    std::vector<std::pair<std::string, TVariant>> snapshot_;  // path -> value
};

// ---- Registry: every form table of the program, for the walk test and for lookups.
void RegisterControlTable(const TControlTable& table);
const std::vector<const TControlTable*>& RegisteredControlTables();
const TControlTable* FindControlTable(const std::string& name);
