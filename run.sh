#!/usr/bin/env bash
# Installs what is missing, builds, and starts the NIVORA2015 window.
# Without a display it says so and shows the command-line tool at work instead.
set -euo pipefail
cd "$(dirname "$0")"
./install-deps.sh
# The same configuration as ./test.sh, so that a later ./test.sh finds build/ as it
# wants it; only the programs and what ships beside them are built here.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DNIVORA_APP=ON -DNIVORA_TESTS=ON -DNIVORA_BENCH=ON -DNIVORA_SANITIZE=OFF -DNIVORA_FUZZ=OFF
cmake --build build --target nivora2015 nivora2015-cli nivora_dist nivora_documentos

BIN=build/bin
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$BIN/nivora2015" "$@"
fi

cat <<'TXT'
No graphical display was found (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window
cannot be shown here. To see it, run ./run.sh from a desktop session, or under a virtual
display:   xvfb-run -a ./run.sh
Meanwhile, here is the command-line tool processing the shipped examples:
TXT
out=$(mktemp -d)
for f in "$BIN"/exemplos/*.txt; do
  name=$(basename "$f" .txt)
  if [ "$name" = gnss ]; then  # ellipsoidal heights: the orthometric ones are written too
    "$BIN/nivora2015-cli" --quiet -f ID,0,H --altura elipsoidal --saida-id --saida-coord "$f" \
      "$out/${name}_saida.txt"
    continue
  fi
  case "$name" in
    latlon_dec*) code=0 ;;
    lonlat_dec*) code=1 ;;
    latlon_gms*) code=2 ;;
    lonlat_gms*) code=3 ;;
    *) continue ;;
  esac
  case "$name" in
    *_id_antes) fmt="ID,$code" ;;
    *_id_depois) fmt="$code,ID" ;;
    *) fmt="$code" ;;
  esac
  "$BIN/nivora2015-cli" --quiet --formato "$fmt" --saida-id --saida-coord "$f" "$out/${name}_saida.txt"
done
echo "Output files written to: $out"
for f in "$out"/*_saida.txt; do
  echo "== $(basename "$f")"
  head -n 3 "$f" | iconv -f WINDOWS-1252 -t UTF-8
done
