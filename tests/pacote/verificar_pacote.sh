#!/usr/bin/env bash
# Builds the Debian package from a finished build folder and checks it as a user
# would meet it: the files it installs, the dependencies computed from its binaries,
# the manual page and the bash completion, and the packaged CLI run from an
# extracted copy on every shipped example, byte for byte against the build's own.
# Usage: tests/pacote/verificar_pacote.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "$1" && pwd)
TRAB=$(mktemp -d)
trap 'rm -rf "$TRAB"' EXIT
falha() { echo "FALHA: $*" >&2; exit 1; }

(cd "$BUILD" && cpack -G DEB -B "$TRAB/pacote" >"$TRAB/cpack.log" 2>&1) ||
  { cat "$TRAB/cpack.log" >&2; falha "cpack"; }
versao=$(awk -F'"' '/^set\(CPACK_PACKAGE_VERSION /{print $2}' "$BUILD/CPackConfig.cmake")
deb="$TRAB/pacote/nivora2015_${versao}_amd64.deb"
[[ -f $deb ]] || falha "pacote $deb ausente: $(ls "$TRAB/pacote")"

# Contents.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' >"$TRAB/conteudo.txt"
P=usr/lib/nivora2015
for f in usr/bin/nivora2015 usr/bin/nivora2015-cli $P/nivora2015 $P/nivora2015-cli \
  $P/grid/NIVORA2015_SIRGAS2000.txt $P/Ajuda_Nivora2015.html $P/instalado_para_todos \
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
for d in libqt6widgets6 libqt6printsupport6 libjpeg62-turbo libstdc++6 libc6 qt6-qpa-plugins \
  qt6-translations-l10n; do
  [[ ",$depende," == *", $d"* || ",$depende," == *",$d"* ]] || falha "Depends sem $d: $depende"
done

# The packaged files, extracted.
dpkg-deb -x "$deb" "$TRAB/raiz"
R="$TRAB/raiz"
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
echo "pacote $(basename "$deb"): $(wc -l <"$TRAB/conteudo.txt") entradas, $exemplos exemplos conferidos"
echo "Depends: $depende"
