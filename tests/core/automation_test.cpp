#include "core/automation.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

namespace dorvane {
namespace {

constexpr std::string_view kTestProgId = "Dorvane.TestObject";
constexpr std::string_view kTestClassId = "{0E6B5C1D-2F0A-4C8E-9D51-7A3B2C1D0E9F}";

std::string number_text(double v) {
  std::string s = std::to_string(v);
  s.erase(s.find_last_not_of('0') + 1);
  if (s.back() == '.') s.pop_back();
  return s;
}

// Spells out every argument as the member received it: kind letter and value.
class TestObject : public AutomationServer {
 public:
  static inline int live = 0;
  TestObject() { ++live; }
  ~TestObject() override { --live; }

  const MemberTable* members() const override {
    using K = MemberKind;
    static const MemberTable table{
        {"Describe", K::kMethod, 3, false, &describe},
        {"Sum", K::kMethod, 0, true, &sum},
        {"Both", K::kPropertyGet, 0, false, &say<'g'>},
        {"Both", K::kMethod, 0, false, &say<'m'>},
        {"Setter", K::kMethod, 1, false, &say<'m'>},
        {"Setter", K::kPropertyPut, 1, false, &store},
        {"PutOnly", K::kPropertyPutRef, 1, false, &store},
        {"Stored", K::kPropertyGet, 0, false, &stored},
        {"Fail", K::kMethod, 0, false, &fail},
    };
    return &table;
  }

  Variant value;

 private:
  static std::int32_t describe(AutomationServer& self, std::span<Variant> args, Variant& out) {
    std::u16string text;
    for (const Variant& arg : args) {
      if (!text.empty()) text += u'|';
      std::string part;
      std::visit(
          [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
              part = "e";
            else if constexpr (std::is_same_v<T, Omitted>)
              part = "-";
            else if constexpr (std::is_same_v<T, std::int32_t>)
              part = "i:" + std::to_string(v);
            else if constexpr (std::is_same_v<T, std::int16_t>)
              part = "h:" + std::to_string(v);
            else if constexpr (std::is_same_v<T, std::uint8_t>)
              part = "c:" + std::to_string(v);
            else if constexpr (std::is_same_v<T, float>)
              part = "f:" + number_text(v);
            else if constexpr (std::is_same_v<T, double>)
              part = "d:" + number_text(v);
            else if constexpr (std::is_same_v<T, bool>)
              part = v ? "b:1" : "b:0";
            else if constexpr (std::is_same_v<T, ByteArray>)
              part = "a";
            else if constexpr (std::is_same_v<T, Int32Array>)
              part = "n";
            else if constexpr (std::is_same_v<T, ObjectRef>)
              part = v.get() == &self ? "o:self" : "o";
            else
              part = "s:";
          },
          arg.value);
      text.append(part.begin(), part.end());
      if (const auto* s = std::get_if<std::u16string>(&arg.value)) text += *s;
    }
    out.value = text;
    return kAutomationOk;
  }
  static std::int32_t sum(AutomationServer&, std::span<Variant> args, Variant& out) {
    double total = 0;
    for (const Variant& arg : args) total += variant_to_number(arg).value_or(0);
    out.value = total;
    return kAutomationOk;
  }
  template <char16_t c>
  static std::int32_t say(AutomationServer&, std::span<Variant>, Variant& out) {
    out.value = std::u16string(1, c);
    return kAutomationOk;
  }
  static std::int32_t store(AutomationServer& self, std::span<Variant> args, Variant&) {
    static_cast<TestObject&>(self).value = args[0];
    return kAutomationOk;
  }
  static std::int32_t stored(AutomationServer& self, std::span<Variant>, Variant& out) {
    out = static_cast<TestObject&>(self).value;
    return kAutomationOk;
  }
  static std::int32_t fail(AutomationServer&, std::span<Variant>, Variant&) { return -42; }
};

// Objects without type information, or that refuse to run.
class OpaqueObject : public AutomationServer {
 public:
  const MemberTable* members() const override { return nullptr; }
};
class RefusingObject : public TestObject {
 public:
  bool run() override { return false; }
};

class AutomationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    register_automation_class(kTestProgId, kTestClassId,
                              [] { return ObjectRef(std::make_shared<TestObject>()); });
    register_automation_class("Dorvane.Opaque", "{00000000-0000-0000-0000-000000000001}",
                              [] { return ObjectRef(std::make_shared<OpaqueObject>()); });
    register_automation_class("Dorvane.Refusing", "{00000000-0000-0000-0000-000000000002}",
                              [] { return ObjectRef(std::make_shared<RefusingObject>()); });
    register_automation_class("Dorvane.Nothing", "{00000000-0000-0000-0000-000000000003}",
                              [] { return ObjectRef(); });
    ASSERT_TRUE(create_object(object_, kTestProgId));
  }
  TestObject& test_object() { return static_cast<TestObject&>(*object_.ref); }

  AutomationObject object_;
};

