#include "download/server_xml_http_transfer.h"

#include <time.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <new>

#include "download/server_xml_http.h"

namespace dorvane {
namespace {

// Large enough that a whole chunk of the downloader (at most 255 KB) arrives
// in one read.
constexpr long kReceiveBufferBytes = 512 * 1024;
constexpr long kMaxRedirects = 10;

double now_seconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

bool equal_folded(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
  });
}

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool is_token(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
  });
}

}  // namespace

ServerXmlHttpTransfer::ServerXmlHttpTransfer(const std::string& ca_file) {
  static const bool curl_ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  if (!curl_ready) return;
  easy_ = curl_easy_init();
  multi_ = curl_multi_init();
  if (!ok()) return;
  curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy_, CURLOPT_TCP_NODELAY, 1L);
  curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
  curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  // Addresses from replies are untrusted: nothing but http and https, ever.
  curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy_, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  if (!ca_file.empty()) {
    curl_easy_setopt(easy_, CURLOPT_CAINFO, ca_file.c_str());
    curl_easy_setopt(easy_, CURLOPT_CAPATH, nullptr);
  }
  curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &ServerXmlHttpTransfer::on_header);
  curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &ServerXmlHttpTransfer::on_body);
  curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
  body_ = std::make_shared<Bytes>();
}

ServerXmlHttpTransfer::~ServerXmlHttpTransfer() {
  detach();
  if (multi_ != nullptr) curl_multi_cleanup(multi_);
  if (easy_ != nullptr) curl_easy_cleanup(easy_);
  curl_slist_free_all(header_list_);
}

bool ServerXmlHttpTransfer::open(std::string_view method, const std::string& url) {
  detach();
  reset_reply();
  pending_headers_.clear();
  opened_ = false;
  sent_ = false;
  if (!ok() || !is_token(method)) return false;
  std::string verb(method);
  for (char& c : verb) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, nullptr);
  head_only_ = verb == "HEAD";
  if (head_only_) {
    curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
  } else if (verb != "GET") {
    curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, verb.c_str());
  }
  if (curl_easy_setopt(easy_, CURLOPT_URL, url.c_str()) != CURLE_OK) return false;
  opened_ = true;
  return true;
}

bool ServerXmlHttpTransfer::add_header(std::string line) {
  if (!opened_ || sent_) return false;
  pending_headers_.push_back(std::move(line));
  return true;
}

bool ServerXmlHttpTransfer::send() {
  if (!opened_ || sent_) return false;
  curl_slist_free_all(header_list_);
  header_list_ = nullptr;
  bool listed = true;
  for (const std::string& line : pending_headers_) {
    curl_slist* longer = curl_slist_append(header_list_, line.c_str());
    if (longer == nullptr) {
      listed = false;
      break;
    }
    header_list_ = longer;
  }
  pending_headers_.clear();
  curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, header_list_);
  reset_reply();
  sent_ = true;
  if (!listed || curl_multi_add_handle(multi_, easy_) != CURLM_OK) {
    done_ = true;
    failed_ = true;
    return true;
  }
  in_flight_ = true;
  step();  // puts the request on the wire before returning
  return true;
}

int ServerXmlHttpTransfer::ready_state() {
  step();
  if (done_) return 4;
  if (!opened_) return 0;
  if (body_started_) return 3;
  if (head_read_) return 2;
  return 1;
}

bool ServerXmlHttpTransfer::wait(double seconds) {
  if (!sent_) return false;
  const double deadline = now_seconds() + seconds;
  for (;;) {
    step();
    if (!in_flight_) return done_;
    int timeout_ms = INT_MAX;
    if (seconds >= 0) {
      const double remaining = deadline - now_seconds();
      if (remaining <= 0) return false;
      timeout_ms = static_cast<int>(std::min(std::ceil(remaining * 1000), double{INT_MAX}));
    }
    // Returns as soon as the socket has something for libcurl, or when
    // libcurl's own timers are due.
    curl_multi_poll(multi_, nullptr, 0, timeout_ms, nullptr);
  }
}

