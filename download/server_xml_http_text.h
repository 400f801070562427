// Text between the object's UTF-16 strings and the bytes on the wire.
#pragma once

#include <string>
#include <string_view>

namespace dorvane {

// UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16_to_utf8(std::u16string_view text);
// Bytes of a reply head (reason phrase, header values): UTF-8 when they are
// valid UTF-8, else each byte as the Latin-1 character of that value.
std::u16string decode_wire_text(std::string_view bytes);

}  // namespace dorvane
