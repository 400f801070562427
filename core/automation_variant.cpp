// Variant values: byte arrays and the conversions between value kinds.
#include <charconv>
#include <cstdio>
#include <cstring>

#include "core/automation.h"

namespace dorvane {
namespace {

// The value as plain ASCII without surrounding spaces; nullopt when it holds
// anything else, which never spells a number or a truth value.
std::optional<std::string> ascii_trimmed(std::u16string_view text) {
  const auto first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return std::string();
  text = text.substr(first, text.find_last_not_of(u' ') - first + 1);
  std::string ascii;
  ascii.reserve(text.size());
  for (char16_t c : text) {
    if (c >= 0x80) return std::nullopt;
    ascii.push_back(static_cast<char>(c));
  }
  return ascii;
}

std::optional<double> parse_number(std::u16string_view text) {
  const std::optional<std::string> ascii = ascii_trimmed(text);
  if (!ascii || ascii->empty()) return std::nullopt;
  const char* begin = ascii->data();
  const char* end = begin + ascii->size();
  if (*begin == '+') ++begin;  // from_chars refuses a plus sign
  double number = 0;
  const auto [stop, error] = std::from_chars(begin, end, number);
  if (error != std::errc() || stop != end) return std::nullopt;
  return number;
}

std::u16string widen(const char* ascii) {
  return std::u16string(ascii, ascii + strlen(ascii));
}

std::u16string format_number(const char* format, double number) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, format, number);
  return widen(buffer);
}

struct ToNumber {
  std::optional<double> operator()(std::monostate) const { return 0.0; }
  std::optional<double> operator()(std::int32_t v) const { return v; }
  std::optional<double> operator()(std::int16_t v) const { return v; }
  std::optional<double> operator()(std::uint8_t v) const { return v; }
  std::optional<double> operator()(float v) const { return v; }
  std::optional<double> operator()(double v) const { return v; }
  std::optional<double> operator()(bool v) const { return v ? -1.0 : 0.0; }
  std::optional<double> operator()(const std::u16string& v) const { return parse_number(v); }
  std::optional<double> operator()(const auto&) const { return std::nullopt; }
};

struct ToString {
  std::optional<std::u16string> operator()(std::monostate) const { return std::u16string(); }
  std::optional<std::u16string> operator()(std::int32_t v) const {
    return format_number("%.0f", v);
  }
  std::optional<std::u16string> operator()(std::int16_t v) const {
    return format_number("%.0f", v);
  }
  std::optional<std::u16string> operator()(std::uint8_t v) const {
    return format_number("%.0f", v);
  }
  std::optional<std::u16string> operator()(float v) const { return format_number("%.7g", v); }
  std::optional<std::u16string> operator()(double v) const { return format_number("%.15g", v); }
  std::optional<std::u16string> operator()(bool v) const { return widen(v ? "True" : "False"); }
  std::optional<std::u16string> operator()(const std::u16string& v) const { return v; }
  std::optional<std::u16string> operator()(const auto&) const { return std::nullopt; }
};

}  // namespace

std::span<const std::uint8_t> variant_byte_view(const Variant& value) {
  const auto* array = std::get_if<ByteArray>(&value.value);
  if (array == nullptr || !array->bytes) return {};
  return *array->bytes;
}

Bytes variant_to_bytes(const Variant& value) {
  if (const auto* text = std::get_if<std::u16string>(&value.value)) {
    Bytes bytes;
    bytes.reserve(text->size() * 2);
    for (char16_t unit : *text) {
      bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
  }
  const std::span<const std::uint8_t> view = variant_byte_view(value);
  return Bytes(view.begin(), view.end());
}

Bytes take_variant_bytes(Variant& value) {
  Bytes bytes = variant_to_bytes(value);
  clear_variant(value);
  return bytes;
}

void clear_variant(Variant& value) {
  value.value = std::monostate{};
}

std::optional<double> variant_to_number(const Variant& value) {
  return std::visit(ToNumber{}, value.value);
}

std::optional<bool> variant_to_bool(const Variant& value) {
  if (const auto* text = std::get_if<std::u16string>(&value.value)) {
    std::optional<std::string> word = ascii_trimmed(*text);
    if (word) {
      for (char& c : *word) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
      if (*word == "true") return true;
      if (*word == "false") return false;
    }
  }
  const std::optional<double> number = variant_to_number(value);
  if (!number) return std::nullopt;
  return *number != 0;
}

std::optional<std::u16string> variant_to_string(const Variant& value) {
  return std::visit(ToString{}, value.value);
}

}  // namespace dorvane
