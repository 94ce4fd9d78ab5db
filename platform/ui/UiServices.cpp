#include "platform/ui/UiServices.h"

#include <array>

#include "platform/core/SysUtils.h"

namespace {
TUiServices* g_uiServices = nullptr;
TCaseChooser g_caseChooser = nullptr;
}  // namespace

int TUiServices::SelectCaseFixed(QWidget* owner, const std::string& caption, const std::string& groupCaption,
                                 int defaultIndex, const std::string& itemsText)
{
    if (!g_caseChooser)
        throw Exception("No case chooser is installed");
    return g_caseChooser(owner, caption, groupCaption, defaultIndex, itemsText);
}

TCaseChooser SetCaseChooser(TCaseChooser chooser)
{
    TCaseChooser previous = g_caseChooser;
    g_caseChooser = chooser;
    return previous;
}

// Services that cannot hold a box open ask again, with the refused answer as the default.
bool TUiServices::InputQueryChecked(const std::string& caption, const std::string& prompt, std::string& value,
                                    const TInputCheck& check)
{
    for (;;) {
        if (!InputQuery(caption, prompt, value)) return false;
        const std::string refusal = check ? check(value) : std::string();
        if (refusal.empty()) return true;
        ShowWarning(refusal);
    }
}

void TUiServices::ShowWarning(const std::string& text) { MessageDlg(text, TMsgDlgType::mtWarning, mbOK); }

void TUiServices::ShowInformation(const std::string& text) { MessageDlg(text, TMsgDlgType::mtInformation, mbOK); }

void TUiServices::ShowError(const std::string& text) { MessageDlg(text, TMsgDlgType::mtError, mbOK); }

bool TUiServices::AskYesNo(const std::string& text, TMsgDlgBtn defaultButton)
{
    return MessageDlg(text, TMsgDlgType::mtConfirmation, mbYesNo, defaultButton) == mrYes;
}

bool TUiServices::AskOkCancel(const std::string& text, TMsgDlgBtn defaultButton)
{
    return MessageDlg(text, TMsgDlgType::mtConfirmation, mbOKCancel, defaultButton) == mrOk;
}

TMsgDlgBtn DefaultMsgDlgButton(TMsgDlgButtons buttons)
{
    for (const TMsgDlgBtn button : {mbYes, mbNo, mbOK, mbCancel})
        if (buttons & button) return button;
    return mbOK;
}

std::string MessageDlgCaption(TMsgDlgType kind)
{
    static const std::array<const char*, 4> captions{"Warning", "Error", "Information", "Confirm"};
    return captions.at(static_cast<size_t>(kind));
}

TUiServices& UiServices()
{
    if (!g_uiServices)
        throw Exception("No user-interface services are installed");
    return *g_uiServices;
}

TUiServices* SetUiServices(TUiServices* services)
{
    TUiServices* previous = g_uiServices;
    g_uiServices = services;
    return previous;
}

TScopedUiServices::TScopedUiServices(TUiServices& services) : previous_(SetUiServices(&services)) {}

TScopedUiServices::~TScopedUiServices() { SetUiServices(previous_); }
