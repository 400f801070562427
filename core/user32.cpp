#include <type_traits>

#include "core/builtin_libraries.h"
#include "core/library_table.h"

namespace dorvane {
namespace {

// The program uses CallWindowProcA only to call its own routines back with four
// words; no window procedure is involved.
Word call_window_proc(FourWordRoutine routine, Word a1, Word a2, Word a3, Word a4) {
  return routine == nullptr ? 0 : routine(a1, a2, a3, a4);
}
static_assert(std::is_same_v<decltype(&call_window_proc), lib::CallWindowProcFn>);

}  // namespace

void* user32_function(std::string_view name) {
  return name == "CallWindowProcA" ? reinterpret_cast<void*>(&call_window_proc) : nullptr;
}

}  // namespace dorvane
