// The same download from a local nginx, through the real window (offscreen, 下载
// clicked, the outcome box closed) and through ChunkDownloader alone, alternating
// over rounds. Each run is a child process of its own and times only the transfer.
// The window must keep at least 0.95 of the bare downloader's speed.
//
//   window_bench [size_mib=256] [rounds=3]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/install_skin.h"
#include "app/main_window.h"
#include "app/program_main.h"
#include "app/qt_text.h"
#include "app/qt_window_ops.h"
#include "download/chunk_downloader.h"
#include "download/server_xml_http.h"
#include "http/wininet_curl.h"
#include "tests/support/md5.h"
#include "tests/support/nginx_server.h"
#include "tests/support/temp_dir.h"

namespace dorvane {
namespace {

const char kFileName[] = "download.bin";

// Processor time of this process so far, user and system.
double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
         usage.ru_stime.tv_usec / 1e6;
}

struct Timing {
  double seconds = -1;  // wall time of the transfer
  double cpu = 0;       // processor time of the transfer
};

// A transfer's wall time, with the processor time spent meanwhile.
struct TransferClock {
  TransferClock() : cpu_at_start(cpu_seconds()) { wall.start(); }
  Timing stop() const { return {wall.nsecsElapsed() / 1e9, cpu_seconds() - cpu_at_start}; }
  QElapsedTimer wall;
  double cpu_at_start;
};

// Runs `job` in a child; the child writes its transfer's timing to `report`.
Timing run_in_child(const std::function<Timing()>& job, const std::string& report) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    const Timing timing = job();
    FILE* out = std::fopen(report.c_str(), "w");
    std::fprintf(out, "%.6f %.6f\n", timing.seconds, timing.cpu);
    std::fclose(out);
    _exit(timing.seconds > 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  Timing timing;
  if (FILE* in = std::fopen(report.c_str(), "r")) {
    if (std::fscanf(in, "%lf %lf", &timing.seconds, &timing.cpu) != 2) timing.seconds = -1;
    std::fclose(in);
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) timing.seconds = -1;
  return timing;
}

Word no_progress(Word, Word, Word, Word) {
  return 0;
}

Timing bare_job(const std::string& url, const std::string& folder) {
  register_server_xml_http();
  ChunkDownloader downloader;
  downloader.init(&no_progress, nullptr);
  downloader.set_target(folder + kFileName);
  downloader.set_source(url, "");
  downloader.set_chunk_size(20);
  const TransferClock clock;
  const bool done = downloader.start() == 1;
  return done ? clock.stop() : Timing{};
}

Timing window_job(const std::string& url, const std::string& folder) {
  int argc = 1;
  char name[] = "window_bench";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  register_wininet_transport();
  register_server_xml_http();
  construct_state();
  install_skin();
  MainWindow window;
  QtWindowOps ops(window);
  connect_handlers(window, ops, "http://127.0.0.1:9/baidu/?url=");
  main_window_created(ops);
  window.show();
  window.tab_control()->setCurrentIndex(1);
  QApplication::processEvents();
  app_state().download_url = url;
  ops.set_control_text(Control::编辑框_路径, folder);
  ops.set_control_text(Control::编辑框_名称, kFileName);

  std::optional<TransferClock> clock;
  Timing timing;
  QString outcome;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    if (timing.seconds < 0) timing = clock->stop();
    outcome = box->text();
    box->buttons().first()->click();
  });
  closer.start(1);
  clock.emplace();
  static_cast<QPushButton*>(window.control(Control::下载))->click();
  // The box is found within a millisecond of showing; that millisecond is the window's.
  release_state();
  return outcome == to_qstring("下载完毕") ? timing : Timing{};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int bench_main(int argc, char** argv) {
  const long long size_mib = argc > 1 ? std::atoll(argv[1]) : 256;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  const long long bytes = size_mib * 1024 * 1024;
  std::signal(SIGPIPE, SIG_IGN);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  testing::TempDir data_home;
  setenv("XDG_DATA_HOME", data_home.path().c_str(), 1);

  testing::TempDir root;
  {
    std::string block(1 << 20, '\0');
    unsigned state = 12345;
    FILE* out = std::fopen(root.file("file.bin").c_str(), "wb");
    for (long long written = 0; written < bytes; written += static_cast<long long>(block.size())) {
      for (char& byte : block)
        byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
      std::fwrite(block.data(), 1, std::min<long long>(block.size(), bytes - written), out);
    }
    std::fclose(out);
  }
  const std::string source_md5 = testing::md5_file(root.file("file.bin"));
  testing::NginxServer nginx(testing::NginxOptions(root.path()));
  if (!nginx.ok()) {
    std::fprintf(stderr, "nginx: %s\n", nginx.error().c_str());
    return 1;
  }
  const std::string url = nginx.url("/file.bin");
  testing::TempDir out;
  const std::string folder = out.path() + "/";
  const std::string target = folder + kFileName;

  struct Way {
    const char* name;
    Timing (*job)(const std::string&, const std::string&);
    std::vector<double> mb_per_s;
    std::vector<double> cpu;
  };
  Way ways[] = {{"ChunkDownloader alone", bare_job, {}, {}},
                {"through the window", window_job, {}, {}}};
  std::printf("%lld MiB from nginx on 127.0.0.1, 20 KB chunks, %d rounds\n", size_mib, rounds);
  for (int round = 0; round < rounds; ++round) {
    for (Way& way : ways) {
      std::remove(target.c_str());
      const Timing timing = run_in_child([&] { return way.job(url, folder); }, out.file("timing"));
      if (timing.seconds <= 0 || testing::md5_file(target) != source_md5) {
        std::fprintf(stderr, "%s: the download failed\n", way.name);
        return 1;
      }
      way.mb_per_s.push_back(bytes / 1e6 / timing.seconds);
      way.cpu.push_back(timing.cpu);
      std::printf("  round %d  %-22s %8.1f MB/s  %6.2f s of processor time\n", round + 1, way.name,
                  way.mb_per_s.back(), timing.cpu);
    }
  }
  const double bare = median(ways[0].mb_per_s);
  const double window = median(ways[1].mb_per_s);
  std::printf(
      "median: ChunkDownloader alone %.1f MB/s (%.2f s cpu), through the window %.1f MB/s "
      "(%.2f s cpu)\n",
      bare, median(ways[0].cpu), window, median(ways[1].cpu));
  std::printf("ratio window/bare: %.3f (bar: >= 0.95) %s\n", window / bare,
              window / bare >= 0.95 ? "PASS" : "FAIL");
  return window / bare >= 0.95 ? 0 : 2;
}

}  // namespace
}  // namespace dorvane

int main(int argc, char** argv) {
  return dorvane::bench_main(argc, argv);
}
