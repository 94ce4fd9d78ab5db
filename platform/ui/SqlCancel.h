#pragma once
// While a local SQL statement runs for longer than a moment, a small window says so and offers
// to cancel it. The window is modal: the statement runs inside an event handler, and no other
// command may start while it waits.
#include <string>

namespace sqlcancel {
extern const char* const kRunningText;  // "The query is running."
}

// Installs the window as the SQL engine's progress hook (program start-up).
void InstallSqlCancelWindow(int delayMilliseconds = 1000);
void RemoveSqlCancelWindow();
