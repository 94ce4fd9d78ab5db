#include "platform/ui/Application.h"

#include <cstdio>
#include <new>

#include "platform/core/SysUtils.h"
#include "platform/ui/UiServices.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) { setFont(FormFont()); }

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException();
        return false;
    }
}

void HandleException() { ShowException(ExceptionMessage(std::current_exception())); }

void ShowException(const std::string& message)
{
    try {
        UiServices().MessageDlg(message, TMsgDlgType::mtError, mbOK);
    } catch (const std::exception& error) {
        // Nothing may leave the event loop; the console is the last place to report to.
        std::fprintf(stderr, "%s\n(could not show it: %s)\n", message.c_str(), error.what());
    }
}

void TApplication::SetTitle(const std::string& title)
{
    title_ = title;
    setApplicationName(QString::fromStdString(title));
}

TApplication* Application() { return dynamic_cast<TApplication*>(QCoreApplication::instance()); }

std::string ExceptionMessage(std::exception_ptr error)
{
    if (!error)
        return {};
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::bad_alloc&) {
        return "There is not enough memory for this operation. Close other windows or programs and try again.";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

QFont FormFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    return font;
}
