// Child processes and loopback ports for fixtures.
//
//   auto result = dorvane::testing::run_command({"curl", "-s", url});
//   EXPECT_EQ(result.exit_code, 0) << result.output;
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace dorvane::testing {

struct CommandResult {
  int exit_code = -1;  // the exit status; -1 when it could not start, was killed or timed out
  std::string output;  // standard output followed by standard error
};

// Runs argv[0] (searched in PATH) with the arguments, no shell, stdin from /dev/null.
// A command still running after `timeout` is killed.
CommandResult run_command(const std::vector<std::string>& argv,
                          std::chrono::milliseconds timeout = std::chrono::seconds(60));
// True when `name` is an executable found in PATH.
bool have_program(const std::string& name);

// A port of 127.0.0.1 that was free a moment ago (bound to port 0, then closed).
int free_loopback_port();
// Polls until 127.0.0.1:port accepts a connection; false when `timeout` passes first.
bool wait_for_port(int port, std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace dorvane::testing
