#!/usr/bin/env bash
# The load test at full size: 10 000 000 points (and 1 000 000 for the memory
# comparison) streamed through the release build of nivora2015-cli.
#   tests/falhas/carga.sh [points, default 10000000]
# ctest runs the same test with 500 000 points.
set -euo pipefail
cd "$(dirname "$0")/../.."
pontos="${1:-10000000}"
cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIVORA_APP=OFF -DNIVORA_BENCH=OFF >/dev/null || { echo "build failed" >&2; exit 2; }
cmake --build build-rel --target test_falhas >/dev/null || { echo "build failed" >&2; exit 2; }
NIVORA_CARGA_PONTOS="$pontos" build-rel/bin/test_falhas --gtest_filter='Carga.*' | grep -E '^carga:|OK|FAILED'
