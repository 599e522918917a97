#!/usr/bin/env bash
# Soak test of the query (not part of ./test.sh): the double estimate and the 80-bit
# fit must give the same result bytes on every point (see bench/soak_consulta.cpp
# for the kinds of points and grids). Prints a table and exits non-zero on any
# difference. Builds nothing.
# Usage: bench/soak.sh [BUILD_DIR] [POINTS]   (default: ./build, 1e8; uses every core)
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
PONTOS=${2:-1e8}
SOAK=$BUILD/bench/soak_consulta
GRADE=$BUILD/bin/grid/NIVORA2015_SIRGAS2000.txt
for f in "$SOAK" "$GRADE"; do
  [[ -e $f ]] || { echo "missing $f: build first (cmake --build $BUILD)" >&2; exit 2; }
done
exec "$SOAK" --grade="$GRADE" --pontos="$PONTOS" --threads="$(nproc)"
