#include "core/library_table.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "core/fatal_error.h"
#include "core/program_folder.h"
#include "core/windows_path.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace dorvane {
namespace {

namespace fs = std::filesystem;

// ---- the child side of the binding tests ----
// A copy of this program, run in a folder of its own, performs the calls named
// in DORVANE_BINDING_CHILD and writes what it saw to the file named in
// DORVANE_BINDING_REPORT; a fatal stop ends it with 255.

void run_binding_child(const std::string& actions, const char* report_path) {
  FILE* report = std::fopen(report_path, "w");
  if (report == nullptr) std::exit(1);
  std::istringstream words(actions);
  for (std::string action; words >> action;) {
    if (action == "attach") {
      std::fprintf(report, "attach=%d",
                   library_call<lib::kSkinAttachEx>("C:\\Windows\\win8.she", ""));
    } else if (action == "aero") {
      std::fprintf(report, "aero=%d",
                   library_call<lib::kSkinAdjustAero>(210, 0, 0, 3, 0, 0, 0, 0, 0));
    } else if (action == "resident") {
      // Whether the copy in the Windows directory is still mapped into the process.
      const std::string path = to_native_path("C:\\Windows\\jedata.dll");
      void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
      std::fprintf(report, "resident=%d", handle != nullptr);
      if (handle != nullptr) dlclose(handle);
    } else if (action == "release") {
      release_bound_libraries();
      std::fprintf(report, "released");
    } else if (action == "folder") {
      std::fprintf(report, "folder=%s", program_folder().c_str());
    }
    std::fprintf(report, " loads=%d\n", library_load_count());
    std::fflush(report);
  }
}

class BindingChild : public ::testing::Environment {
 public:
  void SetUp() override {
    if (const char* actions = std::getenv("DORVANE_BINDING_CHILD")) {
      run_binding_child(actions, std::getenv("DORVANE_BINDING_REPORT"));
      std::exit(0);
    }
  }
};
const auto* const binding_child = ::testing::AddGlobalTestEnvironment(new BindingChild);

// ---- in-process tests: the built-in libraries ----

Word record_words(Word a1, Word a2, Word a3, Word a4) {
  return a1 * 1000 + a2 * 100 + a3 * 10 + a4;
}

TEST(LibraryTable, CallWindowProcCallsTheRoutineWithItsFourWords) {
  release_bound_libraries();
  const std::int32_t loads = library_load_count();
  EXPECT_EQ(library_call<lib::kCallProgressRoutine>(&record_words, 1, 2, 3, 4), 1234);
  EXPECT_EQ(library_call<lib::kCallFinishRoutine>(&record_words, 4, 3, 2, 1), 4321);
  EXPECT_EQ(library_call<lib::kCallProgressRoutine>(&record_words, 0, 0, 0, 9), 9);
  EXPECT_EQ(library_call<lib::kCoInitialize>(nullptr), 0);
  library_call<lib::kCoUninitialize>();
  EXPECT_EQ(library_load_count(), loads + 4);  // one per entry, none for a second call
  EXPECT_EQ(binding_order(), (std::vector<int>{12, 13, 9, 10}));
  release_bound_libraries();
  EXPECT_FALSE(entry_is_bound(lib::kCallProgressRoutine));
  EXPECT_TRUE(binding_order().empty());
}

// A stand-in network library: every function answers with its entry's number.
Handle fake_open(const char*, std::uint32_t, const char*, const char*, std::uint32_t) {
  return reinterpret_cast<Handle>(1);
}
std::int32_t fake_close(Handle) {
  return 2;
}
Handle fake_connect(Handle, const char*, std::int32_t, const char*, const char*, std::uint32_t,
                    std::uint32_t, Word) {
  return reinterpret_cast<Handle>(3);
}
Handle fake_open_request(Handle, const char*, const char*, const char*, const char*, const char**,
                         std::uint32_t, Word) {
  return reinterpret_cast<Handle>(4);
}
std::int32_t fake_send(Handle, const char*, std::uint32_t, const void*, std::uint32_t) {
  return 5;
}
std::int32_t fake_read(Handle, void*, std::uint32_t, std::uint32_t*) {
  return 7;
}
std::int32_t fake_query(Handle, std::uint32_t, void*, std::uint32_t*, std::uint32_t*) {
  return 8;
}

void* fake_network(std::string_view name) {
  if (name == "InternetOpenA") return reinterpret_cast<void*>(&fake_open);
  if (name == "InternetCloseHandle") return reinterpret_cast<void*>(&fake_close);
  if (name == "InternetConnectA") return reinterpret_cast<void*>(&fake_connect);
  if (name == "HttpOpenRequestA") return reinterpret_cast<void*>(&fake_open_request);
  if (name == "HttpSendRequestA") return reinterpret_cast<void*>(&fake_send);
  if (name == "InternetReadFile") return reinterpret_cast<void*>(&fake_read);
  if (name == "HttpQueryInfoA") return reinterpret_cast<void*>(&fake_query);
  return nullptr;
}

void* nothing(std::string_view) {
  return nullptr;
}

TEST(LibraryTable, EntriesBindInTheOrderOfTheirFirstCallsAndOnlyOnce) {
  release_bound_libraries();
  register_builtin_library("WinINet.DLL", &fake_network);  // names compare without case
  const std::int32_t loads = library_load_count();
  for (int round = 0; round < 2; ++round) {  // a resolve, then a second one
    const Handle internet = library_call<lib::kInternetOpen>("agent", 0, nullptr, nullptr, 0);
    const Handle connection =
        library_call<lib::kInternetConnect>(internet, "host", 80, nullptr, nullptr, 3, 0, 0);
    const Handle request = library_call<lib::kHttpOpenRequest>(connection, "GET", "/", "HTTP/1.1",
                                                               nullptr, nullptr, 0, 0);
    EXPECT_EQ(request, reinterpret_cast<Handle>(4));
    EXPECT_EQ(library_call<lib::kHttpSendRequestText>(request, "", 0, nullptr, 0), 5);
    std::uint32_t read = 0;
    EXPECT_EQ(library_call<lib::kInternetReadFile>(request, nullptr, 0, &read), 7);
    EXPECT_EQ(library_call<lib::kHttpQueryInfo>(request, 0, nullptr, nullptr, nullptr), 8);
    EXPECT_EQ(library_call<lib::kInternetCloseHandle>(request), 2);
  }
  EXPECT_EQ(binding_order(), (std::vector<int>{1, 3, 4, 5, 7, 8, 2}));
  EXPECT_EQ(library_load_count(), loads + 7);
  EXPECT_FALSE(entry_is_bound(lib::kHttpSendRequestBytes));  // never called, never bound
  release_bound_libraries();
  register_builtin_library("wininet.dll", &nothing);
}

TEST(LibraryTableDeathTest, AFunctionMissingFromABuiltinLibraryIsFatal) {
  register_builtin_library("wininet.dll", &nothing);
  EXPECT_EXIT(bind_entry(lib::kInternetReadFile), ::testing::ExitedWithCode(255),
              "wininet\\.dll.*InternetReadFile");
}

// ---- binding real shared objects, in a copy of this program ----

struct ChildRun {
  int exit_code;
  std::string report;  // what the child wrote of its calls
  std::string output;  // its standard output and error
};

// Runs a copy of this program from dir/program with the drives under dir/data.
ChildRun run_child(const testing::TempDir& dir, const char* actions) {
  const fs::path program = fs::path(dir.make_dir("program")) / "binding_child";
  fs::copy_file("/proc/self/exe", program);
  fs::permissions(program, fs::perms::owner_all);
  setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
  setenv("DORVANE_BINDING_CHILD", actions, 1);
  setenv("DORVANE_BINDING_REPORT", dir.file("report").c_str(), 1);
  const auto result = testing::run_command({program.string()});
  unsetenv("XDG_DATA_HOME");
  unsetenv("DORVANE_BINDING_CHILD");
  unsetenv("DORVANE_BINDING_REPORT");
  return {result.exit_code, testing::read_file(dir.file("report")), result.output};
}

const std::string kTitle = cp936_to_utf8("错误");

TEST(LibraryTable, BindsTheProgramFolderFirstThenTheWindowsDirectory) {
  struct Case {
    const char* name;
    const char* in_program_folder;  // which build of "jedata.dll" lies there, if any
    const char* in_windows_folder;
    const char* actions;
    int exit_code;
    std::string printed;  // what the child printed before it ended
    std::string message;  // the fatal message it ended with, or ""
  };
  const std::string missing_aero =
      cp936_to_utf8(library_function_missing_message("jedata.dll", "SkinH_AdjustAero"));
  const std::string missing_attach =
      cp936_to_utf8(library_function_missing_message("jedata.dll", "SkinH_AttachEx"));
  const Case cases[] = {
      {"the program folder wins even when it lacks the function", SKIN_STUB_PARTIAL, SKIN_STUB_FULL,
       "attach attach aero", 255, "attach=1 loads=1\nattach=1 loads=1\n", missing_aero},
      {"the program folder wins when it is complete", SKIN_STUB_FULL, SKIN_STUB_PARTIAL,
       "aero attach", 0, "aero=213 loads=1\nattach=2 loads=2\n", ""},
      {"the Windows directory serves a bare name", nullptr, SKIN_STUB_FULL,
       "attach aero attach resident release resident", 0,
       "attach=2 loads=1\naero=213 loads=2\nattach=2 loads=2\nresident=1 loads=2\n"
       "released loads=2\nresident=0 loads=2\n",
       ""},
      {"nowhere", nullptr, nullptr, "attach", 255, "", missing_attach},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir dir;
    if (c.in_program_folder != nullptr) {
      fs::copy_file(c.in_program_folder, fs::path(dir.make_dir("program")) / "jedata.dll");
    }
    if (c.in_windows_folder != nullptr) {
      fs::copy_file(c.in_windows_folder,
                    fs::path(dir.make_dir("data/dorvane/drive_c/Windows")) / "jedata.dll");
    }
    const ChildRun result = run_child(dir, c.actions);
    EXPECT_EQ(result.exit_code, c.exit_code) << result.output;
    EXPECT_EQ(result.report, c.printed);
    // The fatal box goes to standard error; without a fatal stop nothing does.
    EXPECT_EQ(result.output.find(kTitle) != std::string::npos, !c.message.empty());
    EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;
  }
}

TEST(LibraryTable, TheProgramFolderIsTheFolderOfTheRunningCopy) {
  testing::TempDir dir;
  const ChildRun result = run_child(dir, "folder");
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(result.report, "folder=" + fs::canonical(dir.file("program")).string() + " loads=0\n");
}

}  // namespace
}  // namespace dorvane
