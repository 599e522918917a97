#!/usr/bin/env bash
# Builds the Debian packages from a finished build folder and checks them as a user
# would meet them: the files each installs, the dependencies computed from the
# binaries, the manual page and the bash completion, the packaged CLI run from an
# extracted copy on every shipped example (byte for byte against the build's own),
# the example program of examples/cpp built against the extracted development package
# with pkg-config and with CMake, its N compared with the CLI's, and the Python module
# imported from the extracted tree by Debian's /usr/bin/python3, its N compared too.
# Usage: tests/pacote/verificar_pacote.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "$1" && pwd)
FONTE=$(cd "$(dirname "$0")/../.." && pwd)
TRAB=$(mktemp -d)
trap 'rm -rf "$TRAB"' EXIT
falha() { echo "FALHA: $*" >&2; exit 1; }
# Whether a line of stdin matches the pattern whole. It reads all of stdin, so the
# writer never dies of SIGPIPE, which pipefail would count as a failure (grep -q and
# head stop reading at the first line they want).
tem() {
  local achados
  achados=$(grep -cx -- "$1" || true)
  [[ $achados -gt 0 ]]
}

(cd "$BUILD" && cpack -G DEB -B "$TRAB/pacote" >"$TRAB/cpack.log" 2>&1) ||
  { cat "$TRAB/cpack.log" >&2; falha "cpack"; }
versao=$(awk -F'"' '/^set\(CPACK_PACKAGE_VERSION /{print $2}' "$BUILD/CPackConfig.cmake")
deb="$TRAB/pacote/nivora2015_${versao}_amd64.deb"
lib="$TRAB/pacote/libnivora2015-1_${versao}_amd64.deb"
dev="$TRAB/pacote/libnivora2015-dev_${versao}_amd64.deb"
dados="$TRAB/pacote/nivora2015-data_${versao}_all.deb"
py="$TRAB/pacote/python3-nivora2015_${versao}_amd64.deb"
pacotes=("$deb" "$lib" "$dev" "$dados")
grep -q '^set(CPACK_COMPONENTS_ALL ".*python' "$BUILD/CPackConfig.cmake" && pacotes+=("$py")
for p in "${pacotes[@]}"; do
  [[ -f $p ]] || falha "pacote $p ausente: $(ls "$TRAB/pacote")"
