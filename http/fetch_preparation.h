// The decisions of an HTTP exchange that need no network: verb, agent, proxy
// settings, request flags, the completed request headers and the cookies of a
// reply header block.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/text.h"

namespace dorvane {

inline constexpr char kDefaultAgent[] = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// The trimmed text after the first ":", or the empty text without one.
Text header_value(std::string_view text);

// "POST" for method 1, "GET" for any other.
Text request_verb(std::int32_t method);
// Only method 0 sends no body (method 2 is a GET with a body).
inline bool method_sends_body(std::int32_t method) {
  return method != 0;
}

// Whether the URL starts with "https", letters folded.
bool is_secure_url(std::string_view url);

// The agent a caller's User-Agent header line asks for, or the default agent.
Text choose_agent(std::string_view headers);

struct ProxySettings {
  std::uint32_t access_type;
  std::optional<Text> proxy_list;   // nullopt: absent
  std::optional<Text> bypass_list;  // nullopt: absent
};
// Direct without a proxy; otherwise the proxy serves every scheme of an https URL,
// but only plain HTTP ("http=" prefix) for any other URL.
ProxySettings proxy_settings(std::string_view url, std::string_view proxy);

// Never from a cache; no transport cookies when the caller keeps its own; no
// redirects when asked; TLS for https.
std::uint32_t request_flags(std::string_view url, bool cookies_supplied, bool no_redirect);

// `headers` with the default Accept, Referer, Accept-Language and Content-Type
// lines added where missing (case-sensitive tests), then a Cookie line when
// `cookies` is not empty. Lines are joined by "\r\n" with none at the end.
Text complete_headers(std::string_view headers, std::string_view url, std::string_view cookies);

// The header block with every "Set-Cookie", in any letter case, spelt "Set-Cookie".
Text normalise_set_cookie(std::string_view header_block);

// The first name=value pair of every line containing "Set-Cookie", joined by "; ".
Text extract_reply_cookies(std::string_view header_block);

}  // namespace dorvane
