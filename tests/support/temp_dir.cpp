#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace dorvane::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/dorvane-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();  // nothing sensible to test without it
  path_ = fs::absolute(pattern).string();
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string TempDir::file(std::string_view name) const {
  return path_ + "/" + std::string(name);
}

std::string TempDir::write_file(std::string_view name, std::string_view bytes) const {
  std::string full = file(name);
  std::error_code ignored;
  fs::create_directories(fs::path(full).parent_path(), ignored);
  std::ofstream out(full, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return full;
}

std::string TempDir::make_dir(std::string_view name) const {
  std::string full = file(name);
  std::error_code ignored;
  fs::create_directories(full, ignored);
  return full;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::int64_t file_size(const std::string& path) {
  std::error_code error;
  auto size = fs::file_size(path, error);
  return error ? -1 : static_cast<std::int64_t>(size);
}

bool file_exists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(path, ignored);
}

}  // namespace dorvane::testing
