// The batch run spread over a reader thread, worker threads and the writing caller.
#include "batch/paralelo.hpp"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "geoid/consulta.hpp"
#include "geoid/grade.hpp"

namespace nivora {

namespace {

/// Upper bound of the bytes of one block, so that memory stays bounded whatever
/// the line lengths (a single longer line still makes a block of its own).
constexpr std::size_t kBytesPorBloco = 1 << 20;

struct Bloco {
  std::int64_t indice = 0;
  std::int64_t primeiraLinha = 1;  // number (from 1) of its first line
  std::string dados;               // the lines, back to back
  std::vector<std::size_t> fins;   // end offset of each line in dados

  std::string saida;
  FimLote estado = FimLote::FimDoArquivo;
  std::int64_t resultados = 0;  // lines of `saida` by kind
  std::int64_t rejeicoes = 0;
  std::string mensagem;
  std::string arquivoGrade;
  std::int64_t linhaGrade = 0;

  std::int64_t LinhasFeitas() const { return resultados + rejeicoes; }
};

class Execucao {
 public:
  Execucao(LeitorLinhas& entrada, const OpcoesLote& opcoes, const TRetratoGrade& grade,
           const ConfigParalelo& config)
      : entrada_(entrada), opcoes_(opcoes), grade_(grade), config_(config) {
    trabalhadores_ = config.trabalhadores < 1 ? 1 : config.trabalhadores;
    linhasPorBloco_ = config.linhasPorBloco < 1 ? 1 : config.linhasPorBloco;
    emVooMax_ = config.blocosEmVoo > 0 ? config.blocosEmVoo
                                       : static_cast<std::size_t>(2 * trabalhadores_ + 2);
  }

  ~Execucao() { Parar(); }

  ResultadoLote Rodar(EscritorSaida& saida) {
    entrada_.DefinirParada(&pararLeitura_);
    threads_.emplace_back([this] { Ler(); });
    for (int i = 0; i < trabalhadores_; ++i) threads_.emplace_back([this] { Trabalhar(); });

    ResultadoLote resultado;
    for (std::int64_t proximo = 0;; ++proximo) {
      std::unique_ptr<Bloco> bloco;
      {
        std::unique_lock trava(mutex_);
        cvProntos_.wait(trava, [&] {
          return prontos_.count(proximo) > 0 || (leituraAcabou_ && proximo >= blocosLidos_);
        });
        auto it = prontos_.find(proximo);
        if (it == prontos_.end()) {
          // Everything read has been written.
          if (erroLeitura_) std::rethrow_exception(erroLeitura_);
          break;
        }
        bloco = std::move(it->second);
        prontos_.erase(it);
      }
      saida.Escrever(bloco->saida);
      resultado.resultados += bloco->resultados;
      resultado.rejeicoes += bloco->rejeicoes;
      resultado.linhasLidas = resultado.LinhasEscritas();
      if (config_.progresso) config_.progresso(resultado.LinhasEscritas());
      if (bloco->estado != FimLote::FimDoArquivo) {
        resultado.fim = bloco->estado;
        resultado.linhaErro = bloco->primeiraLinha + bloco->LinhasFeitas();
        resultado.linhasLidas = resultado.linhaErro;
        resultado.mensagem = bloco->mensagem;
        resultado.arquivoGrade = bloco->arquivoGrade;
        resultado.linhaGrade = bloco->linhaGrade;
        break;
      }
      {
        std::lock_guard trava(mutex_);
        --emVoo_;
      }
      cvEspaco_.notify_one();
    }
    Parar();
    return resultado;
  }

 private:
  void Parar() {
    pararLeitura_ = true;
    {
      std::lock_guard trava(mutex_);
      parar_ = true;
    }
    cvEspaco_.notify_all();
    cvFila_.notify_all();
    cvProntos_.notify_all();
    for (auto& t : threads_) {
      if (t.joinable()) t.join();
    }
    threads_.clear();
    entrada_.DefinirParada(nullptr);
  }

  void Ler() {
    try {
      std::string linha;
      for (std::int64_t indice = 0, proximaLinha = 1;; ++indice) {
        {
          std::unique_lock trava(mutex_);
          cvEspaco_.wait(trava, [&] { return parar_ || emVoo_ < emVooMax_; });
          if (parar_) break;
        }
        auto bloco = std::make_unique<Bloco>();
        bloco->indice = indice;
        bloco->primeiraLinha = proximaLinha;
        while (bloco->fins.size() < linhasPorBloco_ && bloco->dados.size() < kBytesPorBloco &&
               entrada_.LerLinha(linha)) {
          bloco->dados.append(linha);
          bloco->fins.push_back(bloco->dados.size());
        }
        if (bloco->fins.empty()) break;
        proximaLinha += static_cast<std::int64_t>(bloco->fins.size());
        {
          std::lock_guard trava(mutex_);
          ++emVoo_;
          ++blocosLidos_;
          fila_.push_back(std::move(bloco));
        }
        cvFila_.notify_one();
      }
    } catch (...) {
      std::lock_guard trava(mutex_);
      erroLeitura_ = std::current_exception();
    }
    {
      std::lock_guard trava(mutex_);
      leituraAcabou_ = true;
    }
    cvFila_.notify_all();
    cvProntos_.notify_all();
  }

