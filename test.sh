#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# Whatever an earlier ./run.sh (or anything else) left configured in build/, every
# option is given here explicitly, so every suite is built and run.
set -euo pipefail
cd "$(dirname "$0")"
./install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DNIVORA_APP=ON -DNIVORA_TESTS=ON -DNIVORA_BENCH=ON -DNIVORA_SANITIZE=OFF -DNIVORA_FUZZ=OFF
cmake --build build
# Every suite must have found tests: a suite that finds none fails the run.
tests/suites_presentes.sh build text coords geoid batch api cli gis falhas app documentos pacote \
  python
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --no-tests=error -j2

# The core, the command-line tool with its GIS subcommands, the fault tests and the
# Python module again under AddressSanitizer and UndefinedBehaviorSanitizer (the long
# load test, the Dask cluster and the window stay out).
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNIVORA_SANITIZE=ON \
  -DNIVORA_APP=OFF -DNIVORA_TESTS=ON -DNIVORA_BENCH=OFF -DNIVORA_FUZZ=OFF
cmake --build build-asan --target test_text test_coords test_geoid test_batch test_api test_cli \
  test_gis test_falhas _nivora2015 nivora_dist
tests/suites_presentes.sh build-asan text coords geoid batch api cli gis falhas python
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure --no-tests=error -j2 \
  -L 'core|cli|gis|falhas|python' -LE 'carga|dask'
