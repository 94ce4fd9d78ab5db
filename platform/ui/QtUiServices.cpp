#include "platform/ui/QtUiServices.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QSpacerItem>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QPushButton>
#include <QLineEdit>
#include <QMessageBox>

#include <array>

namespace {

// Dialogs sit over whatever window the user works in.
QWidget* DialogParent()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

struct TButtonPair {
    TMsgDlgBtn Button;
    QMessageBox::StandardButton Standard;
    TModalResult Result;
    const char* Name;  // the button's component name
};
constexpr std::array<TButtonPair, 4> kButtons{{
    {mbYes, QMessageBox::Yes, mrYes, "Yes"},
    {mbNo, QMessageBox::No, mrNo, "No"},
    {mbOK, QMessageBox::Ok, mrOk, "OK"},
    {mbCancel, QMessageBox::Cancel, mrCancel, "Cancel"},
}};

QMessageBox::Icon IconOf(TMsgDlgType kind)
{
    switch (kind) {
    case TMsgDlgType::mtWarning: return QMessageBox::Warning;
    case TMsgDlgType::mtError: return QMessageBox::Critical;
    case TMsgDlgType::mtInformation: return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QString MaskList(const QString& masks)
{
    QStringList parts = masks.split(';', Qt::SkipEmptyParts);
    for (QString& part : parts) {
        part = part.trimmed();
        if (part == "*.*")
            part = "*";
    }
    return parts.join(' ');
}

bool RunFileDialog(TFileDialogOptions& dialog, QFileDialog::AcceptMode mode)
{
    QFileDialog box(DialogParent(), QText(dialog.Title), QText(dialog.InitialDir));
    box.setObjectName(mode == QFileDialog::AcceptOpen ? "OpenDialog" : "SaveDialog");
    box.setAcceptMode(mode);
    box.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    const QStringList filters = FilterToNameFilters(dialog.Filter);
    box.setNameFilters(filters);
    if (dialog.FilterIndex >= 1 && dialog.FilterIndex <= filters.size())
        box.selectNameFilter(filters.at(dialog.FilterIndex - 1));
    box.setDefaultSuffix(QText(dialog.DefaultExt));
    if (!dialog.FileName.empty())
        box.selectFile(QText(dialog.FileName));
    PrepareModal(&box);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
        return false;
    dialog.FileName = box.selectedFiles().constFirst().toStdString();
    dialog.FilterIndex = static_cast<int>(filters.indexOf(box.selectedNameFilter())) + 1;
    return true;
}

// Colours travel as 0x00BBGGRR.
QColor ToQColor(std::uint32_t color) { return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

std::uint32_t FromQColor(const QColor& color)
{
    return static_cast<std::uint32_t>(color.red()) | (static_cast<std::uint32_t>(color.green()) << 8)
           | (static_cast<std::uint32_t>(color.blue()) << 16);
}

}  // namespace

QStringList FilterToNameFilters(const std::string& filter)
{
    const QStringList parts = QText(filter).split('|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        result << QString("%1 (%2)").arg(parts.at(i), MaskList(parts.at(i + 1)));
    return result;
}

int TQtUiServices::MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons)
{
    return MessageDlg(text, kind, buttons, DefaultMsgDlgButton(buttons));
}

int TQtUiServices::MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton)
{
    return RunMessageBox(text, kind, buttons, defaultButton, nullptr);
}

int TQtUiServices::MessageDlgAt(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons,
                                TMsgDlgBtn defaultButton, int x, int y)
{
    const QPoint place(x, y);
    return RunMessageBox(text, kind, buttons, defaultButton, &place);
}

int TQtUiServices::RunMessageBox(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons,
                                 TMsgDlgBtn defaultButton, const QPoint* place)
{
    QMessageBox box(IconOf(kind), QText(MessageDlgCaption(kind)), QText(text), QMessageBox::NoButton, DialogParent());
    box.setObjectName("MessageDlg");
    // The box takes the width of its text; a short one (a list of file names) would cut the caption.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(CaptionWidth(box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    for (const TButtonPair& pair : kButtons) {
        if (!(buttons & pair.Button))
            continue;
        QPushButton* button = box.addButton(pair.Standard);
        button->setObjectName(pair.Name);
        if (pair.Button == defaultButton)
            box.setDefaultButton(button);
    }
    if (place) box.move(*place);
    PrepareModal(&box);
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (const TButtonPair& pair : kButtons)
        if (pair.Standard == pressed)
            return pair.Result;
    return buttons & mbCancel ? mrCancel : mrNone;
}

namespace {
// An input box that refuses to close on OK while its check refuses the answer.
class TCheckedInputDialog : public QInputDialog {
public:
    TCheckedInputDialog(QWidget* parent, TQtUiServices& services, const TUiServices::TInputCheck& check)
        : QInputDialog(parent), services_(services), check_(check)
    {
    }

