// The fatal stop, and the global allocation functions that lead to it when memory
// runs out. They live in this file so that every program linking the core gets both.
#include "core/fatal_error.h"

#include <unistd.h>

#include <atomic>
#include <charconv>
#include <cstdlib>
#include <new>

#include "core/codepage.h"

namespace dorvane {
namespace {

constexpr std::string_view kTitle = "错误";

void write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void present_on_standard_error(const Text& title, const Text& text) {
  write_all(STDERR_FILENO, cp936_to_utf8(concat_text({title, "\n", text, "\n"})));
}

std::atomic<FatalPresenter> presenter{present_on_standard_error};

// Writes kAllocationFailedMessage for `bytes` into `buffer` without touching the heap.
std::string_view format_allocation_failed(std::uint64_t bytes, char (&buffer)[96]) {
  const std::size_t mark = kAllocationFailedMessage.find("%d");
  char* out = buffer;
  out += kAllocationFailedMessage.copy(out, mark);
  out = std::to_chars(out, out + 24, bytes).ptr;
  const std::string_view tail = kAllocationFailedMessage.substr(mark + 2);
  out += tail.copy(out, tail.size());
  return std::string_view(buffer, static_cast<std::size_t>(out - buffer));
}

[[noreturn]] void allocation_failed(std::size_t bytes) {
  char buffer[96];
  fatal_error(0, format_allocation_failed(bytes, buffer));
}

}  // namespace

Text allocation_failed_message(std::uint64_t bytes) {
  char buffer[96];
  return Text(format_allocation_failed(bytes, buffer));
}

Text library_function_missing_message(std::string_view library, std::string_view function) {
  // "%" is never a trail byte, so the format can be cut bytewise.
  const std::string_view format = kLibraryFunctionMissingMessage;
  const std::size_t first = format.find("%s");
  const std::size_t second = format.find("%s", first + 2);
  return concat_text({format.substr(0, first), library, format.substr(first + 2, second - first - 2),
                      function, format.substr(second + 2)});
}

void set_fatal_presenter(FatalPresenter replacement) {
  presenter.store(replacement != nullptr ? replacement : present_on_standard_error);
}

Text fatal_error_text(std::int32_t code, std::string_view message) {
  Text text = "运行时出错!\r\n\r\n";
  if (code != 0) text += concat_text({"错误代码：", to_text(code), "\r\n\r\n"});
  if (!message.empty()) text += concat_text({"错误信息：", message, "\r\n"});
  return text;
}

void fatal_error(std::int32_t code, std::string_view message) {
  // A second stop while the first one is being shown (say, memory ran out while
  // building the box) must not recurse: it says what it can and ends the process.
  static std::atomic<bool> stopping{false};
  if (stopping.exchange(true)) {
    write_all(STDERR_FILENO, message);
    write_all(STDERR_FILENO, "\n");
    _exit(255);
  }
  presenter.load()(Text(kTitle), fatal_error_text(code, message));
  _exit(255);
}

}  // namespace dorvane

// ---- global allocation functions ----
namespace {

// Like the library's own: ask the new-handler for memory until it gives up, but
// end in the fatal stop rather than throwing.
void* allocate(std::size_t size, std::size_t alignment, bool may_fail) {
  if (size == 0) size = 1;
  for (;;) {
    void* p = nullptr;
    if (alignment <= alignof(std::max_align_t)) {
      p = std::malloc(size);
    } else if (posix_memalign(&p, alignment, size) != 0) {
      p = nullptr;
    }
    if (p != nullptr) return p;
    const std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) {
      if (may_fail) return nullptr;
      dorvane::allocation_failed(size);
    }
    handler();
  }
}

constexpr std::size_t kPlain = alignof(std::max_align_t);

}  // namespace

void* operator new(std::size_t size) { return allocate(size, kPlain, false); }
void* operator new[](std::size_t size) { return allocate(size, kPlain, false); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size, kPlain, true);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size, kPlain, true);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocate(size, static_cast<std::size_t>(alignment), false);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return allocate(size, static_cast<std::size_t>(alignment), false);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocate(size, static_cast<std::size_t>(alignment), true);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocate(size, static_cast<std::size_t>(alignment), true);
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
