// The download command: the click on 下载 and the two callbacks that show a running
// transfer's progress in 进度条1 and 透明标签1 and its outcome in a message box.
#pragma once

#include <cstdint>

#include "core/library_table.h"
#include "core/text.h"
#include "core/window_ops.h"
#include "download/chunk_downloader.h"

namespace dorvane {

// Creates the folder of 编辑框_路径 when it is missing, then downloads `download_url`
// into that folder + the name of 编辑框_名称 with 20 KB chunks. Warns and does nothing
// more when `download_url` is empty. Returns when the transfer has ended.
void start_download(WindowOps& window, ChunkDownloader& downloader, const Text& download_url);

// The ProgressCallback and FinishCallback handed to the downloader. They reach the
// window that start_download was given, and do nothing outside a start_download.
Word on_progress(Word target, Word total, Word speed, Word percent);
Word on_finished(Word url, Word status, Word message, Word percent);

// The bar at percent; the label's four lines: path, size, percent, speed.
void show_progress(WindowOps& window, const Text& target, std::int32_t total, std::int32_t speed,
                   std::int32_t percent);

}  // namespace dorvane
