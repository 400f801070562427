// One HTTP request as a scripted server read it off the wire.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dorvane::testing {

struct HttpRequest {
  std::string method;   // "GET"
  std::string target;   // "/file.bin", or "http://host/x" when sent to a proxy
  std::string version;  // "HTTP/1.1"
  // Header lines in the order received, as raw text without the line end ("Range: bytes=0-9").
  std::vector<std::string> header_lines;
  // Every byte of the request exactly as received: request line, headers, blank line, body.
  std::string raw;
  // Body bytes, read by Content-Length (no chunked request bodies).
  std::string body;

  // Value of the first header of that name (case-insensitive), spaces around it trimmed.
  std::optional<std::string> header(std::string_view name) const;
  // Just the names of header_lines, in order ("Host", "Range", ...).
  std::vector<std::string> header_names() const;
};

// Parses the head (request line and header lines, up to and including the blank line) of
// a request. Lines may end in CRLF or LF. Returns nullopt when the head is malformed.
// `raw` and `body` are left empty.
std::optional<HttpRequest> parse_request_head(std::string_view head);

}  // namespace dorvane::testing