done
# Each package's synopsis (the Description's first line) is its own.
sinopses=$(for p in "${pacotes[@]}"; do dpkg-deb -f "$p" Description | sed -n 1p; done)
[[ $(sort -u <<<"$sinopses" | wc -l) -eq ${#pacotes[@]} ]] || falha "sinopses repetidas: $sinopses"
[[ $(dpkg-deb -f "$lib" Description | sed -n 1p) == "Biblioteca da "* ]] ||
  falha "sinopse da biblioteca: $(dpkg-deb -f "$lib" Description | sed -n 1p)"

# Contents: each file in its package.
conteudo() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's|^\./||'; }
conteudo "$deb" >"$TRAB/conteudo.txt"
A=usr/lib/x86_64-linux-gnu
for f in $A/libnivora2015.so.1 $A/libnivora2015.so.1.0.0; do
  conteudo "$lib" | tem "$f" || falha "libnivora2015-1 não traz $f"
done
for f in usr/include/nivora2015/nivora2015.hpp usr/include/nivora2015/erros.hpp $A/libnivora2015.so \
  $A/pkgconfig/nivora2015.pc $A/cmake/Nivora2015/Nivora2015Config.cmake; do
  conteudo "$dev" | tem "$f" || falha "libnivora2015-dev não traz $f"
done
conteudo "$dados" | tem usr/share/nivora2015/grid/NIVORA2015_SIRGAS2000.txt ||
  falha "nivora2015-data não traz a grade"
[[ $(dpkg-deb -f "$dados" Architecture) == all ]] || falha "nivora2015-data não é Architecture: all"
[[ $(dpkg-deb -f "$lib" Depends) == *"nivora2015-data (= $versao)"* ]] ||
  falha "libnivora2015-1 sem a grade: $(dpkg-deb -f "$lib" Depends)"
[[ $(dpkg-deb -f "$dev" Depends) == *"libnivora2015-1 (= $versao)"* ]] ||
  falha "libnivora2015-dev sem a biblioteca: $(dpkg-deb -f "$dev" Depends)"
dpkg-deb --ctrl-tarfile "$lib" | tar -xO ./shlibs | tem "libnivora2015 1 libnivora2015-1 (= $versao)" ||
  falha "libnivora2015-1 sem shlibs"
P=usr/lib/nivora2015
for f in usr/bin/nivora2015 usr/bin/nivora2015-cli $P/nivora2015 $P/nivora2015-cli $P/nivora2015-gis.so \
  $P/grid $P/Ajuda_Nivora2015.html $P/instalado_para_todos \
  $P/entradas/pontos.txt $P/saida/ $P/imagens/NIVORA2015.pdf $P/imagens/rede_NIVORA2015.pdf \
  $P/imagens/diferencas_NIVORA2015.pdf $P/imagens/discrepancias_NIVORA2015.pdf \
  usr/share/applications/nivora2015.desktop usr/share/icons/hicolor/256x256/apps/nivora2015.png \
  usr/share/man/man1/nivora2015-cli.1.gz usr/share/bash-completion/completions/nivora2015-cli; do
  grep -qx "$f" "$TRAB/conteudo.txt" || falha "o pacote não traz $f"
done
exemplos=$(grep -c "^$P/exemplos/.*\.txt$" "$TRAB/conteudo.txt" || true)
[[ $exemplos -eq 13 ]] || falha "$exemplos exemplos no pacote (esperados 13)"

# Dependencies: the libraries come from the binaries (shlibdeps), the rest by name.
depende=$(dpkg-deb -f "$deb" Depends)
for d in libnivora2015-1 nivora2015-data libqt6widgets6 libqt6printsupport6 libjpeg62-turbo \
  libgdal32 libstdc++6 libc6 qt6-qpa-plugins qt6-translations-l10n; do
  [[ ",$depende," == *", $d"* || ",$depende," == *",$d"* ]] || falha "Depends sem $d: $depende"
done

# The packaged files, all extracted into one tree; the programs find the library there
# through LD_LIBRARY_PATH, and the grid through the link beside them.
R="$TRAB/raiz"
for p in "${pacotes[@]}"; do dpkg-deb -x "$p" "$R"; done
export LD_LIBRARY_PATH="$R/$A"
desktop-file-validate --no-hints "$R/usr/share/applications/nivora2015.desktop"
gzip -t "$R/usr/share/man/man1/nivora2015-cli.1.gz"
pagina=$(gzip -dc "$R/usr/share/man/man1/nivora2015-cli.1.gz")
[[ $pagina == .TH\ NIVORA2015-CLI\ 1* ]] || falha "página de manual sem .TH"
ajuda=$("$R/usr/bin/nivora2015-cli" --help)
for opcao in $(grep -o -- '--[a-z-]*' <<<"$ajuda" | sort -u); do
  grep -qF -- "${opcao//-/\\-}" <<<"$pagina" || falha "a página de manual não traz $opcao"
done
bash -n "$R/usr/share/bash-completion/completions/nivora2015-cli"
completar=$(bash -c 'source "$1"; COMP_WORDS=(nivora2015-cli --sai); COMP_CWORD=1
  _nivora2015_cli; echo "${COMPREPLY[*]}"' _ "$R/usr/share/bash-completion/completions/nivora2015-cli")
[[ $completar == "--saida-id --saida-coord" ]] || falha "completar --sai deu: $completar"

# The packaged CLI, started through its link in usr/bin, finds its grid and writes
# the same bytes as the build's CLI on every example.
for exemplo in "$R/$P"/exemplos/*.txt; do
  nome=$(basename "$exemplo" .txt)
  case $nome in latlon_dec*) c=0 ;; lonlat_dec*) c=1 ;; latlon_gms*) c=2 ;; lonlat_gms*) c=3 ;; *) c=0 ;; esac
  case $nome in *_id_antes) f=(-f "ID,$c") ;; *_id_depois) f=(-f "$c,ID") ;; *) f=(-f "$c") ;; esac
  [[ $nome == gnss ]] && f=(-f ID,0,H --altura elipsoidal)  # heights after the coordinates
  "$R/usr/bin/nivora2015-cli" --quiet "${f[@]}" --saida-id --saida-coord "$exemplo" "$TRAB/$nome.pacote"
  "$BUILD/bin/nivora2015-cli" --quiet "${f[@]}" --saida-id --saida-coord "$exemplo" "$TRAB/$nome.build"
  cmp "$TRAB/$nome.pacote" "$TRAB/$nome.build" || falha "$nome: saídas diferentes"
  [[ -s "$TRAB/$nome.pacote" ]] || falha "$nome: saída vazia"
done
# The packaged CLI's GIS subcommand, through the GDAL the package depends on.
printf 'id,lat,lon\nRN01,-15.7939,-47.8828\n' >"$TRAB/pontos.csv"
"$R/usr/bin/nivora2015-cli" camada -q --crs EPSG:4674 "$TRAB/pontos.csv" "$TRAB/pontos_n.csv" ||
  falha "camada do pacote"
grep -q '^RN01,-15.7939,-47.8828,-12.659,' "$TRAB/pontos_n.csv" ||
  falha "camada do pacote deu: $(cat "$TRAB/pontos_n.csv")"
# The example program against the extracted development package, both ways; its N
# (three decimals) against the CLI's height column with H = 0 (h = 0 + N).
pontos=$'-15.7939 -47.8828\n-22.9068 -43.1729\n-3.1190 -60.0217\n-30.0346 -51.2177\n2.8235 -60.6758'
g++ -std=c++17 "$FONTE/examples/cpp/ondulacao.cpp" \
  $(PKG_CONFIG_PATH="$R/$A/pkgconfig" pkg-config --cflags --libs nivora2015) -o "$TRAB/exemplo_pc" ||
  falha "o exemplo não compila com pkg-config"
cmake -S "$FONTE/examples/cpp" -B "$TRAB/exemplo_cmake" -DCMAKE_PREFIX_PATH="$R/usr" >/dev/null &&
  cmake --build "$TRAB/exemplo_cmake" >/dev/null || falha "o exemplo não compila com CMake"
esperado=$(awk '{print $1, $2, 0}' <<<"$pontos" |
  "$BUILD/bin/nivora2015-cli" -q -f 0,H --altura ortometrica | tr -d '\r' | awk '{print $NF}')
for exemplo in "$TRAB/exemplo_pc" "$TRAB/exemplo_cmake/ondulacao"; do
  obtido=$("$exemplo" <<<"$pontos")  # the grid the library finds beside itself
  [[ $obtido == "$esperado" ]] || falha "$exemplo deu $obtido, a CLI $esperado"
done

# The Python module from the extracted tree: its library and grid from there too.
if [[ -f $py ]]; then
  M=usr/lib/python3/dist-packages/nivora2015
  for f in __init__.py __init__.pyi dask.py py.typed; do
    conteudo "$py" | tem "$M/$f" || falha "python3-nivora2015 não traz $M/$f"
  done
  conteudo "$py" | tem "$M/_nivora2015\.cpython-.*-linux-gnu\.so" ||
    falha "python3-nivora2015 sem a extensão"
  for d in "libnivora2015-1 (= $versao)" python3-numpy "python3 (>= 3." "python3 (<< 3."; do
    [[ $(dpkg-deb -f "$py" Depends) == *"$d"* ]] || falha "python3-nivora2015 sem $d: $(dpkg-deb -f "$py" Depends)"
  done
  obtido=$(PYTHONPATH="$R/usr/lib/python3/dist-packages" PYTHONNOUSERSITE=1 /usr/bin/python3 -c '
import sys, nivora2015
raiz = sys.argv[1]
mapas = open("/proc/self/maps").read()
assert nivora2015.__file__.startswith(raiz), nivora2015.__file__
assert nivora2015.Modelo().arquivo.startswith(raiz), nivora2015.Modelo().arquivo
assert raiz + "/usr/lib/x86_64-linux-gnu/libnivora2015.so.1" in mapas, "biblioteca de outro lugar"
pontos = [tuple(map(float, l.split())) for l in sys.stdin]
for lat, lon in pontos:
    print(f"{nivora2015.ondulacao(lat, lon):.3f}")' "$R" <<<"$pontos") ||
    falha "o módulo Python do pacote não funciona"
  [[ $obtido == "$esperado" ]] || falha "o módulo Python deu $obtido, a CLI $esperado"
fi

echo "pacotes de $versao: $(wc -l <"$TRAB/conteudo.txt") entradas no principal, $exemplos exemplos conferidos, exemplo de C++ conferido"
echo "Depends: $depende"
