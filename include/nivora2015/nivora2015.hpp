// NIVORA2015: the geoid undulation N (metres, SIRGAS2000) of points in Brazil, from a
// grid of 5' with the model's weighted least-squares fit, and the heights it turns
// into one another (orthometric H = h - N, ellipsoidal h = H + N).
//
// Every number is the one the program's window and command-line tool give for the same
// point: N rounded to three decimals (the window shows it with two), heights to three.
//
//   nivora2015::Modelo modelo;                      // the grid that ships with the library
//   nivora2015::Grade grade = modelo.Retrato();     // one version of it, for many queries
//   double n = grade.Ondulacao(-15.7939, -47.8828); // -12.659 (metres)
//
// Link with `pkg-config --cflags --libs nivora2015`, or in CMake
// find_package(Nivora2015) and the target Nivora2015::nivora2015.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "nivora2015/erros.hpp"

namespace nivora2015 {

using nivora::EAberturaArquivo;
using nivora::EAritmetica;
using nivora::EConversao;
using nivora::EEntradaSaida;
using nivora::ErroNivora;

inline constexpr int kVersaoMaior = 1;
inline constexpr int kVersaoMenor = 0;
inline constexpr int kVersaoRevisao = 0;

/// Why a point got no value (Aceito: it got one). 1 to 9 are the program's own
/// refusal codes; ForaDaGrade and NaoNumero are the library's.
enum class Codigo : std::int32_t {
  Aceito = 0,
  GrauLatitude = 1,      ///< latitude of 90 degrees or more either way
  MinutoLatitude = 2,    ///< (GMS input only)
  SegundoLatitude = 3,   ///< (GMS input only)
  GrauLongitude = 4,     ///< longitude of 180 degrees or more either way
  MinutoLongitude = 5,   ///< (GMS input only)
  SegundoLongitude = 6,  ///< (GMS input only)
  AcimaDoNorte = 7,      ///< latitude at or north of 5.5833027
  AbaixoDoSul = 8,       ///< latitude at or south of -34.5830027
  ForaDaLongitude = 9,   ///< longitude at or beyond -74.5830027 (west) or -34.4332999 (east)
  ForaDaGrade = 10,      ///< fewer than the 25 grid nodes the fit needs around the point
  NaoNumero = 11,        ///< a coordinate (or height) that is not a number
};

/// The program's message for a code, in UTF-8 ("Entrada Inválida : LATITUDE ACIMA  do
/// limite do grid"); the library's own words for ForaDaGrade and NaoNumero.
std::string MensagemCodigo(Codigo codigo);

/// The message of an exception in UTF-8 (the library's exceptions carry Windows-1252;
/// a file name they quote is kept as the system gave it, UTF-8 included).
std::string MensagemUtf8(const std::exception& erro);

/// A point the program refuses, with its code; what() is MensagemCodigo in Windows-1252.
class EPontoRecusado : public ErroNivora {
 public:
  EPontoRecusado(Codigo codigo, const std::string& mensagem)
      : ErroNivora(mensagem), codigo_(codigo) {}
  Codigo CodigoRecusa() const { return codigo_; }

 private:
  Codigo codigo_;
};

/// A coordinate in degrees, minutes and seconds, as the program derives it.
struct Gms {
  bool negativo = false;  ///< south (latitude) or west (longitude)
  std::int32_t graus = 0;
  std::int32_t minutos = 0;
  double segundos = 0;
  std::string texto;  ///< "-03 07 43.3200": sign, degrees and minutes of two digits, seconds
};

/// Decimal degrees to GMS by the program's rule (whole degrees; the minutes of the
/// rest kept as a double; the seconds of what is left, rounded by the text to four
/// decimals). @throws EPontoRecusado(NaoNumero) for NaN or an infinity; EConversao
/// ("'%s' is not a valid integer value") for whole degrees beyond a 32-bit integer.
Gms DecimalParaGms(double graus);

/// "G M S" (blanks between the three numbers, the sign before the degrees, as a GMS
/// column of a points file: "-23 33 1.8") to decimal degrees by the program's rule:
/// |G| + M/60 + S/3600 summed in extended precision, rounded to double, negative when
/// the degrees carry "-" (also "-0").
/// @throws EConversao for a part that is no number or a missing part;
///         EPontoRecusado(MinutoLatitude / SegundoLatitude) for minutes above 59, seconds
///         of 60 or more, or a negative part.
double GmsParaDecimal(const std::string& texto);

/// What a given height is.
enum class Altura {
  Elipsoidal,  ///< h, on the ellipsoid (GNSS): the orthometric H = h - N is returned
  Ortometrica  ///< H, above the geoid (levelling): the ellipsoidal h = H + N is returned
};

/// How the points of a block went.
struct Contagem {
  std::uint64_t aceitos = 0;
  std::uint64_t recusados = 0;
  std::uint64_t porEstimativa = 0;  ///< of the accepted: decided by the bounded double estimate
  std::uint64_t porAjuste80 = 0;    ///< by the 80-bit fit
  std::uint64_t emNo = 0;           ///< on a grid node
};

/// One version of a grid file, parsed: immutable, shared by its copies, queried with
/// const calls from any number of threads (no system call, no lock).
///
/// Coordinates are decimal degrees (latitude north positive, longitude east positive:
/// Brazil's are negative); results are metres, rounded to three decimals, as the
/// double nearest to that decimal. Coordinates and heights are taken as the decimal a
/// double prints as (its shortest round-trip form), read as the program reads it from
/// a file: every result is the program's for the points written as text (5.5833027 is
/// refused as the program refuses it, and a point typed with a node's coordinates
/// gets that node's window).
class Grade {
 public:
  /// The file it was read from.
  const std::string& Arquivo() const;

