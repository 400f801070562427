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
//   write(variant_byte_view(body));  // no copy of the body
//   clear_variant(body);
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "core/text.h"

namespace dorvane {

class AutomationServer;
using ObjectRef = std::shared_ptr<AutomationServer>;

// An argument left out before a given one; members see it as "parameter not found".
struct Omitted {};

// An array of one-byte elements. The buffer is shared and never changed once
// it is in a Variant, so copying the Variant never copies the bytes.
struct ByteArray {
  std::shared_ptr<const Bytes> bytes;  // null: no elements
};
// An array of 4-byte integers: an array of another element type than bytes.
struct Int32Array {
  std::vector<std::int32_t> elements;
};

// An owned automation value. Strings are UTF-16, as automation strings are.
// There is no separate date kind: a date-time value is a double.
struct Variant {
  using Value = std::variant<std::monostate,  // empty
                             std::int32_t, std::int16_t, std::uint8_t, float, double, bool,
                             std::u16string, ByteArray, Int32Array, ObjectRef, Omitted>;
  Value value;

  bool is_empty() const { return std::holds_alternative<std::monostate>(value); }
};

// A copy of the bytes of a one-byte-element array held in the value. A string
// is taken as the array of its UTF-16 code units' bytes (little-endian), as
// the automation conversion of a string to a byte array gives. Anything else,
// or an array of another element type: empty.
Bytes variant_to_bytes(const Variant& value);
// The bytes of a one-byte-element array held in the value, without copying;
// valid while the Variant (or a copy of it) holds the array. Empty otherwise.
std::span<const std::uint8_t> variant_byte_view(const Variant& value);
// variant_to_bytes, then clear_variant.
Bytes take_variant_bytes(Variant& value);
void clear_variant(Variant& value);

// The automation value conversions, used for results and by members reading
// their arguments. nullopt when the value cannot be converted. Numbers and
// booleans convert to each other (true is -1); a string converts to a number
// when it is one, to a boolean when it is a number or "true"/"false"; empty
// gives 0, false or the empty string.
std::optional<double> variant_to_number(const Variant& value);
std::optional<bool> variant_to_bool(const Variant& value);
std::optional<std::u16string> variant_to_string(const Variant& value);

// ---- failure codes ----

// Values of automation_failure_code(); 0 means success. Members may return
// codes of their own (any other negative value).
enum AutomationFailure : std::int32_t {
  kAutomationOk = 0,
  kAutomationNoObject = -1,          // the holder is empty
  kAutomationNotDrivable = -2,       // the object has no member table
  kAutomationUnknownMember = -3,     // no member of an accepted kind has the name
  kAutomationTooManyArguments = -4,  // more arguments than declared, no variable list
  kAutomationMemberFailed = -5,      // the member refused the call
  kAutomationBadResult = -6,         // the result cannot become the kind asked for
};

// 0 after a call that succeeded, negative after one that failed (per thread).
std::int32_t automation_failure_code();

// ---- the object model ----

enum class MemberKind { kMethod, kPropertyGet, kPropertyPut, kPropertyPutRef };

// One member of a class. `invoke` receives the converted arguments padded with
// Omitted up to `param_count` (a variable list may bring more), the value of
// a property write last, and writes the result into `result` (left empty for
// none). It returns kAutomationOk or a negative failure code.
struct Member {
  using Invoke = std::int32_t (*)(AutomationServer& self, std::span<Variant> args, Variant& result);
  std::string_view name;  // ASCII; matched regardless of case
  MemberKind kind;
  int param_count;
  bool takes_variable_list;
  Invoke invoke;
};

// The members of one class, sorted once so that a lookup by name is a binary
// search without allocation. Keep one per class, e.g. a function-local static.
class MemberTable {
 public:
  MemberTable(std::initializer_list<Member> members);
  // The member of that name and kind, or nullptr.
  const Member* find(std::string_view name, MemberKind kind) const;

