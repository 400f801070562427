#include "download/chunk_downloader.h"

#include "download/transfer_range.h"

namespace dorvane {
namespace {

constexpr char kRequestClass[] = "MSXML2.ServerXMLHTTP";

// A chunk has to arrive at 0.1 byte per millisecond or faster.
std::int32_t chunk_time_limit(std::int32_t chunk_bytes) {
  return truncate_to_int(chunk_bytes / 0.1);
}

Word text_word(const Text& text) {
  return reinterpret_cast<Word>(text.c_str());
}

}  // namespace

ChunkDownloader::~ChunkDownloader() {
  ChunkDownloader::destroy();
}

void ChunkDownloader::destroy() {
  release();
  clear_object(http_);
  url_.clear();
  referer_.clear();
  status_text_.clear();
  target_path_.clear();
}

std::unique_ptr<ChunkDownloader> ChunkDownloader::clone() {
  auto copy = std::make_unique<ChunkDownloader>();
  copy_object(copy->http_, http_);
  copy->ready_ = ready_;
  copy->url_ = url_;
  copy->referer_ = referer_;
  copy->timeout_ms_ = timeout_ms_;
  copy->status_text_ = status_text_;
  copy->target_path_ = target_path_;
  copy->busy_ = busy_;
  copy->position_ = position_;
  copy->progress_cb_ = progress_cb_;
  copy->finish_cb_ = finish_cb_;
  copy->total_ = total_;
  copy->abort_requested_ = abort_requested_;
  copy->chunk_bytes_ = chunk_bytes_;
  return copy;
}

void ChunkDownloader::release() {
  stop();
  clear_object(http_);
  ready_ = busy_ = abort_requested_ = timeout_ms_ = position_ = total_ = chunk_bytes_ = 0;
  progress_cb_ = nullptr;
  finish_cb_ = nullptr;
  target_path_.clear();
  status_text_.clear();
  referer_.clear();
  url_.clear();
}

std::int32_t ChunkDownloader::init(ProgressCallback progress, FinishCallback finish) {
  if (ready_ != 0 || busy_ != 0) return 0;
  create_object(http_, kRequestClass);
  if (object_is_empty(http_)) return 0;
  ready_ = 1;
  busy_ = 0;
  progress_cb_ = progress;
  finish_cb_ = finish;
  total_ = 0;
  abort_requested_ = 0;
  chunk_bytes_ = 10240;
  timeout_ms_ = chunk_time_limit(chunk_bytes_);
  return 1;
}

void ChunkDownloader::set_chunk_size(std::uint8_t size_kb) {
  if (!idle()) return;
  chunk_bytes_ = truncate_to_int((size_kb == 0 ? 4 : size_kb) * 1024.0);
  timeout_ms_ = chunk_time_limit(chunk_bytes_);
}

void ChunkDownloader::set_source(const Text& address, const Text& referer) {
  if (!idle()) return;
  url_ = address;
  referer_ = referer;
}

std::int32_t ChunkDownloader::set_target(const Text& path) {
  if (!idle()) return 0;
  target_path_ = path;
  return 1;
}

void ChunkDownloader::reset_counters() {
  busy_ = abort_requested_ = position_ = total_ = 0;
}

void ChunkDownloader::notify_finished() {
  if (finish_cb_ == nullptr) return;
  const std::int32_t status = truncate_to_int(get_property<double>(http_, "status"));
  const std::int32_t percent = percent_done(position_, total_);
  library_call<lib::kCallFinishRoutine>(finish_cb_, text_word(url_), Word{status},
                                        text_word(status_text_), Word{percent});
}

void ChunkDownloader::stop() {
  if (busy_ != 1) return;
  abort_requested_ = 1;
  call_method<void>(http_, "abort");
}

}  // namespace dorvane
