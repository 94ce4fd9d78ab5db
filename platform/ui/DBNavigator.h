#pragma once
// The record navigator: a row of picture buttons that move through a data source's dataset and
// edit it. Each button shows its hint as tool tip and carries it as its accessible name; the
// buttons are enabled as far as the dataset's position and state allow.
#include <QWidget>
#include <initializer_list>
#include <memory>

#include "platform/core/StringList.h"
#include "platform/db/DataSource.h"

class QToolButton;

enum TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };
constexpr int kNavButtonCount = nbRefresh + 1;

// A set of navigator buttons, one bit per button.
using TNavButtonSet = unsigned;
constexpr TNavButtonSet NavButton(TNavigateBtn button) { return 1u << button; }
constexpr TNavButtonSet NavButtons(std::initializer_list<TNavigateBtn> buttons)
{
    TNavButtonSet set = 0;
    for (TNavigateBtn button : buttons) set |= NavButton(button);
    return set;
}
constexpr TNavButtonSet nbAllButtons = (1u << kNavButtonCount) - 1;

class TDBNavigator : public QWidget {
public:
    explicit TDBNavigator(QWidget* parent = nullptr);
    ~TDBNavigator() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    TNavButtonSet VisibleButtons() const { return visible_; }
    void SetVisibleButtons(TNavButtonSet buttons);
    // One hint per button in button order; an empty or missing line keeps the default hint.
    const TStringList& Hints() const { return hints_; }
    void SetHints(const TStringList& hints);
    std::string Hint(TNavigateBtn button) const;
    bool ConfirmDelete = true;  // Delete asks "Delete record?" first

    QToolButton* Button(TNavigateBtn button) const { return buttons_[button]; }
    // What a click on the button does; the dataset's errors are raised.
    void BtnClick(TNavigateBtn button);

private:
    class TNavDataLink;
    void UpdateButtons();
    void ApplyHints();

    std::unique_ptr<TNavDataLink> link_;
    QToolButton* buttons_[kNavButtonCount] = {};
    TNavButtonSet visible_ = nbAllButtons;
    TStringList hints_;
};
