// Host, port and object path of a URL, found by searching for literal pieces
// ("http://", "https://", "/", ":", ".") rather than by parsing. Anything the
// searches do not expect passes through unchanged; none of them fails.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/text.h"

namespace dorvane {

// The host in lower case. Without `label_count` the host lies between the scheme
// (added when absent) and the next "/"; `main_domain` then keeps the last two
// labels. With `label_count` n the host is cut down to its last n + 1 labels
// (`main_domain`) or n + 2 labels (otherwise). The port suffix is cut unless
// `keep_port`. A supplied label_count of 0 differs from an omitted one.
Text url_host(std::string_view url, bool main_domain = false, bool keep_port = false,
              std::optional<std::int32_t> label_count = std::nullopt);

// The number after the host's last ":", or 443/80 by the scheme when there is none.
std::int32_t url_port(std::string_view url);

// Everything from the first "/" at or after the host to the end of the URL, in
// the URL's own case; "/" when there is none.
Text url_path(std::string_view url);

}  // namespace dorvane
