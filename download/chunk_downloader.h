// Downloads one remote file into one local file by consecutive HTTP range
// requests, appending each chunk and resuming after what is already on disk.
#pragma once

#include <cstdint>

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
  ChunkDownloader();
  virtual ~ChunkDownloader();  // runs destroy()

  // Virtual operations, in slot order.
  virtual void destroy();
  virtual ChunkDownloader* clone();
  virtual void release();
  virtual std::int32_t init(ProgressCallback progress, FinishCallback finish);
  virtual void set_chunk_size(std::uint8_t size_kb);
  virtual void set_source(const Text& address, const Text& referer);
  virtual std::int32_t set_target(const Text& path);
  virtual std::int32_t start();
  virtual void reset_counters();
  virtual void notify_finished();
  virtual void stop();

  // Read access for the window and tests.
  const Text& status_text() const { return status_text_; }
  // ... (the implementer adds accessors as needed)

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
};

}  // namespace dorvane
