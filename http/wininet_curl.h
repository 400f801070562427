// The WinInet functions the request exchange calls (InternetOpenA ...
// InternetCloseHandle), standing in over libcurl's easy interface and registered
// with the library function table as the built-in library "wininet.dll".
#pragma once

#include <string>

namespace dorvane {

// Registers "wininet.dll" with the library function table. Only the first call
// does anything, so every caller may make sure of it before its first table call.
void register_wininet_transport();

// Certificate authorities trusted for https instead of the system's (PEM file);
// empty: the system's. For tests with a CA of their own.
void set_wininet_ca_file(std::string path);

// How long a request may wait for its connection, and how long it may go without
// receiving a byte before it is given up.
struct WininetLimits {
  long connect_timeout_seconds = 30;
  long stall_seconds = 30;
};
void set_wininet_limits(WininetLimits limits);

}  // namespace dorvane
