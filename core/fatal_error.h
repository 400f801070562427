// The program's single fatal stop: a box titled "错误", then the process ends at
// once with exit status 255, without the shutdown routine.
//
// Memory exhaustion anywhere in the program reaches fatal_error too: the global
// operator new reports a failed allocation here instead of throwing.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/text.h"

namespace dorvane {

// Codes and messages of the fatal stops.
inline constexpr std::int32_t kIndexAboveCountCode = 1;
inline constexpr std::string_view kIndexAboveCountMessage = "数组成员引用下标超出定义范围";
inline constexpr std::int32_t kIndexBelowOneCode = 4;
inline constexpr std::string_view kIndexBelowOneMessage = "数组成员引用下标必须大于等于1";
inline constexpr std::int32_t kStackErrorCode = 6;
inline constexpr std::string_view kStackErrorMessage = "调用DLL命令后发现堆栈错误";
// The stops below use code 0.
inline constexpr std::string_view kAllocationFailedMessage = "分配 %d 字节内存失败!";
inline constexpr std::string_view kWindowTemplateLoadFailedMessage = "载入窗口模板数据段出错!";
inline constexpr std::string_view kStartWindowLoadFailedMessage = "载入启动窗口失败";
inline constexpr std::string_view kLibraryFunctionMissingMessage =
    "无法找到指定DLL库文件“%s”中的输出命令“%s”";

// kAllocationFailedMessage with the byte count in place of %d.
Text allocation_failed_message(std::uint64_t bytes);
// kLibraryFunctionMissingMessage with the library file and function names.
Text library_function_missing_message(std::string_view library, std::string_view function);

// Shows the box (title and text in code page 936) and returns when it is closed.
// Until the application installs one, the box goes to standard error as UTF-8.
using FatalPresenter = void (*)(const Text& title, const Text& text);
// nullptr puts the standard error presenter back.
void set_fatal_presenter(FatalPresenter presenter);

// The box text: "运行时出错!\r\n\r\n", then the code (when not 0), then the message.
Text fatal_error_text(std::int32_t code, std::string_view message);

[[noreturn]] void fatal_error(std::int32_t code, std::string_view message);

}  // namespace dorvane
