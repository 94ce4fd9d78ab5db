#pragma once
// The directory question: a caption, an editable directory and two folder choosers.
#include <QDialog>
#include <string>

#include "platform/ui/FormTable.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class TFormSelectDirectory : public QDialog {
    Q_OBJECT
public:
    explicit TFormSelectDirectory(QWidget* parent = nullptr);

    QLabel* LabelCaption;
    QLineEdit* EditDir;
    QLabel* LabelPurpose;  // what the directory is for; hidden without a text
    QToolButton* btnSelect1;
    QToolButton* btnSelect2;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    void btnSelect1Click();
    void btnSelect2Click();
    // Shows the text under the directory; the window grows by its height.
    void SetPurpose(const std::string& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceControls(int purposeHeight);
    TBuiltForm form_;
};

const TControlTable& FormSelectDirectoryTable();

// Shows the question with the existing part of initialDirectory, and under it what the directory
// is for when a purpose is given; the edited directory on OK, else "".
std::string AskDirectory(const std::string& initialDirectory, const std::string& caption,
                         const std::string& purpose = "");

// Cuts path components off the end until the rest is an existing directory: after the last '/'
// that is neither the first nor the final character; "" when no such '/' is left.
std::string ExistingDirectoryPart(const std::string& path);