TEST_F(AutomationTest, CreateObjectByEitherIdentifierAndKeepsTheHolderOnFailure) {
  struct Case {
    std::string_view name;
    bool created;
  };
  const Case cases[] = {
      {"Dorvane.TestObject", true},
      {"dorvane.testobject", true},  // registry names ignore case
      {"{0E6B5C1D-2F0A-4C8E-9D51-7A3B2C1D0E9F}", true},
      {"{0e6b5c1d-2f0a-4c8e-9d51-7a3b2c1d0e9f}", true},
      {"0E6B5C1D-2F0A-4C8E-9D51-7A3B2C1D0E9F", false},  // a class id needs its braces
      {"Dorvane.Unknown", false},
      {"{11111111-2222-3333-4444-555555555555}", false},
      {"", false},
      {"Dorvane.Refusing", false},
      {"Dorvane.Nothing", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name));
    const int live_before = TestObject::live;
    AutomationObject holder;
    ASSERT_TRUE(create_object(holder, kTestProgId));
    const ObjectRef before = holder.ref;
    EXPECT_EQ(create_object(holder, c.name), c.created);
    EXPECT_FALSE(object_is_empty(holder));
    if (c.created) {
      EXPECT_NE(holder.ref, before);
    } else {
      EXPECT_EQ(holder.ref, before);
      // A refusing object was made and must have been released again.
      EXPECT_EQ(TestObject::live, live_before + 1);
    }
  }
  AutomationObject empty;
  EXPECT_FALSE(create_object(empty, "Dorvane.Unknown"));
  EXPECT_TRUE(object_is_empty(empty));
}

TEST_F(AutomationTest, HoldersShareCountedReferences) {
  const int live_before = TestObject::live;
  AutomationObject copy;
  copy_object(copy, object_);
  clear_object(object_);
  EXPECT_TRUE(object_is_empty(object_));
  EXPECT_EQ(call_method<Text>(copy, "Both"), "m");  // still a live object
  EXPECT_EQ(TestObject::live, live_before);

  AutomationObject third;
  copy_object(third, object_);  // an empty source gives an empty holder
  EXPECT_TRUE(object_is_empty(third));
  clear_object(third);  // nothing happens on an empty holder

  clear_object(copy);
  EXPECT_EQ(TestObject::live, live_before - 1);  // the last reference let go
}

TEST_F(AutomationTest, InvocationConvertsArgumentsBindsMembersAndReportsFailures) {
  AutomationObject empty;
  AutomationObject opaque;
  ASSERT_TRUE(create_object(opaque, "Dorvane.Opaque"));
  Variant variant_argument{std::u16string(u"v")};
  const AutomationObject& o = object_;

  struct Case {
    const char* what;
    std::function<std::string()> call;
    std::string expected;
    std::int32_t code;
  };
  const auto text = [](Text t) { return t; };
  const auto number = [](double d) { return number_text(d); };
  const Case cases[] = {
      // Arguments, all by value.
      {"text", [&] { return text(call_method<Text>(o, "Describe", "下载", "")); }, "s:下载|s:|-",
       0},
      {"int32 and int64 cut to 32 bits",
       [&] {
         return text(call_method<Text>(o, "Describe", 7, std::int64_t{0x100000005},
                                       std::int64_t{0x80000000}));
       },
       "i:7|i:5|i:-2147483648", 0},
      {"small kinds",
       [&] {
         return text(call_method<Text>(o, "Describe", std::int16_t{-3}, std::uint8_t{200}, 1.5f));
       },
       "h:-3|c:200|f:1.5", 0},
      {"double, bool, variant",
       [&] { return text(call_method<Text>(o, "Describe", 2.25, true, variant_argument)); },
       "d:2.25|b:1|s:v", 0},
      {"object", [&] { return text(call_method<Text>(o, "Describe", o)); }, "o:self|-|-", 0},
      {"trailing omitted dropped",
       [&] { return text(call_method<Text>(o, "Describe", "a", Omitted{}, Omitted{}, Omitted{})); },
       "s:a|-|-", 0},
      {"omitted before a given one",
       [&] { return text(call_method<Text>(o, "Describe", Omitted{}, false)); }, "-|b:0|-", 0},
      {"too many arguments", [&] { return text(call_method<Text>(o, "Describe", 1, 2, 3, 4)); }, "",
       kAutomationTooManyArguments},
      {"variable list takes any count",
       [&] { return number(call_method<double>(o, "Sum", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10)); }, "55",
       0},
      {"names ignore case", [&] { return text(call_method<Text>(o, "DESCRIBE", 1)); }, "i:1|-|-",
       0},
      // Member kinds in order of preference.
      {"get prefers the property", [&] { return text(get_property<Text>(o, "Both")); }, "g", 0},
      {"call prefers the method", [&] { return text(call_method<Text>(o, "Both")); }, "m", 0},
      {"set prefers the write",
       [&] {
         const bool written = set_property(o, "Setter", 9);
         return std::to_string(written) + number(get_property<double>(o, "Stored"));
       },
       "19", 0},
      {"call reaches a write by reference",
       [&] {
         call_method<void>(o, "PutOnly", "x");
         return text(get_property<Text>(o, "Stored"));
       },
       "x", 0},
      {"get never binds a write", [&] { return number(get_property<double>(o, "PutOnly")); }, "0",
       kAutomationUnknownMember},
      // Failures give the empty value.
      {"empty holder number", [&] { return number(get_property<double>(empty, "Both")); }, "0",
       kAutomationNoObject},
      {"empty holder text", [&] { return text(call_method<Text>(empty, "Both")); }, "",
       kAutomationNoObject},
      {"empty holder bool", [&] { return std::to_string(call_method<bool>(empty, "Both")); }, "0",
       kAutomationNoObject},
      {"empty holder variant",
       [&] { return std::to_string(get_property<Variant>(empty, "Both").is_empty()); }, "1",
       kAutomationNoObject},
      {"empty holder set", [&] { return std::to_string(set_property(empty, "Setter", 1)); }, "0",
       kAutomationNoObject},
      {"no type information", [&] { return text(get_property<Text>(opaque, "Both")); }, "",
       kAutomationNotDrivable},
      {"unknown member", [&] { return number(get_property<double>(o, "Nope")); }, "0",
       kAutomationUnknownMember},
      {"member refuses", [&] { return text(call_method<Text>(o, "Fail")); }, "", -42},
      // Results.
      {"number from a string", [&] { return number(call_method<double>(o, "Sum", "12.5", 1)); },
       "13.5", 0},
      {"text from a number", [&] { return text(call_method<Text>(o, "Sum", 2, 3)); }, "5", 0},
      {"bool from a number", [&] { return std::to_string(call_method<bool>(o, "Sum", 2)); }, "1",
       0},
      {"number from a word fails", [&] { return number(get_property<double>(o, "Both")); }, "0",
       kAutomationBadResult},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.call(), c.expected);
    EXPECT_EQ(automation_failure_code(), c.code);
  }
}

