// The program's global record, alive from start-up to the end sequence.
#pragma once

#include <memory>

#include "core/text.h"
#include "download/chunk_downloader.h"

namespace dorvane {

struct AppState {
  Text download_url;
  std::unique_ptr<ChunkDownloader> downloader;  // the one downloader, never replaced
  Text resolver_reply;
  Text file_name;
  Text file_size;
  Text file_md5;
};

AppState& app_state();

// Creates the downloader into the state.
void construct_state();
// The shutdown routine: frees everything the state holds.
void release_state();

}  // namespace dorvane
