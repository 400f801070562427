#include "http/fetch_preparation.h"

#include "http/wininet_constants.h"

namespace dorvane {

Text header_value(std::string_view text) {
  const std::int32_t colon = find_text(text, ":");
  if (colon == -1) return {};
  return trim_text(text_right(text, text_length(text) - colon));
}

Text request_verb(std::int32_t method) {
  return method == 1 ? "POST" : "GET";
}

bool is_secure_url(std::string_view url) {
  return to_lower(text_left(url, 5)) == "https";
}

Text choose_agent(std::string_view headers) {
  if (find_text(headers, "User-Agent:", std::nullopt, true) == -1) return kDefaultAgent;
  // The extraction is case-sensitive and needs a line end after the value; when it
  // finds nothing the value of the whole text's first header line stands in.
  Text agent = trim_text(text_between(headers, "User-Agent:", "\r\n"));
  if (agent.empty()) agent = header_value(headers);
  return agent;
}

ProxySettings proxy_settings(std::string_view url, std::string_view proxy) {
  if (proxy.empty()) return {wininet::kOpenTypeDirect, std::nullopt, std::nullopt};
  Text list = is_secure_url(url) ? Text(proxy) : concat_text({"http=", proxy});
  return {wininet::kOpenTypeProxy, std::move(list), Text()};
}

std::uint32_t request_flags(std::string_view url, bool cookies_supplied, bool no_redirect) {
  std::uint32_t flags = wininet::kFlagReload | wininet::kFlagNeedFile;
  if (cookies_supplied) flags |= wininet::kFlagNoCookies;
  if (no_redirect) flags |= wininet::kFlagNoAutoRedirect;
  flags |= is_secure_url(url) ? wininet::kFlagSecure : wininet::kFlagIgnoreRedirectToHttps;
  return flags;
}

Text complete_headers(std::string_view headers, std::string_view url, std::string_view cookies) {
  Text out(headers);
  if (out.empty()) {
    out = "Accept: */*";
  } else if (find_text(out, "Accept:") == -1) {
    out += "\r\nAccept: */*";
  }
  if (find_text(out, "Referer:") == -1) out += concat_text({"\r\nReferer: ", url});
  if (find_text(out, "Accept-Language:") == -1) out += "\r\nAccept-Language: zh-cn";
  if (find_text(out, "Content-Type:") == -1) {
    out += "\r\nContent-Type: application/x-www-form-urlencoded";
  }
  if (!cookies.empty()) out += concat_text({"\r\nCookie: ", cookies});
  return out;
}

Text normalise_set_cookie(std::string_view header_block) {
  return replace_text(header_block, "Set-Cookie", "Set-Cookie", std::nullopt, std::nullopt, false);
}

Text extract_reply_cookies(std::string_view header_block) {
  Text cookies;
  for (const Text& line : split_text(header_block, "\r\n")) {
    if (find_text(line, "Set-Cookie") == -1) continue;
    // A line that merely contains the word counts too; its value may come out empty.
    if (find_text(line, ";") != -1) {
      cookies += trim_text(text_between(line, "Set-Cookie:", ";"));
    } else {
      cookies +=
          trim_text(replace_text(line, "Set-Cookie:", "", std::nullopt, std::nullopt, false));
    }
    cookies += "; ";
  }
  return text_left(cookies, text_length(cookies) - 2);
}

}  // namespace dorvane
