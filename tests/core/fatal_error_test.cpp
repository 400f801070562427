// The fatal stop: its box text, the presenter, exit status 255, and the stops
// raised by list positions and by memory exhaustion, each in a real process.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <string_view>
#include <unistd.h>

#include "core/codepage.h"
#include "core/fatal_error.h"
#include "core/text.h"

namespace dorvane {
namespace {

using ::testing::ExitedWithCode;

std::string utf8(std::u8string_view s) { return std::string(s.begin(), s.end()); }

// A regular expression matching `text` literally.
std::string literally(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (std::string_view(".[]{}()\\*+?^$|").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

TEST(FatalErrorText, BoxText) {
  struct Case {
    std::int32_t code;
    std::string message;
    std::u8string want;
  } cases[] = {
      {0, "", u8"运行时出错!\r\n\r\n"},
      {4, "", u8"运行时出错!\r\n\r\n错误代码：4\r\n\r\n"},
      {0, "载入启动窗口失败", u8"运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"},
      {-6, "x", u8"运行时出错!\r\n\r\n错误代码：-6\r\n\r\n错误信息：x\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cp936_to_utf8(fatal_error_text(c.code, c.message)), utf8(c.want));
  }
}

TEST(FatalErrorText, FormattedMessages) {
  EXPECT_EQ(cp936_to_utf8(allocation_failed_message(12345678901ull)),
            utf8(u8"分配 12345678901 字节内存失败!"));
  EXPECT_EQ(cp936_to_utf8(library_function_missing_message("jedata.dll", "SkinH_AttachEx")),
            utf8(u8"无法找到指定DLL库文件“jedata.dll”中的输出命令“SkinH_AttachEx”"));
  EXPECT_EQ(cp936_to_utf8(library_function_missing_message("%s", "b")),
            utf8(u8"无法找到指定DLL库文件“%s”中的输出命令“b”"));
}

void presenter_marking_its_arguments(const Text& title, const Text& text) {
  const std::string line = "presented<" + cp936_to_utf8(title) + "/" + cp936_to_utf8(text) + ">";
  (void)!write(STDERR_FILENO, line.data(), line.size());
}

TEST(FatalErrorDeathTest, InstalledPresenterGetsTitleAndTextThenExit255) {
  EXPECT_EXIT(
      {
        set_fatal_presenter(presenter_marking_its_arguments);
        fatal_error(6, kStackErrorMessage);
      },
      ExitedWithCode(255),
      literally(utf8(u8"presented<错误/运行时出错!\r\n\r\n错误代码：6\r\n\r\n"
                     u8"错误信息：调用DLL命令后发现堆栈错误\r\n>")));
}

TEST(FatalErrorDeathTest, ListPositionOutsideTheList) {
  const TextList list{"a", "b"};
  struct Case {
    std::int32_t position;
    std::u8string code_line, message_line;
  } cases[] = {
      {0, u8"错误代码：4", u8"错误信息：数组成员引用下标必须大于等于1"},
      {-1, u8"错误代码：4", u8"错误信息：数组成员引用下标必须大于等于1"},
      {3, u8"错误代码：1", u8"错误信息：数组成员引用下标超出定义范围"},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(list_item(list, c.position), ExitedWithCode(255),
                literally(utf8(u8"错误\n运行时出错!\r\n\r\n") + utf8(c.code_line) +
                          "\r\n\r\n" + utf8(c.message_line) + "\r\n"))
        << c.position;
  }
}

// Keeps the compiler from dropping an allocation whose result is unused.
void keep(void* p) { asm volatile("" : : "r"(p) : "memory"); }

TEST(FatalErrorDeathTest, ImpossibleAllocationEndsInTheFatalStop) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer reports impossible allocations itself";
#endif
  volatile std::size_t huge = std::size_t{1} << 50;  // beyond any address space
  const std::string want = utf8(u8"错误信息：分配 1125899906842624 字节内存失败!");
  EXPECT_EXIT(keep(::operator new(huge)), ExitedWithCode(255), literally(want));
  EXPECT_EXIT(keep(new char[huge]), ExitedWithCode(255), literally(want));
  EXPECT_EXIT(keep(::operator new(huge, std::align_val_t{64})), ExitedWithCode(255),
              literally(want));
  EXPECT_EXIT(Text(huge, 'x'), ExitedWithCode(255), literally(utf8(u8"字节内存失败!")));
  // The nothrow forms keep their promise to return null.
  EXPECT_EQ(::operator new(huge, std::nothrow), nullptr);
  EXPECT_EQ(::operator new[](huge, std::align_val_t{64}, std::nothrow), nullptr);
}

}  // namespace
}  // namespace dorvane
