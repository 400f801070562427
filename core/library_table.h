// The table of library functions bound by file and function name at their first
// call. An entry is bound the first time it is called: the program's own folder
// is searched first, then the system search. A library or function that cannot
// be bound ends the program through fatal_error.
//
// "wininet.dll", "ole32.dll" and "user32.dll" have no files here: they are
// built-in libraries whose functions the subsystem implementing them registers
// with register_builtin_library(). Every other library is a shared object loaded
// with dlopen.
//
// Each entry has a typed function pointer with the signature of its function, so
// the compiler passes exactly the arguments the function takes: a call can never
// leave the stack unbalanced and needs no check after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text.h"

namespace dorvane {

using Handle = void*;  // an opaque handle of a built-in library (HINTERNET)
using Word = std::intptr_t;
// A program routine of four words, called back through CallWindowProcA.
using FourWordRoutine = Word (*)(Word, Word, Word, Word);

namespace lib {

enum Entry : int {
  kSkinAdjustAero = 0,
  kInternetOpen = 1,
  kInternetCloseHandle = 2,
  kInternetConnect = 3,
  kHttpOpenRequest = 4,
  kHttpSendRequestText = 5,
  kHttpSendRequestBytes = 6,
  kInternetReadFile = 7,
  kHttpQueryInfo = 8,
  kCoInitialize = 9,
  kCoUninitialize = 10,
  kSkinAttachEx = 11,
  kCallProgressRoutine = 12,
  kCallFinishRoutine = 13,
  kEntryCount = 14,
};

using SkinAdjustAeroFn = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                          std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                          std::int32_t);
using InternetOpenFn = Handle (*)(const char* agent, std::uint32_t access_type, const char* proxy,
                                  const char* proxy_bypass, std::uint32_t flags);
using InternetCloseHandleFn = std::int32_t (*)(Handle handle);
using InternetConnectFn = Handle (*)(Handle internet, const char* host, std::int32_t port,
                                     const char* user, const char* password,
                                     std::uint32_t service, std::uint32_t flags, Word context);
using HttpOpenRequestFn = Handle (*)(Handle connection, const char* verb, const char* object_path,
                                     const char* version, const char* referrer,
                                     const char** accept_types, std::uint32_t flags,
                                     Word context);
using HttpSendRequestFn = std::int32_t (*)(Handle request, const char* headers,
                                           std::uint32_t headers_length, const void* optional,
                                           std::uint32_t optional_length);
using InternetReadFileFn = std::int32_t (*)(Handle request, void* buffer, std::uint32_t size,
                                            std::uint32_t* bytes_read);
using HttpQueryInfoFn = std::int32_t (*)(Handle request, std::uint32_t info_level, void* buffer,
                                         std::uint32_t* buffer_length, std::uint32_t* index);
using CoInitializeFn = std::int32_t (*)(void* reserved);
using CoUninitializeFn = void (*)();
using SkinAttachExFn = std::int32_t (*)(const char* skin_path, const char* password);
using CallWindowProcFn = Word (*)(FourWordRoutine routine, Word a1, Word a2, Word a3, Word a4);

template <int Index>
struct EntryType;
template <> struct EntryType<kSkinAdjustAero> { using type = SkinAdjustAeroFn; };
template <> struct EntryType<kInternetOpen> { using type = InternetOpenFn; };
template <> struct EntryType<kInternetCloseHandle> { using type = InternetCloseHandleFn; };
template <> struct EntryType<kInternetConnect> { using type = InternetConnectFn; };
template <> struct EntryType<kHttpOpenRequest> { using type = HttpOpenRequestFn; };
template <> struct EntryType<kHttpSendRequestText> { using type = HttpSendRequestFn; };
template <> struct EntryType<kHttpSendRequestBytes> { using type = HttpSendRequestFn; };
template <> struct EntryType<kInternetReadFile> { using type = InternetReadFileFn; };
template <> struct EntryType<kHttpQueryInfo> { using type = HttpQueryInfoFn; };
template <> struct EntryType<kCoInitialize> { using type = CoInitializeFn; };
template <> struct EntryType<kCoUninitialize> { using type = CoUninitializeFn; };
template <> struct EntryType<kSkinAttachEx> { using type = SkinAttachExFn; };
template <> struct EntryType<kCallProgressRoutine> { using type = CallWindowProcFn; };
template <> struct EntryType<kCallFinishRoutine> { using type = CallWindowProcFn; };

}  // namespace lib

// Finds a function of a built-in library by name; nullptr when it has none.
using BuiltinLookup = void* (*)(std::string_view function_name);
// Registers (or replaces) the built-in library `file_name`, e.g. "wininet.dll".
void register_builtin_library(std::string_view file_name, BuiltinLookup lookup);

// Binds the entry at its first call and returns its function address. Fatal
// (code 0, "无法找到指定DLL库文件“%s”中的输出命令“%s”") when it cannot be bound.
//
// Where the library is looked for, first match wins:
//  1. a built-in library of that name (names compare without regard to case);
//  2. unless the name contains ":", the program's own folder; a file that loads
//     there is used even when the function is then missing from it;
//  3. the system search: dlopen by the name alone, then the Windows directory
//     C:\Windows (mapped like every Windows path).
// Each bound entry records one load of its own; a library named by several
// entries is loaded once per entry, and the loader keeps one copy in memory.
void* bind_entry(int index);

bool entry_is_bound(int index);
// The entries in the order of their binding, since the start or the last release.
std::vector<int> binding_order();
// Library loads made by bindings since the process started (built-in ones too).
std::int32_t library_load_count();
// The end sequence: releases the library kept by every bound entry (one dlclose
// per entry bound to a file) and leaves every entry unbound, so nothing can call
// into a library that is gone.
void release_bound_libraries();

template <int Index, class... Args>
auto library_call(Args&&... args) {
  using Fn = typename lib::EntryType<Index>::type;
  return reinterpret_cast<Fn>(bind_entry(Index))(std::forward<Args>(args)...);
}

}  // namespace dorvane
