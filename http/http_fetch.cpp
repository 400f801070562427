#include "http/http_fetch.h"

#include <algorithm>
#include <optional>

#include "core/library_table.h"
#include "http/cookie_merge.h"
#include "http/fetch_preparation.h"
#include "http/url_parts.h"
#include "http/wininet_constants.h"
#include "http/wininet_curl.h"

namespace dorvane {
namespace {

constexpr std::uint32_t kReadSize = 1024;
constexpr std::int32_t kHeaderBufferSize = 5000;

const char* c_str_or_null(const std::optional<Text>& text) {
  return text ? text->c_str() : nullptr;
}

void close_handle(Handle handle) {
  library_call<lib::kInternetCloseHandle>(handle);
}

Bytes read_body(Handle request) {
  Bytes body;
  std::uint32_t bytes_read = 0;
  for (;;) {
    Bytes buffer = blank_bytes(kReadSize);
    library_call<lib::kInternetReadFile>(request, buffer.data(), kReadSize, &bytes_read);
    if (bytes_read == 0) break;
    body.insert(body.end(), buffer.begin(), buffer.begin() + std::min(bytes_read, kReadSize));
  }
  return body;
}

// The raw header block, or nullopt when no reply came at all. A block too long for
// the usual buffer is asked for again with the length the transport reports, so
// that late Set-Cookie lines are not cut off.
std::optional<Text> query_header_block(Handle request) {
  Text buffer = blank_text(kHeaderBufferSize);
  std::uint32_t length = kHeaderBufferSize;
  auto query = [&] {
    return library_call<lib::kHttpQueryInfo>(request, wininet::kQueryRawHeadersCrlf, buffer.data(),
                                             &length, nullptr);
  };
  if (!query()) {
    if (length <= buffer.size()) return std::nullopt;
    buffer.assign(length, ' ');
    if (!query()) return std::nullopt;
  }
  return Text(buffer.c_str());
}

}  // namespace

Bytes http_fetch(const Text& url, std::int32_t method, const Text& body_text, Text* cookies,
                 Text* reply_cookies, Text* headers, Text* reply_headers, bool no_redirect,
                 Bytes* body_bytes, const Text& proxy) {
  register_wininet_transport();

  const Text verb = request_verb(method);
  const Text caller_headers = headers ? *headers : Text();
  const Text agent = choose_agent(caller_headers);
  const ProxySettings proxy_setting = proxy_settings(url, proxy);
  const std::uint32_t flags = request_flags(url, cookies != nullptr, no_redirect);

  Handle internet = library_call<lib::kInternetOpen>(agent.c_str(), proxy_setting.access_type,
                                                     c_str_or_null(proxy_setting.proxy_list),
                                                     c_str_or_null(proxy_setting.bypass_list), 0u);
  if (!internet) {
    close_handle(internet);
    return {};
  }
  Handle connection =
      library_call<lib::kInternetConnect>(internet, url_host(url).c_str(), url_port(url), nullptr,
                                          nullptr, wininet::kServiceHttp, 0u, Word{0});
  if (!connection) {
    close_handle(connection);
    close_handle(internet);
    return {};
  }
  Handle request =
      library_call<lib::kHttpOpenRequest>(connection, verb.c_str(), url_path(url).c_str(),
                                          "HTTP/1.1", nullptr, nullptr, flags, Word{0});
  if (!request) {
    close_handle(request);
    close_handle(connection);
    close_handle(internet);
    return {};
  }

  const Text sent_headers = complete_headers(caller_headers, url, cookies ? *cookies : Text());
  const auto header_length = static_cast<std::uint32_t>(sent_headers.size());
  Bytes sent_body = body_bytes ? *body_bytes : Bytes();
  if (!method_sends_body(method)) {
    library_call<lib::kHttpSendRequestText>(request, sent_headers.c_str(), header_length, "", 0u);
  } else {
    if (sent_body.empty()) sent_body = text_to_bytes(body_text);
    library_call<lib::kHttpSendRequestBytes>(request, sent_headers.c_str(), header_length,
                                             sent_body.empty() ? nullptr : sent_body.data(),
                                             static_cast<std::uint32_t>(sent_body.size()));
  }
  Bytes body = read_body(request);
  std::optional<Text> block = query_header_block(request);
  if (block) block = normalise_set_cookie(*block);
  close_handle(request);
  close_handle(connection);
  close_handle(internet);

  // Nothing came back (no connection, no reply): the caller's variables stay as they
  // were, as on the failures to open.
  if (!block) return body;

  if (headers) *headers = sent_headers;
  if (body_bytes && method_sends_body(method)) *body_bytes = sent_body;
  if (reply_headers) *reply_headers = *block;
  Text set_cookies = extract_reply_cookies(*block);
  if (cookies) merge_cookies(*cookies, set_cookies);
  if (reply_cookies) *reply_cookies = set_cookies;
  return body;
}

}  // namespace dorvane
