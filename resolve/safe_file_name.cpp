#include "resolve/safe_file_name.h"

#include <cstddef>

namespace dorvane {

Text safe_file_name(const Text& name) {
  if (name == "." || name == "..") return Text(name.size(), '_');
  Text out = name;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto byte = static_cast<unsigned char>(out[i]);
    if (byte >= 0x80) {
      ++i;  // a trail byte belongs to its character, whatever its value
    } else if (byte < 0x20 || byte == 0x7F || byte == '\\' || byte == '/' || byte == ':') {
      out[i] = '_';
    }
  }
  return out;
}

}  // namespace dorvane
