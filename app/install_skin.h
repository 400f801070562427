// The skin at start-up and after the window's creation.
#pragma once

#include <cstdint>

namespace dorvane {

inline constexpr char kSkinLibraryPath[] = "C:\\Windows\\jedata.dll";
inline constexpr char kSkinFilePath[] = "C:\\Windows\\win8.she";

// Writes the two embedded files to their places and attaches the skin. Returns 0.
std::int32_t install_skin();

// The one adjustment of the skin once the window exists.
void adjust_skin_aero();

}  // namespace dorvane
