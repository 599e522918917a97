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
      Processar(processador, *bloco);
      const bool falhou = bloco->estado != FimLote::FimDoArquivo;
      {
        std::lock_guard trava(mutex_);
        if (falhou && bloco->indice < primeiroErro_) primeiroErro_ = bloco->indice;
        prontos_[bloco->indice] = std::move(bloco);
      }
      cvProntos_.notify_one();
    }
  }

  static void Processar(ProcessadorLinha& processador, Bloco& bloco) {
    bloco.saida.reserve(bloco.fins.size() * 48);
    std::size_t inicio = 0;
    for (std::size_t fim : bloco.fins) {
      const std::string_view linha(bloco.dados.data() + inicio, fim - inicio);
      inicio = fim;
      TipoLinha tipo;
      try {
        tipo = processador.Processar(linha, bloco.saida);
      } catch (const EErroFormatacao&) {
        bloco.estado = FimLote::ErroFormato;
        return;
      } catch (const std::exception& e) {
        bloco.estado = FimLote::ErroConsulta;
        bloco.mensagem = e.what();
        if (const auto* grade = dynamic_cast<const EGradeDanificada*>(&e)) {
          bloco.arquivoGrade = grade->Arquivo();
          bloco.linhaGrade = static_cast<std::int64_t>(grade->Linha());
        }
        return;
      }
      if (tipo == TipoLinha::Resultado) {
        ++bloco.resultados;
      } else {
        ++bloco.rejeicoes;
      }
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
