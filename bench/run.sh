#!/usr/bin/env bash
# Performance figures of the batch tool and the query, measured side by side in one run:
#   1. nivora2015-cli against PROJ's cct (a plain bilinear grid look-up) on the
#      same 1,000,000 random points inside the model area (layout 0, N only):
#      wall time ratio, target <= 0.30; CPU time (user + sys) ratio, target <= 0.60;
#   2. the system calls of the CLI's run (strace -c -f): none is made per line;
#   3. peak resident memory of the CLI on run 1: target <= 64 MiB;
#   4. the const query on the shipped grid, one core, through its block form
#      (bench_consulta): target <= 0.5 us per point; and the paths the queries of
#      run 1's points took (decided by the double estimate with its bound, or by the
#      80-bit fit).
# Builds nothing. Usage: bench/run.sh [BUILD_DIR]   (default: ./build)
# Environment: NIVORA_BENCH_PONTOS (default 1000000), NIVORA_BENCH_RODADAS (default 3).
# The window's batch against the CLI on one core is bench/bench_janela.sh.
set -euo pipefail
export LC_ALL=C

AQUI=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "${1:-build}" && pwd)
CLI=$BUILD/bin/nivora2015-cli
GRADE=$BUILD/bin/grid/NIVORA2015_SIRGAS2000.txt
CONSULTA=$BUILD/bench/bench_consulta
PONTOS=${NIVORA_BENCH_PONTOS:-1000000}
RODADAS=${NIVORA_BENCH_RODADAS:-3}
CCT=(cct -d 3 +proj=vgridshift +grids=egm96_15.gtx +multiplier=1)

for f in "$CLI" "$GRADE"; do
  [[ -e $f ]] || { echo "missing $f: build first (cmake --build $BUILD)" >&2; exit 2; }
done
command -v cct >/dev/null || { echo "cct not found (Debian package proj-bin)" >&2; exit 2; }

TRAB=$(mktemp -d)
trap 'rm -rf "$TRAB"' EXIT

echo "== generating $PONTOS points (deterministic) =="
awk -v n="$PONTOS" -v semente=20150 -f "$AQUI/gerar_pontos.awk" >"$TRAB/pontos.txt"
awk -v n="$PONTOS" -v semente=20150 -v ordem=lonlat -f "$AQUI/gerar_pontos.awk" >"$TRAB/pontos_cct.txt"
if ! echo "-46 -23 0" | "${CCT[@]}" >/dev/null 2>&1; then
  echo "cct cannot use egm96_15.gtx (Debian package proj-data)" >&2
  exit 2
fi

NOSSO="$CLI --quiet --grade $GRADE $TRAB/pontos.txt $TRAB/saida.txt"
DELES="${CCT[*]} $TRAB/pontos_cct.txt > $TRAB/saida_cct.txt"

echo "== wall time, $RODADAS runs each after a warm-up =="
if command -v hyperfine >/dev/null; then
  hyperfine --warmup 1 --runs "$RODADAS" --export-csv "$TRAB/tempos.csv" \
    -n nivora2015-cli "$NOSSO" -n cct "$DELES"
  NOSSO_S=$(awk -F, '$1=="nivora2015-cli"{print $2}' "$TRAB/tempos.csv")
  DELES_S=$(awk -F, '$1=="cct"{print $2}' "$TRAB/tempos.csv")
else
  # Best of the runs, by the clock.
  melhor() {
    local cmd=$1 melhor="" t0 t1 d
    bash -c "$cmd" >/dev/null
    for ((i = 0; i < RODADAS; i++)); do
      t0=$(date +%s.%N); bash -c "$cmd" >/dev/null; t1=$(date +%s.%N)
      d=$(awk -v a="$t0" -v b="$t1" 'BEGIN{printf "%.6f", b - a}')
      if [[ -z $melhor ]] || awk -v d="$d" -v m="$melhor" 'BEGIN{exit !(d < m)}'; then melhor=$d; fi
    done
    echo "$melhor"
  }
  NOSSO_S=$(melhor "$NOSSO")
  DELES_S=$(melhor "$DELES")
