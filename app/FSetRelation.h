#pragma once
// The relation picker of the query builder: two lists of the same fields, OK once a field is
// chosen in each; the answer is the equality condition "(first=second)".
#include <QDialog>
#include <string>

#include "platform/core/StringList.h"

class QLabel;
class QListWidget;
class QPushButton;

class TFormSetRelation : public QDialog {
    Q_OBJECT
public:
    explicit TFormSetRelation(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QListWidget* ListBox1;
    QListWidget* ListBox2;
    QPushButton* BtnOK;
    QPushButton* BtnCancel;

    void SetFields(const TStringList& fields);
    // The condition of the two selected fields; "" while a list has no selection.
    std::string Condition() const;

    void ListBoxClick();
    void BtnOKClick();

private:
    std::string condition_;
    friend bool AskRelation(const TStringList& fields, std::string& condition);
};

// "(" + first + "=" + second + ")".
std::string RelationCondition(const std::string& first, const std::string& second);

// Shows the picker over the fields; answers whether OK was pressed, condition gets its text.
bool AskRelation(const TStringList& fields, std::string& condition);
