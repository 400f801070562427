#include "tests/support/http_request.h"

#include <algorithm>
#include <cctype>

namespace dorvane::testing {

namespace {

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Splits off the next line, without its CRLF or LF.
std::string_view next_line(std::string_view& rest) {
  auto end = rest.find('\n');
  std::string_view line = rest.substr(0, end);
  rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

std::optional<std::string> HttpRequest::header(std::string_view name) const {
  for (const std::string& line : header_lines) {
    std::string_view view = line;
    auto colon = view.find(':');
    if (colon != std::string_view::npos && same_name(trim(view.substr(0, colon)), name)) {
      return std::string(trim(view.substr(colon + 1)));
    }
  }
  return std::nullopt;
}

std::vector<std::string> HttpRequest::header_names() const {
  std::vector<std::string> names;
  for (const std::string& line : header_lines) {
    names.emplace_back(trim(std::string_view(line).substr(0, line.find(':'))));
  }
  return names;
}

std::optional<HttpRequest> parse_request_head(std::string_view head) {
  HttpRequest request;
  std::string_view rest = head;
  std::string_view line = next_line(rest);
  auto first_space = line.find(' ');
  auto last_space = line.rfind(' ');
  if (first_space == std::string_view::npos || first_space == last_space) return std::nullopt;
  request.method = line.substr(0, first_space);
  request.target = line.substr(first_space + 1, last_space - first_space - 1);
  request.version = line.substr(last_space + 1);
  if (request.method.empty() || request.target.empty() || request.version.rfind("HTTP/", 0) != 0) {
    return std::nullopt;
  }
  while (!rest.empty()) {
    line = next_line(rest);
    if (line.empty()) return request;
    if (line.find(':') == std::string_view::npos) return std::nullopt;
    request.header_lines.emplace_back(line);
  }
  return std::nullopt;  // no blank line closed the head
}

}  // namespace dorvane::testing
