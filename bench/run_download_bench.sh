#!/usr/bin/env bash
# Builds and runs the download benchmark: bench/run_download_bench.sh [size_mib] [rounds]
# Run it on a quiet machine; the figures are wall-clock throughput.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${DORVANE_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja >/dev/null
cmake --build "$build_dir" --target download_bench
"$build_dir/bench/download_bench" "${1:-256}" "${2:-7}"
