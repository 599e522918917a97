# Deterministic random points inside the model area, one "lat lon" record per
# line (layout 0). A Park-Miller generator in integer arithmetic keeps the
# sequence the same under every awk. Usage:
#   awk -v n=1000000 -v semente=12345 [-v ordem=lonlat] -f gerar_pontos.awk
function proximo() {
  estado = (estado * 16807) % 2147483647
  return estado / 2147483647
}
BEGIN {
  if (n == "") n = 1000000
  estado = (semente == "" ? 12345 : semente) % 2147483647
  if (estado <= 0) estado = 1
  # Slightly inside the limits: -34.5830027 < lat < 5.5833027, -74.5830027 < lon < -34.4332999.
  latSul = -34.58; latNorte = 5.58; lonOeste = -74.58; lonLeste = -34.44
  for (i = 0; i < n; i++) {
    lat = latSul + (latNorte - latSul) * proximo()
    lon = lonOeste + (lonLeste - lonOeste) * proximo()
    if (ordem == "lonlat")
      printf "%.6f %.6f 0\n", lon, lat
    else
      printf "%.6f %.6f\n", lat, lon
  }
}
