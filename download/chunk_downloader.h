// Downloads one remote file into one local file by consecutive HTTP range
// requests, appending each chunk and resuming after what is already on disk.
//
//   ChunkDownloader d;
//   d.init(on_progress, on_finished);      // creates the request object once
//   d.set_target("D:\\tessory\\a.zip");
//   d.set_source(address, "");
//   d.set_chunk_size(20);                  // 20480-byte chunks
//   d.start();                             // 1 when the outcome is "下载完毕"
//
// Everything runs on the calling thread; the callbacks are made from inside
// start(). A callback may call stop() to end the transfer.
#pragma once

#include <cstdint>
#include <memory>

#include "core/automation.h"
#include "core/library_table.h"
#include "core/text.h"

namespace dorvane {

// ProgressCallback (target path, total, speed KB/s, percent) and
// FinishCallback (url, HTTP status, status text, percent): routines of four
// words, texts passed as the address of their characters, valid during the call.
using ProgressCallback = FourWordRoutine;
using FinishCallback = FourWordRoutine;

class ChunkDownloader {
 public:
  ChunkDownloader() = default;
  virtual ~ChunkDownloader();  // runs destroy()
  ChunkDownloader(const ChunkDownloader&) = delete;
  ChunkDownloader& operator=(const ChunkDownloader&) = delete;

  // Virtual operations, in slot order.
  virtual void destroy();
  // A member-wise copy whose request object is shared with this one.
  virtual std::unique_ptr<ChunkDownloader> clone();
  virtual void release();
  // 1 when the request object was created; 0 when already initialised or it
  // could not be created (the earlier callbacks then stay).
  virtual std::int32_t init(ProgressCallback progress, FinishCallback finish);
  // 0 stands for 4 KB.
  virtual void set_chunk_size(std::uint8_t size_kb);
  virtual void set_source(const Text& address, const Text& referer);
  virtual std::int32_t set_target(const Text& path);
  virtual std::int32_t start();
  virtual void reset_counters();
  virtual void notify_finished();
  virtual void stop();

  // The outcome of the last start().
  const Text& status_text() const { return status_text_; }

 protected:
  AutomationObject http_;
  std::int32_t ready_ = 0;
  Text url_;
  Text referer_;
  std::int32_t timeout_ms_ = 0;
  Text status_text_;
  Text target_path_;
  std::int32_t busy_ = 0;
  std::int32_t position_ = 0;
  ProgressCallback progress_cb_ = nullptr;
  FinishCallback finish_cb_ = nullptr;
  std::int32_t total_ = 0;
  std::int32_t abort_requested_ = 0;
  std::int32_t chunk_bytes_ = 0;

 private:
  class Transfer;  // the state machine of start()
  bool idle() const { return ready_ == 1 && busy_ == 0; }
};

}  // namespace dorvane
