// The program's single fatal stop: a box titled "错误", then the process ends at
// once with exit status 255, without the shutdown routine.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/text.h"

namespace dorvane {

// Shows the box (title and text in code page 936) and returns when it is closed.
// Until the application installs one, the box goes to standard error.
using FatalPresenter = void (*)(const Text& title, const Text& text);
void set_fatal_presenter(FatalPresenter presenter);

// The box text: "运行时出错!\r\n\r\n", then the code (when not 0), then the message.
Text fatal_error_text(std::int32_t code, std::string_view message);

[[noreturn]] void fatal_error(std::int32_t code, std::string_view message);

}  // namespace dorvane
