#include "download/download_command.h"

#include "core/files.h"

namespace dorvane {
namespace {

constexpr std::uint8_t kChunkSizeKb = 20;
const char kNoAddressWarning[] = "下载地址不正确，请检查地址是否已经解析！";
const char kNoAddressTitle[] = "友情提醒：";

// The window of the running start_download; the callbacks are plain routines.
WindowOps* current_window = nullptr;

class CurrentWindow {
 public:
  explicit CurrentWindow(WindowOps& window) : previous_(current_window) {
    current_window = &window;
  }
  ~CurrentWindow() { current_window = previous_; }
  CurrentWindow(const CurrentWindow&) = delete;
  CurrentWindow& operator=(const CurrentWindow&) = delete;

 private:
  WindowOps* previous_;
};

// A text argument is the address of its characters, valid only during the call.
Text text_argument(Word word) {
  const auto* characters = reinterpret_cast<const char*>(word);
  return characters != nullptr ? Text(characters) : Text();
}

std::int32_t int_argument(Word word) {
  return static_cast<std::int32_t>(word);
}

}  // namespace

void start_download(WindowOps& window, ChunkDownloader& downloader, const Text& download_url) {
  const Text folder = window.control_text(Control::编辑框_路径);
  if (!file_exists(folder)) make_directory(folder);
  if (compare_text(download_url, "") == 0) {
    window.message_box(kNoAddressWarning, 0, Text(kNoAddressTitle));
    return;
  }
  CurrentWindow during_transfer(window);
  downloader.init(&on_progress, &on_finished);
  downloader.set_target(concat_text({folder, window.control_text(Control::编辑框_名称)}));
  downloader.set_source(download_url, "");
  downloader.set_chunk_size(kChunkSizeKb);
  downloader.start();
}

Word on_progress(Word target, Word total, Word speed, Word percent) {
  if (current_window != nullptr) {
    show_progress(*current_window, text_argument(target), int_argument(total), int_argument(speed),
                  int_argument(percent));
  }
  return 0;
}

Word on_finished(Word, Word, Word message, Word) {
  if (current_window != nullptr) current_window->message_box(text_argument(message), 0);
  return 0;
}

void show_progress(WindowOps& window, const Text& target, std::int32_t total, std::int32_t speed,
                   std::int32_t percent) {
  window.set_progress_position(Control::进度条1, percent);
  window.set_control_text(
      Control::透明标签1,
      concat_text({target, "\r\n文件尺寸：", to_text(total), "Bit\r\n下载进度：", to_text(percent),
                   "%\r\n下载速度：", to_text(speed), " KB/S"}));
}

}  // namespace dorvane
