#!/usr/bin/env bash
# The batch run in the window against nivora2015-cli on one core:
#   1. throughput: the same 100,000 random points (layout 0, N only) run by the
#      window (offscreen, driven by bench_janela) and by the CLI,
#      both pinned to one CPU with taskset; ratio = CLI time / window time,
#      target >= 0.5 (the window reaches at least half the CLI's throughput);
#   2. the output bytes of both runs must be identical;
#   3. cancel latency: a click on "Cancela" at 10%, 30%, 50%, 70% and 90% of the
#      measured window run, time until the run stops; target <= 100 ms.
# Times are the best of NIVORA_BENCH_RODADAS runs (default 3). Builds nothing.
# Usage: bench/bench_janela.sh [BUILD_DIR]   (default: ./build)
# Environment: NIVORA_BENCH_PONTOS (default 100000), NIVORA_BENCH_RODADAS (default 3),
#              NIVORA_BENCH_CPU (default 0).
set -euo pipefail
export LC_ALL=C

AQUI=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "${1:-build}" && pwd)
CLI=$BUILD/bin/nivora2015-cli
JANELA=$BUILD/bench/bench_janela
GRADE=$BUILD/bin/grid/NIVORA2015_SIRGAS2000.txt
PONTOS=${NIVORA_BENCH_PONTOS:-100000}
RODADAS=${NIVORA_BENCH_RODADAS:-3}
CPU=${NIVORA_BENCH_CPU:-0}

for f in "$CLI" "$JANELA" "$GRADE"; do
  [[ -e $f ]] || { echo "missing $f: build first (cmake --build $BUILD)" >&2; exit 2; }
done
command -v taskset >/dev/null || { echo "taskset not found (Debian package util-linux)" >&2; exit 2; }

TRAB=$(mktemp -d)
trap 'rm -rf "$TRAB"' EXIT
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=$TRAB/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

echo "== generating $PONTOS points (deterministic) =="
awk -v n="$PONTOS" -v semente=20150 -f "$AQUI/gerar_pontos.awk" >"$TRAB/pontos.txt"

agora_us() { date +%s%6N; }

# Best wall time of the CLI, whole process, microseconds.
melhor_cli=""
for ((i = 0; i <= RODADAS; i++)); do
  t0=$(agora_us)
  taskset -c "$CPU" "$CLI" --quiet --grade "$GRADE" "$TRAB/pontos.txt" "$TRAB/saida_cli.txt"
  t1=$(agora_us)
  ((i == 0)) && continue # warm-up
  d=$((t1 - t0))
  if [[ -z $melhor_cli ]] || ((d < melhor_cli)); then melhor_cli=$d; fi
done

# Best wall time of the window's run (from the click on "Processa" to the end of
# the run, grid loading included; the window's creation is not counted), and of
# the whole window process.
melhor_janela=""
melhor_processo=""
for ((i = 0; i <= RODADAS; i++)); do
  t0=$(agora_us)
  taskset -c "$CPU" "$JANELA" "$BUILD/bin" "$TRAB/pontos.txt" "$TRAB/saida_janela.txt" \
    >"$TRAB/janela.txt" 2>/dev/null
  t1=$(agora_us)
  ((i == 0)) && continue
  d=$(sed -n 's/^janela_us=//p' "$TRAB/janela.txt")
  p=$((t1 - t0))
  if [[ -z $melhor_janela ]] || ((d < melhor_janela)); then melhor_janela=$d; fi
  if [[ -z $melhor_processo ]] || ((p < melhor_processo)); then melhor_processo=$p; fi
done
grep -a -q '^linhas='"$PONTOS"'$' "$TRAB/janela.txt" ||
  { echo "the window did not read $PONTOS lines:" >&2; cat "$TRAB/janela.txt" >&2; exit 1; }
BOMBEAMENTOS=$(sed -n 's/^bombeamentos=//p' "$TRAB/janela.txt")

echo "== output bytes =="
if cmp "$TRAB/saida_cli.txt" "$TRAB/saida_janela.txt"; then
  IGUAIS="identical ($(wc -c <"$TRAB/saida_cli.txt") bytes)"
else
  echo "the window's output differs from the CLI's" >&2
  exit 1
fi

echo "== cancel latency =="
PIOR_LATENCIA=0
CLIQUES=0
for pct in 10 30 50 70 90; do
  ms=$((melhor_janela * pct / 100 / 1000))
  taskset -c "$CPU" "$JANELA" "$BUILD/bin" "$TRAB/pontos.txt" "$TRAB/saida_cancela.txt" "$ms" \
    >"$TRAB/cancela.txt" 2>/dev/null
  lat=$(sed -n 's/^latencia_cancela_us=//p' "$TRAB/cancela.txt")
  lidas=$(sed -n 's/^linhas=//p' "$TRAB/cancela.txt")
  if grep -a -q '^mensagem=Programa Abortado' "$TRAB/cancela.txt"; then
    awk -v ms="$ms" -v l="$lat" -v n="$lidas" \
      'BEGIN { printf "click at %4d ms: stopped after %.1f ms, %d lines read\n", ms, l / 1000, n }'
    ((lat > PIOR_LATENCIA)) && PIOR_LATENCIA=$lat
    CLIQUES=$((CLIQUES + 1))
  else
    echo "click at $ms ms: the run had already ended"
  fi
done

echo
echo "== summary ($PONTOS points, one CPU) =="
awk -v c="$melhor_cli" -v j="$melhor_janela" -v p="$melhor_processo" -v n="$PONTOS" \
  -v b="$BOMBEAMENTOS" -v l="$PIOR_LATENCIA" -v k="$CLIQUES" 'BEGIN {
  printf "nivora2015-cli wall time:     %.3f s (%.0f points/s)\n", c / 1e6, n / (c / 1e6)
  printf "window run wall time:         %.3f s (%.0f points/s; whole process %.3f s)\n", j / 1e6, n / (j / 1e6), p / 1e6
  printf "event pumps during the run:   %d\n", b
  printf "throughput window/CLI:        %.2f (target >= 0.5)\n", c / j
  printf "worst cancel latency:         %.1f ms over %d clicks during the run (target <= 100)\n", l / 1000, k
}'
echo "output bytes:                 $IGUAIS"
