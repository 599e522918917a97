#!/usr/bin/env bash
# Draws the maps of the geoid model with GMT, at build time, from the shipped grid and
# from the differences that nivora_gerar_documentos computed with the program's own
# query against PROJ's EGM96:
#
#   tools/gerar_mapas.sh <grid> <differences.xyz> <check points.xyz> <output folder>
#
# differences.xyz: "lon lat mm" at the centre of every 5' cell inside the model area;
# check points.xyz: "lon lat mm" at the independent check points.
#
# Writes into the output folder:
#   ondulacao.png      N of the grid: colour image, contours every 5 m labelled every 10 m,
#                      coastline, national and state borders, graticule, model limits
#   ilustracao.png     the same map, small, for the illustration window
#   diferencas.png     program - EGM96 at the cell centres
#   discrepancias.png  program - EGM96 at the check points
#   rede.png           the EGM96 15' nodes that the grid was sampled from
#   detalhe.png        one degree near Brasilia: EGM96 nodes and grid nodes
#   grade.sha256       SHA-256 of the grid these maps were drawn from
#
# Why at build time: the maps then always show the grid that ships and the program that
# is built, with nothing stored twice. GMT (Debian's gmt, gmt-gshhg-low, gmt-dcw) and
# ghostscript are build dependencies, installed by ./install-deps.sh. Only local data
# are read: coastlines and national borders from GSHHG, the states of Brazil from the
# Digital Chart of the World. GMT's remote data server is pointed at a path that does
# not exist, so a stray remote-file name fails at once instead of reaching the network.
set -euo pipefail

