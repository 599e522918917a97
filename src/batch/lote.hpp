// The batch run: an input text file of points, one per line, becomes an output
// text file of result and rejection lines (Windows-1252, CR LF line ends).
//
// Its pieces, usable on their own (the command-line tool runs them in parallel,
// batch/paralelo.hpp):
//   batch/linha.hpp     the options and ProcessadorLinha: one read line -> its output line;
//   batch/arquivos.hpp  opening the files, LeitorLinhas, EscritorSaida, line counting;
//   this file           the run over two files, with an observer for the window's
//                       progress, event pump and cancel flag.
#pragma once

#include <cstdint>
#include <string>

#include "batch/arquivos.hpp"
#include "batch/linha.hpp"

namespace nivora {

class TModeloGeoide;
class TRetratoGrade;

/// Hooks that the window fills with its progress bar, labels, event pump and
/// cancel flag. Every hook has a default that does nothing.
class ObservadorLote {
 public:
  virtual ~ObservadorLote() = default;
  /// Whether Inicio should get the line count (costs one more read of the input).
  virtual bool QuerTotal() const { return false; }
  /// After both files are open, before the first line: the line count
  /// (ContarLinhasDoInicio), or -1 when QuerTotal() is false or the input cannot be counted.
  virtual void Inicio(std::int64_t totalLinhas) { (void)totalLinhas; }
  /// Before reading each line: the number of lines read so far, this one included
  /// (the progress position); the window pumps its events here.
  virtual void AntesDaLinha(std::int64_t linhasLidas) { (void)linhasLidas; }
  /// Polled after each result line only (never after a rejection line).
  virtual bool Cancelado() { return false; }
};

/// How a run ended.
enum class FimLote {
  FimDoArquivo,  ///< every line was processed
  Cancelado,     ///< the observer asked to stop, after a result line (serial run only)
  ErroFormato,   ///< a record failed to split: see ResultadoLote::linhaErro
  ErroConsulta,  ///< an undulation query failed: linhaErro and mensagem (parallel run only;
                 ///< the serial run lets the query's error propagate)
};

/// The end of a run, serial or parallel.
struct ResultadoLote {
  FimLote fim = FimLote::FimDoArquivo;
  std::int64_t linhasLidas = 0;  ///< lines the run went through, the failing one included
  std::int64_t linhaErro = 0;    ///< line number (from 1) of the failing record
  std::int64_t resultados = 0;   ///< result lines written
  std::int64_t rejeicoes = 0;    ///< rejection lines written
  std::string mensagem;          ///< ErroConsulta: the query's error text (Windows-1252)
  std::string arquivoGrade;      ///< ErroConsulta on a damaged grid: its file
  std::int64_t linhaGrade = 0;   ///< and the grid line (from 1) that does not convert

  /// Every line written, results and rejections.
  std::int64_t LinhasEscritas() const { return resultados + rejeicoes; }
};

/// The run over already opened files, as ExecutarLote describes, every line from
/// `grade`; closes neither.
ResultadoLote ProcessarLote(LeitorLinhas& entrada, EscritorSaida& saida, const OpcoesLote& opcoes,
                            const TRetratoGrade& grade, ObservadorLote& observador);

/// The whole batch run: opens `entrada`, refuses a `saida` that is the same file,
/// creates `saida`, takes the grid of `modelo` as its file is now, processes every
/// line from that one grid and closes both files on every way out.
/// @throws EArquivoInvalido / EMesmoArquivo before anything is written,
///         ErroNivora(kMsgPreenchimento) for options without a layout,
///         EEntradaSaida on a read or write failure, and the query's own errors
///         (after closing both files; the output keeps every earlier line).
ResultadoLote ExecutarLote(const std::string& entrada, const std::string& saida,
                           const OpcoesLote& opcoes, TModeloGeoide& modelo,
                           ObservadorLote& observador);

}  // namespace nivora
