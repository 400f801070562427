#include "resolve/escape_decoding.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/codepage.h"
#include "core/library_table.h"

namespace dorvane {
namespace {

// The name used to be decoded by a script engine, as the body of a single-quoted
// literal; markers kept a line break ("{$}") and an apostrophe ("’") out of the
// literal, and "\u" became the "%u" that unescape understands. The markers were
// never escaped, so a "{$}" or "’" already in the name comes back as "\r\n" or "'".
constexpr std::string_view kLineBreakMarker = "{$}";
constexpr std::string_view kApostropheMarker = "\xA1\xAF";  // U+2019 in code page 936

// The value of the `count` hexadecimal digits at `pos`, or -1 when they are not all there.
std::int32_t hex_at(std::u16string_view s, std::size_t pos, std::size_t count) {
  if (pos + count > s.size()) return -1;
  std::int32_t value = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    const char16_t c = s[i];
    std::int32_t digit;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    } else {
      return -1;
    }
    value = value * 16 + digit;
  }
  return value;
}

constexpr std::u16string_view kEscapeLetters = u"bfnrt";
constexpr std::u16string_view kEscapeValues = u"\b\f\n\r\t";

bool is_octal_digit(char16_t c) {
  return c >= u'0' && c <= u'7';
}

// The string that `body` denotes as the inside of a single-quoted JScript string
// literal, or nothing when the statement holding it would not compile: a line
// break in it, or a final backslash that escapes the closing quote.
//
// Escapes beyond the common ones follow the JScript (ECMAScript 3) engine the
// names were written for:
//  - "\xHH" and "\uXXXX" take exactly two and four hexadecimal digits; without
//    them the backslash is dropped and the letter stays, as JScript did;
//  - legacy octal "\0" to "\377": up to three digits when the first is 0 to 3,
//    up to two when it is 4 to 7; "\8" and "\9" are plain digits;
//  - "\v" is a plain "v": JScript never had the vertical tab escape.
// Only CR and LF break the literal: U+2028 and U+2029 stay characters, as JScript 5
// did not count them as line ends.
// An apostrophe is a character like any other and never ends the literal, so no
// part of a name is ever taken as code (one hidden behind a 0x80 byte, a lead
// byte to the text layer but a whole character in code page 936, slipped past
// the marker and closed the engine's literal early).
std::optional<std::u16string> read_single_quoted_literal(std::u16string_view body) {
  if (body.find_first_of(u"\r\n") != std::u16string_view::npos) return std::nullopt;
  std::u16string out;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] != u'\\') {
      out += body[i];
      continue;
    }
    if (++i == body.size()) return std::nullopt;
    const char16_t c = body[i];
    if (const std::size_t k = kEscapeLetters.find(c); k != std::u16string_view::npos) {
      out += kEscapeValues[k];
    } else if (c == u'x' || c == u'u') {
      const std::size_t digits = c == u'x' ? 2 : 4;
      const std::int32_t value = hex_at(body, i + 1, digits);
      if (value < 0) {
        out += c;
      } else {
        out += static_cast<char16_t>(value);
        i += digits;
      }
    } else if (is_octal_digit(c)) {
      std::int32_t value = c - u'0';
      const int max_digits = c <= u'3' ? 3 : 2;
      for (int n = 1; n < max_digits && i + 1 < body.size() && is_octal_digit(body[i + 1]); ++n) {
        value = value * 8 + (body[++i] - u'0');
      }
      out += static_cast<char16_t>(value);
    } else {
      out += c;  // "\\", "\"", "\/", "\'" and every character without an escape meaning
    }
  }
  return out;
}

// ECMAScript unescape: "%uXXXX" and "%XX", nothing else; "+" stays a plus.
std::u16string unescape(std::u16string_view s) {
  std::u16string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'%') {
      std::int32_t value;
      if (i + 1 < s.size() && s[i + 1] == u'u' && (value = hex_at(s, i + 2, 4)) >= 0) {
        out += static_cast<char16_t>(value);
        i += 5;
        continue;
      }
      if ((value = hex_at(s, i + 1, 2)) >= 0) {
        out += static_cast<char16_t>(value);
        i += 2;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

// What the script function returned for the rewritten name: unescape of the
// literal's value, cut at U+0000, back in code page 936.
Text unescape_literal(const Text& rewritten) {
  const std::optional<std::u16string> literal =
      read_single_quoted_literal(cp936_to_utf16(rewritten));
  if (!literal) return {};
  std::u16string value = unescape(*literal);
  if (const std::size_t zero = value.find(u'\0'); zero != std::u16string::npos) value.resize(zero);
  return utf16_to_cp936(value);
}

}  // namespace

Text decode_escapes(const Text& escaped) {
  Text t = replace_text(escaped, "\r\n", kLineBreakMarker);
  if (!t.empty() && t.front() == '\r') t.erase(0, 1);  // only a leading lone CR goes
  t = replace_text(t, "\\u", "%u");                    // "\U" is left alone

  // The decoding has always run inside a COM initialisation of its own; the
  // calls stay so that the library table binds and counts them as before.
  library_call<lib::kCoInitialize>(nullptr);
  Text result = unescape_literal(t);
  library_call<lib::kCoUninitialize>();

  // An apostrophe needs no marker on the way in, as no literal is closed by it
  // here; a "’" still comes back as one.
  result = replace_text(result, kApostropheMarker, "'");
  return replace_text(result, kLineBreakMarker, "\r\n");
}

}  // namespace dorvane
