// The option table of nivora2015-cli, and the help, manual page and completion it drives.
#include "cli/argumentos.hpp"

#include <algorithm>
#include <array>
#include <iterator>
#include <string>
#include <string_view>

#include "cli/subcomandos.hpp"

namespace nivora::cli {

namespace {

enum class Acao { Formato, Altura, SaidaId, SaidaCoord, Grade, Utf8, Silencioso, Ajuda };

/// What a shell may offer as an option's argument.
enum class Valores { Nenhum, Codigos, Alturas, Arquivo };

/// The words of --altura, and what each means.
constexpr const char* kElipsoidal = "elipsoidal";
constexpr const char* kOrtometrica = "ortometrica";

struct Opcao {
  Acao acao;
  const char* longo;
  const char* curto;      // nullptr when there is none
  const char* argumento;  // nullptr for a switch
  const char* descricao;  // Windows-1252
  Valores valores;        // what completes the argument
};

constexpr std::array<Opcao, 8> kOpcoes = {{
    {Acao::Formato, "--formato", "-f", "TOKENS",
     "colunas de cada registro de entrada, na ordem, separadas por v\xEDrgula: um c\xF3"
     "digo de coordenadas 0 a 3, H logo depois dele se houver uma coluna de altura e, se "
     "houver identifica\xE7\xE3o, ID antes ou depois das demais (padr\xE3o: 0)",
     Valores::Codigos},
    {Acao::Altura, "--altura", nullptr, "TIPO",
     "o que a coluna H traz: elipsoidal (h, do GNSS; grava a altitude ortom\xE9trica "
     "H = h - N) ou ortometrica (H, do nivelamento; grava a altura elipsoidal h = H + N)",
     Valores::Alturas},
    {Acao::SaidaId, "--saida-id", nullptr, nullptr,
     "grava a identifica\xE7\xE3o do ponto (\"ID do Ponto\")", Valores::Nenhum},
    {Acao::SaidaCoord, "--saida-coord", nullptr, nullptr,
     "grava as coordenadas lidas (\"Coordenadas de Entrada\")", Valores::Nenhum},
    {Acao::Grade, "--grade", "-g", "ARQUIVO",
     "arquivo da grade do modelo geoidal (padr\xE3o: grid/NIVORA2015_SIRGAS2000.txt "
     "na pasta do programa), lido uma vez, no in\xED"
     "cio: todas as linhas usam a mesma grade",
     Valores::Arquivo},
    {Acao::Utf8, "--utf8", nullptr, nullptr,
     "l\xEA a entrada em UTF-8 e grava a sa\xED"
     "da em UTF-8 (sem a op\xE7\xE3o: Windows-1252; no terminal a sa\xED"
     "da aparece sempre em UTF-8)",
     Valores::Nenhum},
    {Acao::Silencioso, "--quiet", "-q", nullptr, "n\xE3o mostra o progresso no terminal",
     Valores::Nenhum},
    {Acao::Ajuda, "--help", "-h", nullptr, "mostra esta ajuda e termina", Valores::Nenhum},
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
    case Acao::Altura:
      if (valor == kElipsoidal) {
        args.altura = TipoAltura::Elipsoidal;
      } else if (valor == kOrtometrica || valor == "ortom\xC3\xA9trica") {
        args.altura = TipoAltura::Ortometrica;
      } else {
        throw EUso("--altura pede elipsoidal ou ortometrica, n\xE3o \"" + valor + "\"");
      }
      break;
    case Acao::Utf8:
      args.utf8 = true;
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

namespace {

// The texts of the help and of the manual page (Windows-1252), each written once.

/// What the tool does.
constexpr const char* kDescricao =
    "Calcula a ondula\xE7\xE3o geoidal N (metros, SIRGAS2000) de cada ponto de ENTRADA e "
    "grava em SAIDA uma linha por registro: o resultado ou, para um ponto fora da \xE1rea do "
    "modelo, a linha de rejei\xE7\xE3o com o motivo. ENTRADA e SAIDA s\xE3o, por padr\xE3o, a "
    "entrada e a sa\xED"
    "da padr\xE3o (\"-\" tamb\xE9m as indica). A sa\xED"
    "da \xE9 texto Windows-1252 com linhas terminadas em CR LF.";

/// A layout of the records, with one record as example.
struct Codigo {
  const char* tokens;
  const char* descricao;
  const char* exemplo;
};

constexpr Codigo kCodigos[] = {
    {"0", "Lat Lon (grau decimal)", "-23.5 -46.625"},
    {"1", "Lon Lat (grau decimal)", "-46.625 -23.5"},
    {"2", "Lat Lon (GMS)", "-23 30 00 -46 37 30"},
    {"3", "Lon Lat (GMS)", "-46 37 30 -23 30 00"},
    {"ID,0", "identifica\xE7\xE3o antes", "P1 -23.5 -46.625"},
    {"0,ID", "identifica\xE7\xE3o depois", "-23.5 -46.625 Ponto A"},
    {"ID,1", "identifica\xE7\xE3o antes", "P2 -46.625 -23.5"},
    {"1,ID", "identifica\xE7\xE3o depois", "-46.625 -23.5 P2"},
    {"ID,2", "identifica\xE7\xE3o antes", "P3 -23 30 00 -46 37 30"},
    {"2,ID", "identifica\xE7\xE3o depois", "-23 30 00 -46 37 30 P3"},
    {"ID,3", "identifica\xE7\xE3o antes", "P4 -46 37 30 -23 30 00"},
    {"3,ID", "identifica\xE7\xE3o depois", "-46 37 30 -23 30 00 P4"},
    {"0,H", "altura depois das coordenadas", "-23.5 -46.625 760.412"},
    {"ID,0,H", "identifica\xE7\xE3o antes, altura", "P1 -23.5 -46.625 760.412"},
    {"0,H,ID", "altura, identifica\xE7\xE3o depois", "-23.5 -46.625 760.412 P1"},
    {"2,H", "o mesmo em GMS", "-23 30 00 -46 37 30 760.412"},
};

/// Every form of a token list, "c" standing for each of the four codes: with or
/// without the height column, with the identification before, after or not at all.
constexpr const char* kFormas[] = {"c", "ID,c", "c,ID", "c,H", "ID,c,H", "c,H,ID"};
constexpr char kCodigosCoord[] = {'0', '1', '2', '3'};

/// The forms of kFormas as the help lists them: "c, ID,c, ... e c,H,ID".
std::string FormasNoTexto() {
  std::string texto;
  for (std::size_t i = 0; i < std::size(kFormas); ++i) {
    if (i > 0) texto += i + 1 == std::size(kFormas) ? " e " : ", ";
    texto += kFormas[i];
  }
  return texto;
}

/// What the table of layouts leaves out, and the letter case.
std::string TextoFormas() {
  return "Cada c\xF3"
         "digo c de 0 a 3 vale em todas estas formas: " +
         FormasNoTexto() + " (" + std::to_string(std::size(kFormas) * std::size(kCodigosCoord)) +
         " listas; ID e H tamb\xE9m em min\xFAsculas).";
}

/// The heights.
constexpr const char* kAlturas =
    "Com H em --formato e --altura, cada linha de resultado ganha depois de N mais uma "
    "coluna de 12 caracteres: a outra altura, calculada com o N de tr\xEAs casas "
    "decimais e gravada com tr\xEAs decimais (H = h - N para --altura elipsoidal, "
    "h = H + N para --altura ortometrica); com --saida-coord a altura lida tamb\xE9m \xE9 "
    "gravada, depois das coordenadas. Uma altura que falta ou n\xE3o \xE9 n\xFAmero para o "
    "processamento como um registro mal formatado; um ponto fora da \xE1rea do modelo "
    "recebe a linha de rejei\xE7\xE3o de sempre.";

/// How a record is read.
constexpr const char* kRegistros =
    "As colunas se separam por um ou mais destes caracteres: espa\xE7o # $ % & * : ; @ | "
    "(tabula\xE7\xE3o n\xE3o separa; a v\xEDrgula vale como ponto decimal). A "
    "identifica\xE7\xE3o \xE9 gravada com 8 caracteres; no fim do registro ela pode conter "
    "espa\xE7os. A latitude leva sinal; as longitudes da \xE1rea do modelo s\xE3o negativas "
    "(oeste).";

/// Where the examples run.
constexpr const char* kOndeExemplos =
    "Os exemplos usam os arquivos das pastas entradas e exemplos que acompanham o programa: "
    "rode-os na pasta do programa ou numa c\xF3pia dessas pastas onde voc\xEA possa gravar "
    "(no pacote Debian elas ficam em /usr/lib/nivora2015).";

/// Each example runs as written on the shipped files; a line break continues the
/// command on the next line.
constexpr const char* kExemplos[] = {
    "nivora2015-cli -f ID,0 --saida-coord entradas/pontos.txt pontos_saida.txt",
    "nivora2015-cli -f ID,0 --saida-id < entradas/pontos.txt > saida.txt",
    "nivora2015-cli -f 3,ID --saida-coord exemplos/lonlat_gms_id_depois.txt",
    "nivora2015-cli -f ID,0,H --altura elipsoidal --saida-id exemplos/gnss.txt",
    "iconv -f WINDOWS-1252 -t UTF-8 exemplos/latlon_dec_id_depois.txt |\n"
    "  nivora2015-cli --utf8 -f 0,ID --saida-id > saida_utf8.txt",
};

struct Termino {
  int codigo;
  const char* significado;
};

constexpr Termino kTerminos[] = {
    {0, "entrada processada at\xE9 o fim"},
    {1,
     "registro com erro de formata\xE7\xE3o (as linhas anteriores ficam na sa\xED"
     "da)"},
    {2, "uso incorreto"},
    {3,
     "problema com o arquivo de entrada ou de sa\xED"
     "da"},
    {4, "falha na consulta \xE0 grade"},
};

constexpr const char* kProgresso =
    "Com o resultado num arquivo ou pipe, o progresso aparece no terminal, na sa\xED"
    "da de erros (--quiet o omite); com o resultado no pr\xF3prio terminal, as linhas "
    "dele s\xE3o o progresso.";

/// `texto` broken into lines of at most `largura` characters at blanks, the lines
/// after the first indented by `recuo` blanks; the first line is taken to start at
/// column `recuo` too (its prefix is already written).
std::string Quebrar(std::string_view texto, std::size_t largura, std::size_t recuo = 0) {
  std::string saida;
  std::size_t coluna = recuo;
  bool inicioDeLinha = true;
  while (!texto.empty()) {
    const std::size_t fim = std::min(texto.find(' '), texto.size());
    const std::string_view palavra = texto.substr(0, fim);
    texto.remove_prefix(std::min(fim + 1, texto.size()));
    if (palavra.empty()) continue;
    if (!inicioDeLinha && coluna + 1 + palavra.size() > largura) {
      saida += '\n' + std::string(recuo, ' ');
      coluna = recuo;
      inicioDeLinha = true;
    }
    if (!inicioDeLinha) {
      saida += ' ';
      ++coluna;
    }
    saida += palavra;
    coluna += palavra.size();
    inicioDeLinha = false;
  }
  return saida;
}

constexpr std::size_t kLarguraAjuda = 79;

/// "-f, --formato TOKENS" as the help and the manual name an option.
std::string Nome(const Opcao& opcao) {
  std::string nome = opcao.curto != nullptr ? std::string(opcao.curto) + ", " : "";
  nome += opcao.longo;
  if (opcao.argumento != nullptr) nome.append(" ").append(opcao.argumento);
  return nome;
}

/// Appends `item` to the `separador`-separated `lista`.
void Juntar(std::string& lista, std::string_view item, char separador) {
  if (!lista.empty()) lista += separador;
  lista += item;
}

/// Text for troff: backslashes and minus signs escaped, a leading dot neutralised.
std::string Troff(std::string_view texto) {
  std::string saida;
  for (const char c : texto) {
    if (c == '\\') {
      saida += "\\e";
    } else if (c == '-') {
      saida += "\\-";
    } else {
      saida += c;
    }
  }
  if (!saida.empty() && (saida[0] == '.' || saida[0] == '\'')) saida.insert(0, "\\&");
  return saida;
}

}  // namespace

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
  uso += UsoSubcomandos();
  return uso;
}

std::string TextoAjuda() {
  constexpr std::size_t kColunaDescricao = 26;
  std::string ajuda = TextoUso() + "\n" + Quebrar(kDescricao, kLarguraAjuda) +
                      "\n\n"
                      "Op\xE7\xF5"
                      "es:\n";
  for (const Opcao& opcao : kOpcoes) {
    std::string nome = (opcao.curto != nullptr ? "  " : "      ") + Nome(opcao);
    if (nome.size() < kColunaDescricao) {
      nome.append(kColunaDescricao - nome.size(), ' ');
    } else {
      nome += "\n" + std::string(kColunaDescricao, ' ');
    }
    ajuda += nome + Quebrar(opcao.descricao, kLarguraAjuda, kColunaDescricao) + "\n";
  }
  ajuda +=
      "\n"
      "C\xF3"
      "digos de coordenadas (TOKENS) e um registro de exemplo de cada um:\n";
  // Columns as wide as their longest entry, two blanks apart: nothing is cut.
  std::size_t larguraTokens = 0;
  std::size_t larguraDescricao = 0;
  for (const Codigo& codigo : kCodigos) {
    larguraTokens = std::max(larguraTokens, std::string_view(codigo.tokens).size());
    larguraDescricao = std::max(larguraDescricao, std::string_view(codigo.descricao).size());
  }
  for (const Codigo& codigo : kCodigos) {
    std::string linha = std::string("  ") + codigo.tokens;
    linha.resize(2 + larguraTokens + 2, ' ');
    linha += codigo.descricao;
    linha.resize(2 + larguraTokens + 2 + larguraDescricao + 2, ' ');
    ajuda += linha + codigo.exemplo + "\n";
  }
  ajuda += Quebrar(TextoFormas(), kLarguraAjuda) + "\n\n" + Quebrar(kRegistros, kLarguraAjuda) +
           "\n\n" + Quebrar(kAlturas, kLarguraAjuda) + "\n\nExemplos:\n" +
           Quebrar(kOndeExemplos, kLarguraAjuda) + "\n";
  for (const char* exemplo : kExemplos) {
    std::string linhas = std::string("  ") + exemplo;
    for (std::size_t p = linhas.find('\n'); p != std::string::npos; p = linhas.find('\n', p + 1))
      linhas.insert(p + 1, "  ");
    ajuda += linhas + "\n";
  }
  std::string terminos = "Situa\xE7\xE3o de t\xE9rmino:";
  for (const Termino& t : kTerminos) {
    terminos.append(t.codigo == 0 ? " " : "; ").append(std::to_string(t.codigo));
    terminos.append(" ").append(t.significado);
  }
  ajuda.append("\n").append(Quebrar(terminos + ".", kLarguraAjuda));
  ajuda.append("\n").append(Quebrar(kProgresso, kLarguraAjuda)).append("\n");
  ajuda.append("\n").append(AjudaSubcomandos());
  return ajuda;
}

std::string TextoManual() {
  std::string man =
      ".TH NIVORA2015-CLI 1 \"nov/2015\" \"NIVORA2015 1.0\" \"Comandos do usu\xE1rio\"\n"
      ".SH NOME\n"
      "nivora2015-cli \\- ondula\xE7\xE3o geoidal N (SIRGAS2000) de arquivos de pontos\n"
      ".SH SINOPSE\n"
      ".B nivora2015-cli\n";
  for (const Opcao& opcao : kOpcoes) {
    man += "[\\fB" + Troff(opcao.longo) + "\\fR";
    if (opcao.argumento != nullptr) man += std::string(" \\fI") + opcao.argumento + "\\fR";
    man += "]\n";
  }
  man += "[\\fIENTRADA\\fR [\\fISAIDA\\fR]]\n.SH DESCRI\xC7\xC3O\n" + Troff(kDescricao) +
         "\n.SH OP\xC7\xD5"
         "ES\n";
  for (const Opcao& opcao : kOpcoes) {
    man += ".TP\n";
    if (opcao.curto != nullptr) man += "\\fB" + Troff(opcao.curto) + "\\fR, ";
    man += "\\fB" + Troff(opcao.longo) + "\\fR";
    if (opcao.argumento != nullptr) man += std::string(" \\fI") + opcao.argumento + "\\fR";
    man.append("\n").append(Troff(opcao.descricao)).append("\n");
  }
  man +=
      ".SH C\xD3"
      "DIGOS DE COORDENADAS\n";
  for (const Codigo& codigo : kCodigos) {
    man += ".TP\n.B " + Troff(codigo.tokens) + "\n" + Troff(codigo.descricao) +
           "; registro de exemplo: \\fB" + Troff(codigo.exemplo) + "\\fR\n";
  }
  man += ".PP\n" + Troff(TextoFormas()) + "\n.PP\n" + Troff(kRegistros) + "\n.SH ALTURAS\n" +
         Troff(kAlturas) + "\n.SH EXEMPLOS\n" + Troff(kOndeExemplos) + "\n.PP\n.nf\n";
  for (const char* exemplo : kExemplos) man += Troff(exemplo) + "\n";
  man += ".fi\n.SH SITUA\xC7\xC3O DE T\xC9RMINO\n";
  for (const Termino& t : kTerminos) {
    man += ".TP\n.B " + std::to_string(t.codigo) + "\n" + Troff(t.significado) + "\n";
  }
  man += ".PP\n" + Troff(kProgresso) + "\n";
  man += ManualSubcomandos();
  return man;
}

std::string TextoCompletacao() {
  std::string opcoes;
  std::string codigos;
  std::string alturas;
  std::string arquivos;
  for (const Opcao& opcao : kOpcoes) {
    for (const char* nome : {opcao.longo, opcao.curto}) {
      if (nome == nullptr) continue;
      Juntar(opcoes, nome, ' ');
      if (opcao.valores == Valores::Nenhum) continue;
      std::string& destino = opcao.valores == Valores::Codigos   ? codigos
                             : opcao.valores == Valores::Alturas ? alturas
                                                                 : arquivos;
      Juntar(destino, nome, '|');
    }
  }
  // Every token list the parser takes, in upper case.
  std::string tokens;
  for (const char codigo : kCodigosCoord) {
    for (const std::string_view forma : kFormas) {
      std::string lista(forma);
      std::replace(lista.begin(), lista.end(), 'c', codigo);
      Juntar(tokens, lista, ' ');
    }
  }
  // One branch per kind of argument, for the options that take it.
  std::string casos;
  const auto caso = [&casos](const std::string& nomes, const std::string& resposta) {
    if (!nomes.empty())
      casos.append("    ").append(nomes).append(") ").append(resposta).append("; return ;;\n");
  };
  caso(codigos, "COMPREPLY=($(compgen -W \"" + tokens + "\" -- \"$cur\"))");
  caso(alturas, std::string("COMPREPLY=($(compgen -W \"") + kElipsoidal + " " + kOrtometrica +
                    "\" -- \"$cur\"))");
  caso(arquivos, "COMPREPLY=($(compgen -f -- \"$cur\"))");
  std::string script =
      "# bash completion for nivora2015-cli\n"
      "_nivora2015_cli() {\n"
      "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n" +
      CompletacaoSubcomandos() + "  case $prev in\n";
  script.append(casos).append(
      "  esac\n"
      "  if [[ $cur == -* ]]; then\n"
      "    COMPREPLY=($(compgen -W \"");
  script.append(opcoes).append(
      "\" -- \"$cur\"))\n"
      "  else\n"
      "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
      "  fi\n"
      "}\n"
      "complete -o filenames -F _nivora2015_cli nivora2015-cli\n");
  return script;
}

}  // namespace nivora::cli
