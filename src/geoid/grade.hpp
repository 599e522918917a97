// Reading the geoid grid file: its lines and the node of each line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nivora {

/// What identifies one version of a file: device, inode, size, and the
/// modification and change times in nanoseconds.
struct AssinaturaArquivo {
  std::uint64_t dispositivo = 0;
  std::uint64_t inode = 0;
  std::int64_t tamanhoBytes = 0;
  std::int64_t modificacaoNs = 0;
  std::int64_t mudancaNs = 0;
  bool operator==(const AssinaturaArquivo&) const = default;
};

/// The signature of the file at `caminho`; false when it cannot be examined.
bool AssinaturaDe(const std::string& caminho, AssinaturaArquivo& assinatura);

/// The whole file as bytes. `assinatura` (optional) receives the signature of
/// the opened file taken after reading; `estavel` (optional) tells whether it
/// was the same before reading (false: the file changed while it was read).
/// @throws EFOpenError "Cannot open file "<path>". <system reason>"
/// @throws EInOutError when reading fails after the file was opened.
std::string LerArquivo(const std::string& caminho, AssinaturaArquivo* assinatura = nullptr,
                       bool* estavel = nullptr);

/// Lines of a text: split at CR LF, a lone CR and a lone LF; a line break at the
/// very end adds no empty line; a NUL byte ends the text.
std::vector<std::string> DividirLinhas(std::string_view conteudo);

/// The whole grid file as lines, in file order. @throws as LerArquivo.
std::vector<std::string> CarregarLinhas(const std::string& caminho);

/// One grid node: longitude in degrees east (the file's 0..360 value minus 360,
/// so the model area is negative), latitude in degrees north, N in metres.
struct TNoGrade {
  long double Lon = 0;
  long double Lat = 0;
  long double N = 0;
};

/// Fixed columns (from 1): 2-12 longitude, 14-24 latitude (both converted as cut,
/// so only blanks may stand around the number), 28-34 N (trimmed first). A field
/// past the end of a short line holds what is there. Read in that order.
/// @throws EConvertError "'<field>' is not a valid floating point value"
TNoGrade LerNo(std::string_view linha);

/// Column layout of a node line, 0-based offsets and widths.
inline constexpr std::size_t kInicioLon = 1, kLarguraLon = 11;
inline constexpr std::size_t kInicioLat = 13, kLarguraLat = 11;
inline constexpr std::size_t kInicioN = 27, kLarguraN = 7;
/// The file stores longitudes counted eastward from 0 to 360.
inline constexpr long double kVoltaGrausLon = 360.0L;

}  // namespace nivora
