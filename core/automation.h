// Late-bound automation objects: objects created from a class name held in a
// text, whose members (methods, property reads, property writes) are found by
// name at run time, with arguments and results converted between the program's
// value kinds and automation values. No operation here shows a message or
// throws: every failure gives the empty value of the result asked for and sets
// the per-thread failure code.
//
// Usage:
//   AutomationObject http;
//   create_object(http, "MSXML2.ServerXMLHTTP");
//   call_method<void>(http, "open", "GET", url, true);
//   double state = get_property<double>(http, "readyState");
//   Variant body = get_property<Variant>(http, "responseBody");
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/text.h"

namespace dorvane {

class AutomationServer;
using ObjectRef = std::shared_ptr<AutomationServer>;

// An argument left out before a given one (passed as "parameter not found").
struct Omitted {};

// An owned automation value. Strings are UTF-16, as automation strings are.
struct Variant {
  struct Int32Array {
    std::vector<std::int32_t> elements;
  };
  using Value = std::variant<std::monostate,  // empty
                             std::int32_t, std::int16_t, std::uint8_t, float, double,
                             bool, std::u16string, Bytes,  // one-byte-element array
                             Int32Array, ObjectRef, Omitted>;
  Value value;

  bool is_empty() const { return std::holds_alternative<std::monostate>(value); }
};

// Bytes of a one-byte-element array held in the value; empty otherwise.
Bytes variant_to_bytes(const Variant& value);
// Moves the bytes out of the value and leaves it empty: variant_to_bytes then
// clear_variant without copying the buffer.
Bytes take_variant_bytes(Variant& value);
void clear_variant(Variant& value);

// ---- the object model ----

enum class MemberKind { kMethod, kPropertyGet, kPropertyPut, kPropertyPutRef };

// One member of a class: found by name and kind. `invoke` receives the
// arguments already converted (omitted ones as Omitted) and writes the result;
// false means the call failed.
struct Member {
  std::string name;
  MemberKind kind;
  int param_count;
  bool takes_variable_list = false;
  std::function<bool(AutomationServer& self, std::span<Variant> args, Variant& result)> invoke;
};

// Base of every object of a registered class.
class AutomationServer {
 public:
  virtual ~AutomationServer() = default;
  // The member table of the object's class; nullptr when the object cannot be
  // driven by name (it has no type information).
  virtual const std::vector<Member>* members() const = 0;
  // Brings the object into its running state; false when it refuses.
  virtual bool run() { return true; }
};

using ServerFactory = ObjectRef (*)();
// Registers (or replaces) a class under its programmatic identifier and its
// class identifier written out as "{...}".
void register_automation_class(std::string_view prog_id, std::string_view class_id,
                               ServerFactory factory);

// ---- holders ----

class AutomationObject {
 public:
  ObjectRef ref;  // the held object; empty holder when null
};

bool create_object(AutomationObject& holder, std::string_view class_name);
bool object_is_empty(const AutomationObject& holder);
void clear_object(AutomationObject& holder);
void copy_object(AutomationObject& new_holder, const AutomationObject& source);

// 0 after a call that succeeded, negative after one that failed (per thread).
std::int32_t automation_failure_code();

// ---- invoking members by name ----

// An argument as the caller hands it over, before conversion.
using Argument = std::variant<Omitted, std::string_view /* Text */, std::int32_t, std::int64_t,
                              std::int16_t, std::uint8_t, float, double, bool,
                              const AutomationObject*, const Variant*>;

namespace automation_detail {
enum class ResultKind { kNone, kNumber, kText, kBool, kVariant };
struct Result {
  double number = 0;
  Text text;
  bool boolean = false;
  Variant variant;
};
// kinds: the member kinds tried, in order of preference.
Result invoke(const AutomationObject& holder, std::string_view member,
              std::span<const MemberKind> kinds, std::span<const Argument> args,
              ResultKind result_kind);
Argument to_argument(const Text& text);
Argument to_argument(const char* text);
Argument to_argument(std::string_view text);
Argument to_argument(std::int32_t value);
Argument to_argument(std::int64_t value);
Argument to_argument(double value);
Argument to_argument(bool value);
Argument to_argument(Omitted value);
Argument to_argument(const AutomationObject& object);
Argument to_argument(const Variant& value);

template <class R>
constexpr ResultKind result_kind_of() {
  if constexpr (std::is_void_v<R>) return ResultKind::kNone;
  else if constexpr (std::is_same_v<R, double>) return ResultKind::kNumber;
  else if constexpr (std::is_same_v<R, Text>) return ResultKind::kText;
  else if constexpr (std::is_same_v<R, bool>) return ResultKind::kBool;
  else {
    static_assert(std::is_same_v<R, Variant>, "result kinds: void, double, Text, bool, Variant");
    return ResultKind::kVariant;
  }
}

template <class R>
R take(Result&& r) {
  if constexpr (std::is_void_v<R>) return;
  else if constexpr (std::is_same_v<R, double>) return r.number;
  else if constexpr (std::is_same_v<R, Text>) return std::move(r.text);
  else if constexpr (std::is_same_v<R, bool>) return r.boolean;
  else return std::move(r.variant);
}

template <class R, std::size_t N, class... Args>
R call(const AutomationObject& holder, std::string_view member,
       const MemberKind (&kinds)[N], const Args&... args) {
  const Argument converted[] = {Omitted{}, to_argument(args)...};
  return take<R>(invoke(holder, member, kinds,
                        std::span<const Argument>(converted + 1, sizeof...(Args)),
                        result_kind_of<R>()));
}
}  // namespace automation_detail

// Reads a property (or calls a method) by name. R: double, Text or Variant.
template <class R, class... Args>
R get_property(const AutomationObject& holder, std::string_view member, const Args&... args) {
  static constexpr MemberKind kinds[] = {MemberKind::kPropertyGet, MemberKind::kMethod};
  return automation_detail::call<R>(holder, member, kinds, args...);
}

// Calls a method by name. R: void, Text, double or bool.
template <class R, class... Args>
R call_method(const AutomationObject& holder, std::string_view member, const Args&... args) {
  static constexpr MemberKind kinds[] = {MemberKind::kMethod, MemberKind::kPropertyGet,
                                         MemberKind::kPropertyPut, MemberKind::kPropertyPutRef};
  return automation_detail::call<R>(holder, member, kinds, args...);
}

// Writes a property by name; true when the write succeeded.
template <class V>
bool set_property(const AutomationObject& holder, std::string_view member, const V& value) {
  static constexpr MemberKind kinds[] = {MemberKind::kPropertyPut, MemberKind::kPropertyPutRef,
                                         MemberKind::kMethod};
  automation_detail::call<void>(holder, member, kinds, value);
  return automation_failure_code() == 0;
}

}  // namespace dorvane
