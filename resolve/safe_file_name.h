// Turning an untrusted file name into one plain name inside the chosen folder.
#pragma once

#include "core/text.h"

namespace dorvane {

// `name` with every path separator ("\" and "/"), colon and control character
// replaced by "_", and a bare "." or ".." replaced by "_" or "__", so that
// folder + name can neither leave the folder nor name a drive or device.
// Double-byte characters are kept whole (a GBK trail byte may be 0x5C).
// The empty name stays empty.
Text safe_file_name(const Text& name);

}  // namespace dorvane
