#include "tests/support/process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <thread>

extern char** environ;

namespace dorvane::testing {

namespace {

using Clock = std::chrono::steady_clock;

// Spawns argv with stdin from /dev/null and stdout and stderr on `out_fd`.
pid_t spawn(const std::vector<std::string>& argv, int out_fd) {
  if (argv.empty()) return -1;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
  posix_spawn_file_actions_adddup2(&actions, out_fd, 2);
  pid_t pid = -1;
  int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

int status_code(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  return address;
}

}  // namespace

CommandResult run_command(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
  CommandResult result;
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return result;
  pid_t pid = spawn(argv, pipe_fds[1]);
  ::close(pipe_fds[1]);
  if (pid < 0) {
    ::close(pipe_fds[0]);
    result.output = "cannot start " + (argv.empty() ? std::string() : argv[0]);
    return result;
  }
  auto deadline = Clock::now() + timeout;
  bool timed_out = false;
  char chunk[4096];
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
      timed_out = true;
      break;
    }
    pollfd p{pipe_fds[0], POLLIN, 0};
    int ready = ::poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    ssize_t n = ::read(pipe_fds[0], chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    result.output.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(pipe_fds[0]);
  if (timed_out) {
    stop_process(pid, std::chrono::milliseconds(0));
    result.output += "\n[timed out]";
    return result;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.exit_code = status_code(status);
  return result;
}

pid_t start_process(const std::vector<std::string>& argv, const std::string& log_path) {
  int log_fd = ::open(log_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (log_fd < 0) return -1;
  pid_t pid = spawn(argv, log_fd);
  ::close(log_fd);
  return pid;
}

std::optional<int> exited(pid_t pid) {
  int status = 0;
  pid_t reaped = ::waitpid(pid, &status, WNOHANG);
  if (reaped == pid) return status_code(status);
  if (reaped < 0 && errno == ECHILD) return -1;  // reaped already: never signal that pid again
  return std::nullopt;
}

int stop_process(pid_t pid, std::chrono::milliseconds grace) {
  if (pid <= 0) return -1;
  if (auto code = exited(pid)) return *code;
  ::kill(pid, grace.count() > 0 ? SIGTERM : SIGKILL);
  auto deadline = Clock::now() + grace;
  while (Clock::now() < deadline) {
    if (auto code = exited(pid)) return *code;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status_code(status);
}

bool have_program(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (!folder.empty() && ::access((folder + "/" + name).c_str(), X_OK) == 0) return true;
  }
  return false;
}

int free_loopback_port() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = loopback(0);
  socklen_t length = sizeof address;
  int port = -1;
  if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  if (fd >= 0) ::close(fd);
  return port;
}

bool wait_for_port(int port, std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  do {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(port);
    bool connected =
        fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) ::close(fd);
    if (connected) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (Clock::now() < deadline);
  return false;
}

}  // namespace dorvane::testing
