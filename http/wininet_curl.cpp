#include "http/wininet_curl.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "core/library_table.h"
#include "http/curl_exchange.h"
#include "http/wininet_constants.h"

namespace dorvane {
namespace {

struct InternetObject {
  virtual ~InternetObject() = default;
};

struct Session : InternetObject {
  std::string agent;
  std::uint32_t access_type = 0;
  std::string proxy_list;
  std::string bypass_list;
};

struct Connection : InternetObject {
  Session session;
  std::string host;
  std::int32_t port = 0;
};

// One easy handle per request handle. The whole exchange runs in HttpSendRequestA;
// InternetReadFile then hands out the body that arrived.
struct Request : InternetObject {
  ~Request() override { curl_easy_cleanup(easy); }
  CURL* easy = nullptr;
  ExchangeSetup setup;
  std::string body;  // the request body, kept for libcurl while it sends
  ExchangeReply reply;
  std::size_t read_offset = 0;
};

// Handles are plain addresses to the caller; only the ones handed out and not yet
// closed are accepted back, so a stale or foreign handle fails instead of crashing.
struct HandleTable {
  std::mutex mutex;
  std::unordered_map<Handle, std::unique_ptr<InternetObject>> live;
  TransportSettings settings;
};

HandleTable& table() {
  static HandleTable instance;
  return instance;
}

Handle add(std::unique_ptr<InternetObject> object) {
  HandleTable& t = table();
  std::lock_guard lock(t.mutex);
  Handle handle = object.get();
  t.live.emplace(handle, std::move(object));
  return handle;
}

template <class T>
T* find(Handle handle) {
  HandleTable& t = table();
  std::lock_guard lock(t.mutex);
  auto it = t.live.find(handle);
  return it == t.live.end() ? nullptr : dynamic_cast<T*>(it->second.get());
}

std::string text_or_empty(const char* text) {
  return text ? text : "";
}

Handle internet_open(const char* agent, std::uint32_t access_type, const char* proxy,
                     const char* proxy_bypass, std::uint32_t /*flags*/) {
  auto session = std::make_unique<Session>();
  session->agent = text_or_empty(agent);
  session->access_type = access_type;
  session->proxy_list = text_or_empty(proxy);
  session->bypass_list = text_or_empty(proxy_bypass);
  return add(std::move(session));
}

// User name and password are not supported: nothing of the program sends them.
Handle internet_connect(Handle internet, const char* host, std::int32_t port, const char*,
                        const char*, std::uint32_t service, std::uint32_t, Word) {
  const Session* session = find<Session>(internet);
  if (!session || !host || !*host || service != wininet::kServiceHttp) return nullptr;
  auto connection = std::make_unique<Connection>();
  connection->session = *session;
  connection->host = host;
  connection->port = port;
  return add(std::move(connection));
}

// Referrer and accept types are not supported: the program passes neither.
Handle http_open_request(Handle connection, const char* verb, const char* object_path,
                         const char* version, const char*, const char**, std::uint32_t flags,
                         Word) {
  const Connection* parent = find<Connection>(connection);
  if (!parent) return nullptr;
  auto request = std::make_unique<Request>();
  request->easy = curl_easy_init();
  if (!request->easy) return nullptr;
  ExchangeSetup& setup = request->setup;
  setup.agent = parent->session.agent;
  setup.access_type = parent->session.access_type;
  setup.proxy_list = parent->session.proxy_list;
  setup.bypass_list = parent->session.bypass_list;
  setup.host = parent->host;
  setup.port = parent->port;
  setup.verb = verb && *verb ? verb : "GET";
  setup.object_path = object_path && *object_path ? object_path : "/";
  setup.version = version && *version ? version : "HTTP/1.1";
  setup.flags = flags;
  return add(std::move(request));
}

std::int32_t http_send_request(Handle handle, const char* headers, std::uint32_t headers_length,
                               const void* optional, std::uint32_t optional_length) {
  Request* request = find<Request>(handle);
  if (!request) return 0;
  std::string_view header_text;
  if (headers) {
    // A length of -1 means the text runs to its NUL.
    header_text = headers_length == 0xFFFFFFFFu ? std::string_view(headers)
                                                : std::string_view(headers, headers_length);
  }
  request->body.assign(optional ? static_cast<const char*>(optional) : "",
                       optional ? optional_length : 0);
  request->read_offset = 0;
  TransportSettings settings;
  {
    std::lock_guard lock(table().mutex);
    settings = table().settings;
  }
  return perform_exchange(request->easy, request->setup, header_text, request->body, settings,
                          request->reply)
             ? 1
             : 0;
}

std::int32_t internet_read_file(Handle handle, void* buffer, std::uint32_t size,
                                std::uint32_t* bytes_read) {
  if (!bytes_read) return 0;
  *bytes_read = 0;
  Request* request = find<Request>(handle);
  if (!request || (!buffer && size > 0)) return 0;
  const std::string& body = request->reply.body;
  const std::size_t n = std::min<std::size_t>(size, body.size() - request->read_offset);
  std::memcpy(buffer, body.data() + request->read_offset, n);
  request->read_offset += n;
  *bytes_read = static_cast<std::uint32_t>(n);
  return 1;
}

// Only the raw header block is asked for. Too small a buffer fails and reports the
// length needed (NUL included); no reply at all fails and reports 0.
std::int32_t http_query_info(Handle handle, std::uint32_t info_level, void* buffer,
                             std::uint32_t* buffer_length, std::uint32_t*) {
  const Request* request = find<Request>(handle);
  if (!request || !buffer_length || info_level != wininet::kQueryRawHeadersCrlf) return 0;
  const std::string& block = request->reply.header_block;
  if (block.empty()) {
    *buffer_length = 0;
    return 0;
  }
  const auto needed = static_cast<std::uint32_t>(block.size() + 1);
  if (!buffer || *buffer_length < needed) {
    *buffer_length = needed;
    return 0;
  }
  std::memcpy(buffer, block.c_str(), needed);
  *buffer_length = needed - 1;
  return 1;
}

std::int32_t internet_close_handle(Handle handle) {
  std::unique_ptr<InternetObject> closing;  // destroyed outside the lock
  HandleTable& t = table();
  std::lock_guard lock(t.mutex);
  auto it = t.live.find(handle);
  if (it == t.live.end()) return 0;
  closing = std::move(it->second);
  t.live.erase(it);
  return 1;
}

void* lookup(std::string_view name) {
  struct Export {
    std::string_view name;
    void* address;
  };
  static const Export kExports[] = {
      {"InternetOpenA", reinterpret_cast<void*>(&internet_open)},
      {"InternetConnectA", reinterpret_cast<void*>(&internet_connect)},
      {"HttpOpenRequestA", reinterpret_cast<void*>(&http_open_request)},
      {"HttpSendRequestA", reinterpret_cast<void*>(&http_send_request)},
      {"InternetReadFile", reinterpret_cast<void*>(&internet_read_file)},
      {"HttpQueryInfoA", reinterpret_cast<void*>(&http_query_info)},
      {"InternetCloseHandle", reinterpret_cast<void*>(&internet_close_handle)},
  };
  for (const Export& e : kExports) {
    if (e.name == name) return e.address;
  }
  return nullptr;
}

}  // namespace

void register_wininet_transport() {
  static std::once_flag once;
  std::call_once(once, [] {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    register_builtin_library("wininet.dll", lookup);
  });
}

void set_wininet_ca_file(std::string path) {
  std::lock_guard lock(table().mutex);
  table().settings.ca_file = std::move(path);
}

void set_wininet_limits(WininetLimits limits) {
  std::lock_guard lock(table().mutex);
  table().settings.limits = limits;
}

}  // namespace dorvane
