#include "core/library_table.h"

#include <dlfcn.h>

#include <array>
#include <atomic>
#include <mutex>
#include <string>

#include "core/builtin_libraries.h"
#include "core/fatal_error.h"
#include "core/program_folder.h"
#include "core/windows_path.h"

namespace dorvane {
namespace {

struct EntryName {
  const char* library;
  const char* function;
};

constexpr std::array<EntryName, lib::kEntryCount> kEntryNames = {{
    {"jedata.dll", "SkinH_AdjustAero"},
    {"wininet.dll", "InternetOpenA"},
    {"wininet.dll", "InternetCloseHandle"},
    {"wininet.dll", "InternetConnectA"},
    {"wininet.dll", "HttpOpenRequestA"},
    {"wininet.dll", "HttpSendRequestA"},
    {"wininet.dll", "HttpSendRequestA"},
    {"wininet.dll", "InternetReadFile"},
    {"wininet.dll", "HttpQueryInfoA"},
    {"ole32.dll", "CoInitialize"},
    {"ole32.dll", "CoUninitialize"},
    {"jedata.dll", "SkinH_AttachEx"},
    {"user32.dll", "CallWindowProcA"},
    {"user32.dll", "CallWindowProcA"},
}};

bool same_file_name(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

void* load_file(const std::string& native_path) {
  return dlopen(native_path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

// The program's own folder first, then the system search, which for a bare name
// ends in the Windows directory.
void* load_library(const Text& name) {
  if (name.find(':') != Text::npos) return load_file(to_native_path(name));
  if (void* own = load_file(program_folder() + "/" + to_native_path(name))) return own;
  if (void* found = load_file(to_native_path(name))) return found;
  return load_file(to_native_path("C:\\Windows\\" + name));
}

struct Binding {
  std::atomic<void*> address{nullptr};
  void* handle = nullptr;  // the dlopen handle; none for a built-in library
};

class LibraryTable {
 public:
  LibraryTable() : builtins_{{"user32.dll", &user32_function}, {"ole32.dll", &ole32_function}} {}

  void register_builtin(std::string_view file_name, BuiltinLookup lookup) {
    std::lock_guard lock(mutex_);
    for (auto& [name, known] : builtins_) {
      if (same_file_name(name, file_name)) {
        known = lookup;
        return;
      }
    }
    builtins_.emplace_back(file_name, lookup);
  }

  void* bind(int index) {
    if (index < 0 || index >= lib::kEntryCount) {
      fatal_error(0, library_function_missing_message("", ""));
    }
    Binding& entry = entries_[index];
    if (void* address = entry.address.load(std::memory_order_acquire)) return address;

    std::unique_lock lock(mutex_);
    if (void* address = entry.address.load(std::memory_order_relaxed)) return address;
    const EntryName& names = kEntryNames[index];
    void* handle = nullptr;
    void* address = nullptr;
    if (const BuiltinLookup builtin = find_builtin(names.library)) {
      address = builtin(names.function);
    } else if ((handle = load_library(names.library)) != nullptr) {
      // ELF has no ordinals, so a "#n" name is simply a name no library exports.
      address = dlsym(handle, names.function);
    }
    if (address == nullptr) {
      if (handle != nullptr) dlclose(handle);
      lock.unlock();  // the box may run an event loop
      fatal_error(0, library_function_missing_message(names.library, names.function));
    }
    entry.handle = handle;
    entry.address.store(address, std::memory_order_release);
    order_.push_back(index);
    ++loads_;
    return address;
  }

  bool is_bound(int index) const {
    return index >= 0 && index < lib::kEntryCount &&
           entries_[index].address.load(std::memory_order_acquire) != nullptr;
  }

  std::vector<int> order() {
    std::lock_guard lock(mutex_);
    return order_;
  }

  std::int32_t loads() {
    std::lock_guard lock(mutex_);
    return loads_;
  }

  void release_all() {
    std::lock_guard lock(mutex_);
    for (Binding& entry : entries_) {
      entry.address.store(nullptr, std::memory_order_release);
      if (entry.handle != nullptr) dlclose(entry.handle);
      entry.handle = nullptr;
    }
    order_.clear();
  }

 private:
  BuiltinLookup find_builtin(std::string_view file_name) const {
    for (const auto& [name, lookup] : builtins_) {
      if (same_file_name(name, file_name)) return lookup;
    }
    return nullptr;
  }

  std::mutex mutex_;
  std::array<Binding, lib::kEntryCount> entries_;
  std::vector<std::pair<std::string, BuiltinLookup>> builtins_;
  std::vector<int> order_;
  std::int32_t loads_ = 0;
};

LibraryTable& table() {
  static LibraryTable instance;
  return instance;
}

}  // namespace

void register_builtin_library(std::string_view file_name, BuiltinLookup lookup) {
  table().register_builtin(file_name, lookup);
}

void* bind_entry(int index) {
  return table().bind(index);
}

bool entry_is_bound(int index) {
  return table().is_bound(index);
}

std::vector<int> binding_order() {
  return table().order();
}

std::int32_t library_load_count() {
  return table().loads();
}

void release_bound_libraries() {
  table().release_all();
}

}  // namespace dorvane
