// The batch run spread over worker threads: a reader thread cuts the input into
// blocks of lines, each worker turns blocks into output text with its own query
// object, and the calling thread writes the blocks back in input order. The bytes
// written are exactly those of ProcessarLote; the run stops at the first record
// that fails to split or the first failed query, with every earlier line written
// and none after it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "batch/lote.hpp"

namespace nivora {

class TRetratoGrade;

struct ConfigParalelo {
  int trabalhadores = 2;              ///< worker threads (at least 1)
  std::size_t linhasPorBloco = 4096;  ///< lines per block (at least 1)
  std::size_t blocosEmVoo = 0;        ///< blocks read but not yet written; 0: 2 per worker + 2
  /// Called by the writing thread after each block with the lines written so far.
  std::function<void(std::int64_t linhasEscritas)> progresso;
};

/// Runs the batch over `entrada` into `saida` (neither is closed), every line from
/// the one `grade`, which the workers share. The run ends at the end of
/// the input, with FimLote::ErroFormato or with FimLote::ErroConsulta (never Cancelado).
/// @throws EEntradaSaida for a read or write failure (after writing everything
///         read before it), ErroNivora(kMsgPreenchimento) for options without a layout.
ResultadoLote ExecutarParalelo(LeitorLinhas& entrada, EscritorSaida& saida,
                               const OpcoesLote& opcoes, const TRetratoGrade& grade,
                               const ConfigParalelo& config);

}  // namespace nivora
