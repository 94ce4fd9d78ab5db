#include "platform/ui/ScriptedUiServices.h"

#include "platform/core/ScopeGuard.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "platform/core/StringList.h"

namespace {
TScriptedUiServices::TLeftoverHandler leftoverHandler = nullptr;

std::string Describe(const TUiAnswer& answer)
{
    std::string text = "unused answer for the " + UiCallKindName(answer.Kind);
    if (!answer.Accepted)
        return text + " (cancel)";
    switch (answer.Kind) {
    case TUiCallKind::Message: return text + " (button " + std::to_string(answer.Button) + ")";
    case TUiCallKind::Input:
    case TUiCallKind::OpenFile:
    case TUiCallKind::SaveFile:
    case TUiCallKind::Directory: return text + " (\"" + answer.Text + "\")";
    case TUiCallKind::Color: return text + " (" + std::to_string(answer.Color) + ")";
    case TUiCallKind::Font: return text + " (\"" + answer.Font.Name + "\")";
    case TUiCallKind::Choice: return text + " (case " + std::to_string(answer.Index) + ")";
    }
    return text;
}
}  // namespace

std::string UiCallKindName(TUiCallKind kind)
{
    static const std::array<const char*, 8> names{"message box",   "input box",     "open dialog", "save dialog",
                                                  "folder dialog", "colour dialog", "font dialog", "chooser"};
    return names.at(static_cast<size_t>(kind));
}

TUiAnswer TUiAnswer::Press(int button) { return {.Kind = TUiCallKind::Message, .Button = button}; }

TUiAnswer TUiAnswer::Input(const std::string& text) { return {.Kind = TUiCallKind::Input, .Text = text}; }

TUiAnswer TUiAnswer::OpenFile(const std::string& fileName, int filterIndex)
{
    return {.Kind = TUiCallKind::OpenFile, .Text = fileName, .FilterIndex = filterIndex};
}

TUiAnswer TUiAnswer::SaveFile(const std::string& fileName, int filterIndex)
{
    return {.Kind = TUiCallKind::SaveFile, .Text = fileName, .FilterIndex = filterIndex};
}

TUiAnswer TUiAnswer::Directory(const std::string& directory)
{
    return {.Kind = TUiCallKind::Directory, .Text = directory};
}

TUiAnswer TUiAnswer::ChooseColor(std::uint32_t color) { return {.Kind = TUiCallKind::Color, .Color = color}; }

TUiAnswer TUiAnswer::ChooseFont(const TFontChoice& font) { return {.Kind = TUiCallKind::Font, .Font = font}; }

TUiAnswer TUiAnswer::ChooseCase(int index) { return {.Kind = TUiCallKind::Choice, .Index = index}; }

TUiAnswer TUiAnswer::Cancel(TUiCallKind kind)
{
    return {.Kind = kind, .Accepted = false, .Button = kind == TUiCallKind::Message ? mrCancel : mrNone};
}

TScriptedUiServices::TLeftoverHandler TScriptedUiServices::SetLeftoverHandler(TLeftoverHandler handler)
{
    TLeftoverHandler previous = leftoverHandler;
    leftoverHandler = handler;
    return previous;
}

TScriptedUiServices::~TScriptedUiServices()
{
    const std::vector<std::string> leftovers = Leftovers();
    if (leftovers.empty())
        return;
    std::string report = "The scripted UI services ended with:";
    for (const std::string& leftover : leftovers)
        report += "\n  " + leftover;
    if (leftoverHandler) {
        leftoverHandler(report);
        return;
    }
    std::fprintf(stderr, "%s\n", report.c_str());
    std::abort();
}

std::vector<std::string> TScriptedUiServices::Leftovers() const
{
    std::vector<std::string> leftovers = failures_;
    for (const TUiAnswer& answer : answers_)
        leftovers.push_back(Describe(answer));
    return leftovers;
}

std::vector<std::string> TScriptedUiServices::TakeFailures()
{
    std::vector<std::string> taken;
    taken.swap(failures_);
    return taken;
}

void TScriptedUiServices::Push(const TUiAnswer& answer) { answers_.push_back(answer); }

void TScriptedUiServices::Fail(const TUiCall& call, const std::string& reason)
{
    std::string text = "Unexpected " + UiCallKindName(call.Kind);
    if (!call.Caption.empty())
        text += " \"" + call.Caption + "\"";
    if (!call.Text.empty())
        text += ": \"" + call.Text + "\"";
    text += " (" + reason + ")";
    failures_.push_back(text);
    throw EUnexpectedUiCall(text);
}

