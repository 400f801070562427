#include "core/windows_path.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <mutex>

#include "core/codepage.h"

namespace dorvane {
namespace {

bool is_drive_letter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char lower_letter(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string home_folder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
  passwd entry{};
  passwd* found = nullptr;
  std::array<char, 4096> buffer{};
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    return found->pw_dir;
  }
  return "/tmp";
}

// $XDG_DATA_HOME when it is set to an absolute path, as the XDG rules ask.
std::string data_home() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') return xdg;
  return home_folder() + "/.local/share";
}

// Makes the folder and any missing parents, private to the user as XDG asks.
void make_folders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0700);
    if (slash == std::string::npos) return;
  }
}

// The drive folders made so far, so the downloader's open per chunk costs no
// extra system calls. Keyed by the full folder, since the environment may change.
void ensure_drive_folder(char letter, const std::string& folder) {
  static std::mutex mutex;
  static std::array<std::string, 26> made;
  std::lock_guard lock(mutex);
  std::string& known = made[letter - 'a'];
  if (known == folder) return;
  make_folders(folder);
  struct stat info {};
  if (stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) known = folder;
}

}  // namespace

std::string drive_folder(char letter) {
  return data_home() + "/dorvane/drive_" + lower_letter(letter);
}

std::string to_native_path(std::string_view windows_path) {
  std::string native;
  if (windows_path.size() >= 2 && windows_path[1] == ':' && is_drive_letter(windows_path[0])) {
    const char letter = lower_letter(windows_path[0]);
    native = drive_folder(letter);
    ensure_drive_folder(letter, native);
    windows_path.remove_prefix(2);
    // "C:name" is relative to the drive's root here: there is no per-drive current folder.
    if (!windows_path.empty() && windows_path[0] != '\\' && windows_path[0] != '/') native += '/';
  }
  // Converted before the separators are replaced: a code page 936 character may
  // have "\\" as its second byte, while in UTF-8 that byte is always a separator.
  std::string rest = cp936_to_utf8(windows_path);
  std::replace(rest.begin(), rest.end(), '\\', '/');
  return native + rest;
}

}  // namespace dorvane
