// The one converter between code page 936 texts and Unicode. A character that
// code page 936 lacks, or malformed Unicode input, becomes "?"; a malformed code
// page 936 sequence becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

#include "core/text.h"

namespace dorvane {

std::u16string cp936_to_utf16(std::string_view text);
Text utf16_to_cp936(std::u16string_view text);
std::string cp936_to_utf8(std::string_view text);
Text utf8_to_cp936(std::string_view text);

}  // namespace dorvane
