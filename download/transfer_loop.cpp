// start(): the transfer as a state machine. Each state has one handler that does
// its work and names the next state; run() is the only place the state changes.
//
//   Checking -> Opening -> Requesting -> Waiting -> Judging -> Requesting ...
//                                                            \-> Ending
// Every path goes through Ending, which closes the file, reports the outcome once
// and resets the counters of a transfer that got past Opening.

#include <algorithm>
#include <cmath>

#include "core/clock.h"
#include "core/files.h"
#include "download/chunk_downloader.h"
#include "download/transfer_range.h"
#include "download/transfer_texts.h"

namespace dorvane {

class ChunkDownloader::Transfer {
 public:
  explicit Transfer(ChunkDownloader& d) : d_(d) {}

  std::int32_t run() {
    State state = State::kChecking;
    while (state != State::kDone) state = step(state);
    return compare_text(d_.status_text_, transfer_text::kComplete) == 0 ? 1 : 0;
  }

 private:
  enum class State { kChecking, kOpening, kRequesting, kWaiting, kJudging, kEnding, kDone };

  State step(State state) {
    switch (state) {
      case State::kChecking:
        return check();
      case State::kOpening:
        return open();
      case State::kRequesting:
        return request();
      case State::kWaiting:
        return wait();
      case State::kJudging:
        return judge();
      case State::kEnding:
        return end();
      case State::kDone:
        break;
    }
    return State::kDone;
  }

  State finish_with(std::string_view outcome) {
    d_.status_text_ = outcome;
    return State::kEnding;
  }

  State check() {
    if (d_.ready_ == 0) return finish_with(transfer_text::kNotInitialised);
    if (d_.busy_ == 1) return finish_with(transfer_text::kAlreadyRunning);
    return State::kOpening;
  }

  // Write access, created when missing, contents kept, nobody else may open it.
  State open() {
    file_ = open_file(d_.target_path_, 5, 4);
    if (file_ == 0) return finish_with(transfer_text::kCannotOpenFile);
    const std::int32_t length = file_length(file_);
    if (length < 0) {
      close_file(file_);
      file_ = 0;
      return finish_with(transfer_text::kCannotOpenFile);
    }
    next_start_ = length;
    d_.position_ = length;
    seek_to_end(file_);
    d_.busy_ = 1;
    d_.status_text_.clear();
    d_.abort_requested_ = 0;
    percent_ = 0;
    return State::kRequesting;
  }

  State request() {
    const AutomationObject& http = d_.http_;
    call_method<void>(http, "open", "GET", d_.url_, true);
    call_method<void>(http, "setRequestHeader", "Referer", d_.referer_);
    call_method<void>(http, "setRequestHeader", "Accept", "*/*");
    call_method<void>(http, "setRequestHeader", "User-Agent",
                      "Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)");
    call_method<void>(http, "setRequestHeader", "Range",
                      range_request_value(next_start_, d_.chunk_bytes_));
    call_method<void>(http, "setRequestHeader", "Content-Type", "application/octet-stream");
    call_method<void>(http, "setRequestHeader", "Pragma", "no-cache");
    call_method<void>(http, "setRequestHeader", "Cache-Control", "no-cache");
    call_method<void>(http, "send");
    request_time_ = uptime_ms();
    return State::kWaiting;
  }

  // One step of the wait. The request object takes its limit in seconds, so a
  // plain 1000 would let a stalled server hold the window for 1000 s whatever
  // the chunk's limit; the wait never outlasts what is left of that limit.
  State wait() {
    const AutomationObject& http = d_.http_;
    if (std::fabs(get_property<double>(http, "readyState") - 4) <= 0.0000001) {
      return State::kJudging;
    }
    const double left_ms =
        d_.timeout_ms_ - static_cast<double>(elapsed_ms(request_time_, uptime_ms()));
    if (left_ms < -0.0000001) {
      call_method<void>(http, "abort");
      return finish_with(transfer_text::kTimedOut);
    }
    if (d_.abort_requested_ != 0) return finish_with(transfer_text::kUserAborted);
    call_method<bool>(http, "waitForResponse", std::clamp(left_ms / 1000, 0.0, 1000.0));
    return State::kWaiting;
  }

  State judge() {
    const AutomationObject& http = d_.http_;
    const std::int32_t status = truncate_to_int(get_property<double>(http, "status"));
    if (status >= 300 && status != 416) return finish_with(get_property<Text>(http, "statusText"));
    if (status != 206 && status != 416) return finish_with(transfer_text::kNoRangeSupport);

    const Text range = call_method<Text>(http, "getResponseHeader", "Content-Range");
    Variant body;
    if (status == 206) body = get_property<Variant>(http, "responseBody");
    const std::span<const std::uint8_t> bytes = variant_byte_view(body);
    const RangeReplyJudgement j = judge_range_reply(
        status, range, bytes.size(), {next_start_, d_.position_, d_.total_, percent_});
    if (j.append && !append(bytes)) return finish_with(transfer_text::kWriteFailed);
    clear_variant(body);
    if (!j.report) return finish_with(*j.outcome);

    next_start_ = j.after.next_start;
    d_.position_ = j.after.position;
    d_.total_ = j.after.total;
    percent_ = j.after.percent;
    report_progress();
    if (j.outcome) return finish_with(*j.outcome);
    if (d_.abort_requested_ != 0) return State::kEnding;
    return State::kRequesting;
  }

  // A chunk goes in whole or not at all, so the file never has a gap or a
  // doubled range and the next start resumes right after it.
  bool append(std::span<const std::uint8_t> bytes) {
    if (write_bytes(file_, {bytes})) return true;
    // write_bytes leaves what a short write got out; cut the file back.
    truncate_file(file_, next_start_);
    return false;
  }

  void report_progress() {
    const std::int32_t elapsed = elapsed_ms(request_time_, uptime_ms());
    const std::int32_t speed = speed_kb_per_s(d_.chunk_bytes_, elapsed);
    if (d_.progress_cb_ == nullptr) return;
    library_call<lib::kCallProgressRoutine>(d_.progress_cb_,
                                            reinterpret_cast<Word>(d_.target_path_.c_str()),
                                            Word{d_.total_}, Word{speed}, Word{percent_});
  }

  State end() {
    const bool opened = file_ != 0;
    if (opened) close_file(file_);
    d_.notify_finished();
    if (opened) d_.reset_counters();
    return State::kDone;
  }

  ChunkDownloader& d_;
  std::int32_t file_ = 0;
  std::int32_t next_start_ = 0;
  std::int32_t request_time_ = 0;
  std::int32_t percent_ = 0;
};

std::int32_t ChunkDownloader::start() {
  return Transfer(*this).run();
}

}  // namespace dorvane