  /// N at one point.
  /// @throws EPontoRecusado for a refused point; EConversao for a grid line that does
  ///         not convert; EAritmetica for a window whose fit is singular.
  double Ondulacao(double latGraus, double lonGraus) const;

  /// The other height at one point: H = h - N for an ellipsoidal h, h = H + N for an
  /// orthometric H. @throws as Ondulacao, EPontoRecusado(NaoNumero) for a NaN or
  /// infinite height.
  double OutraAltura(double latGraus, double lonGraus, double altura, Altura tipo) const;

  /// N of `n` points: N[i], and codigos[i] (Aceito, or the refusal's code with N[i]
  /// NaN). `threads` > 1 splits the points over as many threads (0: one per core).
  /// Refusals are codes, never exceptions. @throws EConversao, EAritmetica as Ondulacao
  ///         (the points before the failing one are written).
  Contagem Ondulacoes(const double* lat, const double* lon, std::size_t n, double* N,
                      std::int32_t* codigos, unsigned threads = 1) const;

  /// The other height of `n` points, as OutraAltura, with codes as Ondulacoes.
  Contagem OutrasAlturas(const double* lat, const double* lon, const double* altura, std::size_t n,
                         Altura tipo, double* saida, std::int32_t* codigos,
                         unsigned threads = 1) const;

  /// The same, with N of the points and its codes in the same pass (one query per
  /// point): N[i] and codigosN[i] as Ondulacoes gives them (a height that is no number
  /// refuses the height, not N). The counts are N's.
  Contagem OutrasAlturas(const double* lat, const double* lon, const double* altura, std::size_t n,
                         Altura tipo, double* saida, std::int32_t* codigos, double* N,
                         std::int32_t* codigosN, unsigned threads = 1) const;

 private:
  Contagem Alturas(const double* lat, const double* lon, const double* altura, std::size_t n,
                   Altura tipo, double* saida, std::int32_t* codigos, double* N,
                   std::int32_t* codigosN, unsigned threads) const;
  friend class Modelo;
  struct Dados;
  explicit Grade(std::shared_ptr<const Dados> dados);
  std::shared_ptr<const Dados> dados_;
};

/// A grid file and the latest version of it: every Retrato() and Ondulacao() sees the
/// file as it is at that moment (a rewritten, replaced or restored file is read again,
/// learnt from the kernel's notifications where they can be trusted).
class Modelo {
 public:
  /// The grid that ships with the library (ArquivoPadrao()).
  Modelo();
  /// Any grid file in the same layout. Reads it now.
  /// @throws EAberturaArquivo when it cannot be opened, EEntradaSaida when reading fails.
  explicit Modelo(const std::string& arquivo);
  ~Modelo();
  Modelo(Modelo&&) noexcept;
  Modelo& operator=(Modelo&&) noexcept;

  /// The shipped grid: share/nivora2015/grid/NIVORA2015_SIRGAS2000.txt beside the
  /// library's own folder (as installed), else under the installation prefix.
  static std::string ArquivoPadrao();

  const std::string& Arquivo() const;

  /// The grid as its file is now. Thread-safe.
  /// @throws EAberturaArquivo, EEntradaSaida when the file cannot be read now.
  Grade Retrato();

  /// N at one point on the file as it is now. Thread-safe. @throws as Retrato and
  /// Grade::Ondulacao.
  double Ondulacao(double latGraus, double lonGraus);

 private:
  struct Estado;
  std::unique_ptr<Estado> estado_;
};

}  // namespace nivora2015