 private:
  std::vector<Member> members_;  // sorted by folded name, then kind
};

// Base of every object of a registered class.
class AutomationServer {
 public:
  virtual ~AutomationServer() = default;
  // The member table of the object's class; nullptr when the object cannot be
  // driven by name (it has no type information).
  virtual const MemberTable* members() const = 0;
  // Brings the object into its running state; false when it refuses.
  virtual bool run() { return true; }
};

// Makes a new object; nullptr when it cannot.
using ServerFactory = ObjectRef (*)();
// Registers (or replaces) a class under its programmatic identifier and its
// class identifier written out as "{...}". Both are matched regardless of case.
void register_automation_class(std::string_view prog_id, std::string_view class_id,
                               ServerFactory factory);

// ---- holders ----

class AutomationObject {
 public:
  ObjectRef ref;  // the held object; empty holder when null
};

// Creates an object of the class named by a programmatic identifier or a
// "{...}" class identifier. On failure the holder keeps what it held.
bool create_object(AutomationObject& holder, std::string_view class_name);
bool object_is_empty(const AutomationObject& holder);
void clear_object(AutomationObject& holder);
// The new holder refers to the same object as the source (one more reference).
void copy_object(AutomationObject& new_holder, const AutomationObject& source);

// ---- invoking members by name ----

// An argument as the caller hands it over, before conversion.
using Argument =
    std::variant<Omitted, std::string_view /* Text */, std::int32_t, std::int64_t, std::int16_t,
                 std::uint8_t, float, double, bool, const AutomationObject*, const Variant*>;

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

inline Argument to_argument(const Text& text) {
  return std::string_view(text);
}
inline Argument to_argument(const char* text) {
  return std::string_view(text);
}
inline Argument to_argument(std::string_view text) {
  return text;
}
inline Argument to_argument(std::int32_t value) {
  return value;
}
inline Argument to_argument(std::int64_t value) {
  return value;
}
inline Argument to_argument(std::int16_t value) {
  return value;
}
inline Argument to_argument(std::uint8_t value) {
  return value;
}
inline Argument to_argument(float value) {
  return value;
}
inline Argument to_argument(double value) {
  return value;
}
inline Argument to_argument(bool value) {
  return value;
}
inline Argument to_argument(Omitted value) {
  return value;
}
inline Argument to_argument(const AutomationObject& object) {
  return &object;
}
inline Argument to_argument(const Variant& value) {
  return &value;
}

template <class R>
constexpr ResultKind result_kind_of() {
  if constexpr (std::is_void_v<R>) {
    return ResultKind::kNone;
  } else if constexpr (std::is_same_v<R, double>) {
    return ResultKind::kNumber;
  } else if constexpr (std::is_same_v<R, Text>) {
    return ResultKind::kText;
  } else if constexpr (std::is_same_v<R, bool>) {
    return ResultKind::kBool;
  } else {
    static_assert(std::is_same_v<R, Variant>, "result kinds: void, double, Text, bool, Variant");
    return ResultKind::kVariant;
  }
}

template <class R>
R take(Result&& r) {
  if constexpr (std::is_void_v<R>) {
    return;
  } else if constexpr (std::is_same_v<R, double>) {
    return r.number;
  } else if constexpr (std::is_same_v<R, Text>) {
    return std::move(r.text);
  } else if constexpr (std::is_same_v<R, bool>) {
    return r.boolean;
  } else {
    return std::move(r.variant);
  }
}

template <class R, std::size_t N, class... Args>
R call(const AutomationObject& holder, std::string_view member, const MemberKind (&kinds)[N],
       const Args&... args) {
  const Argument converted[] = {Omitted{}, to_argument(args)...};
  return take<R>(invoke(holder, member, kinds,
                        std::span<const Argument>(converted + 1, sizeof...(Args)),
                        result_kind_of<R>()));
}

inline constexpr MemberKind kGetKinds[] = {MemberKind::kPropertyGet, MemberKind::kMethod};
inline constexpr MemberKind kCallKinds[] = {MemberKind::kMethod, MemberKind::kPropertyGet,
                                            MemberKind::kPropertyPut, MemberKind::kPropertyPutRef};
inline constexpr MemberKind kSetKinds[] = {MemberKind::kPropertyPut, MemberKind::kPropertyPutRef,
                                           MemberKind::kMethod};
}  // namespace automation_detail

// Reads a property (or calls a method) by name. R: double, Text or Variant.
template <class R, class... Args>
R get_property(const AutomationObject& holder, std::string_view member, const Args&... args) {
  return automation_detail::call<R>(holder, member, automation_detail::kGetKinds, args...);
}

// Calls a method by name. R: void, Text, double or bool.
template <class R, class... Args>
R call_method(const AutomationObject& holder, std::string_view member, const Args&... args) {
  return automation_detail::call<R>(holder, member, automation_detail::kCallKinds, args...);
}

// Writes a property by name; true when the write succeeded.
template <class V>
bool set_property(const AutomationObject& holder, std::string_view member, const V& value) {
  automation_detail::call<void>(holder, member, automation_detail::kSetKinds, value);
  return automation_failure_code() == kAutomationOk;
}

}  // namespace dorvane