  void Trabalhar() {
    ProcessadorLinha processador(opcoes_, grade_);
    Trabalho trabalho;
    while (true) {
      std::unique_ptr<Bloco> bloco;
      {
        std::unique_lock trava(mutex_);
        cvFila_.wait(trava, [&] { return parar_ || !fila_.empty() || leituraAcabou_; });
        if (parar_ || fila_.empty()) return;
        bloco = std::move(fila_.front());
        fila_.pop_front();
        if (bloco->indice > primeiroErro_) bloco->fins.clear();  // never written
      }
      Processar(processador, trabalho, *bloco);
      const bool falhou = bloco->estado != FimLote::FimDoArquivo;
      {
        std::lock_guard trava(mutex_);
        if (falhou && bloco->indice < primeiroErro_) primeiroErro_ = bloco->indice;
        prontos_[bloco->indice] = std::move(bloco);
      }
      cvProntos_.notify_one();
    }
  }

  // Reusable per worker: the records of a block and their points' coordinates.
  struct Trabalho {
    std::vector<RegistroLido> registros;
    std::vector<long double> lat, lon, N;
  };

  // A block in three steps, with the same ends as the line-by-line run: every record
  // read up to the first that does not split, the N of its points asked for all at
  // once (the query's block form), then the lines written in order up to the first
  // failed query.
  void Processar(ProcessadorLinha& processador, Trabalho& t, Bloco& bloco) const {
    const std::size_t linhas = bloco.fins.size();
    if (t.registros.size() < linhas) t.registros.resize(linhas);
    t.lat.clear();
    t.lon.clear();
    std::size_t lidas = 0;
    bool naoDivide = false;
    for (std::size_t inicio = 0; lidas < linhas; ++lidas) {
      const std::size_t fim = bloco.fins[lidas];
      const std::string_view linha(bloco.dados.data() + inicio, fim - inicio);
      inicio = fim;
      try {
        processador.Ler(linha, t.registros[lidas]);
      } catch (const EErroFormatacao&) {
        naoDivide = true;
        break;
      }
      const RegistroLido& r = t.registros[lidas];
      if (r.tipo == TipoLinha::Resultado) {
        t.lat.push_back(r.ponto.LatDec);
        t.lon.push_back(r.ponto.LonDec);
      }
    }
    t.N.resize(t.lat.size());
    std::exception_ptr erro;
    std::size_t respondidos = 0;
    if (const TConsultaGrade* consulta = grade_.Consulta()) {
      respondidos = consulta->OndulacoesEstendidas(t.lat.data(), t.lon.data(), t.lat.size(),
                                                   t.N.data(), erro);
    } else if (!t.lat.empty()) {
      try {
        grade_.ObterOndulacao(t.lat[0], t.lon[0]);  // the failure of the run's start
      } catch (...) {
        erro = std::current_exception();
      }
    }
    bloco.saida.reserve(linhas * 48);
    std::size_t ponto = 0;
    for (std::size_t j = 0; j < lidas; ++j) {
      RegistroLido& r = t.registros[j];
      if (r.tipo == TipoLinha::Resultado) {
        if (ponto == respondidos) {
          Falhar(bloco, erro);
          return;
        }
        processador.Escrever(r, t.N[ponto++], bloco.saida);
        ++bloco.resultados;
      } else {
        processador.Escrever(r, 0.0L, bloco.saida);
        ++bloco.rejeicoes;
      }
    }
    if (naoDivide) bloco.estado = FimLote::ErroFormato;
  }

  static void Falhar(Bloco& bloco, const std::exception_ptr& erro) {
    bloco.estado = FimLote::ErroConsulta;
    try {
      std::rethrow_exception(erro);
    } catch (const EGradeDanificada& e) {
      bloco.mensagem = e.what();
      bloco.arquivoGrade = e.Arquivo();
      bloco.linhaGrade = static_cast<std::int64_t>(e.Linha());
    } catch (const std::exception& e) {
      bloco.mensagem = e.what();
    }
  }

  LeitorLinhas& entrada_;
  const OpcoesLote& opcoes_;
  const TRetratoGrade& grade_;
  const ConfigParalelo& config_;
  int trabalhadores_;
  std::size_t linhasPorBloco_;
  std::size_t emVooMax_;

  std::vector<std::thread> threads_;

  std::mutex mutex_;
  std::condition_variable cvEspaco_;   // the reader waits for room
  std::condition_variable cvFila_;     // the workers wait for blocks
  std::condition_variable cvProntos_;  // the writer waits for the next block
  std::deque<std::unique_ptr<Bloco>> fila_;
  std::map<std::int64_t, std::unique_ptr<Bloco>> prontos_;
  std::size_t emVoo_ = 0;
  std::int64_t blocosLidos_ = 0;
  std::int64_t primeiroErro_ = std::numeric_limits<std::int64_t>::max();
  bool leituraAcabou_ = false;
  bool parar_ = false;
  std::atomic<bool> pararLeitura_{false};
  std::exception_ptr erroLeitura_;
};

}  // namespace

ResultadoLote ExecutarParalelo(LeitorLinhas& entrada, EscritorSaida& saida,
                               const OpcoesLote& opcoes, const TRetratoGrade& grade,
                               const ConfigParalelo& config) {
  opcoes.Validar();
  Execucao execucao(entrada, opcoes, grade, config);
  return execucao.Rodar(saida);
}

}  // namespace nivora
