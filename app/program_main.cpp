#include "app/program_main.h"

#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/app_state.h"
#include "app/install_skin.h"
#include "app/message_box.h"
#include "app/test_mode.h"
#include "core/builtin_libraries.h"
#include "core/clock.h"
#include "core/fatal_error.h"
#include "core/library_table.h"
#include "core/program_folder.h"
#include "download/download_command.h"
#include "download/server_xml_http.h"
#include "http/wininet_curl.h"
#include "resolve/resolve_command.h"

#ifndef DORVANE_RESOLVER_HOST
#error "DORVANE_RESOLVER_HOST names the resolver the program asks"
#endif

namespace dorvane {
namespace {

constexpr std::int32_t kClockPeriodMs = 500;

// The one shutdown slot; the end sequence calls what it holds at most once.
void (*shutdown_routine)() = nullptr;

void run_shutdown_routine() {
  if (auto routine = std::exchange(shutdown_routine, nullptr)) routine();
}

bool display_configured() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

// Qt ends the process with an abort when the platform cannot be opened (a display that
// is named but does not answer); say so plainly and leave with a plain failure instead.
void report_qt_fatal(QtMsgType type, const QMessageLogContext&, const QString& message) {
  std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  if (type == QtFatalMsg) {
    std::fputs("dorvane: cannot open the display; start it from a desktop session.\n", stderr);
    std::_Exit(1);
  }
}

void store_facts(ShareFacts&& facts) {
  AppState& state = app_state();
  state.resolver_reply = std::move(facts.resolver_reply);
  state.file_name = std::move(facts.file_name);
  state.file_size = std::move(facts.file_size);
  state.download_url = std::move(facts.download_url);
  state.file_md5 = std::move(facts.file_md5);
}

}  // namespace

const Text& resolver_prefix() {
  static const Text prefix = concat_text({"http://", DORVANE_RESOLVER_HOST, "/baidu/?url="});
  return prefix;
}

void main_window_created(QtWindowOps& window) {
  window.set_timer_period(Control::时钟2, kClockPeriodMs);
  adjust_skin_aero();
}

void clock_tick(QtWindowOps& window) {
  window.set_control_text(Control::透明标签2, datetime_to_text(now()));
}

void connect_handlers(MainWindow& window, QtWindowOps& ops, const Text& prefix) {
  auto* resolve_button = static_cast<QPushButton*>(window.control(Control::按钮1));
  QObject::connect(resolve_button, &QPushButton::clicked, &window,
                   [&ops, prefix] { store_facts(resolve_share_link(ops, prefix)); });
  auto* download_button = static_cast<QPushButton*>(window.control(Control::下载));
  QObject::connect(download_button, &QPushButton::clicked, &window, [&ops] {
    AppState& state = app_state();
    start_download(ops, *state.downloader, state.download_url);
  });
  QObject::connect(window.timer(Control::时钟2), &QTimer::timeout, &window,
                   [&ops] { clock_tick(ops); });
}

std::int32_t program_main() {
  // The built-in libraries and the request object stand where OLE was initialised.
  ole_initialize(nullptr);
  register_wininet_transport();
  register_server_xml_http();
  // Relative paths, typed ones included, resolve against the program's own folder.
  if (!program_folder().empty() && chdir(program_folder().c_str()) != 0) {
    std::perror("dorvane: cannot enter the program's folder");
  }
  construct_state();
  shutdown_routine = &release_state;
  install_skin();

  MainWindow window;
  QtWindowOps ops(window);
  connect_handlers(window, ops, resolver_prefix());
  main_window_created(ops);
  window.centre_on_screen();
  window.show();
  if (test_autoclose()) QTimer::singleShot(0, &window, &QWidget::close);
  QApplication::exec();
  return 0;
}

int run_program(int argc, char** argv) {
  // A peer that closes its end must not end the process: the transfers see it as an error.
  std::signal(SIGPIPE, SIG_IGN);
  if (!display_configured()) {
    std::fputs(
        "dorvane: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
        "Start it from a desktop session, or set QT_QPA_PLATFORM (e.g. offscreen) to run "
        "without a screen.\n",
        stderr);
    return 1;
  }
  qInstallMessageHandler(&report_qt_fatal);
  QApplication application(argc, argv);
  qInstallMessageHandler(nullptr);
  set_fatal_presenter(&present_fatal_box);

  const int status = program_main();
  // The end sequence.
  run_shutdown_routine();
  release_bound_libraries();
  ole_uninitialize();
  return status;
}

}  // namespace dorvane
