#include "core/windows_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "tests/support/temp_dir.h"

namespace dorvane {
namespace {

std::string utf8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

bool is_folder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Sets an environment variable for the life of the object, then puts it back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(WindowsPath, MapsDrivesAndSeparatorsAndLeavesOtherPathsAlone) {
  testing::TempDir data;
  ScopedEnv xdg("XDG_DATA_HOME", data.path());
  const std::string drives = data.path() + "/dorvane/drive_";
  struct Case {
    std::string windows_path;  // a program text, code page 936
    std::string native;        // UTF-8
    char made_drive;           // the drive folder that must exist afterwards, or 0
  };
  const Case cases[] = {
      {"C:\\Windows\\jedata.dll", drives + "c/Windows/jedata.dll", 'c'},
      {"d:\\tessory\\", drives + "d/tessory/", 'd'},
      {"C:", drives + "c", 'c'},
      {"E:\\", drives + "e/", 'e'},
      {"Z:/mixed\\slashes/here\\", drives + "z/mixed/slashes/here/", 'z'},
      {"C:name.txt", drives + "c/name.txt", 'c'},
      // "乗" ends in the byte of "\\" in code page 936; it must not become "/".
      {"D:\\乗\\下载.bin", drives + utf8(u8"d/乗/下载.bin"), 'd'},
      {"sub\\dir\\file.txt", "sub/dir/file.txt", 0},
      {"file.txt", "file.txt", 0},
      {"../up/one", "../up/one", 0},
      {"/home/user/下载/a.bin", utf8(u8"/home/user/下载/a.bin"), 0},
      {"1:\\not a drive", "1:/not a drive", 0},
      {"CD:\\not a drive", "CD:/not a drive", 0},
      {"", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.native);
    EXPECT_EQ(to_native_path(c.windows_path), c.native);
    if (c.made_drive != 0) {
      EXPECT_TRUE(is_folder(drives + c.made_drive));
    }
  }
  EXPECT_FALSE(is_folder(drives + "y"));  // only drives that were used are made
}

TEST(WindowsPath, DriveFolderFollowsTheXdgRules) {
  testing::TempDir home;
  ScopedEnv home_env("HOME", home.path());
  struct Case {
    std::optional<std::string> xdg_data_home;
    std::string folder;
  };
  const Case cases[] = {
      {"/srv/data", "/srv/data/dorvane/drive_c"},
      {std::nullopt, home.path() + "/.local/share/dorvane/drive_c"},
      {"", home.path() + "/.local/share/dorvane/drive_c"},
      {"relative/data", home.path() + "/.local/share/dorvane/drive_c"},  // not absolute: ignored
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xdg_data_home.value_or("(unset)"));
    ScopedEnv xdg("XDG_DATA_HOME", c.xdg_data_home);
    EXPECT_EQ(drive_folder('C'), c.folder);
    EXPECT_EQ(drive_folder('c'), c.folder);
  }
  ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
  EXPECT_EQ(to_native_path("c:\\x"), home.path() + "/.local/share/dorvane/drive_c/x");
  EXPECT_TRUE(is_folder(home.path() + "/.local/share/dorvane/drive_c"));
}

}  // namespace
}  // namespace dorvane
