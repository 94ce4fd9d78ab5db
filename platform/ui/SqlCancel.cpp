#include "platform/ui/SqlCancel.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/db/SqlEngine.h"
#include "platform/ui/WindowFit.h"

const char* const sqlcancel::kRunningText = "The query is running.";

namespace {

// The engine calls the hook about ten times a second while a statement runs; a pause longer
// than this means the statement has ended.
constexpr int kEndedAfterMs = 400;

struct TCancelState {
    int delayMs = 1000;
    QElapsedTimer running;    // since the first call of the current statement
    QElapsedTimer lastCall;
    QPointer<QDialog> window;
    QTimer* ended = nullptr;  // closes the window once the calls stop
};

TCancelState& State()
{
    static TCancelState state;
    return state;
}

void CloseWindow()
{
    TCancelState& state = State();
    if (state.window) state.window->deleteLater();
    state.window = nullptr;
    state.running.invalidate();
}

QDialog* MakeWindow()
{
    auto* window = new QDialog(QApplication::activeWindow());
    window->setObjectName("SqlCancelWindow");
    window->setWindowTitle("Query");
    window->setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(window);
    auto* text = new QLabel(sqlcancel::kRunningText, window);
    text->setObjectName("LabelRunning");
    text->setAccessibleName(sqlcancel::kRunningText);
    auto* cancel = new QPushButton("Cancel", window);
    cancel->setObjectName("BtnCancel");
    cancel->setAccessibleName("Cancel");
    layout->addWidget(text);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    QObject::connect(cancel, &QPushButton::clicked, window, [] {
        CancelSqlStatements();
        CloseWindow();
    });
    // Closing the window by its frame cancels as well.
    QObject::connect(window, &QDialog::rejected, window, [] { CancelSqlStatements(); });
    window->setMinimumWidth(CaptionWidth(window->windowTitle()));
    return window;
}

void Progress()
{
    TCancelState& state = State();
    if (!state.ended) {
        state.ended = new QTimer(qApp);
        state.ended->setSingleShot(true);
        QObject::connect(state.ended, &QTimer::timeout, [] { CloseWindow(); });
    }
    if (!state.running.isValid() || (state.lastCall.isValid() && state.lastCall.elapsed() > kEndedAfterMs)) {
        CloseWindow();
        state.running.start();
    }
    state.lastCall.start();
    state.ended->start(kEndedAfterMs);
    if (!state.window && state.running.elapsed() >= state.delayMs) {
        state.window = MakeWindow();
        state.window->show();
        KeepOnScreen(state.window);
    }
    // Only a shown, modal window lets events through: the user can reach nothing but Cancel.
    if (state.window) QCoreApplication::processEvents();
}

}  // namespace

void InstallSqlCancelWindow(int delayMilliseconds)
{
    State().delayMs = delayMilliseconds;
    SetSqlProgressHook(Progress);
}

void RemoveSqlCancelWindow()
{
    SetSqlProgressHook(nullptr);
    CloseWindow();
}
