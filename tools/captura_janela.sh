#!/usr/bin/env bash
# Takes a picture of the NIVORA2015 window under a virtual display (Xvfb) and saves
# it as docs/janela.png (or the file given as the first argument).
# Builds the picture tool in build/ when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
saida="${1:-docs/janela.png}"
build="${BUILD_DIR:-build}"
if [ ! -x "$build/bin/captura_janela" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target captura_janela
fi
mkdir -p "$(dirname "$saida")"
if command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1024x768x24" "$build/bin/captura_janela" "$saida"
else
  echo "xvfb-run not found: using Qt's offscreen platform instead" >&2
  QT_QPA_PLATFORM=offscreen "$build/bin/captura_janela" "$saida"
fi
echo "Saved $saida"