TEST_F(AutomationTest, TextResultsComeBackInCodePage936) {
  struct Case {
    std::u16string stored;
    Text expected;
  };
  const Case cases[] = {
      {u"下载完毕", "下载完毕"},
      {u"a\u0E01b", "a?b"},  // Thai: not in code page 936
      {std::u16string(u"ab\0cd", 5), "ab"},     // cut at the first U+0000
      {u"", ""},
  };
  for (const Case& c : cases) {
    test_object().value.value = c.stored;
    EXPECT_EQ(get_property<Text>(object_, "Stored"), c.expected);
    EXPECT_EQ(automation_failure_code(), kAutomationOk);
  }
  test_object().value.value = Int32Array{{1}};
  EXPECT_EQ(get_property<Text>(object_, "Stored"), "");
  EXPECT_EQ(automation_failure_code(), kAutomationBadResult);
}

TEST(VariantTest, BytesOnlyFromOneByteArrays) {
  const auto bytes = std::make_shared<const Bytes>(Bytes{1, 2, 0, 255});
  struct Case {
    const char* what;
    Variant value;
    Bytes expected;
  };
  const Case cases[] = {
      {"byte array", {ByteArray{bytes}}, {1, 2, 0, 255}},
      {"empty byte array", {ByteArray{std::make_shared<const Bytes>()}}, {}},
      {"null byte array", {ByteArray{}}, {}},
      {"4-byte integers", {Int32Array{{1, 2}}}, {}},
      {"empty", {}, {}},
      {"number", {1.0}, {}},
      {"string as UTF-16 bytes", {std::u16string(u"A下")}, {0x41, 0x00, 0x0B, 0x4E}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(variant_to_bytes(c.value), c.expected);
  }

  // Copies of a Variant share the buffer; the view is the buffer itself.
  Variant body{ByteArray{bytes}};
  Variant copy = body;
  EXPECT_EQ(variant_byte_view(copy).data(), bytes->data());
  EXPECT_EQ(variant_byte_view(copy).size(), 4u);
  clear_variant(body);
  EXPECT_TRUE(body.is_empty());
  EXPECT_TRUE(variant_byte_view(body).empty());
  EXPECT_EQ(take_variant_bytes(copy), (Bytes{1, 2, 0, 255}));
  EXPECT_TRUE(copy.is_empty());
}

TEST_F(AutomationTest, FailureCodeBelongsToTheCallingThread) {
  get_property<double>(object_, "Nope");
  ASSERT_EQ(automation_failure_code(), kAutomationUnknownMember);
  std::int32_t other_before = 1;
  std::int32_t other_after = 1;
  std::thread other([&] {
    other_before = automation_failure_code();
    AutomationObject empty;
    call_method<void>(empty, "x");
    other_after = automation_failure_code();
  });
  other.join();
  EXPECT_EQ(other_before, kAutomationOk);
  EXPECT_EQ(other_after, kAutomationNoObject);
  EXPECT_EQ(automation_failure_code(), kAutomationUnknownMember);
  call_method<Text>(object_, "Both");
  EXPECT_EQ(automation_failure_code(), kAutomationOk);
}

}  // namespace
}  // namespace dorvane
