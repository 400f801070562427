#include "resolve/safe_file_name.h"

#include <gtest/gtest.h>

#include <vector>

namespace dorvane {
namespace {

struct NameCase {
  Text name;
  Text safe;
};

const std::vector<NameCase> kNameCases = {
    // Plain names pass unchanged, dots and blanks included.
    {"report.final.pdf", "report.final.pdf"},
    {" a b ", " a b "},
    {"...", "..."},
    {"中文.txt", "中文.txt"},
    {"", ""},
    // Ways out of the folder.
    {"..\\..\\x", ".._.._x"},
    {"../../etc/passwd", ".._.._etc_passwd"},
    {"a/b", "a_b"},
    {"\\\\.\\PhysicalDrive0", "__._PhysicalDrive0"},
    {".", "_"},
    {"..", "__"},
    // Drive colons and every colon with them.
    {"C:x", "C_x"},
    {"c:\\Windows\\a.dll", "c__Windows_a.dll"},
    // Control characters, a line break from the decoder among them.
    {"a\r\nb\tc\x7f"
     "d\x01",
     "a__b_c_d_"},
    // GBK trail bytes that equal "\" belong to their character: '誠' is D5 5C.
    {"誠.txt", "誠.txt"},
    {"誠\\誠", "誠_誠"},
};

TEST(SafeFileName, KeepsTheNameOnePlainFileName) {
  for (const NameCase& c : kNameCases) {
    EXPECT_EQ(safe_file_name(c.name), c.safe) << "name: " << c.name;
  }
}

}  // namespace
}  // namespace dorvane
