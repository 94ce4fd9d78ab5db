#pragma once
// The UI services the program runs with: Qt's message boxes and standard dialogs.
#include <QPoint>
#include <QStringList>

#include "platform/ui/UiServices.h"

class TQtUiServices : public TUiServices {
public:
    int MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons) override;
    int MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton) override;
    int MessageDlgAt(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton,
                     int x, int y) override;
    bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
    bool InputQueryChecked(const std::string& caption, const std::string& prompt, std::string& value,
                           const TInputCheck& check) override;
    bool OpenFileDialog(TFileDialogOptions& dialog) override;
    bool SaveFileDialog(TFileDialogOptions& dialog) override;
    bool SelectDirectory(const std::string& caption, std::string& directory) override;
    bool ColorDialog(std::uint32_t& color) override;
    bool FontDialog(TFontChoice& font) override;

private:
    int RunMessageBox(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton,
                      const QPoint* place);
};

// "Text|*.txt|All|*.*" -> {"Text (*.txt)", "All (*)"}: masks joined by ';' become one list, and
// "*.*" becomes "*" so that files without an extension show too. A description without a mask
// at the end is dropped.
QStringList FilterToNameFilters(const std::string& filter);
