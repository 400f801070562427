#include "core/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "core/windows_path.h"

namespace dorvane {
namespace {

// ---- file_exists ----

std::size_t utf8_char_length(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  return std::min(length, text.size() - at);
}

// "*" matches any run of characters and "?" exactly one; nothing else is special
// (Windows file names may contain "[").
bool wildcard_match(std::string_view pattern, std::string_view name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::string_view::npos;
  std::size_t star_name = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = ++p;
      star_name = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += utf8_char_length(name, n);
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star;  // let the last "*" take one more character
      star_name += utf8_char_length(name, star_name);
      n = star_name;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// ---- open files ----

constexpr unsigned kRead = 1;
constexpr unsigned kWrite = 2;

struct Mode {
  int flags;
  unsigned access;
};
constexpr Mode kModes[] = {
    {O_RDONLY, kRead},                   // 1
    {O_WRONLY, kWrite},                  // 2
    {O_RDWR, kRead | kWrite},            // 3
    {O_WRONLY | O_CREAT, kWrite},        // 4, emptied once the sharing allows it
    {O_WRONLY | O_CREAT, kWrite},        // 5
    {O_RDWR | O_CREAT, kRead | kWrite},  // 6
};
// What others may do, by sharing value 1 to 4.
constexpr unsigned kShared[] = {kRead | kWrite, kWrite, kRead, 0};

struct OpenFile {
  std::int32_t number;
  int fd;
  dev_t device;
  ino_t inode;
  unsigned access;
  unsigned shared;
};

// Sharing works as Windows share modes do: a new open goes ahead only when every
// open of the same file already present lets others do what the new one asks,
// and the new one's sharing lets others do what each present one does.
// Within the process the table below decides exactly. Between processes flock
// carries it: sharing 4 takes an exclusive lock and 1 to 3 a shared one, so a
// sharing-4 open keeps every other opener out and cannot get in beside one.
// flock cannot say "deny reading" or "deny writing": between processes, 2 and 3
// let in what 1 lets in.
class OpenFiles {
 public:
  std::int32_t open(const std::string& native, const Mode& mode, bool empty_it, unsigned shared) {
    std::lock_guard lock(mutex_);
    if (last_number_ == std::numeric_limits<std::int32_t>::max()) return 0;  // never reuse
    // O_NONBLOCK keeps a FIFO from blocking here (it is refused below); it does
    // nothing to regular files.
    const int fd = ::open(native.c_str(), mode.flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0) return 0;
    struct stat info {};
    const bool admitted = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                          !conflicts(info, mode.access, shared) &&
                          flock(fd, (shared == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0 &&
                          (!empty_it || ftruncate(fd, 0) == 0);
    if (!admitted) {
      ::close(fd);
      return 0;
    }
    files_.push_back({++last_number_, fd, info.st_dev, info.st_ino, mode.access, shared});
    return last_number_;
  }

  void close(std::int32_t number) {
    std::lock_guard lock(mutex_);
    for (auto it = files_.begin(); it != files_.end(); ++it) {
      if (it->number == number) {
        ::close(it->fd);
        *it = files_.back();
        files_.pop_back();
        return;
      }
    }
  }

  // Runs `operation` on the descriptor of an open file under the table's lock;
  // `failed` for a bad number.
  template <class Result, class Operation>
  Result with_fd(std::int32_t number, Result failed, Operation operation) {
    std::lock_guard lock(mutex_);
    for (const OpenFile& file : files_) {
      if (file.number == number) return operation(file.fd);
    }
    return failed;
  }

 private:
  bool conflicts(const struct stat& info, unsigned access, unsigned shared) const {
    for (const OpenFile& file : files_) {
      if (file.device != info.st_dev || file.inode != info.st_ino) continue;
      if ((access & ~file.shared) != 0 || (file.access & ~shared) != 0) return true;
    }
    return false;
  }

  std::mutex mutex_;
  std::vector<OpenFile> files_;  // only the files open now: a handful
  std::int32_t last_number_ = 0;
};

OpenFiles& open_files() {
  static OpenFiles files;
  return files;
}

}  // namespace

bool file_exists(std::string_view path) {
  if (path.empty()) return false;
  const std::string native = to_native_path(path);
  if (native.empty() || native.back() == '/') return false;
  const std::size_t slash = native.rfind('/');
  const std::string_view name = slash == std::string::npos
                                    ? std::string_view(native)
                                    : std::string_view(native).substr(slash + 1);
  if (name.find_first_of("*?") == std::string_view::npos) {
    struct stat info {};
    return lstat(native.c_str(), &info) == 0;
  }
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : native.substr(0, slash);
  DIR* entries = opendir(folder.c_str());
  if (entries == nullptr) return false;
  bool found = false;
  while (const dirent* entry = readdir(entries)) {
    if (wildcard_match(name, entry->d_name)) {
      found = true;
      break;
    }
  }
  closedir(entries);
  return found;
}

bool make_directory(std::string_view path) {
  return !path.empty() && mkdir(to_native_path(path).c_str(), 0777) == 0;
}

bool write_whole_file(std::string_view path, ByteParts parts) {
  const std::int32_t file = open_file(path, 4, 4);
  if (file == 0) return false;
  const bool written = write_bytes(file, parts);
  close_file(file);
  return written;
}

std::int32_t open_file(std::string_view path, std::int32_t mode, std::int32_t sharing) {
  if (path.empty() || mode < 1 || mode > 6 || sharing < 1 || sharing > 4) return 0;
  return open_files().open(to_native_path(path), kModes[mode - 1], mode == 4, kShared[sharing - 1]);
}

std::int32_t file_length(std::int32_t file) {
  return open_files().with_fd(file, std::int32_t{-1}, [](int fd) -> std::int32_t {
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_size > std::numeric_limits<std::int32_t>::max()) return -1;
    return static_cast<std::int32_t>(info.st_size);
  });
}

bool seek_to_end(std::int32_t file) {
  return open_files().with_fd(file, false, [](int fd) { return lseek(fd, 0, SEEK_END) >= 0; });
}

bool truncate_file(std::int32_t file, std::int32_t length) {
  if (length < 0) return false;
  return open_files().with_fd(file, false, [length](int fd) {
    return ftruncate(fd, length) == 0 && lseek(fd, length, SEEK_SET) == length;
  });
}

bool write_bytes(std::int32_t file, ByteParts parts) {
  return open_files().with_fd(file, false, [parts](int fd) {
    off_t written = 0;
    for (const std::span<const std::uint8_t> part : parts) {
      for (std::size_t done = 0; done < part.size();) {
        const ssize_t count = write(fd, part.data() + done, part.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
          lseek(fd, -written, SEEK_CUR);  // back to where the call began
          return false;
        }
        done += static_cast<std::size_t>(count);
        written += count;
      }
    }
    return true;
  });
}

void close_file(std::int32_t file) {
  open_files().close(file);
}

}  // namespace dorvane
