#include "http/curl_exchange.h"

#include <cstring>
#include <memory>

#include "http/wininet_constants.h"

namespace dorvane {
namespace {

constexpr long kMaxRedirects = 10;

bool equal_folded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Pieces of `text` between any of the `separators`, empty pieces left out.
std::vector<std::string_view> split_any(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of(separators, start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

bool is_target_byte(unsigned char c) {
  return c > 0x20 && c < 0x7F && std::strchr("\"<>\\^`{|}#", c) == nullptr;
}

// libcurl's NOPROXY list for a WinInet bypass list. "<local>" (names without a
// dot) is decided here for the host asked for.
std::string no_proxy_hosts(std::string_view bypass_list, std::string_view host) {
  std::string hosts;
  for (std::string_view entry : split_any(bypass_list, " \t;,")) {
    if (entry == "<local>") {
      if (host.find('.') == std::string_view::npos) return "*";
      continue;
    }
    if (entry.starts_with("*.")) entry.remove_prefix(1);
    if (!hosts.empty()) hosts += ',';
    hosts += entry;
  }
  return hosts;
}

// Schemes a redirect may lead to: the request's own, and the other one when its
// flag allows crossing over.
const char* redirect_protocols(bool secure, std::uint32_t flags) {
  const bool http = !secure || (flags & wininet::kFlagIgnoreRedirectToHttp);
  const bool https = secure || (flags & wininet::kFlagIgnoreRedirectToHttps);
  return http && https ? "http,https" : (https ? "https" : "http");
}

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
  static_cast<ExchangeReply*>(user)->body.append(data, size * count);
  return size * count;
}

// Keeps the header lines of the last reply only: a status line starts the block
// afresh (redirects, interim 1xx replies), and trailers after the blank line are
// not part of it.
std::size_t on_header(char* data, std::size_t size, std::size_t count, void* user) {
  auto& reply = *static_cast<ExchangeReply*>(user);
  std::string_view line(data, size * count);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.starts_with("HTTP/")) {
    reply.header_block.clear();
    reply.headers_ended = false;
  } else if (line.empty()) {
    reply.headers_ended = true;
    return size * count;
  } else if (reply.headers_ended) {
    return size * count;
  }
  reply.header_block.append(line).append("\r\n");
  return size * count;
}

struct SlistFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

void set_proxy(CURL* easy, const ExchangeSetup& setup, bool secure) {
  if (setup.access_type == wininet::kOpenTypeDirect) {
    curl_easy_setopt(easy, CURLOPT_PROXY, "");  // not even the environment's proxy
  } else if (setup.access_type == wininet::kOpenTypeProxy) {
    const std::string proxy = proxy_for_scheme(setup.proxy_list, secure ? "https" : "http");
    const std::string bypass = no_proxy_hosts(setup.bypass_list, setup.host);
    curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(easy, CURLOPT_NOPROXY, bypass.c_str());
  }
  // Any other access type takes the environment's proxy settings.
}

void set_method(CURL* easy, const std::string& verb, std::string_view body) {
  const bool has_body = !body.empty();
  if (verb == "POST") {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, has_body ? body.data() : "");
  } else if (verb == "GET" && !has_body) {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  } else if (verb == "HEAD" && !has_body) {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else {
    // Any other verb, or a GET carrying a body.
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
    if (has_body) {
      curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
      curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
    }
  }
}

}  // namespace

std::string request_url(bool secure, std::string_view host, std::int32_t port,
                        std::string_view object_path) {
  std::string url = secure ? "https://" : "http://";
  const bool literal_ipv6 = host.find(':') != std::string_view::npos;
  if (literal_ipv6) url += '[';
  url += host;
  if (literal_ipv6) url += ']';
  if (port != wininet::kDefaultPort) url += ":" + std::to_string(port);
  if (!object_path.starts_with('/')) url += '/';
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char c : object_path) {
    const auto byte = static_cast<unsigned char>(c);
    if (is_target_byte(byte)) {
      url += c;
    } else {
      url += '%';
      url += kHex[byte >> 4];
      url += kHex[byte & 0x0F];
    }
  }
  return url;
}

