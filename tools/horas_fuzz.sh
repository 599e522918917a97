#!/usr/bin/env bash
# The fuzzing banked in fuzz/horas.tsv, per target, as a Markdown table:
#   tools/horas_fuzz.sh [TSV]                  prints the table
#   tools/horas_fuzz.sh --atualizar DOC [TSV]  writes it into DOC, between the lines
#                                              "<!-- horas_fuzz -->" and "<!-- /horas_fuzz -->"
# fuzz/horas.tsv holds a header line, then one line per fuzzing session and target:
#   date (YYYY-MM-DD) <TAB> target <TAB> CPU seconds <TAB> runs
# (a session stopped in the middle of a target banks its CPU time with 0 runs).
set -euo pipefail
cd "$(dirname "$0")/.."
doc=""
if [ "${1:-}" = --atualizar ]; then
  doc=${2:?"--atualizar needs a document"}
  shift 2
fi
tsv=${1:-fuzz/horas.tsv}
[ -f "$tsv" ] || { echo "horas_fuzz: $tsv does not exist: no fuzzing banked yet" >&2; exit 1; }

tabela=$(awk -F'\t' '
  function grupos(n,   s, r) {  # 1234567 -> "1 234 567"
    s = sprintf("%.0f", n); r = ""
    while (length(s) > 3) { r = " " substr(s, length(s) - 2) r; s = substr(s, 1, length(s) - 3) }
    return s r
  }
  NR > 1 && NF >= 4 {
    cpu[$2] += $3; runs[$2] += $4; sessoes[$2]++
    if (!($2 in de) || $1 < de[$2]) de[$2] = $1
    if (!($2 in ate) || $1 > ate[$2]) ate[$2] = $1
    tc += $3; tr += $4; if (td == "" || $1 < td) td = $1; if ($1 > ta) ta = $1
  }
  END {
    print "| Target | CPU hours | Runs | Sessions | From | To |"
    print "|---|---|---|---|---|---|"
    n = 0; for (t in cpu) nomes[++n] = t
    for (i = 2; i <= n; i++) for (j = i; j > 1 && nomes[j] < nomes[j - 1]; j--) {
      x = nomes[j]; nomes[j] = nomes[j - 1]; nomes[j - 1] = x
    }
    for (i = 1; i <= n; i++) {
      t = nomes[i]
      printf "| `%s` | %.1f | %s | %d | %s | %s |\n", t, cpu[t] / 3600, grupos(runs[t]), sessoes[t], de[t], ate[t]
    }
    printf "| **All** | **%.1f** | **%s** | | %s | %s |\n", tc / 3600, grupos(tr), td, ta
  }' "$tsv")

if [ -z "$doc" ]; then
  printf '%s\n' "$tabela"
  exit 0
fi
grep -qx '<!-- horas_fuzz -->' "$doc" && grep -qx '<!-- /horas_fuzz -->' "$doc" ||
  { echo "horas_fuzz: $doc has no <!-- horas_fuzz --> ... <!-- /horas_fuzz --> block" >&2; exit 1; }
novo=$(mktemp)
awk -v tabela="$tabela" '
  $0 == "<!-- horas_fuzz -->" { print; print tabela; pular = 1; next }
  $0 == "<!-- /horas_fuzz -->" { pular = 0 }
  !pular' "$doc" >"$novo"
mv "$novo" "$doc"
echo "horas_fuzz: $doc updated from $tsv"
