// The two files the program carries inside itself and writes out at every start:
// the skin engine library and the skin file, both made by this project's build.
#pragma once

#include <cstdint>
#include <span>

namespace dorvane {

extern const std::span<const std::uint8_t> skin_library_image;
extern const std::span<const std::uint8_t> skin_file_image;

}  // namespace dorvane
