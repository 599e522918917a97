#!/usr/bin/env bash
# Writes the shipped geoid grid dist/grid/NIVORA2015_SIRGAS2000.txt from the global
# EGM96 15' geoid of Debian's proj-data, evaluated with PROJ's cct at every 5' node.
#
#   tools/gerar_grade.sh [output file]      (needs proj-bin and proj-data)
#
# Extent: latitude 6 N to 35 S, longitude 75 W to 34 W written as 285 to 326 east.
# Rows run north to south, nodes west to east within a row, CR LF line ends.
# Fixed columns: 2-12 longitude (0..360 east), 14-24 latitude, 28-34 N in metres,
# all right-aligned; the coordinates with 6 decimals, N with 3.
#
# Node coordinates are multiples of 1/12 degree. They are computed in whole
# twelfths and written with 6 decimals by integer arithmetic (rounded to nearest),
# so 285 + 1/12 is written 285.083333, and the program reads back the nearest
# extended value of that text, not 285 + 1/12 itself. The coinciding-node short-cut
# compares these parsed values exactly: a point typed with the node's six decimals
# (latitude -9.916667) lands on the node's latitude, but its longitude (-49.916667)
# equals the node's (310.083333 - 360) only where both texts round to the same
# extended value, which holds for 165 of the 493 columns (all whole and quarter
# degrees among them). Elsewhere the point is an ulp or so off the node and gets a
# normal fit, in which that node's weight dwarfs the others: the result is the
# node's N to far below a millimetre. A point given as -10 + 1/12 in full
# precision is about 3e-7 degree off the node and is fitted the same way.
#
# N is PROJ's vertical grid shift with multiplier +1 applied to a height of 0, that
# is the geoid height of the EGM96 grid at the node (bilinear between its 15' nodes),
# printed by cct with 3 decimals.
set -euo pipefail

saida=${1:-"$(cd "$(dirname "$0")/.." && pwd)/dist/grid/NIVORA2015_SIRGAS2000.txt"}
command -v cct >/dev/null || { echo "cct not found: install proj-bin and proj-data" >&2; exit 1; }

# Extent in twelfths of a degree.
readonly LAT_NORTE=$((6 * 12)) LAT_SUL=$((-35 * 12))
readonly LON_OESTE=$((285 * 12)) LON_LESTE=$((326 * 12))

# "m twelfths of a degree" with 6 decimals, rounded to nearest, exact integer arithmetic.
nos() {
  awk -v n="$LAT_NORTE" -v s="$LAT_SUL" -v w="$LON_OESTE" -v e="$LON_LESTE" '
    function graus(m,   a, sinal, ip, fr) {
      sinal = (m < 0) ? "-" : ""
      a = (m < 0) ? -m : m
      ip = int(a / 12)
      fr = int(((a - ip * 12) * 1000000 + 6) / 12)
      if (fr >= 1000000) { ip++; fr -= 1000000 }
      return sprintf("%s%d.%06d", sinal, ip, fr)
    }
    BEGIN {
      for (lat = n; lat >= s; lat--)
        for (lon = w; lon <= e; lon++)
          print graus(lon), graus(lat)
    }'
}

tmp=$(mktemp)
trap 'rm -f "$tmp" "$tmp.nos" "$tmp.n"' EXIT
nos > "$tmp.nos"
# cct takes "lon lat h t"; its output columns are lon lat h t again, h being N here.
awk '{ print $1, $2, 0, 0 }' "$tmp.nos" |
  cct -d 3 +proj=vgridshift +grids=egm96_15.gtx +multiplier=1 > "$tmp.n"
linhas_nos=$(wc -l < "$tmp.nos")
linhas_n=$(wc -l < "$tmp.n")
if [ "$linhas_nos" -ne "$linhas_n" ]; then
  echo "cct returned $linhas_n values for $linhas_nos nodes" >&2
  rm -f "$tmp.nos" "$tmp.n"
  exit 1
fi
mkdir -p "$(dirname "$saida")"
paste -d ' ' "$tmp.nos" "$tmp.n" | awk '
  {
    n = $5
    if (n !~ /^-?[0-9]+\.[0-9][0-9][0-9]$/) { print "bad value from cct: " $0 > "/dev/stderr"; exit 1 }
    if (n == "-0.000") n = "0.000"
    if (length(n) > 7) { print "N does not fit in 7 columns: " $0 > "/dev/stderr"; exit 1 }
    printf " %11s %11s   %7s\r\n", $1, $2, n
  }' > "$saida"
rm -f "$tmp.nos" "$tmp.n"
echo "$(wc -l < "$saida") nodes written to $saida"
