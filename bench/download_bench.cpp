// Download throughput from a local nginx, three ways, alternating over rounds:
//   (a) ChunkDownloader at the program's 20 KB chunks;
//   (b) a bare libcurl multi loop asking for the same 20 KB ranges one at a
//       time on one reused handle, each body appended with one write;
//   (c) the curl command, one plain GET.
// Each run happens in a child process, so its CPU time and peak memory are its
// own. Every downloaded file is checked against the source's MD5.
//
//   download_bench [size_mib=256] [rounds=5] [methods=abc]
// (a single method, e.g. "a", is handy under perf).
#include <curl/curl.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "download/chunk_downloader.h"
#include "download/server_xml_http.h"
#include "tests/support/md5.h"
#include "tests/support/nginx_server.h"
#include "tests/support/temp_dir.h"

namespace dorvane {
namespace {

constexpr long kChunk = 20480;

double seconds_now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

struct Run {
  double seconds = 0;
  double cpu_seconds = 0;
  double peak_rss_mib = 0;
  bool ok = false;
};

// Runs `job` in a child process and returns its wall time and resource use.
Run run_in_child(const std::function<int()>& job) {
  std::fflush(stdout);
  const double begin = seconds_now();
  const pid_t pid = fork();
  if (pid == 0) _exit(job());
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Run run;
  run.seconds = seconds_now() - begin;
  run.cpu_seconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                    usage.ru_stime.tv_usec / 1e6;
  run.peak_rss_mib = usage.ru_maxrss / 1024.0;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

// ---- (a) ----

Word count_progress(Word, Word, Word, Word) {
  return 0;
}

int chunk_downloader_job(const std::string& url, const std::string& target) {
  register_server_xml_http();
  ChunkDownloader d;
  if (d.init(count_progress, nullptr) != 1) return 2;
  d.set_target(target);
  d.set_source(url, "");
  d.set_chunk_size(20);
  if (d.start() == 1) return 0;
  std::fprintf(stderr, "(a) ended: %s\n", d.status_text().c_str());
  return 1;
}

// ---- (b) ----

size_t append_body(char* data, size_t size, size_t count, void* body) {
  static_cast<std::string*>(body)->append(data, size * count);
  return size * count;
}

size_t read_total(char* data, size_t size, size_t count, void* total) {
  const std::string line(data, size * count);
  long long first = 0, last = 0, length = 0;
  if (std::sscanf(line.c_str(), "Content-Range: bytes %lld-%lld/%lld", &first, &last, &length) ==
      3) {
    *static_cast<long long*>(total) = length;
  }
  return size * count;
}

int bare_loop_job(const std::string& url, const std::string& target) {
  const int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  CURL* easy = curl_easy_init();
  CURLM* multi = curl_multi_init();
  std::string body;
  body.reserve(kChunk);
  long long total = -1;
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_TCP_NODELAY, 1L);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kChunk);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, append_body);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, read_total);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &total);
  for (long long start = 0; total < 0 || start < total; start += kChunk) {
    body.clear();
    const std::string range = std::to_string(start) + "-" + std::to_string(start + kChunk - 1);
    curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str());
    curl_multi_add_handle(multi, easy);
    int running = 1;
    while (running != 0) {
      curl_multi_perform(multi, &running);
      if (running != 0) curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
    int left = 0;
    CURLMsg* message = curl_multi_info_read(multi, &left);
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    curl_multi_remove_handle(multi, easy);
    if (message == nullptr || message->data.result != CURLE_OK || status != 206) return 1;
    if (write(fd, body.data(), body.size()) != static_cast<ssize_t>(body.size())) return 1;
  }
  curl_multi_cleanup(multi);
  curl_easy_cleanup(easy);
  close(fd);
  return 0;
}

// ---- (c) ----

int curl_command_job(const std::string& url, const std::string& target) {
  execlp("curl", "curl", "-s", "-o", target.c_str(), url.c_str(), static_cast<char*>(nullptr));
  return 127;
}

// ---- the benchmark ----

