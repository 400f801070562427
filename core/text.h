// Text, byte and list operations that all of the program's logic is written in.
//
// Text is a byte string in code page 936 (GBK) without zero bytes; the absent
// text and the empty text are the same value. Lengths and positions count bytes,
// positions are 1-based, and a search that finds nothing gives -1. Scans step
// over double-byte characters: a byte >= 0x80 is a lead byte and the byte after
// it, whatever its value, belongs to the same character.
//
// Every operation is a pure function of its arguments.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dorvane {

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;
using TextList = std::vector<Text>;

// ---- texts ----
std::int32_t text_length(std::string_view text);
Text text_left(std::string_view text, std::int32_t n);
Text text_right(std::string_view text, std::int32_t n);
Text text_mid(std::string_view text, std::int32_t start, std::int32_t n);

// First match at or after `start` (omitted: 1), or -1.
std::int32_t find_text(std::string_view text, std::string_view pattern,
                       std::optional<std::int32_t> start = std::nullopt, bool ignore_case = false);
// Last match that ends before position `start` (omitted: the end of the text), or -1.
std::int32_t find_text_last(std::string_view text, std::string_view pattern,
                            std::optional<std::int32_t> start = std::nullopt,
                            bool ignore_case = false);
// Note the sense of the flag: true compares exactly. A count of 0 or below
// replaces nothing; an omitted count replaces every occurrence.
Text replace_text(std::string_view text, std::string_view find, std::string_view replacement = {},
                  std::optional<std::int32_t> start = std::nullopt,
                  std::optional<std::int32_t> count = std::nullopt, bool case_sensitive = true);
TextList split_text(std::string_view text, std::string_view separator = ",",
                    std::optional<std::int32_t> max_pieces = std::nullopt);
// Blanks are the space and the ideographic space (A1 A1); tabs and line ends are not.
Text trim_text(std::string_view text);
Text strip_spaces(std::string_view text);
Text to_lower(std::string_view text);
Text char_from_code(std::int32_t code);
Text blank_text(std::int32_t n);
Text concat_text(std::initializer_list<std::string_view> parts);
// -1, 0 or 1; bytes compared as unsigned values.
int compare_text(std::string_view a, std::string_view b);

// ---- conversions ----
double to_number(std::string_view text);
inline double to_number(std::int32_t value) { return value; }
std::int32_t to_int(std::string_view text);
Text to_half_width(std::string_view text);
Text to_text(std::int32_t value);
// As "%.13g" prints it in the C locale, with at least three exponent digits ("1e+015").
Text to_text(double value);
Text to_text(const Bytes& bytes);
// Toward zero to 64 bits, then the low 32 bits; infinite, NaN and beyond 64 bits give 0.
std::int32_t truncate_to_int(double x);
Bytes text_to_bytes(std::string_view text);
inline std::int32_t bit_or(std::int32_t a, std::int32_t b) { return a | b; }

// ---- bytes ----
std::int32_t bytes_length(const Bytes& bytes);
Bytes bytes_left(const Bytes& bytes, std::int32_t n);
Bytes blank_bytes(std::int32_t n);
Bytes concat_bytes(std::initializer_list<std::span<const std::uint8_t>> parts);
bool compare_bytes(const Bytes& a, const Bytes& b);
Bytes replace_bytes(const Bytes& bytes, const Bytes& find, const Bytes& replacement = {},
                    std::optional<std::int32_t> start = std::nullopt,
                    std::optional<std::int32_t> count = std::nullopt);

// ---- lists ----
std::int32_t list_count(const TextList& list);
// Outside 1 ... count this ends the program through fatal_error (4 below, 1 above).
const Text& list_item(const TextList& list, std::int32_t position);
void list_append(TextList& list, std::string_view text);
std::int32_t list_find(const TextList& list, std::string_view text);

// ---- markers ----
// The piece after the first `left_marker` (searched from `start`) and before the
// next `right_marker`. The token "#引号" in a marker stands for a double quote.
Text text_between(std::string_view text, std::string_view left_marker,
                  std::string_view right_marker, std::optional<std::int32_t> start = std::nullopt,
                  bool ignore_case = false);

}  // namespace dorvane
