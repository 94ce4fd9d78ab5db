#pragma once
// The application object: title, the font of the forms and the default exception handler.
#include <QApplication>
#include <QFont>
#include <QPointer>
#include <exception>
#include <string>

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);

    // Every event goes through here: an exception escaping a handler is shown to the user
    // and the event loop goes on.
    bool notify(QObject* receiver, QEvent* event) override;

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);

    // The form whose centre dialogs without an owner are placed over.
    QWidget* MainForm() const { return mainForm_; }
    void SetMainForm(QWidget* form) { mainForm_ = form; }

private:
    std::string title_;
    QPointer<QWidget> mainForm_;
};

// The default exception handler. Call inside a catch block: shows the exception being handled.
void HandleException();
// Error box with the message through the UI services; a failure to show it goes to stderr.
void ShowException(const std::string& message);

// Runs an event handler; what it raises goes to the default handler at once, so the exception
// never unwinds through the toolkit's own frames (they are not built for it and would leak).
template <class F>
void RunHandler(F&& handler)
{
    try {
        handler();
    } catch (...) {
        HandleException();
    }
}

// A slot for connect() that runs object->handler() under RunHandler.
template <class T>
auto Guarded(T* object, void (T::*handler)())
{
    return [object, handler] { RunHandler([object, handler] { (object->*handler)(); }); };
}

// The running application object, or nullptr when the process runs a plain QApplication.
TApplication* Application();

// The message an exception carries: Message() of ours, what() of the standard ones.
std::string ExceptionMessage(std::exception_ptr error);

// The font of every form: Tahoma with a character height of 11 pixels.
QFont FormFont();
