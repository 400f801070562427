// Class registry, holders and the one invocation procedure shared by
// get_property, call_method and set_property.
#include "core/automation.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "core/codepage.h"

namespace dorvane {
namespace {

thread_local std::int32_t failure_code = kAutomationOk;

char fold(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares names with ASCII letters folded, as automation names are matched.
int compare_folded(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(fold(a[i]));
    const auto cb = static_cast<unsigned char>(fold(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

struct ClassEntry {
  std::string prog_id;
  std::string class_id;
  ServerFactory factory;
};

std::mutex registry_mutex;
std::vector<ClassEntry>& registry() {
  static std::vector<ClassEntry> classes;
  return classes;
}

ServerFactory find_factory(std::string_view class_name) {
  const bool by_class_id = !class_name.empty() && class_name.front() == '{';
  std::lock_guard lock(registry_mutex);
  for (const ClassEntry& entry : registry()) {
    const std::string& key = by_class_id ? entry.class_id : entry.prog_id;
    if (compare_folded(key, class_name) == 0) return entry.factory;
  }
  return nullptr;
}

std::u16string text_to_utf16(std::string_view text) {
  // Member names, addresses and header texts are nearly always ASCII; widen
  // those directly instead of going through the converter.
  if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })) {
    return std::u16string(text.begin(), text.end());
  }
  return cp936_to_utf16(text);
}

Variant convert_argument(const Argument& argument) {
  struct Converter {
    Variant::Value operator()(Omitted) const { return Omitted{}; }
    Variant::Value operator()(std::string_view text) const { return text_to_utf16(text); }
    Variant::Value operator()(std::int32_t v) const { return v; }
    // Automation integers are 32 bits wide: keep the low half.
    Variant::Value operator()(std::int64_t v) const {
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    }
    Variant::Value operator()(std::int16_t v) const { return v; }
    Variant::Value operator()(std::uint8_t v) const { return v; }
    Variant::Value operator()(float v) const { return v; }
    Variant::Value operator()(double v) const { return v; }
    Variant::Value operator()(bool v) const { return v; }
    Variant::Value operator()(const AutomationObject* object) const { return object->ref; }
    Variant::Value operator()(const Variant* value) const { return value->value; }
  };
  return Variant{std::visit(Converter{}, argument)};
}

std::int32_t convert_result(Variant&& value, automation_detail::ResultKind kind,
                            automation_detail::Result& result) {
  using automation_detail::ResultKind;
  switch (kind) {
    case ResultKind::kNone:
      return kAutomationOk;
    case ResultKind::kNumber: {
      const std::optional<double> number = variant_to_number(value);
      if (!number) return kAutomationBadResult;
      result.number = *number;
      return kAutomationOk;
    }
    case ResultKind::kText: {
      const std::optional<std::u16string> text = variant_to_string(value);
      if (!text) return kAutomationBadResult;
      const std::u16string_view whole(*text);
      result.text = utf16_to_cp936(whole.substr(0, whole.find(u'\0')));
      return kAutomationOk;
    }
    case ResultKind::kBool: {
      const std::optional<bool> flag = variant_to_bool(value);
      if (!flag) return kAutomationBadResult;
      result.boolean = *flag;
      return kAutomationOk;
    }
    case ResultKind::kVariant:
      result.variant = std::move(value);
      return kAutomationOk;
  }
  return kAutomationBadResult;
}

std::int32_t invoke_member(const AutomationObject& holder, std::string_view name,
                           std::span<const MemberKind> kinds, std::span<const Argument> args,
                           automation_detail::ResultKind result_kind,
                           automation_detail::Result& result) {
  // Our own reference: a member may empty the holder it was reached through.
  const ObjectRef self = holder.ref;
  if (!self) return kAutomationNoObject;
  const MemberTable* table = self->members();
  if (table == nullptr) return kAutomationNotDrivable;
  const Member* member = nullptr;
  for (MemberKind kind : kinds) {
    member = table->find(name, kind);
    if (member != nullptr) break;
  }
  if (member == nullptr) return kAutomationUnknownMember;

  std::size_t given = args.size();
  while (given > 0 && std::holds_alternative<Omitted>(args[given - 1])) --given;
  const auto declared = static_cast<std::size_t>(std::max(member->param_count, 0));
  if (given > declared && !member->takes_variable_list) return kAutomationTooManyArguments;

  // Most members take a handful of arguments: keep them off the heap.
  const std::size_t count = std::max(given, declared);
  std::array<Variant, 4> inline_args;
  std::vector<Variant> heap_args;
  std::span<Variant> converted(inline_args.data(), std::min(count, inline_args.size()));
  if (count > inline_args.size()) {
    heap_args.resize(count);
    converted = heap_args;
  }
  for (std::size_t i = 0; i < given; ++i) converted[i] = convert_argument(args[i]);
  for (std::size_t i = given; i < count; ++i) converted[i].value = Omitted{};

  Variant out;
  const std::int32_t code = member->invoke(*self, converted, out);
  if (code != kAutomationOk) return code < 0 ? code : kAutomationMemberFailed;
  return convert_result(std::move(out), result_kind, result);
}

}  // namespace

MemberTable::MemberTable(std::initializer_list<Member> members) : members_(members) {
  std::sort(members_.begin(), members_.end(), [](const Member& a, const Member& b) {
    const int order = compare_folded(a.name, b.name);
    return order != 0 ? order < 0 : a.kind < b.kind;
  });
}

const Member* MemberTable::find(std::string_view name, MemberKind kind) const {
  const auto it = std::lower_bound(members_.begin(), members_.end(), name,
                                   [kind](const Member& m, std::string_view key) {
                                     const int order = compare_folded(m.name, key);
                                     return order != 0 ? order < 0 : m.kind < kind;
                                   });
  if (it == members_.end() || it->kind != kind || compare_folded(it->name, name) != 0) {
    return nullptr;
  }
  return &*it;
}

void register_automation_class(std::string_view prog_id, std::string_view class_id,
                               ServerFactory factory) {
  std::lock_guard lock(registry_mutex);
  for (ClassEntry& entry : registry()) {
    if (compare_folded(entry.prog_id, prog_id) == 0) {
      entry = {std::string(prog_id), std::string(class_id), factory};
      return;
    }
  }
  registry().push_back({std::string(prog_id), std::string(class_id), factory});
}

bool create_object(AutomationObject& holder, std::string_view class_name) {
  const ServerFactory factory = find_factory(class_name);
  if (factory == nullptr) return false;
  ObjectRef object = factory();
  if (!object || !object->run()) return false;  // a refused object is released here
  holder.ref = std::move(object);
  return true;
}

bool object_is_empty(const AutomationObject& holder) {
  return !holder.ref;
}

void clear_object(AutomationObject& holder) {
  holder.ref.reset();
}

void copy_object(AutomationObject& new_holder, const AutomationObject& source) {
  new_holder.ref = source.ref;
}

std::int32_t automation_failure_code() {
  return failure_code;
}

namespace automation_detail {

Result invoke(const AutomationObject& holder, std::string_view member,
              std::span<const MemberKind> kinds, std::span<const Argument> args,
              ResultKind result_kind) {
  Result result;
  const std::int32_t code = invoke_member(holder, member, kinds, args, result_kind, result);
  if (code != kAutomationOk) result = Result{};
  failure_code = code;
  return result;
}

}  // namespace automation_detail
}  // namespace dorvane