void write_source(const std::string& path, long long bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::uint64_t> block(1 << 17);  // 1 MiB
  std::uint64_t x = 88172645463325252ull;
  for (long long written = 0; written < bytes;) {
    for (std::uint64_t& word : block) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      word = x;
    }
    const long long n = std::min<long long>(bytes - written, block.size() * 8);
    if (write(fd, block.data(), n) != n) std::abort();
    written += n;
  }
  close(fd);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  if (n == 0) return 0;
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int bench_main(int argc, char** argv) {
  const long long size_mib = argc > 1 ? std::atoll(argv[1]) : 256;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::string chosen = argc > 3 ? argv[3] : "abc";
  const long long bytes = size_mib * 1024 * 1024;
  std::signal(SIGPIPE, SIG_IGN);

  testing::TempDir root;
  const std::string source = root.file("file.bin");
  write_source(source, bytes);
  const std::string source_md5 = testing::md5_file(source);
  // The client is measured, not nginx: no access log, open files cached, reply
  // head and body in one segment.
  testing::NginxServer nginx(testing::NginxOptions(root.path())
                                 .with_keepalive_requests(1000000)
                                 .with_extra_config("access_log off; open_file_cache max=16; "
                                                    "tcp_nopush on;"));
  if (!nginx.ok()) {
    std::fprintf(stderr, "nginx: %s\n", nginx.error().c_str());
    return 1;
  }
  const std::string url = nginx.url("/file.bin");
  testing::TempDir out;
  const std::string target = out.file("download.bin");

  struct Method {
    const char* name;
    int (*job)(const std::string&, const std::string&);
    std::vector<double> mb_per_s, cpu_per_256mib;
    double peak_rss_mib = 0;
  };
  Method methods[] = {{"(a) ChunkDownloader", chunk_downloader_job, {}, {}},
                      {"(b) bare libcurl loop", bare_loop_job, {}, {}},
                      {"(c) curl single GET", curl_command_job, {}, {}}};

  std::printf("%lld MiB from nginx on 127.0.0.1, %d rounds, 20 KB chunks for (a) and (b)\n",
              size_mib, rounds);
  bool all_ok = true;
  for (int round = 1; round <= rounds; ++round) {
    for (Method& m : methods) {
      if (chosen.find(m.name[1]) == std::string::npos) continue;
      unlink(target.c_str());
      const Run run = run_in_child([&] { return m.job(url, target); });
      const bool same = run.ok && testing::md5_file(target) == source_md5;
      all_ok = all_ok && same;
      const double mb_per_s = bytes / 1e6 / run.seconds;
      const double cpu = run.cpu_seconds * 256.0 / size_mib;
      m.mb_per_s.push_back(mb_per_s);
      m.cpu_per_256mib.push_back(cpu);
      m.peak_rss_mib = std::max(m.peak_rss_mib, run.peak_rss_mib);
      std::printf("round %d %-22s %8.1f MB/s  cpu %6.3f s/256MiB  rss %6.1f MiB  md5 %s\n", round,
                  m.name, mb_per_s, cpu, run.peak_rss_mib, same ? "ok" : "WRONG");
    }
  }

  const double a = median(methods[0].mb_per_s), b = median(methods[1].mb_per_s),
               c = median(methods[2].mb_per_s);
  const double cpu_a = median(methods[0].cpu_per_256mib), cpu_c = median(methods[2].cpu_per_256mib);
  std::printf("\nmedians:\n");
  for (const Method& m : methods) {
    std::printf("  %-22s %8.1f MB/s  cpu %6.3f s per 256 MiB\n", m.name, median(m.mb_per_s),
                median(m.cpu_per_256mib));
  }
  std::printf("a/b = %.3f (bar 0.90)  a/c = %.3f (bar 0.30)  cpu a/c = %.2f (bar 2.5)\n", a / b,
              a / c, cpu_a / cpu_c);
  std::printf("peak RSS of (a): %.1f MiB\n", methods[0].peak_rss_mib);
  std::printf("md5 of every download: %s\n", all_ok ? "ok" : "WRONG");
  return all_ok ? 0 : 1;
}

}  // namespace
}  // namespace dorvane

int main(int argc, char** argv) {
  return dorvane::bench_main(argc, argv);
}
