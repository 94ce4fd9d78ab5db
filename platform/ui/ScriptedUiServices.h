#pragma once
// The UI services double for tests: answers come from a script in call order, every call is
// logged, and a call the script did not foresee fails with a clear message. A double that ends
// with answers left unused or with an unforeseen call reports them, so neither passes unseen.
#include <deque>
#include <string>
#include <vector>

#include "platform/core/SysUtils.h"
#include "platform/ui/UiServices.h"

enum class TUiCallKind { Message, Input, OpenFile, SaveFile, Directory, Color, Font, Choice };

// "message box", "input box", "open dialog", ...
std::string UiCallKindName(TUiCallKind kind);

// One call as the code under test made it.
struct TUiCall {
    TUiCallKind Kind = TUiCallKind::Message;
    std::string Caption;  // box caption, input caption, dialog title
    std::string Text;     // message, input prompt, file filter
    std::string Default;  // input default, proposed file name, starting folder
    TMsgDlgType MsgType = TMsgDlgType::mtInformation;  // message boxes only
    TMsgDlgButtons Buttons = 0;                        // message boxes only
    TMsgDlgBtn DefaultButton = mbOK;                   // message boxes only: the one Enter presses
    std::string Group{};                               // choosers only: the group caption
    bool Placed = false;                               // message boxes put at a point: the point
    int X = 0, Y = 0;
};

// One scripted answer; build it with the named constructors.
struct TUiAnswer {
    TUiCallKind Kind = TUiCallKind::Message;
    bool Accepted = true;
    int Button = mrNone;
    std::string Text{};  // input text, chosen file or folder
    int FilterIndex = 1;
    int Index = 0;  // the chosen case
    std::uint32_t Color = 0;
    TFontChoice Font{};

    static TUiAnswer Press(int button);
    static TUiAnswer Input(const std::string& text);
    static TUiAnswer OpenFile(const std::string& fileName, int filterIndex = 1);
    static TUiAnswer SaveFile(const std::string& fileName, int filterIndex = 1);
    static TUiAnswer Directory(const std::string& directory);
    static TUiAnswer ChooseColor(std::uint32_t color);
    static TUiAnswer ChooseFont(const TFontChoice& font);
    static TUiAnswer ChooseCase(int index);
    static TUiAnswer Cancel(TUiCallKind kind);  // the dialog closed without OK
};

// Raised when the code under test asks something the script did not foresee.
class EUnexpectedUiCall : public Exception {
public:
    using Exception::Exception;
};

class TScriptedUiServices : public TUiServices {
public:
    // Receives what a double left behind at its end, one text naming every unused answer and
    // unforeseen call. Test programs install one that fails the running test; without one the
    // text goes to standard error and the program aborts.
    using TLeftoverHandler = void (*)(const std::string& report);
    static TLeftoverHandler SetLeftoverHandler(TLeftoverHandler handler);  // returns the previous

    TScriptedUiServices() = default;
    TScriptedUiServices(const TScriptedUiServices&) = delete;
    TScriptedUiServices& operator=(const TScriptedUiServices&) = delete;
    ~TScriptedUiServices() override;

    void Push(const TUiAnswer& answer);
    int Pending() const { return static_cast<int>(answers_.size()); }
    const std::vector<TUiCall>& Log() const { return log_; }
    // The texts of the unexpected calls, also when the code under test swallowed the exception.
    const std::vector<std::string>& Failures() const { return failures_; }
    // Hands the unforeseen calls over and forgets them, for a test that provokes one on purpose.
    std::vector<std::string> TakeFailures();
    // What is wrong so far: each unused answer and each unforeseen call; empty when all is well.
    std::vector<std::string> Leftovers() const;

    int MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons) override;
    int MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton) override;
    int MessageDlgAt(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton,
                     int x, int y) override;
    bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
    bool OpenFileDialog(TFileDialogOptions& dialog) override;
    bool SaveFileDialog(TFileDialogOptions& dialog) override;
    bool SelectDirectory(const std::string& caption, std::string& directory) override;
    bool ColorDialog(std::uint32_t& color) override;
    bool FontDialog(TFontChoice& font) override;
    // Logs the items text as the call's Text and the default index as its Default.
    int SelectCaseFixed(QWidget* owner, const std::string& caption, const std::string& groupCaption, int defaultIndex,
                        const std::string& itemsText) override;

private:
    TUiAnswer Take(const TUiCall& call);
    bool AnswerFileDialog(TUiCallKind kind, TFileDialogOptions& dialog);
    [[noreturn]] void Fail(const TUiCall& call, const std::string& reason);

    std::deque<TUiAnswer> answers_;
    std::vector<TUiCall> log_;
    std::vector<std::string> failures_;
};