std::string proxy_for_scheme(std::string_view proxy_list, std::string_view scheme) {
  std::string_view any_scheme;
  for (std::string_view entry : split_any(proxy_list, " \t;")) {
    const std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos) {
      if (any_scheme.empty()) any_scheme = entry;
    } else if (equal_folded(entry.substr(0, equals), scheme)) {
      return std::string(entry.substr(equals + 1));
    }
  }
  return std::string(any_scheme);
}

std::vector<std::string> curl_header_lines(std::string_view headers, std::string_view agent) {
  // A header value cannot span lines: the agent ends at its first line break.
  agent = agent.substr(0, agent.find_first_of("\r\n"));
  const std::string agent_line =
      agent.empty() ? "User-Agent;" : "User-Agent: " + std::string(agent);

  std::vector<std::string> lines;
  bool has_agent = false, has_accept = false, has_content_type = false, has_expect = false;
  for (std::string_view line : split_any(headers, "\r\n")) {
    const std::size_t colon = line.find(':');
    const std::string_view name = trim_blanks(line.substr(0, colon));
    // A line without a name is no header at all.
    if (colon == std::string_view::npos || name.empty()) continue;
    if (equal_folded(name, "User-Agent")) {
      if (!has_agent) lines.push_back(agent_line);
      has_agent = true;
      continue;
    }
    has_accept = has_accept || equal_folded(name, "Accept");
    has_content_type = has_content_type || equal_folded(name, "Content-Type");
    has_expect = has_expect || equal_folded(name, "Expect");
    // libcurl reads "Name:" as "drop this header" and "Name;" as "send it empty".
    if (trim_blanks(line.substr(colon + 1)).empty()) {
      lines.push_back(std::string(name) + ";");
    } else {
      lines.emplace_back(line);
    }
  }
  if (!has_agent && !agent.empty()) lines.push_back(agent_line);
  if (!has_accept) lines.emplace_back("Accept:");
  if (!has_content_type) lines.emplace_back("Content-Type:");
  if (!has_expect) lines.emplace_back("Expect:");
  return lines;
}

bool perform_exchange(CURL* easy, const ExchangeSetup& setup, std::string_view headers,
                      std::string_view body, const TransportSettings& settings,
                      ExchangeReply& reply) {
  reply = ExchangeReply();
  curl_easy_reset(easy);
  const bool secure = setup.flags & wininet::kFlagSecure;
  const std::string url = request_url(secure, setup.host, setup.port, setup.object_path);
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, redirect_protocols(secure, setup.flags));
  const bool follow = !(setup.flags & wininet::kFlagNoAutoRedirect);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION,
                   setup.version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_TCP_NODELAY, 1L);
  // Never blocks forever: a connection (name lookup and TLS included) must come up
  // within the connect bound (30 s), and a transfer that receives less than one
  // byte a second over the stall bound (30 s) is given up, with what arrived so far
  // kept. libcurl averages the speed over its last few seconds, so a stall after
  // data ends up to about five seconds later than the bound.
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, settings.limits.connect_timeout_seconds);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, settings.limits.stall_seconds);
  if (!settings.ca_file.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, settings.ca_file.c_str());
  set_proxy(easy, setup, secure);
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  // Without the caller's own cookies, cookies set during this exchange (on a
  // redirect, say) go along with its later requests; none are kept beyond it.
  if (!(setup.flags & wininet::kFlagNoCookies)) curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");

  std::unique_ptr<curl_slist, SlistFree> header_list;
  for (const std::string& line : curl_header_lines(headers, setup.agent)) {
    curl_slist* grown = curl_slist_append(header_list.get(), line.c_str());
    if (!grown) return false;
    header_list.release();
    header_list.reset(grown);
  }
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, header_list.get());
  set_method(easy, setup.verb, body);

  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, on_body);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &reply);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, on_header);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &reply);
  const CURLcode result = curl_easy_perform(easy);
  // The easy handle keeps pointers to this call's header list; drop them with it.
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);
  return result == CURLE_OK;
}

}  // namespace dorvane