    void done(int result) override
    {
        if (result == QDialog::Accepted && check_) {
            const std::string refusal = check_(textValue().toStdString());
            if (!refusal.empty()) {
                services_.ShowWarning(refusal);
                return;
            }
        }
        QInputDialog::done(result);
    }

private:
    TQtUiServices& services_;
    const TUiServices::TInputCheck& check_;
};
}  // namespace

bool TQtUiServices::InputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    return InputQueryChecked(caption, prompt, value, {});
}

bool TQtUiServices::InputQueryChecked(const std::string& caption, const std::string& prompt, std::string& value,
                                      const TInputCheck& check)
{
    TCheckedInputDialog box(DialogParent(), *this, check);
    box.setObjectName("InputQuery");
    box.setWindowTitle(QText(caption));
    box.setLabelText(QText(prompt));
    box.setTextValue(QText(value));
    box.setOkButtonText("OK");  // lays the box out, so its buttons can be named
    box.setCancelButtonText("Cancel");
    if (auto* edit = box.findChild<QLineEdit*>()) {
        edit->setObjectName("Edit");
        edit->setAccessibleName(QText(prompt));
    }
    if (auto* row = box.findChild<QDialogButtonBox*>()) {
        for (const auto& [standard, name] : {std::pair{QDialogButtonBox::Ok, "OK"}, std::pair{QDialogButtonBox::Cancel, "Cancel"}})
            if (QPushButton* button = row->button(standard)) button->setObjectName(name);
    }
    // A box as narrow as a short prompt would cut its caption.
    if (QLayout* layout = box.layout())
        layout->addItem(new QSpacerItem(CaptionWidth(box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed));
    PrepareModal(&box);
    if (box.exec() != QDialog::Accepted)
        return false;
    value = box.textValue().toStdString();
    return true;
}

bool TQtUiServices::OpenFileDialog(TFileDialogOptions& dialog) { return RunFileDialog(dialog, QFileDialog::AcceptOpen); }

bool TQtUiServices::SaveFileDialog(TFileDialogOptions& dialog) { return RunFileDialog(dialog, QFileDialog::AcceptSave); }

bool TQtUiServices::SelectDirectory(const std::string& caption, std::string& directory)
{
    QFileDialog box(DialogParent(), QText(caption), QText(directory));
    box.setFileMode(QFileDialog::Directory);
    box.setOption(QFileDialog::ShowDirsOnly);
    PrepareModal(&box);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
        return false;
    directory = box.selectedFiles().constFirst().toStdString();
    return true;
}

bool TQtUiServices::ColorDialog(std::uint32_t& color)
{
    QColorDialog box(ToQColor(color), DialogParent());
    PrepareModal(&box);
    if (box.exec() != QDialog::Accepted || !box.selectedColor().isValid())
        return false;
    color = FromQColor(box.selectedColor());
    return true;
}

bool TQtUiServices::FontDialog(TFontChoice& font)
{
    QFont initial(QText(font.Name), font.Size, font.Bold ? QFont::Bold : QFont::Normal, font.Italic);
    initial.setUnderline(font.Underline);
    initial.setStrikeOut(font.StrikeOut);
    QFontDialog box(initial, DialogParent());
    PrepareModal(&box);
    if (box.exec() != QDialog::Accepted)
        return false;
    const QFont chosen = box.selectedFont();
    font.Name = chosen.family().toStdString();
    font.Size = chosen.pointSize();
    font.Bold = chosen.bold();
    font.Italic = chosen.italic();
    font.Underline = chosen.underline();
    font.StrikeOut = chosen.strikeOut();
    return true;  // the colour is not offered by this dialog and stays
}
