// One libcurl easy handle on a multi handle of its own, driven on the calling
// thread: the machinery under the "MSXML2.ServerXMLHTTP" class. The handles
// live as long as the object, so consecutive requests reuse the connection.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text.h"

namespace dorvane {

class ServerXmlHttpTransfer {
 public:
  explicit ServerXmlHttpTransfer(const std::string& ca_file);
  ~ServerXmlHttpTransfer();
  ServerXmlHttpTransfer(const ServerXmlHttpTransfer&) = delete;
  ServerXmlHttpTransfer& operator=(const ServerXmlHttpTransfer&) = delete;

  // false when libcurl could not give its handles.
  bool ok() const { return easy_ != nullptr && multi_ != nullptr; }

  // Prepares a request, cancelling one in flight. false for a method that is
  // not an HTTP token or an address libcurl refuses to take.
  bool open(std::string_view method, const std::string& url);
  // Only between open and send; `line` is "Name: value" or "Name;".
  bool add_header(std::string line);
  // Starts the request and returns; false when not opened or already sent.
  bool send();
  bool sent() const { return sent_; }
  // One non-blocking step, then 0 unsent, 1 opened/sent, 2 head read,
  // 3 body arriving, 4 complete or failed.
  int ready_state();
  // Drives the request until complete or `seconds` pass (negative: no limit).
  bool wait(double seconds);
  // Cancels a request in flight (back to unsent); a complete one is kept.
  void abort();

  bool complete() const { return done_; }
  bool failed() const { return done_ && failed_; }
  bool head_read() const { return head_read_; }
  int status() const { return status_; }
  const std::string& reason() const { return reason_; }
  // Values of the named header of the final reply, joined with ", ".
  std::optional<std::string> header(std::string_view name) const;
  // The body, shared with whoever reads it; never changed once handed out.
  std::shared_ptr<const Bytes> body() const { return body_; }

 private:
  static std::size_t on_header(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* self);
  // false refuses the reply (a body larger than we take).
  bool header_line(std::string_view line);
  bool append_body(const char* data, std::size_t size);
  void step();
  void finish(CURLcode result);
  void detach();
  void reset_reply();

  CURL* easy_ = nullptr;
  CURLM* multi_ = nullptr;
  curl_slist* header_list_ = nullptr;
  std::vector<std::string> pending_headers_;
  bool head_only_ = false;  // a HEAD request: no body will follow
  bool opened_ = false;
  bool sent_ = false;
  bool in_flight_ = false;
  bool done_ = false;
  bool failed_ = false;
  bool head_read_ = false;
  bool body_started_ = false;
  int status_ = 0;
  std::string reason_;
  std::vector<std::pair<std::string, std::string>> headers_;
  std::shared_ptr<Bytes> body_;
};

}  // namespace dorvane
