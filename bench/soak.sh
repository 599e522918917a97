#!/usr/bin/env bash
# Soak test of the query (not part of ./test.sh): on every point the query's result
# bytes must be those of the 80-bit fit rounded step by step, and the double
# estimate must lie within its error bound of the 80-bit value; an adversarial
# search over candidate grids hunts for the opposite (see bench/soak_consulta.cpp
# for the kinds of points and grids). Prints a table and exits non-zero on any
# difference or bound violation. Builds nothing.
# Usage: bench/soak.sh [BUILD_DIR] [POINTS]   (default: ./build, 1e8; uses every core)
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
PONTOS=${2:-1e8}
SOAK=$BUILD/bench/soak_consulta
GRADE=$BUILD/bin/grid/NIVORA2015_SIRGAS2000.txt
for f in "$SOAK" "$GRADE"; do
  [[ -e $f ]] || { echo "missing $f: build first (cmake --build $BUILD --target soak_consulta)" >&2; exit 2; }
done
exec "$SOAK" --grade="$GRADE" --pontos="$PONTOS" --threads="$(nproc)"
