// One batch record made into its result or rejection line.
#include "batch/linha.hpp"

#include <cstdint>

#include "batch/registro.hpp"
#include "coords/ponto.hpp"
#include "geoid/consulta.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace nivora {

namespace {

constexpr std::string_view kSeparadorColunas = "  ";
constexpr std::string_view kSeparadorMotivo = "|";
constexpr const char* kMascaraOndulacao = "#0.00";
constexpr const char* kMascaraCoord = "#0.0000";
constexpr const char* kMascaraAltura = "#0.000";

/// A coordinate in decimal degrees as an output line shows it: four decimals,
/// right-aligned in 12 characters.
std::string CoordDecimal12(long double graus) {
  return AjustaCampo12(FormatFloat(kMascaraCoord, graus));
}

}  // namespace

OpcoesLote OpcoesLote::De(TListaFormato formato, bool saidaId, bool saidaCoord) {
  OpcoesLote opcoes;
  opcoes.FormatoCoord = formato.CodigoCoord();
  opcoes.formato = std::move(formato);
  opcoes.SaidaId = saidaId;
  opcoes.SaidaCoord = saidaCoord;
  return opcoes;
}

void OpcoesLote::Validar() const {
  const bool coordOk = FormatoCoord.size() == 1 && FormatoCoord[0] >= '0' && FormatoCoord[0] <= '3';
  if (formato.CodigoCoord().empty() || !coordOk) throw ErroNivora(kMsgPreenchimento);
  if (formato.TemAltura() && altura == TipoAltura::Nenhuma) {
    throw EFormatoInvalido(
        "a coluna H pede o tipo da altura: --altura elipsoidal ou --altura ortometrica");
  }
  if (!formato.TemAltura() && altura != TipoAltura::Nenhuma) {
    throw EFormatoInvalido("--altura pede a coluna H em --formato (por exemplo 0,H)");
  }
}

ProcessadorLinha::ProcessadorLinha(const OpcoesLote& opcoes, const TRetratoGrade& grade)
    : opcoes_(opcoes), grade_(grade) {
  opcoes_.Validar();
  decimal_ = opcoes_.formato.Decimal();
  codigo_ = opcoes_.FormatoCoord[0];
}

TipoLinha ProcessadorLinha::Processar(std::string_view linhaLida, std::string& saida) {
  RegistroLido registro;
  Ler(linhaLida, registro);
  const long double N = registro.tipo == TipoLinha::Resultado
                            ? grade_.ObterOndulacao(registro.ponto.LatDec, registro.ponto.LonDec)
                            : 0.0L;
  Escrever(registro, N, saida);
  return registro.tipo;
}

void ProcessadorLinha::Ler(std::string_view linhaLida, RegistroLido& registro) {
  linha_.assign(linhaLida);
  VirgPontoNoLugar(linha_);

  TPonto& ponto = registro.ponto;
  ponto = TPonto();
  std::string id;
  bool recusado = false;
  if (decimal_) {
    long double lat = 0;
    long double lon = 0;
    try {
      ObterCoordDecimal(opcoes_.formato, linha_, id, lat, lon, &altura_);
    } catch (const ErroNivora&) {
      throw EErroFormatacao();
    }
    ponto.Id = id;
    ponto.TipoEntrada = TipoEntradaPonto::Decimal;
    ponto.DerivaGMS = false;  // the lines of a decimal layout write decimal degrees only
    try {
      ponto.AtribuiLatLonDec(lat, lon);
    } catch (const EForaDoDominio&) {
      recusado = true;
    }
  } else {
    std::string sinalLat;
    std::int32_t grauLat = 0, minLat = 0, grauLon = 0, minLon = 0;
    long double segLat = 0, segLon = 0;
    try {
      ObterCoordGMS(opcoes_.formato, linha_, id, sinalLat, grauLat, minLat, grauLon, minLon, segLat,
                    segLon, &altura_);
    } catch (const ErroNivora&) {
      throw EErroFormatacao();
    }
    ponto.Id = id;
    ponto.TipoEntrada = TipoEntradaPonto::GMS;
    try {
      ponto.AtribuiLatLonGMS(sinalLat, grauLat, minLat, segLat, grauLon, minLon, segLon);
    } catch (const EForaDoDominio&) {
      recusado = true;
    }
  }

  // The given height is a column of the record like the coordinates: one that is
  // missing or no number stops the run as a record that does not split.
  registro.alturaDada = 0;
  if (opcoes_.altura != TipoAltura::Nenhuma) {
    try {
      registro.alturaDada = StrToFloat(altura_);
    } catch (const ErroNivora&) {
      throw EErroFormatacao();
    }
  }
  registro.temId = !id.empty();
  registro.tipo = recusado ? TipoLinha::Rejeicao : TipoLinha::Resultado;
}

void ProcessadorLinha::Escrever(RegistroLido& registro, long double N, std::string& saida) const {
  TPonto& ponto = registro.ponto;
  // The two coordinates in the input order of FormatoCoord (only when written:
  // formatting them costs more than the rest of the line).
  std::string c1, c2;
  auto coordenadas = [&] {
    switch (codigo_) {
      case '0':
        c1 = CoordDecimal12(ponto.LatDec);
        c2 = CoordDecimal12(ponto.LonDec);
        break;
      case '1':
        c1 = CoordDecimal12(ponto.LonDec);
        c2 = CoordDecimal12(ponto.LatDec);
        break;
      case '2':
        c1 = ponto.LatGMSTexto();
        c2 = ponto.LonGMSTexto();
        break;
      default:
        c1 = ponto.LonGMSTexto();
        c2 = ponto.LatGMSTexto();
        break;
    }
  };

  if (registro.tipo == TipoLinha::Rejeicao) {
    coordenadas();
    const std::string_view separadorId = registro.temId ? kSeparadorColunas : std::string_view();
    saida.append(ponto.Id).append(separadorId).append(c1).append(kSeparadorColunas).append(c2);
    saida.append(codigo_ == '3' ? kSeparadorColunas : kSeparadorMotivo);
    saida.append(MensagemErro(ponto.Erro)).append(kFimDeLinha);
    return;
  }

  ponto.SaidaId = opcoes_.SaidaId;
  ponto.SaidaCoord = opcoes_.SaidaCoord;
  ponto.Ondulacao = N;
  if (ponto.SaidaId) saida.append(ponto.Id).append(kSeparadorColunas);
  if (ponto.SaidaCoord) {
    coordenadas();
    saida.append(c1).append(kSeparadorColunas).append(c2).append(kSeparadorColunas);
    if (opcoes_.altura != TipoAltura::Nenhuma) {
      saida.append(AjustaCampo12(FormatFloat(kMascaraAltura, registro.alturaDada)))
          .append(kSeparadorColunas);
    }
  }
  saida.append(AjustaCampo12(FormatFloat(kMascaraOndulacao, ponto.Ondulacao)));
  if (opcoes_.altura != TipoAltura::Nenhuma) {
    // From the three-decimal N the query returned: H = h - N, or h = H + N.
    const long double outra = opcoes_.altura == TipoAltura::Elipsoidal
                                  ? registro.alturaDada - ponto.Ondulacao
                                  : registro.alturaDada + ponto.Ondulacao;
    saida.append(kSeparadorColunas).append(AjustaCampo12(FormatFloat(kMascaraAltura, outra)));
  }
  saida.append(kFimDeLinha);
}

}  // namespace nivora
