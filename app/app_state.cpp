#include "app/app_state.h"

#include <cstdio>

#include "app/test_mode.h"

namespace dorvane {

AppState& app_state() {
  static AppState state;
  return state;
}

void construct_state() {
  app_state().downloader = std::make_unique<ChunkDownloader>();
}

void release_state() {
  AppState& state = app_state();
  state.download_url.clear();
  if (state.downloader != nullptr) {
    state.downloader->destroy();
    state.downloader.reset();
  }
  state.resolver_reply.clear();
  state.file_name.clear();
  state.file_size.clear();
  state.file_md5.clear();
  if (test_autoclose()) {
    std::puts("release_state");
    std::fflush(stdout);
  }
}

}  // namespace dorvane
