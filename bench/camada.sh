#!/usr/bin/env bash
# The GIS subcommands' figures, measured side by side in one run:
#   1. camada on a GeoPackage of 1,000,000 points with a height field (h to H) against
#      ogr2ogr copying the same layer to a new GeoPackage: wall time ratio, target <= 2;
#   2. peak resident memory of camada on that run: target <= 128 MiB;
#   3. exportar-grade of the whole model at 1': wall time, target < 10 s;
#   4. the layer's H against the text mode's on the same points, to the millimetre.
# Builds nothing. Usage: bench/camada.sh [BUILD_DIR]   (default: ./build)
# Environment: NIVORA_BENCH_PONTOS (default 1000000), NIVORA_BENCH_RODADAS (default 3).
set -euo pipefail
export LC_ALL=C

AQUI=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "${1:-build}" && pwd)
CLI=$BUILD/bin/nivora2015-cli
PONTOS=${NIVORA_BENCH_PONTOS:-1000000}
RODADAS=${NIVORA_BENCH_RODADAS:-3}
[[ -x $CLI ]] || { echo "missing $CLI: build first (cmake --build $BUILD)" >&2; exit 2; }
for p in ogr2ogr hyperfine; do
  command -v $p >/dev/null || { echo "$p not found (./install-deps.sh)" >&2; exit 2; }
done

TRAB=$(mktemp -d)
trap 'rm -rf "$TRAB"' EXIT

echo "== a GeoPackage of $PONTOS points with a height field (deterministic) =="
awk -v n="$PONTOS" -v semente=20190 -v ordem=csv -f "$AQUI/gerar_pontos.awk" >"$TRAB/pontos.csv"
printf '"String","Real","Real","Real"\n' >"$TRAB/pontos.csvt"
ogr2ogr -f GPKG "$TRAB/pontos.gpkg" "$TRAB/pontos.csv" -nln pontos -a_srs EPSG:4674 \
  -oo X_POSSIBLE_NAMES=lon -oo Y_POSSIBLE_NAMES=lat -oo KEEP_GEOM_COLUMNS=NO
ls -l "$TRAB/pontos.gpkg"

CAMADA="$CLI camada -q --altura elipsoidal --campo-altura alt $TRAB/pontos.gpkg $TRAB/saida.gpkg"
COPIA="ogr2ogr -f GPKG $TRAB/copia.gpkg $TRAB/pontos.gpkg"
EXPORTA="$CLI exportar-grade -q $TRAB/grade.tif"

echo "== wall time, $RODADAS runs each after a warm-up =="
hyperfine --warmup 1 --runs "$RODADAS" --export-csv "$TRAB/tempos.csv" \
  --prepare "rm -f $TRAB/saida.gpkg $TRAB/copia.gpkg $TRAB/grade.tif" \
  -n camada "$CAMADA" -n ogr2ogr "$COPIA" -n exportar-grade "$EXPORTA"
tempo() { awk -F, -v n="$1" '$1==n {print $2}' "$TRAB/tempos.csv"; }

echo "== peak memory and what was written =="
rm -f "$TRAB/saida.gpkg"
/usr/bin/time -v $CAMADA 2>"$TRAB/time.txt"
PICO_KB=$(awk -F: '/Maximum resident set size/{gsub(/ /, "", $2); print $2}' "$TRAB/time.txt")
ogrinfo -so -al "$TRAB/saida.gpkg" | grep -E 'Feature Count|^N:|^H:|^motivo:'
COM_N=$(ogrinfo -q -sql "SELECT COUNT(*) AS c FROM pontos WHERE N IS NOT NULL" "$TRAB/saida.gpkg" |
  awk '/c \(Integer/ {print $NF}')
# The same points through the text mode (their decimal text, read in extended precision):
# the layer's H (from GDAL's doubles) against the text mode's, to the millimetre.
tail -n +2 "$TRAB/pontos.csv" | tr ',' ' ' |
  "$CLI" -q -f ID,0,H --altura elipsoidal --saida-id | tr -d '\r' | awk '{print $NF}' >"$TRAB/texto.txt"
ogr2ogr -f CSV /vsistdout/ "$TRAB/saida.gpkg" -sql "SELECT H FROM pontos ORDER BY fid" |
  tail -n +2 | awk '{printf "%.3f\n", $1}' >"$TRAB/camada.txt"
DIFERENTES=$(paste -d' ' "$TRAB/camada.txt" "$TRAB/texto.txt" | awk '$1 != $2' | wc -l)
rm -f "$TRAB/grade.tif"
/usr/bin/time -v $EXPORTA 2>"$TRAB/time_grade.txt"
PICO_GRADE_KB=$(awk -F: '/Maximum resident set size/{gsub(/ /, "", $2); print $2}' "$TRAB/time_grade.txt")

echo
echo "== summary ($PONTOS points, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)) =="
awk -v a="$(tempo camada)" -v b="$(tempo ogr2ogr)" -v g="$(tempo exportar-grade)" \
  -v k="$PICO_KB" -v kg="$PICO_GRADE_KB" -v n="$COM_N" -v d="$DIFERENTES" 'BEGIN {
  printf "camada wall time:          %.3f s (%s features with N)\n", a, n
  printf "ogr2ogr copy wall time:    %.3f s\n", b
  printf "ratio camada/ogr2ogr:      %.2f (target <= 2)\n", a / b
  printf "camada peak RSS:           %.1f MiB (target <= 128)\n", k / 1024
  printf "H differing from the text mode: %d of the points\n", d
  printf "exportar-grade at 1 min:   %.3f s (target < 10), peak RSS %.1f MiB\n", g, kg / 1024
}'
