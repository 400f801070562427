#include "resolve/escape_decoding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/library_table.h"

namespace dorvane {
namespace {

// "ole32.dll" as the decoder sees it: records its calls and reports failure
// (RPC_E_CHANGED_MODE), which the decoder must not care about.
std::vector<std::string> com_calls;

std::int32_t recording_co_initialize(void* reserved) {
  com_calls.push_back(reserved == nullptr ? "CoInitialize(null)" : "CoInitialize(non-null)");
  return static_cast<std::int32_t>(0x80010106u);
}
void recording_co_uninitialize() {
  com_calls.push_back("CoUninitialize");
}

void* recording_ole32(std::string_view name) {
  if (name == "CoInitialize") return reinterpret_cast<void*>(&recording_co_initialize);
  if (name == "CoUninitialize") return reinterpret_cast<void*>(&recording_co_uninitialize);
  return nullptr;
}

// Registered before any test runs, so that entries 9 and 10 bind to it.
class RecordingOle32 : public ::testing::Environment {
 public:
  void SetUp() override { register_builtin_library("ole32.dll", &recording_ole32); }
};
[[maybe_unused]] ::testing::Environment* const kRecordingOle32 =
    ::testing::AddGlobalTestEnvironment(new RecordingOle32);

struct DecodeCase {
  Text escaped;
  Text decoded;
};

// Inputs are written as the resolver sends them (one backslash per "\\" here);
// literals are code page 936 bytes.
const std::vector<DecodeCase> kDecodeCases = {
    // JSON-style \u escapes, lower and upper case hex; capital \U is no escape.
    {"\\u4e2d\\u6587.txt", "中文.txt"},
    {"a\\u6587b", "a文b"},
    {"a\\u6587.txt", "a文.txt"},
    {"\\U4e2d", "U4e2d"},
    // unescape: "%XX" and "%uXXXX" only; a stray "%" and "+" stay.
    {"a%20b", "a b"},
    {"100%", "100%"},
    {"x%zz", "x%zz"},
    {"a+b", "a+b"},
    {"%u4E2D%u4e2d", "中中"},
    {"%u12 %4 %%41", "%u12 %4 %A"},
    // Apostrophes: decoded, plain, and the marker bytes A1 AF.
    {"it\\u0027s", "it's"},
    {"it's", "it's"},
    {"a\xA1\xAF"
     "b",
     "a'b"},
    {"%u2019", "'"},
    // Line breaks: a CRLF pair survives, a lone one makes the literal invalid;
    // a leading lone CR is dropped; the line break marker comes back as CRLF.
    {"line1\r\nline2", "line1\r\nline2"},
    {"line1\nline2", ""},
    {"a\rb", ""},
    {"\rabc", "abc"},
    {"\r\r\nx", "\r\nx"},
    {"a{$}b", "a\r\nb"},
    // Trailing backslashes: odd escapes the closing quote, even gives one backslash.
    {"end\\", ""},
    {"end\\\\", "end\\"},
    {"end\\\\\\", ""},
    // Single-character escapes, and a backslash before anything else.
    {"x\\/y", "x/y"},
    {"say \\\"hi\\\"", "say \"hi\""},
    {"\\b\\f\\n\\r\\t|", "\b\f\n\r\t|"},
    {"\\v\\q\\Z\\8", "vqZ8"},
    // Hex and legacy octal forms; short hex forms keep their letter.
    {"\\x41\\x4", "Ax4"},
    {"\\101\\60\\400\\7677", "A0 0>77"},
    // The result is cut at U+0000, however it was written.
    {"\\u0000abc", ""},
    {"ab%00cd", "ab"},
    {"a\\0b", "a"},
    // Characters that code page 936 lacks.
    {"\\u00df", "?"},
    // A GBK trail byte 0x5C is no backslash: '誠' is D5 5C.
    {"誠u", "誠u"},
    {"誠\\u6587", "誠文"},
    // 0x80 is one character in code page 936; the apostrophe after it stays text.
    {"\x80'+x+'", "\x80'+x+'"},
    {"", ""},
};

TEST(DecodeEscapes, DecodesEveryForm) {
  for (const DecodeCase& c : kDecodeCases) {
    EXPECT_EQ(decode_escapes(c.escaped), c.decoded) << "escaped: " << c.escaped;
  }
}

TEST(DecodeEscapes, RunsInsideACOMInitialisationOfItsOwn) {
  for (const Text escaped : {"", "a\\u6587", "end\\", "line1\nline2"}) {
    com_calls.clear();
    decode_escapes(escaped);
    EXPECT_EQ(com_calls, (std::vector<std::string>{"CoInitialize(null)", "CoUninitialize"}))
        << "escaped: " << escaped;
  }
}

}  // namespace
}  // namespace dorvane