if [ $# -ne 4 ]; then
  echo "usage: $0 <grid> <differences.xyz> <check points.xyz> <output folder>" >&2
  exit 2
fi
command -v gmt >/dev/null || { echo "gmt not found: run ./install-deps.sh" >&2; exit 1; }
absoluto() { (cd "$(dirname "$1")" && printf '%s/%s\n' "$(pwd)" "$(basename "$1")"); }
grade=$(absoluto "$1")
diferencas=$(absoluto "$2")
controle=$(absoluto "$3")
mkdir -p "$4"
saida=$(cd "$4" && pwd)

trab=$(mktemp -d "$saida/.trabalho.XXXXXX")
trap 'rm -rf "$trab"' EXIT
cd "$trab"
# GMT's own folders inside the work folder: no user settings, no shared state.
export GMT_USERDIR="$trab/usuario" GMT_TMPDIR="$trab/tmp" GMT_CACHEDIR="$trab/cache"
mkdir -p "$GMT_USERDIR" "$GMT_TMPDIR" "$GMT_CACHEDIR"

# Texts go to GMT in ISO Latin-1, the encoding set below.
t() { printf '%s' "$1" | iconv -f UTF-8 -t ISO-8859-1//TRANSLIT; }

# Extent of the grid and limits of the model area (points strictly inside are accepted).
readonly R_GRADE=-75/-34/-35/6
readonly LAT_SUL=-34.5830027 LAT_NORTE=5.5833027 LON_OESTE=-74.5830027 LON_LESTE=-34.4332999
readonly DPI=240

gmt set GMT_DATA_SERVER file:///nonexistent GMT_DATA_UPDATE_INTERVAL off \
  PS_CHAR_ENCODING ISOLatin1+ FORMAT_GEO_MAP dddF MAP_FRAME_TYPE plain MAP_FRAME_PEN 0.8p \
  FONT_ANNOT_PRIMARY 8p,Helvetica FONT_LABEL 9p,Helvetica FONT_TITLE 12p,Helvetica-Bold \
  MAP_TITLE_OFFSET 8p MAP_GRID_PEN_PRIMARY 0.25p,90/90/90,2_2:0 COLOR_NAN white \
  MAP_ANNOT_OFFSET_PRIMARY 3p MAP_TICK_LENGTH_PRIMARY 3p

# The grid as a netCDF grid: longitudes 0..360 east become negative west.
awk '{ printf "%.6f %s %s\n", $1 - 360, $2, $3 }' "$grade" > n.xyz
gmt xyz2grd n.xyz -R$R_GRADE -I5m -fg -Gn.nc
# Colour range of N: the grid's extremes rounded out to whole tens of metres ("-T-40/50").
faixa_n=$(gmt grdinfo n.nc -T10 | sed 's#/10$##')
# The differences sit at the cell centres: a pixel-registered grid of the same extent.
gmt xyz2grd "$diferencas" -R$R_GRADE -I5m -r -fg -Gdif.nc

printf '%s %s\n' $LON_OESTE $LAT_SUL $LON_OESTE $LAT_NORTE $LON_LESTE $LAT_NORTE \
  $LON_LESTE $LAT_SUL $LON_OESTE $LAT_SUL > area.txt
# The states of Brazil in the Digital Chart of the World: BR.AC,BR.AL,...
dcw=$(gmt get DIR_DCW)
[ -f "$dcw/dcw-states.txt" ] || dcw="$(gmt --show-sharedir)/dcw"
estados=$(awk '$1 == "BR" { printf "%sBR.%s", s, $2; s = "," }' "$dcw/dcw-states.txt" 2>/dev/null) ||
  true
if [ -z "$estados" ]; then
  echo "the states of Brazil are not in the DCW data ($dcw): run ./install-deps.sh" >&2
  exit 1
fi

# Pens of the large maps, shared by the drawing and the legends.
readonly CONTORNO=0.25p,60/60/60 CONTORNO_ROTULADO=0.5p,40/40/40 COSTA=0.75p,black
readonly FRONTEIRA=1.3p,black DIVISA=0.45p,black,4_2:0 LIMITE=1.1p,red,-

# Borders over whatever was drawn: states of Brazil, coastline, national borders.
fronteiras() {
  gmt coast -E"$estados"+p$DIVISA
  gmt coast -Di -A1000 -W1/$COSTA -N1/$FRONTEIRA
}
limites_da_area() { gmt plot area.txt -W"$1"; }

# A line of source text under the map, `linha` lines below its bottom edge.
fonte() {
  local linha=$1 texto=$2
  t "$texto" | gmt text -F+cBL+jTL+f7p,Helvetica,40/40/40 -N \
    -D0/-$(awk -v l="$linha" 'BEGIN { print 0.75 + 0.38 * l }')c
}

fonte_egm96="Fonte: EGM96 (grade global de 15', egm96_15.gtx) avaliado pelo PROJ (vgridshift, bilinear) em cada nó da grade de 5'."

# ---- N of the grid -------------------------------------------------------------------
mapa_ondulacao() {
  gmt begin ondulacao png E$DPI
  gmt makecpt -Chaxby $faixa_n
  gmt grdimage n.nc -R$R_GRADE -JM15c
  gmt grdcontour n.nc -C5 -A10+f6p,Helvetica+gwhite+c1p -Gd6c -W$CONTORNO -Wa$CONTORNO_ROTULADO
  fronteiras
  limites_da_area $LIMITE
  gmt basemap -Bxa5g5 -Bya5g5 -BWSne+t"$(t 'NIVORA2015 - Ondulação geoidal N (SIRGAS2000)')"
  gmt colorbar -DJRM+w13c/0.4c+o0.5c/0 -Bxa10f5 -By+l"$(t 'N (m)')"
  cat > legenda.txt <<EOF
S 0.35c - 0.6c - $CONTORNO_ROTULADO 0.8c $(t 'Contorno de 10 m, rotulado')
S 0.35c - 0.6c - $CONTORNO 0.8c $(t 'Contorno de 5 m')
S 0.35c - 0.6c - $COSTA 0.8c $(t 'Linha de costa')
S 0.35c - 0.6c - $FRONTEIRA 0.8c $(t 'Fronteira nacional')
S 0.35c - 0.6c - $DIVISA 0.8c $(t 'Divisa estadual')
S 0.35c - 0.6c - $LIMITE 0.8c $(t 'Limite da área do modelo')
EOF
  gmt legend legenda.txt -DjBR+w4.4c+o0.25c -F+p0.5p+gwhite --FONT_ANNOT_PRIMARY=7p
  fonte 0 "$fonte_egm96"
  fonte 1 "Contornos a cada 5 m, rotulados a cada 10 m. Costa e fronteiras: GSHHG; divisas estaduais: DCW."
  gmt end
}

# ---- The small map of the illustration window -----------------------------------------
mapa_ilustracao() {
  # Rendered at twice the size and halved by nivora_gerar_figuras: smoother thin lines.
  gmt begin ilustracao png E200
  gmt set FONT_ANNOT_PRIMARY 7p,Helvetica MAP_FRAME_PEN 0.6p MAP_TICK_LENGTH_PRIMARY 2p \
    MAP_ANNOT_OFFSET_PRIMARY 2p MAP_GRID_PEN_PRIMARY 0.2p,90/90/90,2_2:0
  gmt makecpt -Chaxby $faixa_n
  gmt grdimage n.nc -R$R_GRADE -JM5.6c
  gmt grdcontour n.nc -C5 -A10+f5.5p,Helvetica-Bold+gwhite+c0.5p -Gd4c -W0.2p,60/60/60 \
    -Wa0.35p,black
  gmt coast -E"$estados"+p0.15p,80/80/80
  gmt coast -Dl -A5000 -W1/0.35p,black -N1/0.55p,black
  limites_da_area 0.6p,red,-
  gmt basemap -Bxa10g10 -Bya10g10 -BWSne
  gmt colorbar -DJRM+w5c/0.25c+o0.25c/0 -Bxa20f10 -By+l"m"
  gmt end
}

# ---- A map of differences in millimetres ---------------------------------------------
# Colour limit: three times the RMS of the differences, rounded up to 1, 2, 2.5 or 5 times
# a power of ten; larger values take the end colours (triangles on the scale).
limite_mm() {
  awk '{ s += $3 * $3; n++ } END {
         r = 3 * sqrt(s / n); p = 1
         while (p * 10 <= r) p *= 10
         if (r <= p) print p; else if (r <= 2 * p) print 2 * p
         else if (r <= 2.5 * p) print 2.5 * p; else if (r <= 5 * p) print 5 * p
         else print 10 * p }' "$1"
}

mapa_diferencas() {
  local limite
  limite=$(limite_mm "$diferencas")
  gmt begin diferencas png E$DPI
  gmt makecpt -Cpolar -T-$limite/$limite -D
  gmt grdimage dif.nc -R$R_GRADE -JM15c -Q
  fronteiras
  limites_da_area $LIMITE
  gmt basemap -Bxa5g5 -Bya5g5 -BWSne+t"$(t 'Diferença NIVORA2015 - EGM96, centros das células de 5′')"
  gmt colorbar -DJRM+w13c/0.4c+o0.5c/0+e -Bxaf -By+l"mm"
  fonte 0 "NIVORA2015: N do programa (ajuste de grau 2 em 5 × 5 nós), arredondado ao milímetro."
  fonte 1 "EGM96: grade de 15' pelo PROJ (vgridshift, bilinear). Diferença = NIVORA2015 - EGM96."
  gmt end
}

mapa_discrepancias() {
  local limite
  limite=$(limite_mm "$controle")
  gmt begin discrepancias png E$DPI
  gmt makecpt -Cpolar -T-$limite/$limite -D
  gmt coast -R$R_GRADE -JM15c -Di -A1000 -Gwhite -S235/240/245
  fronteiras
  gmt plot "$controle" -Sc0.11c -C -W0.1p,90/90/90
  limites_da_area $LIMITE
  gmt basemap -Bxa5g5 -Bya5g5 -BWSne+t"$(t 'Discrepâncias nos pontos de controle: NIVORA2015 - EGM96')"
  gmt colorbar -DJRM+w13c/0.4c+o0.5c/0+e -Bxaf -By+l"mm"
  fonte 0 "$(wc -l < "$controle") pontos sorteados uniformemente na área do modelo (semente fixa), fora dos nós da grade."
  fonte 1 "EGM96: grade de 15' pelo PROJ (vgridshift, bilinear)."
  gmt end
}

# ---- The data behind the grid ----------------------------------------------------------
# EGM96 nodes (every 0.25 degree) strictly inside the model area.
awk -v s=$LAT_SUL -v n=$LAT_NORTE -v w=$LON_OESTE -v e=$LON_LESTE 'BEGIN {
  for (i = int(s * 4) - 1; i <= int(n * 4) + 1; i++)
    for (j = int(w * 4) - 1; j <= int(e * 4) + 1; j++) {
      lat = i / 4; lon = j / 4
      if (lat > s && lat < n && lon > w && lon < e) print lon, lat
    }
}' > egm96.txt

