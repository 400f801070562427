// The "MSXML2.ServerXMLHTTP" class: the members the program calls by name,
// over one ServerXmlHttpTransfer per object.
#include "download/server_xml_http.h"

#include <algorithm>
#include <optional>

#include "core/automation.h"
#include "download/server_xml_http_text.h"
#include "download/server_xml_http_transfer.h"

namespace dorvane {
namespace {

std::string& ca_file() {
  static std::string path;
  return path;
}

bool omitted(const Variant& argument) {
  return std::holds_alternative<Omitted>(argument.value);
}

std::optional<std::u16string> text_argument(const Variant& argument) {
  if (omitted(argument)) return std::nullopt;
  return variant_to_string(argument);
}

bool is_header_name(std::u16string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char16_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           std::u16string_view(u"!#$%&'*+-.^_`|~").find(c) != std::u16string_view::npos;
  });
}

std::u16string_view trim_spaces(std::u16string_view s) {
  const auto first = s.find_first_not_of(u" \t");
  if (first == std::u16string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(u" \t") - first + 1);
}

class ServerXmlHttp final : public AutomationServer {
 public:
  ServerXmlHttp() : transfer_(ca_file()) {}

  const MemberTable* members() const override;
  bool run() override { return transfer_.ok(); }

  std::int32_t open(std::span<Variant> args, Variant&) {
    const std::optional<std::u16string> method = text_argument(args[0]);
    const std::optional<std::u16string> url = text_argument(args[1]);
    std::optional<bool> async = false;
    if (!omitted(args[2])) async = variant_to_bool(args[2]);
    if (!method || !url || !async) return kHttpBadArgument;
    if (!transfer_.open(utf16_to_utf8(*method), encode_request_url(*url))) return kHttpBadArgument;
    async_ = *async;
    return kAutomationOk;
  }

  std::int32_t set_request_header(std::span<Variant> args, Variant&) {
    const std::optional<std::u16string> name = text_argument(args[0]);
    const std::optional<std::u16string> raw_value = text_argument(args[1]);
    if (!name || !raw_value || !is_header_name(*name)) return kHttpBadArgument;
    const std::u16string_view value = trim_spaces(*raw_value);
    // A line break would let the value write header lines of its own.
    if (value.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string_view::npos) {
      return kHttpBadArgument;
    }
    // libcurl drops "Name:" without a value; "Name;" sends it empty.
    std::string line = utf16_to_utf8(*name);
    line += value.empty() ? ";" : ": " + utf16_to_utf8(value);
    return transfer_.add_header(std::move(line)) ? kAutomationOk : kHttpWrongState;
  }

  std::int32_t send(std::span<Variant>, Variant&) {
    if (!transfer_.send()) return kHttpWrongState;
    if (!async_) transfer_.wait(-1);
    return kAutomationOk;
  }

  std::int32_t ready_state(std::span<Variant>, Variant& result) {
    result.value = std::int32_t{transfer_.ready_state()};
    return kAutomationOk;
  }

  std::int32_t wait_for_response(std::span<Variant> args, Variant& result) {
    std::optional<double> seconds = -1.0;
    if (!omitted(args[0])) seconds = variant_to_number(args[0]);
    if (!seconds) return kHttpBadArgument;
    if (!transfer_.sent()) return kHttpWrongState;
    result.value = transfer_.wait(*seconds);
    return kAutomationOk;
  }

  std::int32_t abort(std::span<Variant>, Variant&) {
    transfer_.abort();
    return kAutomationOk;
  }

  std::int32_t status(std::span<Variant>, Variant& result) {
    const std::int32_t check = reply_check();
    if (check == kAutomationOk) result.value = std::int32_t{transfer_.status()};
    return check;
  }

  std::int32_t status_text(std::span<Variant>, Variant& result) {
    const std::int32_t check = reply_check();
    if (check == kAutomationOk) result.value = decode_wire_text(transfer_.reason());
    return check;
  }

  std::int32_t response_body(std::span<Variant>, Variant& result) {
    const std::int32_t check = reply_check();
    if (check != kAutomationOk) return check;
    if (!transfer_.complete()) return kHttpNoReply;
    result.value = ByteArray{transfer_.body()};
    return kAutomationOk;
  }

  std::int32_t get_response_header(std::span<Variant> args, Variant& result) {
    const std::optional<std::u16string> name = text_argument(args[0]);
    if (!name) return kHttpBadArgument;
    const std::int32_t check = reply_check();
    if (check != kAutomationOk) return check;
    const std::optional<std::string> value =
        is_header_name(*name) ? transfer_.header(utf16_to_utf8(*name)) : std::nullopt;
    result.value = value ? decode_wire_text(*value) : std::u16string();
    return kAutomationOk;
  }

 private:
  // Whether the reply head can be read: a request that failed never shows
  // what it got, so that a cut-off body cannot pass for a whole one.
  std::int32_t reply_check() const {
    if (transfer_.failed()) return kHttpRequestFailed;
    return transfer_.head_read() ? kAutomationOk : kHttpNoReply;
  }

  ServerXmlHttpTransfer transfer_;
  bool async_ = false;
};

template <std::int32_t (ServerXmlHttp::*method)(std::span<Variant>, Variant&)>
std::int32_t dispatch(AutomationServer& self, std::span<Variant> args, Variant& result) {
  return (static_cast<ServerXmlHttp&>(self).*method)(args, result);
}

const MemberTable* ServerXmlHttp::members() const {
  using K = MemberKind;
  static const MemberTable table{
      {"open", K::kMethod, 3, false, &dispatch<&ServerXmlHttp::open>},
      {"setRequestHeader", K::kMethod, 2, false, &dispatch<&ServerXmlHttp::set_request_header>},
      {"send", K::kMethod, 0, false, &dispatch<&ServerXmlHttp::send>},
      {"readyState", K::kPropertyGet, 0, false, &dispatch<&ServerXmlHttp::ready_state>},
      {"waitForResponse", K::kMethod, 1, false, &dispatch<&ServerXmlHttp::wait_for_response>},
      {"abort", K::kMethod, 0, false, &dispatch<&ServerXmlHttp::abort>},
      {"status", K::kPropertyGet, 0, false, &dispatch<&ServerXmlHttp::status>},
      {"statusText", K::kPropertyGet, 0, false, &dispatch<&ServerXmlHttp::status_text>},
      {"responseBody", K::kPropertyGet, 0, false, &dispatch<&ServerXmlHttp::response_body>},
      {"getResponseHeader", K::kMethod, 1, false, &dispatch<&ServerXmlHttp::get_response_header>},
  };
  return &table;
}

ObjectRef make_server_xml_http() {
  return std::make_shared<ServerXmlHttp>();
}

}  // namespace

void register_server_xml_http() {
  register_automation_class(kServerXmlHttpProgId, kServerXmlHttpClassId, &make_server_xml_http);
}

void set_server_xml_http_ca_file(std::string path) {
  ca_file() = std::move(path);
}

}  // namespace dorvane
