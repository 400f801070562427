#include <type_traits>

#include "core/builtin_libraries.h"
#include "core/library_table.h"

namespace dorvane {
namespace {

constexpr std::int32_t kOk = 0;  // S_OK

std::int32_t co_initialize(void* /*reserved*/) {
  return kOk;
}
void co_uninitialize() {}
static_assert(std::is_same_v<decltype(&co_initialize), lib::CoInitializeFn>);
static_assert(std::is_same_v<decltype(&co_uninitialize), lib::CoUninitializeFn>);

}  // namespace

std::int32_t ole_initialize(void* /*reserved*/) {
  return kOk;
}
void ole_uninitialize() {}

void* ole32_function(std::string_view name) {
  if (name == "CoInitialize") return reinterpret_cast<void*>(&co_initialize);
  if (name == "CoUninitialize") return reinterpret_cast<void*>(&co_uninitialize);
  if (name == "OleInitialize") return reinterpret_cast<void*>(&ole_initialize);
  if (name == "OleUninitialize") return reinterpret_cast<void*>(&ole_uninitialize);
  return nullptr;
}

}  // namespace dorvane
