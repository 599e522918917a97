#!/usr/bin/env bash
# Performance figures of the Python module, side by side in one run (bench/python.py):
# the module on NumPy arrays against nivora2015-cli on the same points as text, the
# peak memory of the module's call, and a Dask LocalCluster of 2 workers against 1.
# Builds nothing. Usage: bench/python.sh [BUILD_DIR]   (default: ./build)
# Environment: NIVORA_BENCH_PONTOS (default 10000000), NIVORA_BENCH_PONTOS_DASK
# (default 4000000, in 40 CSV files), NIVORA_BENCH_RODADAS (default 3).
set -euo pipefail
export LC_ALL=C

AQUI=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "${1:-build}" && pwd)
PONTOS=${NIVORA_BENCH_PONTOS:-10000000}
PONTOS_DASK=${NIVORA_BENCH_PONTOS_DASK:-4000000}
RODADAS=${NIVORA_BENCH_RODADAS:-3}
for f in "$BUILD/bin/nivora2015-cli" "$BUILD/python/nivora2015/__init__.py"; do
  [[ -e $f ]] || { echo "missing $f: build first (cmake --build $BUILD)" >&2; exit 2; }
done
((PONTOS_DASK <= PONTOS)) || { echo "NIVORA_BENCH_PONTOS_DASK > NIVORA_BENCH_PONTOS" >&2; exit 2; }

TRAB=$(mktemp -d)
trap 'rm -rf "$TRAB"' EXIT
echo "== generating $PONTOS points (deterministic) =="
awk -v n="$PONTOS" -v semente=20150 -f "$AQUI/gerar_pontos.awk" >"$TRAB/pontos.txt"
echo "== measuring (load at the start: $(cut -d' ' -f1-3 /proc/loadavg)) =="
PYTHONDONTWRITEBYTECODE=1 PYTHONNOUSERSITE=1 \
  /usr/bin/python3 "$AQUI/python.py" "$BUILD" "$TRAB/pontos.txt" "$PONTOS_DASK" "$RODADAS"
