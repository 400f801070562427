// Folding the cookies a server set into a caller's own cookie text. A cookie
// text is name=value pairs separated by ";" (written back separated by "; ").
// Names and values compare byte for byte, case included.
#pragma once

#include <string_view>

#include "core/text.h"

namespace dorvane {

// Both texts lose every space and are written back. `cookies` becomes the new
// pairs in the order received, then the old pairs whose names the new ones lack;
// pairs ending in "=deleted" are dropped and byte-identical repeats removed.
// Returns a copy of the merged `cookies`.
Text merge_cookies(Text& cookies, Text& new_cookies);

// The trimmed text before the first "=", or the whole trimmed pair.
Text pair_name(std::string_view pair);

bool list_has_name(const TextList& list, std::string_view name);

// The pieces of `text` between `separator`s, each kept only the first time it
// occurs, joined again by `separator`.
Text join_unique(std::string_view text, std::string_view separator);

}  // namespace dorvane
