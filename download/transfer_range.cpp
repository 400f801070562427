#include "download/transfer_range.h"

#include <charconv>

#include "download/transfer_texts.h"

namespace dorvane {
namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t';
}

// Reads a decimal number of 32 bits at the front of `rest` and moves past it.
bool read_number(std::string_view& rest, std::int32_t& value) {
  const char* end = rest.data() + rest.size();
  auto [stop, error] = std::from_chars(rest.data(), end, value);
  if (error != std::errc() || value < 0) return false;
  rest.remove_prefix(stop - rest.data());
  return true;
}

bool read_char(std::string_view& rest, char c) {
  if (rest.empty() || rest.front() != c) return false;
  rest.remove_prefix(1);
  return true;
}

bool starts_with_unit(std::string_view value) {
  constexpr std::string_view kUnit = "bytes";
  if (value.size() <= kUnit.size() || !is_space(value[kUnit.size()])) return false;
  for (std::size_t i = 0; i < kUnit.size(); ++i) {
    if ((value[i] | 0x20) != kUnit[i]) return false;
  }
  return true;
}

// Counts the range [next_start, range_end] as present and moves past it.
void take_in(TransferCounters& c, std::int32_t range_end) {
  c.position = truncate_to_int(c.position + (static_cast<double>(range_end) - c.next_start + 1));
  if (c.position > c.total) c.position = c.total;
  c.next_start = range_end + 1;
  c.percent = percent_done(c.position, c.total);
}

}  // namespace

Text range_request_value(std::int32_t next_start, std::int32_t chunk_bytes) {
  const double range_end = static_cast<double>(next_start) + chunk_bytes - 1;
  return concat_text({"bytes=", to_text(next_start), "-", to_text(range_end)});
}

std::optional<ContentRange> parse_content_range(std::string_view value) {
  while (!value.empty() && is_space(value.front())) value.remove_prefix(1);
  while (!value.empty() && is_space(value.back())) value.remove_suffix(1);
  if (!starts_with_unit(value)) return std::nullopt;
  std::string_view rest = value.substr(5);
  while (!rest.empty() && is_space(rest.front())) rest.remove_prefix(1);

  ContentRange range;
  if (!read_char(rest, '*')) {
    if (!read_number(rest, range.first) || !read_char(rest, '-') ||
        !read_number(rest, range.last) || range.last < range.first) {
      return std::nullopt;
    }
    range.has_range = true;
  }
  if (!read_char(rest, '/')) return std::nullopt;
  if (read_char(rest, '*')) {
    if (!range.has_range) return std::nullopt;  // "*/*" says nothing at all
  } else {
    if (!read_number(rest, range.length)) return std::nullopt;
    if (range.has_range && range.last >= range.length) return std::nullopt;
    range.has_length = true;
  }
  if (!rest.empty()) return std::nullopt;
  return range;
}

RangeReplyJudgement judge_range_reply(std::int32_t status, std::string_view content_range,
                                      std::size_t body_length, const TransferCounters& before) {
  RangeReplyJudgement j;
  j.after = before;
  if (content_range.empty()) {
    j.report = true;
    j.outcome = transfer_text::kUnknownLength;
    return j;
  }
  const std::optional<ContentRange> range = parse_content_range(content_range);
  // A length other than the one already known means the remote file changed.
  if (!range || (range->has_length && before.total != 0 && range->length != before.total)) {
    j.outcome = transfer_text::kWrongRange;
    return j;
  }

  if (status == 416) {
    // The body is the server's error page, never part of the file.
    j.report = true;
    if (!range->has_length) {
      j.outcome = transfer_text::kUnknownLength;
      return j;
    }
    j.after.total = range->length;
    take_in(j.after, range->has_range ? range->last : 0);
    const std::int32_t local_length = before.next_start;
    j.outcome = local_length == range->length  ? transfer_text::kComplete
                : local_length > range->length ? transfer_text::kLocalFileLarger
                                               : transfer_text::kWrongRange;
    return j;
  }

  if (!range->has_range || range->first != before.next_start) {
    j.outcome = transfer_text::kWrongRange;
    return j;
  }
  const std::size_t range_bytes = static_cast<std::size_t>(range->last) - range->first + 1;
  if (body_length != range_bytes) {
    j.outcome = transfer_text::kWrongRange;
    return j;
  }
  if (!range->has_length) {
    j.report = true;
    j.outcome = transfer_text::kUnknownLength;
    return j;
  }
  j.append = true;
  j.report = true;
  j.after.total = range->length;
  take_in(j.after, range->last);
  if (j.after.next_start == j.after.total) j.outcome = transfer_text::kComplete;
  return j;
}

std::int32_t percent_done(std::int32_t position, std::int32_t total) {
  return truncate_to_int(position * 100.0 / total);
}

std::int32_t speed_kb_per_s(std::int32_t chunk_bytes, std::int32_t elapsed_ms) {
  return truncate_to_int(chunk_bytes / 1.024 / elapsed_ms);
}

std::int32_t elapsed_ms(std::int32_t earlier, std::int32_t later) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(later) -
                                   static_cast<std::uint32_t>(earlier));
}

}  // namespace dorvane
