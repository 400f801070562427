// One HTTP exchange over a libcurl easy handle, set up the way the WinInet
// stand-in was asked to: agent, proxy, host and port, verb, object path, request
// flags, the caller's header text and body.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "http/wininet_curl.h"

namespace dorvane {

struct ExchangeSetup {
  std::string agent;
  std::uint32_t access_type = 0;
  std::string proxy_list;
  std::string bypass_list;
  std::string host;
  std::int32_t port = 0;  // 0: the scheme's own
  std::string verb;
  std::string object_path;
  std::string version;
  std::uint32_t flags = 0;
};

struct ExchangeReply {
  std::string body;
  // Status line and header lines of the last reply, each ended by "\r\n"; empty
  // when no reply arrived.
  std::string header_block;
  bool headers_ended = false;
};

struct TransportSettings {
  std::string ca_file;
  WininetLimits limits;
};

// Runs the request on `easy` (reset first) and fills `reply` afresh. True when
// the whole exchange succeeded; a partial reply is kept either way.
bool perform_exchange(CURL* easy, const ExchangeSetup& setup, std::string_view headers,
                      std::string_view body, const TransportSettings& settings,
                      ExchangeReply& reply);

// "http(s)://host[:port]" and the object path with every byte that cannot stand in
// a request target percent-encoded ("#" included, so the whole path reaches the
// server); every other byte, "%" included, goes unchanged.
std::string request_url(bool secure, std::string_view host, std::int32_t port,
                        std::string_view object_path);

// The proxy a WinInet proxy list names for `scheme`: entries are separated by
// blanks or ";", "scheme=server" serves that scheme only and a bare "server" every
// scheme. Empty when none serves it.
std::string proxy_for_scheme(std::string_view proxy_list, std::string_view scheme);

// The header lines handed to libcurl for the caller's header text: one line per
// line of the text; the User-Agent lines become one line carrying `agent`;
// libcurl's own Accept, Content-Type and Expect are switched off unless the text
// holds them.
std::vector<std::string> curl_header_lines(std::string_view headers, std::string_view agent);

}  // namespace dorvane
