#!/usr/bin/env bash
# The downloader against curl, from a local nginx (see bench_download.py for what is measured).
# Alone: cmake --preset native && cmake --build --preset native &&
#        bash bench/downloader/downloader_bench.sh [bench_download.py options]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tool=${MORVANE_DOWNLOAD:-$here/../../build/native/bin/morvane-download}
exec python3 "$here/bench_download.py" --tool "$tool" --rounds 7 "$@"
