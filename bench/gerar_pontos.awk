# Deterministic random points inside the model area, one "lat lon" record per
# line (layout 0). A Park-Miller generator in integer arithmetic keeps the
# sequence the same under every awk. Usage:
#   awk -v n=1000000 -v semente=12345 [-v ordem=lonlat|csv] -f gerar_pontos.awk
# ordem=csv writes "id,lat,lon,alt" with a header and a height of three decimals.
function proximo() {
  estado = (estado * 16807) % 2147483647
  return estado / 2147483647
}
BEGIN {
  if (n == "") n = 1000000
  estado = (semente == "" ? 12345 : semente) % 2147483647
  if (estado <= 0) estado = 1
  # Slightly inside the limits: -34.5830027 < lat < 5.5833027, -74.5830027 < lon < -34.4332999
  # (another rectangle with -v latSul=... latNorte=... lonOeste=... lonLeste=...).
  if (latSul == "") latSul = -34.58
  if (latNorte == "") latNorte = 5.58
  if (lonOeste == "") lonOeste = -74.58
  if (lonLeste == "") lonLeste = -34.44
  if (ordem == "csv") print "id,lat,lon,alt"
  for (i = 0; i < n; i++) {
    lat = latSul + (latNorte - latSul) * proximo()
    lon = lonOeste + (lonLeste - lonOeste) * proximo()
    if (ordem == "lonlat")
      printf "%.6f %.6f 0\n", lon, lat
    else if (ordem == "csv")
      printf "P%d,%.6f,%.6f,%.3f\n", i + 1, lat, lon, 3000 * proximo() - 50
    else
      printf "%.6f %.6f\n", lat, lon
  }
}
