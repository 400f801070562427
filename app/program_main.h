// The life of the process: start-up, the wait for input, and the end sequence.
#pragma once

#include <cstdint>

#include "app/qt_window_ops.h"

namespace dorvane {

// The resolver address prefix the build was made for.
const Text& resolver_prefix();

// Handlers of the main window.
void main_window_created(QtWindowOps& window);
void clock_tick(QtWindowOps& window);
// Connects 按钮1 (asking the resolver at `prefix`), 下载 and 时钟2 to their handlers.
void connect_handlers(MainWindow& window, QtWindowOps& ops, const Text& prefix);

// Start-up, the message loop until the main window is closed; returns 0. Needs a
// QApplication.
std::int32_t program_main();

// The whole process: refuses to start without a display, makes the QApplication,
// runs program_main and the end sequence. Returns the exit status.
int run_program(int argc, char** argv);

}  // namespace dorvane
