// Decoding of the file names the resolver writes with JSON-style escapes
// ("\u6587") into plain code page 936 text.
#pragma once

#include "core/text.h"

namespace dorvane {

// The decoded text: backslash escapes of a single-quoted JScript literal and
// ECMAScript unescape ("%uXXXX", "%XX") applied, cut at U+0000, converted to
// code page 936 ("?" for what it lacks). The empty text when the name would not
// make a valid literal (a lone line break, an odd number of trailing backslashes).
Text decode_escapes(const Text& escaped);

}  // namespace dorvane
