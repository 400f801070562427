// The program started as a process, the way a user starts it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/embedded_images.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace dorvane {
namespace {

namespace fs = std::filesystem;

std::string as_string(std::span<const std::uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// The program writes its texts to standard output in UTF-8.
std::string utf8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

int count_of(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// Runs `program` with a clean environment made of `variables`.
testing::CommandResult run_program(const std::string& program, std::vector<std::string> variables) {
  std::vector<std::string> argv = {"env", "-i", "PATH=/usr/bin:/bin"};
  argv.insert(argv.end(), variables.begin(), variables.end());
  argv.push_back(program);
  return testing::run_command(argv, std::chrono::seconds(60));
}

class StartupTest : public ::testing::Test {
 protected:
  std::vector<std::string> test_environment() const {
    return {"QT_QPA_PLATFORM=offscreen", "XDG_DATA_HOME=" + data_home_.path(),
            "HOME=" + data_home_.path(), "DORVANE_TEST_AUTOCLOSE=1"};
  }
  std::string windows_folder() const { return data_home_.path() + "/dorvane/drive_c/Windows"; }

  testing::TempDir data_home_;
};

TEST_F(StartupTest, WritesBothFilesOpensTheWindowAndShutsDownOnce) {
  // A stale, longer library from an earlier run is replaced whole.
  fs::create_directories(windows_folder());
  data_home_.write_file("dorvane/drive_c/Windows/jedata.dll", std::string(200000, 'x'));

  const testing::CommandResult result = run_program(DORVANE_PROGRAM, test_environment());
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(count_of(result.output, "release_state"), 1) << result.output;
  EXPECT_EQ(testing::read_file(windows_folder() + "/jedata.dll"), as_string(skin_library_image));
  EXPECT_EQ(testing::read_file(windows_folder() + "/win8.she"), as_string(skin_file_image));
  EXPECT_EQ(testing::read_file(DORVANE_SKIN_LIBRARY), as_string(skin_library_image));
  EXPECT_EQ(testing::read_file(DORVANE_SKIN_FILE), as_string(skin_file_image));
  // Nothing but the two files is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(windows_folder()), fs::directory_iterator()), 2);
}

TEST_F(StartupTest, LibraryWithoutAttachInTheProgramsFolderIsFatal) {
  testing::TempDir program_folder;
  const std::string program = program_folder.file("dorvane");
  fs::copy_file(DORVANE_PROGRAM, program);
  fs::copy_file(DORVANE_SKIN_WITHOUT_ATTACH, program_folder.file("jedata.dll"));

  const testing::CommandResult result = run_program(program, test_environment());
  EXPECT_EQ(result.exit_code, 255) << result.output;
  EXPECT_NE(result.output.find(utf8(u8"message box: 错误: 运行时出错!")), std::string::npos)
      << result.output;
  EXPECT_NE(
      result.output.find(utf8(u8"无法找到指定DLL库文件“jedata.dll”中的输出命令“SkinH_AttachEx”")),
      std::string::npos)
      << result.output;
  EXPECT_EQ(count_of(result.output, "release_state"), 0)
      << "no shutdown routine after a fatal stop";
}

TEST_F(StartupTest, WithoutADisplayItSaysSo) {
  const testing::CommandResult result =
      run_program(DORVANE_PROGRAM, {"XDG_DATA_HOME=" + data_home_.path()});
  EXPECT_NE(result.exit_code, 0);
  EXPECT_NE(result.output.find("no display"), std::string::npos) << result.output;
  EXPECT_FALSE(testing::file_exists(windows_folder() + "/jedata.dll")) << "nothing written";
}

}  // namespace
}  // namespace dorvane
