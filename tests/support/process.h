// Child processes and loopback ports for fixtures.
//
//   auto result = dorvane::testing::run_command({"curl", "-s", url});
//   EXPECT_EQ(result.exit_code, 0) << result.output;
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

// Durations come from <thread>: <chrono> itself does not compile with code page 936 literals
// (its "\u00b5s" suffix has no GBK form).
#include <thread>

namespace dorvane::testing {

struct CommandResult {
  int exit_code = -1;  // the exit status; -1 when it could not start, was killed or timed out
  std::string output;  // standard output followed by standard error
};

// Runs argv[0] (searched in PATH) with the arguments, no shell, stdin from /dev/null.
// A command still running after `timeout` is killed.
CommandResult run_command(const std::vector<std::string>& argv,
                          std::chrono::milliseconds timeout = std::chrono::seconds(60));
// Starts argv[0] (searched in PATH) in the background with stdin from /dev/null and
// stdout and stderr appended to `log_path`. Returns the pid, or -1.
pid_t start_process(const std::vector<std::string>& argv, const std::string& log_path);
// Sends SIGTERM, waits up to `grace`, then SIGKILL; always reaps. Returns the exit status
// (-1 when killed by a signal).
int stop_process(pid_t pid, std::chrono::milliseconds grace = std::chrono::seconds(3));
// The exit status if `pid` has ended (reaping it), or nullopt while it runs.
std::optional<int> exited(pid_t pid);

// True when `name` is an executable found in PATH.
bool have_program(const std::string& name);

// A port of 127.0.0.1 that was free a moment ago (bound to port 0, then closed).
int free_loopback_port();
// Polls until 127.0.0.1:port accepts a connection; false when `timeout` passes first.
bool wait_for_port(int port, std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace dorvane::testing
