// The undulation query: a const query over one parsed grid, the grid a batch run takes
// once, and the query of the file as it is now that the keyboard point makes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "geoid/cache.hpp"
#include "geoid/grade.hpp"
#include "geoid/modelo.hpp"

namespace nivora {

/// Which way a query reached its result.
enum class CaminhoConsulta : std::uint8_t {
  Dupla,      ///< the double estimate, whose bound decided the rounding
  Estendida,  ///< the 80-bit fit (the estimate could not decide)
  No,         ///< the point is on a grid node: that node's N, no fit
};

/// How many queries took each way, and how many points were refused (block form).
struct ContagemCaminhos {
  std::uint64_t dupla = 0;
  std::uint64_t estendida = 0;
  std::uint64_t no = 0;
  std::uint64_t recusas = 0;
  void Contar(CaminhoConsulta caminho);
  std::uint64_t Total() const { return dupla + estendida + no + recusas; }
  ContagemCaminhos& operator+=(const ContagemCaminhos& outra) {
    dupla += outra.dupla;
    estendida += outra.estendida;
    no += outra.no;
    recusas += outra.recusas;
    return *this;
  }
};

/// Codes of the block form beside the point record's refusal codes 1..9 (0: accepted).
inline constexpr std::int32_t kCodigoForaDaGrade = 10;  ///< fewer than 25 nodes around the point
inline constexpr std::int32_t kCodigoNaoNumero = 11;    ///< a coordinate that is not a number

/// What the query returns for a result of `milimetros` thousandths of a metre: the
/// text the mask "#0.000" writes for it, read back (a zero has no sign).
long double ValorEmMilimetros(long long milimetros);

/// The window of a point: the first kNumNos nodes in file order in the band north of
/// the point (latitude <= Lat + 2 spacings, longitude from Lon - 2 to Lon + 3 spacings).
struct JanelaPonto {
  NoJanela nos[kNumNos];
  int quantos = 0;
};
JanelaPonto BuscarJanela(const GradeCarregada& grade, long double Lat, long double Lon);

/// The 80-bit fit of a window, raw (before rounding), in the documented order: the
/// node's N when the point is on one of its nodes (`noGrade` true).
/// @throws as TConsultaGrade::Ondulacao.
long double AjusteEstendido(const GradeCarregada& grade, const JanelaPonto& janela, long double Lat,
                            long double Lon, bool& noGrade);

/// Queries on one parsed grid. Built once and queried with const calls from any
/// number of threads: no system call, no event pump, nothing changes. The grid is
/// the version of the file it was given; it is released with the last query object
/// (and the last batch run) that holds it.
class TConsultaGrade {
 public:
  /// `grade` must not be null.
  explicit TConsultaGrade(std::shared_ptr<const GradeCarregada> grade);

  const GradeCarregada& Grade() const { return *grade_; }
  const std::shared_ptr<const GradeCarregada>& Compartilhada() const { return grade_; }

  /// N in metres at (Lat, Lon) decimal degrees rounded to three decimals: the 80-bit
  /// fit's value r written with the mask "#0.000" and read back, the double estimate
  /// standing in for r where its bound decides that rounding.
  /// @throws EForaDaGrade: fewer than 25 grid nodes around the point;
  ///         EGradeDanificada: a grid line that does not convert;
  ///         EDivisaoPorZero / EOperacaoInvalida: a window whose fit is singular.
  long double Ondulacao(long double Lat, long double Lon, CaminhoConsulta* caminho = nullptr) const;

  /// Block form over arrays of `n` points in decimal degrees: for each i, codigo[i]
  /// is 0 and N[i] the double nearest to the three-decimal N, or the point is refused
  /// and N[i] is NaN: codigo[i] 1..9 as the point record refuses it (outside the
  /// model area; its checks in the batch order), kCodigoNaoNumero for a NaN
  /// coordinate, kCodigoForaDaGrade for fewer than 25 grid nodes around it.
  /// @throws EGradeDanificada, EDivisaoPorZero / EOperacaoInvalida as Ondulacao
  ///         (what was written before the failing point stays).
  ContagemCaminhos Ondulacoes(const double* lat, const double* lon, std::size_t n, double* N,
                              std::int32_t* codigo) const;
  /// The same for coordinates in extended precision (as the program reads them from text).
  ContagemCaminhos Ondulacoes(const long double* lat, const long double* lon, std::size_t n,
                              double* N, std::int32_t* codigo) const;

