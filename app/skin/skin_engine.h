// The skin engine's two exported functions, as the program binds them by name.
// Both return 1 when the skin was applied and 0 otherwise; neither shows a message.
#pragma once

#include <cstdint>

extern "C" {

// Reads the skin file (a Windows path of the program's texts, mapped like every
// file path) and applies it to the running Qt application: palette and style sheet.
// Our skin files are not encrypted, so the password is not used.
__attribute__((visibility("default"))) std::int32_t SkinH_AttachEx(const char* skin_path,
                                                                   const char* password);

// Adjusts the attached skin (see skin::Aero for what the nine values mean) and
// applies it again.
__attribute__((visibility("default"))) std::int32_t SkinH_AdjustAero(
    std::int32_t glass, std::int32_t hue, std::int32_t saturation, std::int32_t radius,
    std::int32_t shade, std::int32_t reserved1, std::int32_t reserved2, std::int32_t reserved3,
    std::int32_t reserved4);
}
