// The outcome texts a transfer leaves in status_text, shown to the user as they are.
#pragma once

namespace dorvane::transfer_text {

inline constexpr char kNotInitialised[] = "没有初始化";
inline constexpr char kAlreadyRunning[] = "正在下载中……";
inline constexpr char kCannotOpenFile[] = "本地文件无法打开";
inline constexpr char kTimedOut[] = "数据下载超时，建议重试。";
inline constexpr char kUserAborted[] = "用户中止了下载";
inline constexpr char kNoRangeSupport[] = "服务器不支持断点续传！";
inline constexpr char kUnknownLength[] = "文件长度未知！";
inline constexpr char kComplete[] = "下载完毕";
// A reply whose range does not start at the end of the local file, whose body
// does not fill the range it names, or whose remote length changed.
inline constexpr char kWrongRange[] = "服务器返回的数据范围不正确！";
inline constexpr char kWriteFailed[] = "写入本地文件失败！";
inline constexpr char kLocalFileLarger[] = "本地文件比服务器上的文件大！";

}  // namespace dorvane::transfer_text
