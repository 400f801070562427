#include "app/test_mode.h"

#include <cstdlib>
#include <cstring>

namespace dorvane {

bool test_autoclose() {
  static const bool on = [] {
    const char* value = std::getenv("DORVANE_TEST_AUTOCLOSE");
    return value != nullptr && std::strcmp(value, "1") == 0;
  }();
  return on;
}

}  // namespace dorvane
