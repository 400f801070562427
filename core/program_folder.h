// Where the running program file lives.
#pragma once

#include <string>

namespace dorvane {

// The folder of the running executable as the operating system names it (UTF-8,
// from /proc/self/exe), without a trailing "/". Empty when it cannot be read.
const std::string& program_folder();

}  // namespace dorvane
