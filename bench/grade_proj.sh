#!/usr/bin/env bash
# How far PROJ's bilinear interpolation of the exported grid is from the program's own
# N: the whole model exported at each spacing (1', 30", 15"), PROJ's cct on random
# points inside the exported nodes, the CLI's N (three decimals) on the same points.
# Prints, per spacing: RMS, 99th percentile and maximum of |PROJ - N|, and the share of
# points whose millimetres differ (PROJ's value rounded to three decimals != N).
# Builds nothing. Usage: bench/grade_proj.sh [BUILD_DIR]   (default: ./build)
# Environment: NIVORA_BENCH_PONTOS (default 200000), NIVORA_BENCH_ESPACAMENTOS (default "1 0.5 0.25").
set -euo pipefail
export LC_ALL=C

AQUI=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "${1:-build}" && pwd)
CLI=$BUILD/bin/nivora2015-cli
PONTOS=${NIVORA_BENCH_PONTOS:-200000}
[[ -x $CLI ]] || { echo "missing $CLI: build first (cmake --build $BUILD)" >&2; exit 2; }
command -v cct >/dev/null || { echo "cct not found (Debian package proj-bin)" >&2; exit 2; }

TRAB=$(mktemp -d)
trap 'rm -rf "$TRAB"' EXIT

# Inside the nodes of every spacing (the exported grid stops at the last node inside
# the model area, up to one spacing short of its limits).
awk -v n="$PONTOS" -v semente=20191 -v ordem=lonlat -v latSul=-34.56 -v latNorte=5.56 \
  -v lonOeste=-74.56 -v lonLeste=-34.44 -f "$AQUI/gerar_pontos.awk" >"$TRAB/lonlat.txt"
awk '{print $2, $1, 0}' "$TRAB/lonlat.txt" >"$TRAB/latlon_h0.txt"
# The program's N with three decimals: an orthometric height of 0 gives h = N.
"$CLI" -q -f 0,H --altura ortometrica "$TRAB/latlon_h0.txt" "$TRAB/nosso.txt"
tr -d '\r' <"$TRAB/nosso.txt" | awk '{print $NF}' >"$TRAB/n.txt"

printf '%-10s %9s %10s %10s %10s %10s %14s\n' spacing seconds "RMS (mm)" "p99 (mm)" "max (mm)" \
  "mm differ" "GeoTIFF size"
for s in ${NIVORA_BENCH_ESPACAMENTOS:-1 0.5 0.25}; do
  t0=$(date +%s.%N)
  "$CLI" exportar-grade -q --espacamento "$s" "$TRAB/g.tif"
  t1=$(date +%s.%N)
  cct -d 6 +proj=vgridshift +grids="$TRAB/g.tif" +multiplier=1 "$TRAB/lonlat.txt" |
    awk '{print $3}' >"$TRAB/proj.txt"
  if grep -q '[#(]' "$TRAB/proj.txt" || [[ $(wc -l <"$TRAB/proj.txt") -ne $PONTOS ]]; then
    echo "cct found points outside the grid of spacing $s'" >&2
    exit 1
  fi
  paste "$TRAB/proj.txt" "$TRAB/n.txt" | awk -v s="$s" -v t="$(awk -v a="$t0" -v b="$t1" 'BEGIN{print b-a}')" \
    -v tam="$(stat -c %s "$TRAB/g.tif")" -v tmp="$TRAB/d.txt" '
    { d = ($1 - $2) * 1000; if (d < 0) d = -d; q += d * d; if (d > m) m = d; k++
      if (sprintf("%.3f", $1) != $2) dif++; print d > tmp }
    END { close(tmp); cmd = "sort -g " tmp; i = 0; p = int(0.99 * k)
          while ((cmd | getline v) > 0) if (++i == p) p99 = v
          printf "%-10s %9.1f %10.3f %10.3f %10.3f %9.2f %% %11.1f MB\n", s "\x27", t, sqrt(q / k),
                 p99, m, 100 * dif / k, tam / 1e6 }'
  rm -f "$TRAB/g.tif"
done
echo "($PONTOS random points, load $(cut -d' ' -f1-3 /proc/loadavg))"