TUiAnswer TScriptedUiServices::Take(const TUiCall& call)
{
    log_.push_back(call);
    if (answers_.empty())
        Fail(call, "no scripted answer left");
    if (answers_.front().Kind != call.Kind)
        Fail(call, "the next scripted answer is for the " + UiCallKindName(answers_.front().Kind));
    TUiAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

namespace {
// The modal result each button stands for, so a script cannot press a button the box lacks.
bool OffersButton(TMsgDlgButtons buttons, int result)
{
    switch (result) {
    case mrYes: return buttons & mbYes;
    case mrNo: return buttons & mbNo;
    case mrOk: return buttons & mbOK;
    case mrCancel: return buttons & mbCancel;
    default: return false;
    }
}
}  // namespace

int TScriptedUiServices::MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons)
{
    return MessageDlg(text, kind, buttons, DefaultMsgDlgButton(buttons));
}

int TScriptedUiServices::MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons,
                                    TMsgDlgBtn defaultButton)
{
    TUiCall call{TUiCallKind::Message, MessageDlgCaption(kind), text, {}, kind, buttons, defaultButton};
    if (!(buttons & defaultButton)) {
        log_.push_back(call);
        Fail(call, "its default button is not on the box");
    }
    const TUiAnswer answer = Take(call);
    if (!OffersButton(buttons, answer.Button))
        Fail(call, "the scripted button " + std::to_string(answer.Button) + " is not on this box");
    return answer.Button;
}

int TScriptedUiServices::MessageDlgAt(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons,
                                      TMsgDlgBtn defaultButton, int x, int y)
{
    const std::size_t logged = log_.size();
    const TScopeGuard place([&] {
        if (log_.size() <= logged) return;
        log_[logged].Placed = true;
        log_[logged].X = x;
        log_[logged].Y = y;
    });
    return MessageDlg(text, kind, buttons, defaultButton);
}

bool TScriptedUiServices::InputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    const TUiAnswer answer = Take({TUiCallKind::Input, caption, prompt, value});
    if (answer.Accepted)
        value = answer.Text;
    return answer.Accepted;
}

bool TScriptedUiServices::AnswerFileDialog(TUiCallKind kind, TFileDialogOptions& dialog)
{
    const std::string proposed = dialog.FileName.empty() ? dialog.InitialDir : dialog.FileName;
    const TUiAnswer answer = Take({kind, dialog.Title, dialog.Filter, proposed});
    if (!answer.Accepted)
        return false;
    dialog.FileName = answer.Text;
    dialog.FilterIndex = answer.FilterIndex;
    return true;
}

bool TScriptedUiServices::OpenFileDialog(TFileDialogOptions& dialog)
{
    return AnswerFileDialog(TUiCallKind::OpenFile, dialog);
}

bool TScriptedUiServices::SaveFileDialog(TFileDialogOptions& dialog)
{
    return AnswerFileDialog(TUiCallKind::SaveFile, dialog);
}

bool TScriptedUiServices::SelectDirectory(const std::string& caption, std::string& directory)
{
    const TUiAnswer answer = Take({TUiCallKind::Directory, caption, {}, directory});
    if (answer.Accepted)
        directory = answer.Text;
    return answer.Accepted;
}

bool TScriptedUiServices::ColorDialog(std::uint32_t& color)
{
    const TUiAnswer answer = Take({TUiCallKind::Color, {}, {}, std::to_string(color)});
    if (answer.Accepted)
        color = answer.Color;
    return answer.Accepted;
}

bool TScriptedUiServices::FontDialog(TFontChoice& font)
{
    const TUiAnswer answer = Take({TUiCallKind::Font, {}, {}, font.Name});
    if (answer.Accepted)
        font = answer.Font;
    return answer.Accepted;
}

int TScriptedUiServices::SelectCaseFixed(QWidget*, const std::string& caption, const std::string& groupCaption,
                                         int defaultIndex, const std::string& itemsText)
{
    TUiCall call{TUiCallKind::Choice, caption, itemsText, std::to_string(defaultIndex)};
    call.Group = groupCaption;
    const TUiAnswer answer = Take(call);
    if (!answer.Accepted)
        return defaultIndex;
    TStringList items;
    items.Delimiter = ';';
    items.QuoteChar = '"';
    items.SetDelimitedText(itemsText);
    // A script cannot pick a case the chooser does not offer.
    if (answer.Index < 0 || answer.Index >= items.Count())
        Fail(call, "the scripted case " + std::to_string(answer.Index) + " is not offered");
    return answer.Index;
}