  /// Block form for points the caller has already checked, in extended precision:
  /// N[i] exactly as Ondulacao returns it, point after point, up to the first whose
  /// query fails. Returns how many were answered (n when all were); the failure, if
  /// any, in `erro`.
  std::size_t OndulacoesEstendidas(const long double* lat, const long double* lon, std::size_t n,
                                   long double* N, std::exception_ptr& erro) const;

 private:
  template <class T>
  ContagemCaminhos OndulacoesDe(const T* lat, const T* lon, std::size_t n, double* N,
                                std::int32_t* codigo) const;
  /// The points 0..n-1 in groups estimated side by side: ponto(i, Lat, Lon) gives a
  /// point (false: skip it), decidido(i, milimetros) takes what the estimate decided,
  /// consultado(i, consultar) runs the whole query through consultar(caminho,
  /// milimetros) and returns false to stop there. False when stopped.
  template <class Ponto, class Decidido, class Consultado>
  bool Percorrer(std::size_t n, Ponto&& ponto, Decidido&& decidido, Consultado&& consultado) const;
  /// The result, and its millimetres in `milimetros` when the estimate decided it.
  long double Consultar(long double Lat, long double Lon, CaminhoConsulta& caminho,
                        long long& milimetros) const;
  /// The same with the point's window already found.
  long double Consultar(long double Lat, long double Lon, const JanelaPonto& janela,
                        CaminhoConsulta& caminho, long long& milimetros) const;

  std::shared_ptr<const GradeCarregada> grade_;
};

/// The grid that a batch run computes every line from, taken once when the run
/// starts: every line sees the same version of the file, whatever happens to the
/// file meanwhile. When the file could not be read then, every query of the run
/// fails with that error (a run of refused points only still runs to its end).
class TRetratoGrade {
 public:
  /// Reads and parses `caminho` now. Never throws: a failure is kept for the queries.
  static TRetratoGrade DoArquivo(const std::string& caminho);
  explicit TRetratoGrade(std::shared_ptr<const GradeCarregada> grade);
  explicit TRetratoGrade(std::exception_ptr erro);

  /// As TConsultaGrade::Ondulacao on the grid taken; the start's failure otherwise.
  long double ObterOndulacao(long double Lat, long double Lon) const;
  /// The query on the grid taken; null when the file could not be read.
  const TConsultaGrade* Consulta() const { return consulta_ ? &*consulta_ : nullptr; }

 private:
  std::shared_ptr<const TConsultaGrade> consulta_;
  std::exception_ptr erro_;
};

/// The keyboard point's query: each query behaves as if the whole file were read
/// anew (a changed, replaced, moved or deleted grid takes effect at the very next
/// query), through the parsed-grid cache. One object serves one thread.
class TModeloGeoide {
 public:
  /// `cache` must outlive the object.
  explicit TModeloGeoide(TCacheGrade& cache);
  TModeloGeoide(const TModeloGeoide&) = delete;
  TModeloGeoide& operator=(const TModeloGeoide&) = delete;

  /// The grid path for an application folder that ends with a separator.
  static std::string CaminhoGrade(const std::string& PastaAplicacao);

  /// As TConsultaGrade::Ondulacao on the file as it is now.
  /// @throws also EAberturaArquivo / EEntradaSaida when the file cannot be read.
  long double ObterOndulacao(long double Lat, long double Lon);

  /// The grid as the file is now, for a batch run.
  TRetratoGrade Retrato();

  const std::string& ArquivoGrade() const { return cache_.Caminho(); }

 private:
  TCacheGrade& cache_;
  TCacheGrade::Leitor leitor_;
};

}  // namespace nivora
