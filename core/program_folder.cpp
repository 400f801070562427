#include "core/program_folder.h"

#include <unistd.h>

#include <vector>

namespace dorvane {
namespace {

std::string read_program_folder() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      const std::string file(buffer.data(), static_cast<std::size_t>(length));
      const std::size_t slash = file.rfind('/');
      if (slash == std::string::npos) return {};
      return slash == 0 ? std::string("/") : file.substr(0, slash);
    }
    buffer.resize(buffer.size() * 2);  // the link may have been cut short
  }
}

}  // namespace

const std::string& program_folder() {
  static const std::string folder = read_program_folder();
  return folder;
}

}  // namespace dorvane
