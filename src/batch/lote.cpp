// The batch run over two files, line after line, with the window's observer.
#include "batch/lote.hpp"

#include "geoid/consulta.hpp"
#include "text/descritor.hpp"

namespace nivora {

ResultadoLote ProcessarLote(LeitorLinhas& entrada, EscritorSaida& saida, const OpcoesLote& opcoes,
                            const TRetratoGrade& grade, ObservadorLote& observador) {
  ProcessadorLinha processador(opcoes, grade);
  ResultadoLote resultado;
  std::string linha;
  std::string linhaSaida;
  while (!entrada.Fim()) {
    ++resultado.linhasLidas;
    observador.AntesDaLinha(resultado.linhasLidas);
    entrada.LerLinha(linha);
    linhaSaida.clear();
    TipoLinha tipo;
    try {
      tipo = processador.Processar(linha, linhaSaida);
    } catch (const EErroFormatacao&) {
      resultado.fim = FimLote::ErroFormato;
      resultado.linhaErro = resultado.linhasLidas;
      return resultado;
    }
    saida.Escrever(linhaSaida);
    if (tipo == TipoLinha::Rejeicao) {
      ++resultado.rejeicoes;
      continue;
    }
    ++resultado.resultados;
    if (observador.Cancelado()) {
      resultado.fim = FimLote::Cancelado;
      return resultado;
    }
  }
  resultado.fim = FimLote::FimDoArquivo;
  return resultado;
}

ResultadoLote ExecutarLote(const std::string& entrada, const std::string& saida,
                           const OpcoesLote& opcoes, TModeloGeoide& modelo,
                           ObservadorLote& observador) {
  opcoes.Validar();
  GuardaDescritor fdEntrada(AbrirEntrada(entrada));
  EscritorSaida escritor(CriarSaida(saida, fdEntrada.Get()), saida, true);
  observador.Inicio(observador.QuerTotal() ? ContarLinhasDoInicio(fdEntrada.Get(), entrada) : -1);
  LeitorLinhas leitor(fdEntrada.Get(), entrada);
  const TRetratoGrade grade = modelo.Retrato();
  return ExecutarEFechar(
      escritor, [&] { return ProcessarLote(leitor, escritor, opcoes, grade, observador); });
}

}  // namespace nivora
