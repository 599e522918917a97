#include "cli/argumentos.hpp"

#include <array>
#include <string_view>

namespace nivora::cli {

namespace {

enum class Acao { Formato, SaidaId, SaidaCoord, Grade, Silencioso, Ajuda };

struct Opcao {
  Acao acao;
  const char* longo;
  const char* curto;      // nullptr when there is none
  const char* argumento;  // nullptr for a switch
  const char* descricao;  // Windows-1252
};

constexpr std::array<Opcao, 6> kOpcoes = {{
    {Acao::Formato, "--formato", "-f", "TOKENS",
     "colunas de cada registro de entrada, na ordem, separadas por v\xEDrgula: um c\xF3"
     "digo de coordenadas 0 a 3 e, se houver identifica\xE7\xE3o, ID antes ou depois dele "
     "(padr\xE3o: 0)"},
    {Acao::SaidaId, "--saida-id", nullptr, nullptr,
     "grava a identifica\xE7\xE3o do ponto (\"ID do Ponto\")"},
    {Acao::SaidaCoord, "--saida-coord", nullptr, nullptr,
     "grava as coordenadas lidas (\"Coordenadas de Entrada\")"},
    {Acao::Grade, "--grade", "-g", "ARQUIVO",
     "arquivo da grade do modelo geoidal (padr\xE3o: grid/NIVORA2015_SIRGAS2000.txt "
     "na pasta do programa)"},
    {Acao::Silencioso, "--quiet", "-q", nullptr, "n\xE3o mostra o progresso no terminal"},
    {Acao::Ajuda, "--help", "-h", nullptr, "mostra esta ajuda e termina"},
}};

const Opcao* Procurar(std::string_view nome) {
  for (const Opcao& opcao : kOpcoes) {
    if (nome == opcao.longo || (opcao.curto != nullptr && nome == opcao.curto)) return &opcao;
  }
  return nullptr;
}

void Aplicar(const Opcao& opcao, const std::string& valor, Argumentos& args) {
  switch (opcao.acao) {
    case Acao::Formato:
      args.formato = valor;
      break;
    case Acao::SaidaId:
      args.saidaId = true;
      break;
    case Acao::SaidaCoord:
      args.saidaCoord = true;
      break;
    case Acao::Grade:
      if (valor.empty()) throw EUso("--grade pede o nome de um arquivo");
      args.grade = valor;
      break;
    case Acao::Silencioso:
      args.silencioso = true;
      break;
    case Acao::Ajuda:
      args.ajuda = true;
      break;
  }
}

}  // namespace

Argumentos LerArgumentos(const std::vector<std::string>& lista) {
  Argumentos args;
  std::vector<std::string> arquivos;
  bool soArquivos = false;
  for (size_t i = 0; i < lista.size(); ++i) {
    const std::string& arg = lista[i];
    if (soArquivos || arg == kPadrao || arg.empty() || arg[0] != '-') {
      arquivos.push_back(arg);
      continue;
    }
    if (arg == "--") {
      soArquivos = true;
      continue;
    }
    const size_t igual = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    const std::string nome = arg.substr(0, igual);
    const Opcao* opcao = Procurar(nome);
    if (opcao == nullptr) throw EUso("op\xE7\xE3o desconhecida: " + arg);
    std::string valor;
    if (opcao->argumento != nullptr) {
      if (igual != std::string::npos) {
        valor = arg.substr(igual + 1);
      } else if (i + 1 < lista.size()) {
        valor = lista[++i];
      } else {
        throw EUso(nome + " pede um valor (" + opcao->argumento + ")");
      }
    } else if (igual != std::string::npos) {
      throw EUso(nome + " n\xE3o aceita valor");
    }
    Aplicar(*opcao, valor, args);
  }
  if (arquivos.size() > 2) throw EUso("argumento a mais: " + arquivos[2]);
  if (!arquivos.empty()) args.entrada = arquivos[0];
  if (arquivos.size() > 1) args.saida = arquivos[1];
  return args;
}

std::string TextoUso() {
  std::string uso = "Uso: nivora2015-cli";
  for (const Opcao& opcao : kOpcoes) {
    uso += " [";
    uso += opcao.longo;
    if (opcao.argumento != nullptr) {
      uso += ' ';
      uso += opcao.argumento;
    }
    uso += ']';
  }
  uso += " [ENTRADA [SAIDA]]\n";
  return uso;
}

std::string TextoAjuda() {
  std::string ajuda = TextoUso();
  ajuda +=
      "\n"
      "Calcula a ondula\xE7\xE3o geoidal N (metros, SIRGAS2000) de cada ponto de ENTRADA e\n"
      "grava em SAIDA uma linha por registro: o resultado ou, para um ponto fora da\n"
      "\xE1rea do modelo, a linha de rejei\xE7\xE3o com o motivo. ENTRADA e SAIDA s\xE3o, por\n"
      "padr\xE3o, a entrada e a sa\xED"
      "da padr\xE3o (\"-\" tamb\xE9m as indica). A sa\xED"
      "da \xE9\n"
      "texto Windows-1252 com linhas terminadas em CR LF.\n"
      "\n"
      "Op\xE7\xF5"
      "es:\n";
  for (const Opcao& opcao : kOpcoes) {
    std::string nome = "  ";
    if (opcao.curto != nullptr) {
      nome += opcao.curto;
      nome += ", ";
    } else {
      nome += "    ";
    }
    nome += opcao.longo;
    if (opcao.argumento != nullptr) {
      nome += ' ';
      nome += opcao.argumento;
    }
    constexpr size_t kColunaDescricao = 26;
    if (nome.size() < kColunaDescricao) {
      nome.append(kColunaDescricao - nome.size(), ' ');
    } else {
      nome += "\n" + std::string(kColunaDescricao, ' ');
    }
    ajuda += nome + opcao.descricao + "\n";
  }
  ajuda +=
      "\n"
      "C\xF3"
      "digos de coordenadas (TOKENS) e um registro de exemplo de cada um:\n"
      "  0      Lat Lon (grau decimal)      -23.5 -46.625\n"
      "  1      Lon Lat (grau decimal)      -46.625 -23.5\n"
      "  2      Lat Lon (GMS)               -23 30 00 -46 37 30\n"
      "  3      Lon Lat (GMS)               -46 37 30 -23 30 00\n"
      "  ID,0   identifica\xE7\xE3o antes       P1 -23.5 -46.625\n"
      "  0,ID   identifica\xE7\xE3o depois      -23.5 -46.625 Ponto A\n"
      "  ID,1   identifica\xE7\xE3o antes       P2 -46.625 -23.5\n"
      "  1,ID   identifica\xE7\xE3o depois      -46.625 -23.5 P2\n"
      "  ID,2   identifica\xE7\xE3o antes       P3 -23 30 00 -46 37 30\n"
      "  2,ID   identifica\xE7\xE3o depois      -23 30 00 -46 37 30 P3\n"
      "  ID,3   identifica\xE7\xE3o antes       P4 -46 37 30 -23 30 00\n"
      "  3,ID   identifica\xE7\xE3o depois      -46 37 30 -23 30 00 P4\n"
      "As colunas se separam por um ou mais destes caracteres: espa\xE7o # $ % & * : ; @ |\n"
      "(tabula\xE7\xE3o n\xE3o separa; a v\xEDrgula vale como ponto decimal). A "
      "identifica\xE7\xE3o\n"
      "\xE9 gravada com 8 caracteres; no fim do registro ela pode conter espa\xE7os.\n"
      "A latitude leva sinal; as longitudes da \xE1rea do modelo s\xE3o negativas (oeste).\n"
      "\n"
      "Exemplos:\n"
      "  nivora2015-cli pontos.txt pontos_saida.txt\n"
      "  nivora2015-cli --formato ID,0 --saida-id --saida-coord < pontos.txt > saida.txt\n"
      "  nivora2015-cli -f 3,ID --saida-coord exemplos/lonlat_gms_id_depois.txt\n"
      "\n"
      "Situa\xE7\xE3o de t\xE9rmino: 0 entrada processada at\xE9 o fim; 1 registro com erro de\n"
      "formata\xE7\xE3o (as linhas anteriores ficam na sa\xED"
      "da); 2 uso incorreto; 3 problema\n"
      "com o arquivo de entrada ou de sa\xED"
      "da; 4 falha na consulta \xE0 grade.\n"
      "No terminal, o progresso aparece na sa\xED"
      "da de erros (--quiet o omite).\n";
  return ajuda;
}

}  // namespace nivora::cli
