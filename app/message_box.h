// The Windows message box over QMessageBox: no owner window, modal for the whole program.
#pragma once

#include <cstdint>

#include "core/text.h"

namespace dorvane {

// Buttons and icon from the Windows style value; returns the button pressed:
// OK 0, Cancel 1, Abort 2, Retry 3, Ignore 4, Yes 5, No 6.
std::int32_t show_message_box(const Text& text, std::int32_t style, const Text& title);

// The presenter of fatal errors once a window system is up: the box with the error icon.
void present_fatal_box(const Text& title, const Text& text);

}  // namespace dorvane
