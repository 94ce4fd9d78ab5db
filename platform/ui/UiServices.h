#pragma once
// Everything that asks the user something goes through one interface: the program installs the
// Qt dialogs, tests install a scripted double, so every window can be driven headless.
#include <cstdint>
#include <functional>
#include <string>

class QWidget;

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };

// Buttons of a message box; a box offers an or-ed set of them.
enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

// How a dialog was closed.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// The settings of an open or save dialog; FileName and FilterIndex carry the answer back.
struct TFileDialogOptions {
    std::string Title;
    std::string Filter;      // "Setting file (ini)|*.ini|All files|*.*"; masks joined by ';'
    int FilterIndex = 1;     // 1-based, as the filter text counts
    std::string InitialDir;
    std::string FileName;    // proposed name; the chosen file after OK
    std::string DefaultExt;  // "csv": added when the user typed no extension
};

// A font as the font dialog shows it; colours are 0x00BBGGRR (red in the low byte).
struct TFontChoice {
    std::string Name;
    int Size = 8;  // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    std::uint32_t Color = 0;
};

class TUiServices {
public:
    virtual ~TUiServices() = default;

    // A message box of the given kind; returns the pressed button as a modal result. Enter
    // presses the first of Yes, No, OK, Cancel that the box offers.
    virtual int MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons) = 0;
    // The same with the button Enter presses named; a question whose Yes deletes data makes the
    // harmless answer the default. Services that can't mark a default show the plain box.
    virtual int MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton)
    {
        (void)defaultButton;
        return MessageDlg(text, kind, buttons);
    }
    // The same box with its top-left corner at a point of the screen (a question about a control
    // opens beside it). Services that can't place a box show it where they show every box.
    virtual int MessageDlgAt(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons,
                             TMsgDlgBtn defaultButton, int x, int y)
    {
        (void)x;
        (void)y;
        return MessageDlg(text, kind, buttons, defaultButton);
    }
    // A one-line input box; value holds the default and, after OK, the answer.
    virtual bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) = 0;
    // The same box, kept open until check takes the answer: check answers why it refuses one (the
    // box shows that as a warning and stays), or nothing. False when the box is cancelled.
    using TInputCheck = std::function<std::string(const std::string& answer)>;
    virtual bool InputQueryChecked(const std::string& caption, const std::string& prompt, std::string& value,
                                   const TInputCheck& check);
    virtual bool OpenFileDialog(TFileDialogOptions& dialog) = 0;
    virtual bool SaveFileDialog(TFileDialogOptions& dialog) = 0;
    // directory holds the starting folder and, after OK, the chosen one.
    virtual bool SelectDirectory(const std::string& caption, std::string& directory) = 0;
    virtual bool ColorDialog(std::uint32_t& color) = 0;
    virtual bool FontDialog(TFontChoice& font) = 0;
    // The modal chooser of one case among several (a radio group without an Add button): the
    // items are itemsText split at ';', '"' quoting items with blanks or ';'; defaultIndex is
    // preselected. Answers the chosen index after OK, defaultIndex otherwise. Runs the chooser
    // window installed with SetCaseChooser; without one it raises Exception.
    virtual int SelectCaseFixed(QWidget* owner, const std::string& caption, const std::string& groupCaption,
                                int defaultIndex, const std::string& itemsText);

    // The program's four kinds of report and its two kinds of question.
    void ShowWarning(const std::string& text);
    void ShowInformation(const std::string& text);
    void ShowError(const std::string& text);
    bool AskYesNo(const std::string& text, TMsgDlgBtn defaultButton = mbYes);     // confirmation; true on Yes
    bool AskOkCancel(const std::string& text, TMsgDlgBtn defaultButton = mbOK);  // confirmation; true on OK
};

// The chooser window lives with the application's windows, above this layer: the program
// installs it at start. Returns the one it replaces.
using TCaseChooser = int (*)(QWidget* owner, const std::string& caption, const std::string& groupCaption,
                             int defaultIndex, const std::string& itemsText);
TCaseChooser SetCaseChooser(TCaseChooser chooser);

// The button Enter presses on a box that names none: the first of Yes, No, OK, Cancel offered.
TMsgDlgBtn DefaultMsgDlgButton(TMsgDlgButtons buttons);

// The caption a message box of this kind carries ("Warning", "Error", "Information", "Confirm").
std::string MessageDlgCaption(TMsgDlgType kind);

// The program-wide instance. UiServices() raises Exception when none is installed, so a
// forgotten installation fails loudly instead of opening a real dialog in a headless run.
TUiServices& UiServices();
TUiServices* SetUiServices(TUiServices* services);  // returns the one it replaces

// Installs services for a scope and puts the previous ones back.
class TScopedUiServices {
public:
    explicit TScopedUiServices(TUiServices& services);
    ~TScopedUiServices();
    TScopedUiServices(const TScopedUiServices&) = delete;
    TScopedUiServices& operator=(const TScopedUiServices&) = delete;

private:
    TUiServices* previous_;
};
