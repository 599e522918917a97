#!/usr/bin/env bash
# Runs every fuzz target for a bounded time and prints a table of executions and
# findings. Not part of ./test.sh.
#   fuzz/run.sh [seconds per target, default 60] [target ...]
# Working corpora and findings stay under build-fuzz/ (the repository's
# fuzz/corpus/ seeds are only read). Exits non-zero when anything was found.
set -uo pipefail
cd "$(dirname "$0")/.."
segundos="${1:-60}"
shift || true
build=build-fuzz

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DNIVORA_FUZZ=ON -DNIVORA_APP=OFF -DNIVORA_TESTS=OFF -DNIVORA_BENCH=OFF >/dev/null || exit 2
alvos=("$@")
if [ ${#alvos[@]} -eq 0 ]; then
  for f in fuzz/fuzz_*.cpp; do alvos+=("$(basename "$f" .cpp)"); done
fi
cmake --build "$build" -j2 --target "${alvos[@]}" >/dev/null || exit 2

# Longest input per target: one record, one grid window, one small batch file.
declare -A tamanho=([fuzz_biblioteca]=160 [fuzz_registro]=512 [fuzz_numeros]=256 [fuzz_grade]=8192 [fuzz_lote]=4096 [fuzz_argumentos]=512)
resumo="$build/fuzz-resumo.txt"
printf '%-15s %8s %12s %10s %8s\n' alvo segundos execucoes exec/s achados | tee "$resumo"
falhou=0
for alvo in "${alvos[@]}"; do
  trabalho="$build/corpus/$alvo"
  achados="$build/achados/$alvo"
  mkdir -p "$trabalho" "$achados"
  [ -d "fuzz/corpus/$alvo" ] && cp -n "fuzz/corpus/$alvo"/* "$trabalho"/ 2>/dev/null
  log="$build/achados/$alvo.log"
  inicio=$(date +%s)
  # The kept findings are replayed first, as a read-only second corpus.
  regressoes=()
  [ -d "fuzz/regressions/$alvo" ] && regressoes=("fuzz/regressions/$alvo")
  "$build/fuzz/$alvo" "$trabalho" "${regressoes[@]}" -max_total_time="$segundos" -timeout=10 -rss_limit_mb=2048 \
    -max_len="${tamanho[$alvo]:-4096}" -print_final_stats=1 -artifact_prefix="$achados/" \
    >"$log" 2>&1
  status=$?
  fim=$(date +%s)
  execucoes=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  por_segundo=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  n_achados=$(find "$achados" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
    -o -name 'oom-*' \) | wc -l)
  [ $status -ne 0 ] && [ "$n_achados" -eq 0 ] && n_achados="erro($status)"
  printf '%-15s %8s %12s %10s %8s\n' "$alvo" $((fim - inicio)) "${execucoes:-?}" \
    "${por_segundo:-?}" "$n_achados" | tee -a "$resumo"
  [ "$n_achados" != 0 ] && falhou=1
done
exit $falhou
