#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2

# The core, the command-line tool and the fault tests again under AddressSanitizer
# and UndefinedBehaviorSanitizer (the long load test and the window stay out).
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNIVORA_SANITIZE=ON \
  -DNIVORA_APP=OFF -DNIVORA_BENCH=OFF
cmake --build build-asan --target test_text test_coords test_geoid test_batch test_cli test_falhas
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j2 -L 'core|cli|falhas' -LE carga