mapa_rede() {
  gmt begin rede png E$DPI
  gmt coast -R$R_GRADE -JM15c -Di -A1000 -G245/240/225 -S225/235/245
  gmt plot egm96.txt -Sc0.03c -G0/0/128
  fronteiras
  limites_da_area $LIMITE
  gmt plot -W1.2p,red <<EOF
-48 -16
-48 -15
-47 -15
-47 -16
-48 -16
EOF
  gmt basemap -Bxa5g5 -Bya5g5 -BWSne+t"$(t 'Nós do EGM96 (15′) sobre a área do modelo')"
  fonte 0 "$(wc -l < egm96.txt) nós do EGM96, um a cada 0.25° (cerca de 28 km). Quadrado vermelho: o detalhe de 1° × 1°."
  fonte 1 "Costa e fronteiras: GSHHG; divisas estaduais: DCW."
  gmt end
}

mapa_detalhe() {
  # Nodes of the 5' grid and of EGM96 in the square of one degree, the first ones from
  # the grid file itself.
  awk '{ lon = $1 - 360; lat = $2 + 0
         if (lon >= -48.001 && lon <= -46.999 && lat >= -16.001 && lat <= -14.999) print lon, lat }' \
    "$grade" > nos5.txt
  awk '$1 >= -48 && $1 <= -47 && $2 >= -16 && $2 <= -15' egm96.txt > nos15.txt
  gmt begin detalhe png E$DPI
  gmt set FORMAT_GEO_MAP ddd:mmF FONT_TITLE 11p,Helvetica-Bold
  gmt basemap -R-48/-47/-16/-15 -JM8c -B+g250/250/245
  gmt grdcontour n.nc -C0.25 -A0.5+f6p,Helvetica+gwhite+c1p -Gd3c -W0.3p,50/50/50 \
    -Wa0.5p,50/50/50
  gmt coast -EBR.DF,BR.GO,BR.MG+p1p,black
  gmt plot nos5.txt -Sc0.07c -G90/90/90
  gmt plot nos15.txt -Sc0.22c -G0/0/128 -Wwhite
  echo "-47.8822 -15.7939" | gmt plot -Sa0.35c -Gred -Wblack
  t "-47.8822 -15.7939 Brasília" | gmt text -F+f8p,Helvetica-Bold+jBL -D0.2c/0.1c -Gwhite
  gmt basemap -Bxa15mf5m -Bya15mf5m -BWSne+t"$(t 'Detalhe de 1° × 1° perto de Brasília')"
  cat > legenda.txt <<EOF
S 0.3c c 0.22c 0/0/128 white 0.7c $(t 'Nó do EGM96 (15′), valor de origem')
S 0.3c c 0.07c 90/90/90 - 0.7c $(t 'Nó da grade NIVORA2015 (5′)')
S 0.3c - 0.5c - 0.3p,50/50/50 0.7c $(t 'Contorno de N a cada 0.25 m')
S 0.3c - 0.5c - 1p,black 0.7c $(t 'Divisas estaduais (DF, GO, MG)')
EOF
  gmt legend legenda.txt -DJBC+w8c+o0/1.0c -F+p0.5p+gwhite --FONT_ANNOT_PRIMARY=7p
  gmt end
}

mapa_ondulacao
mapa_ilustracao
mapa_diferencas
mapa_discrepancias
mapa_rede
mapa_detalhe

for f in ondulacao ilustracao diferencas discrepancias rede detalhe; do
  mv -f "$f.png" "$saida/$f.png"
done
sha256sum "$grade" | cut -d' ' -f1 > "$saida/grade.sha256"
