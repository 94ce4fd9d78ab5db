#pragma once
// Up and down arrows beside an edit, like the class library's up-down control: each click
// steps the whole number in the edit by one within Min..Max. Text that is no number starts
// again from Min.
#include <QWidget>

class QLineEdit;
class QToolButton;

class TUpDown : public QWidget {
    Q_OBJECT
public:
    TUpDown(QLineEdit* associate, int min, int max, QWidget* parent = nullptr);

    int Min() const { return min_; }
    int Max() const { return max_; }
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }
    void Step(int delta);

private:
    QLineEdit* associate_;
    int min_;
    int max_;
    QToolButton* up_;
    QToolButton* down_;
};
