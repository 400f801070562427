// The chunk arithmetic of the transfer loop, apart from any request object or
// file: what to ask for, how to read the server's Content-Range, and whether a
// reply may be appended to the local file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/text.h"

namespace dorvane {

// The Range request value of the chunk that begins at `next_start`:
// "bytes=" + start + "-" + (start + chunk_bytes - 1).
Text range_request_value(std::int32_t next_start, std::int32_t chunk_bytes);

// A Content-Range value: "bytes F-L/N", "bytes F-L/*" or "bytes */N".
struct ContentRange {
  bool has_range = false;  // "F-L" was given
  std::int32_t first = 0;
  std::int32_t last = 0;
  bool has_length = false;  // "N" was given, not "*"
  std::int32_t length = 0;
};
// nullopt for anything else: other units, L < F, L >= N, numbers beyond 32 bits.
std::optional<ContentRange> parse_content_range(std::string_view value);

// The counters of a running transfer.
struct TransferCounters {
  std::int32_t next_start = 0;  // first byte of the next request; the local file's length
  std::int32_t position = 0;    // bytes counted as present
  std::int32_t total = 0;       // remote length; 0 until a reply has given it
  std::int32_t percent = 0;
};

// What to do with a 206 or 416 reply.
struct RangeReplyJudgement {
  bool append = false;  // append the body to the local file (206 only)
  bool report = false;  // the reply is taken in: counters become `after`, progress is reported
  // Ends the transfer with this outcome (after the append and the report, when
  // those apply); nullopt goes on with the next chunk.
  std::optional<std::string_view> outcome;
  TransferCounters after;
};

// Judges a reply of status 206 or 416 with its Content-Range value (empty when
// absent) and body length. Nothing is appended unless the range starts exactly
// at next_start, the body fills it, and the remote length is known; the transfer
// is complete only when the local file then holds exactly the remote length.
RangeReplyJudgement judge_range_reply(std::int32_t status, std::string_view content_range,
                                      std::size_t body_length, const TransferCounters& before);

// Share done, 0 while the total is unknown.
std::int32_t percent_done(std::int32_t position, std::int32_t total);
// KB/s reckoned on the configured chunk size, whatever the reply carried; 0 for 0 ms.
std::int32_t speed_kb_per_s(std::int32_t chunk_bytes, std::int32_t elapsed_ms);
// Milliseconds from `earlier` to `later` on the wrapping 32-bit uptime counter.
std::int32_t elapsed_ms(std::int32_t earlier, std::int32_t later);

}  // namespace dorvane