void ServerXmlHttpTransfer::abort() {
  if (done_) return;
  detach();
  reset_reply();
  pending_headers_.clear();
  opened_ = false;
  sent_ = false;
}

std::optional<std::string> ServerXmlHttpTransfer::header(std::string_view name) const {
  std::optional<std::string> joined;
  for (const auto& [key, value] : headers_) {
    if (!equal_folded(key, name)) continue;
    if (joined) {
      *joined += ", ";
      *joined += value;
    } else {
      joined = value;
    }
  }
  return joined;
}

std::size_t ServerXmlHttpTransfer::on_header(char* data, std::size_t size, std::size_t count,
                                             void* self) {
  const bool accepted =
      static_cast<ServerXmlHttpTransfer*>(self)->header_line(std::string_view(data, size * count));
  return accepted ? size * count : 0;
}

std::size_t ServerXmlHttpTransfer::on_body(char* data, std::size_t size, std::size_t count,
                                           void* self) {
  // Never let an exception cross libcurl's C frames: a failed append fails the request.
  try {
    if (static_cast<ServerXmlHttpTransfer*>(self)->append_body(data, size * count)) {
      return size * count;
    }
  } catch (const std::bad_alloc&) {
  }
  return 0;
}

bool ServerXmlHttpTransfer::header_line(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.starts_with("HTTP/")) {
    // A new reply head: an interim (1xx) reply or a redirect came before it.
    headers_.clear();
    head_read_ = false;
    body_started_ = false;
    body_->clear();
    std::string_view rest = line.substr(std::min(line.find(' '), line.size()));
    rest.remove_prefix(std::min<std::size_t>(1, rest.size()));
    const std::string_view code = rest.substr(0, rest.find(' '));
    status_ = 0;
    std::from_chars(code.data(), code.data() + code.size(), status_);
    reason_ = code.size() < rest.size() ? std::string(rest.substr(code.size() + 1)) : "";
    return true;
  }
  if (line.empty()) {
    head_read_ = status_ >= 200;
    return true;
  }
  if (line.front() == ' ' || line.front() == '\t') {  // a folded continuation line
    if (!headers_.empty()) {
      headers_.back().second += ' ';
      headers_.back().second += trim(line);
    }
    return true;
  }
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return true;
  const std::string_view name = line.substr(0, colon);
  const std::string_view value = trim(line.substr(colon + 1));
  headers_.emplace_back(name, value);
  if (!head_only_ && equal_folded(name, "Content-Length")) {
    // Room for the whole body up front, so that it arrives without a reallocation.
    std::int64_t length = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
    if (error == std::errc::result_out_of_range) return false;
    if (error == std::errc() && length > kServerXmlHttpMaxBody) return false;
    if (error == std::errc() && length > 0) body_->reserve(static_cast<std::size_t>(length));
  }
  return true;
}

bool ServerXmlHttpTransfer::append_body(const char* data, std::size_t size) {
  if (body_->size() + size > static_cast<std::size_t>(kServerXmlHttpMaxBody)) return false;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
  body_->insert(body_->end(), bytes, bytes + size);
  body_started_ = true;
  return true;
}

void ServerXmlHttpTransfer::step() {
  if (!in_flight_) return;
  int running = 0;
  curl_multi_perform(multi_, &running);
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
    if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) {
      finish(message->data.result);
    }
  }
}

void ServerXmlHttpTransfer::finish(CURLcode result) {
  detach();
  done_ = true;
  failed_ = result != CURLE_OK || !head_read_;
}

void ServerXmlHttpTransfer::detach() {
  if (!in_flight_) return;
  curl_multi_remove_handle(multi_, easy_);
  in_flight_ = false;
}

void ServerXmlHttpTransfer::reset_reply() {
  done_ = false;
  failed_ = false;
  head_read_ = false;
  body_started_ = false;
  status_ = 0;
  reason_.clear();
  headers_.clear();
  // A body still held by a reader stays as it is; otherwise its room is reused.
  if (body_ && body_.use_count() == 1) {
    body_->clear();
  } else {
    body_ = std::make_shared<Bytes>();
  }
}

}  // namespace dorvane
