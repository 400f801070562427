// A fresh temporary folder for one test, removed with everything in it when the
// object goes out of scope, plus small whole-file helpers.
//
//   dorvane::testing::TempDir dir;
//   std::string path = dir.write_file("sub/data.bin", std::string(100, 'x'));
//   EXPECT_EQ(dorvane::testing::file_size(path), 100);
//   EXPECT_EQ(dorvane::testing::read_file(path), std::string(100, 'x'));
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dorvane::testing {

class TempDir {
 public:
  // Makes "$TMPDIR/dorvane-test-XXXXXX" (TMPDIR defaults to /tmp).
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Absolute path of the folder, without a trailing slash.
  const std::string& path() const { return path_; }
  // path() + "/" + name; nothing is created.
  std::string file(std::string_view name) const;
  // Writes `bytes` to path()/name (parent folders made as needed) and returns the full path.
  std::string write_file(std::string_view name, std::string_view bytes) const;
  // Makes path()/name (and its parents) and returns the full path.
  std::string make_dir(std::string_view name) const;

 private:
  std::string path_;
};

// The whole file as bytes; empty when it cannot be read.
std::string read_file(const std::string& path);
// Size in bytes, or -1 when the file does not exist.
std::int64_t file_size(const std::string& path);
bool file_exists(const std::string& path);

}  // namespace dorvane::testing
