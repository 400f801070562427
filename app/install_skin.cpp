#include "app/install_skin.h"

#include <unistd.h>

#include <cstdio>
#include <span>

#include "app/embedded_images.h"
#include "core/files.h"
#include "core/library_table.h"
#include "core/windows_path.h"

namespace dorvane {
namespace {

const char kWindowsFolder[] = "C:\\Windows";

// Writes a fresh file beside the old one and puts it in place in one step. Rewriting
// the library in place would pull the pages from under another running copy of the
// program that has it loaded; this way that copy keeps the file it opened. Like the
// plain write, a failure is not reported: start-up goes on with what is there.
void replace_file(const char* path, std::span<const std::uint8_t> bytes) {
  const Text fresh = concat_text({path, ".", to_text(static_cast<std::int32_t>(getpid()))});
  const std::string native_fresh = to_native_path(fresh);
  if (write_whole_file(fresh, {bytes})) {
    if (std::rename(native_fresh.c_str(), to_native_path(path).c_str()) == 0) return;
  }
  std::remove(native_fresh.c_str());
}

}  // namespace

std::int32_t install_skin() {
  // The Windows directory always exists where the program was born; here it is a folder
  // of the stand-in for drive C, made on the first start.
  make_directory(kWindowsFolder);
  replace_file(kSkinLibraryPath, skin_library_image);
  replace_file(kSkinFilePath, skin_file_image);
  library_call<lib::kSkinAttachEx>(kSkinFilePath, "");
  return 0;
}

void adjust_skin_aero() {
  library_call<lib::kSkinAdjustAero>(210, 0, 0, 3, 0, 0, 0, 0, 0);
}

}  // namespace dorvane