fi

LINHAS=$(wc -l <"$TRAB/saida.txt")
[[ $LINHAS -eq $PONTOS ]] || { echo "the CLI wrote $LINHAS lines for $PONTOS points" >&2; exit 1; }

echo "== CPU time (user + sys), best of $RODADAS runs each =="
cpu() {
  local melhor=""
  for ((i = 0; i < RODADAS; i++)); do
    /usr/bin/time -f "%U %S" -o "$TRAB/cpu.txt" bash -c "$1" >/dev/null
    local t
    t=$(awk '{printf "%.3f", $1 + $2}' "$TRAB/cpu.txt")
    if [[ -z $melhor ]] || awk -v t="$t" -v m="$melhor" 'BEGIN{exit !(t < m)}'; then melhor=$t; fi
  done
  echo "$melhor"
}
NOSSO_CPU=$(cpu "exec $NOSSO")
DELES_CPU=$(cpu "exec $DELES")
echo "nivora2015-cli $NOSSO_CPU s, cct $DELES_CPU s"

echo "== system calls of the CLI's run =="
CHAMADAS="(strace not found)"
if command -v strace >/dev/null; then
  strace -c -f -o "$TRAB/strace.txt" $NOSSO
  sed -n '1,12p' "$TRAB/strace.txt"
  CHAMADAS=$(awk '$NF=="total"{print $(NF-2)}' "$TRAB/strace.txt")
  [[ -n $CHAMADAS ]] || CHAMADAS=$(awk '/total/{print $4}' "$TRAB/strace.txt")
fi

echo "== peak memory =="
/usr/bin/time -v $NOSSO 2>"$TRAB/time.txt"
PICO_KB=$(awk -F: '/Maximum resident set size/{gsub(/ /, "", $2); print $2}' "$TRAB/time.txt")

echo "== the const query, block form, one core =="
BLOCO="(bench_consulta not built)"
if [[ -x $CONSULTA ]]; then
  taskset -c 0 "$CONSULTA" --grade="$GRADE" --pontos="$TRAB/pontos.txt" \
    --benchmark_filter=BM_Bloco --benchmark_min_time=2 >"$TRAB/consulta.txt" 2>&1 || true
  grep -v '^$' "$TRAB/consulta.txt" | tail -n 6
  BLOCO=$(sed -n 's/^block: \([0-9.]*\) us per point.*/\1/p' "$TRAB/consulta.txt")
  CAMINHOS=$(sed -n 's/^paths: //p' "$TRAB/consulta.txt")
fi

echo
echo "== summary ($PONTOS points, $(nproc) cores) =="
awk -v a="$NOSSO_S" -v b="$DELES_S" -v c="$NOSSO_CPU" -v d="$DELES_CPU" 'BEGIN {
  printf "nivora2015-cli wall time: %.3f s, CPU %.3f s\n", a, c
  printf "cct wall time:            %.3f s, CPU %.3f s\n", b, d
  printf "wall ratio nivora/cct:    %.2f (target <= 0.30)\n", a / b
  printf "CPU ratio nivora/cct:     %.2f (target <= 0.60)\n", c / d
}'
awk -v n="$CHAMADAS" -v p="$PONTOS" 'BEGIN {
  if (n + 0 > 0) printf "CLI system calls:         %d in all, %.4f per line (none per line)\n", n, n / p
  else print "CLI system calls:         " n
}'
awk -v k="$PICO_KB" 'BEGIN { printf "CLI peak RSS:             %.1f MiB (target <= 64)\n", k / 1024 }'
echo "const query, block form:  ${BLOCO:-?} us per point on one core (target <= 0.5)"
echo "query paths:              ${CAMINHOS:-?}"
