// The WinInet numbers the request exchange and its transport agree on.
#pragma once

#include <cstdint>

namespace dorvane::wininet {

// InternetOpenA access types.
inline constexpr std::uint32_t kOpenTypePreconfig = 0;
inline constexpr std::uint32_t kOpenTypeDirect = 1;
inline constexpr std::uint32_t kOpenTypeProxy = 3;

// InternetConnectA.
inline constexpr std::uint32_t kServiceHttp = 3;
inline constexpr std::int32_t kDefaultPort = 0;

// HttpOpenRequestA request flags.
inline constexpr std::uint32_t kFlagReload = 0x80000000u;
inline constexpr std::uint32_t kFlagSecure = 0x00800000u;
inline constexpr std::uint32_t kFlagNoAutoRedirect = 0x00200000u;
inline constexpr std::uint32_t kFlagNoCookies = 0x00080000u;
inline constexpr std::uint32_t kFlagIgnoreRedirectToHttp = 0x00008000u;
inline constexpr std::uint32_t kFlagIgnoreRedirectToHttps = 0x00004000u;
inline constexpr std::uint32_t kFlagNeedFile = 0x00000010u;

// HttpQueryInfoA info levels.
inline constexpr std::uint32_t kQueryRawHeadersCrlf = 22;

}  // namespace dorvane::wininet
