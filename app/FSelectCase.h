#pragma once
// The modal choice dialog: the user picks one of a few named options.
#include <QDialog>
#include <string>

#include "platform/core/StringList.h"
#include "platform/ui/FormTable.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

class TFormSelectCase : public QDialog {
    Q_OBJECT
public:
    explicit TFormSelectCase(QWidget* parent = nullptr);

    QGroupBox* RadioGroup;
    QPushButton* BtnOK;
    QPushButton* BtnCancel;
    QPushButton* btnAdd;

    // The choices of the radio group.
    void SetItems(const TStringList& items);
    int ItemCount() const { return items_.Count(); }
    std::string ItemText(int index) const;  // "" for index < 0
    QRadioButton* ItemButton(int index) const;
    int ItemIndex() const;  // -1 when nothing is selected
    void SetItemIndex(int index);

    void FitToItems();
    void CenterOver(const QWidget* form);
    void btnAddClick();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void AddItemButton(const std::string& text);
    void ArrangeControls();

    TStringList items_;
    QButtonGroup* itemButtons_;
    QVBoxLayout* itemLayout_;
    TBuiltForm form_;
};

const TControlTable& FormSelectCaseTable();

// Created on first use and kept for reuse.
extern TFormSelectCase* FormSelectCase;

// Shows the choices of itemsText (';'-separated, '"'-quoted where an item has blanks or ';')
// and returns the chosen index: on OK the selected one (-1 when none), otherwise defaultIndex.
// With showAdd the user may add one choice; FormSelectCase->ItemText tells the chosen text.
int SelectCase(QWidget* owner, const std::string& caption, const std::string& groupCaption, bool showAdd,
               int defaultIndex, const std::string& itemsText);
int SelectCaseFixed(QWidget* owner, const std::string& caption, const std::string& groupCaption, int defaultIndex,
                    const std::string& itemsText);
// As SelectCase, but a dialog closed without OK answers -1, so a preselected choice is never
// taken for one the user made.
int SelectCaseChoice(QWidget* owner, const std::string& caption, const std::string& groupCaption, bool showAdd,
                     int defaultIndex, const std::string& itemsText);
