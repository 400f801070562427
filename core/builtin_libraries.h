// The Windows system libraries that core itself stands in for, registered with
// the library table before its first binding.
#pragma once

#include <cstdint>
#include <string_view>

namespace dorvane {

// "user32.dll": CallWindowProcA, a direct call of the routine with its four words.
void* user32_function(std::string_view name);
// "ole32.dll": CoInitialize, CoUninitialize, OleInitialize, OleUninitialize.
void* ole32_function(std::string_view name);

// The program's run is bracketed by these; the automation object model needs no
// initialisation, so they do nothing and report success.
std::int32_t ole_initialize(void* reserved);
void ole_uninitialize();

}  // namespace dorvane
