#!/usr/bin/env bash
# Soak test of reading doubles as their text (not part of ./test.sh): hill climbs
# towards the edges of the fast way, every double tried checked against the full
# conversion (see bench/soak_texto.cpp). Exits non-zero on any difference. Builds nothing.
# Usage: bench/soak_texto.sh [BUILD_DIR] [SECONDS]   (default: ./build, 600)
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
SOAK=$BUILD/bench/soak_texto
[[ -x $SOAK ]] || { echo "missing $SOAK: build first (cmake --build $BUILD --target soak_texto)" >&2; exit 2; }
exec "$SOAK" --segundos="${2:-600}"
