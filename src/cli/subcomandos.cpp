// The subcommands' option table, and the parsing, help, manual page and completion
// it drives.
#include "cli/subcomandos.hpp"

#include <charconv>
#include <cmath>
#include <string_view>

#include "cli/argumentos.hpp"

namespace nivora::cli {

namespace {

enum class Acao {
  Camada,
  Altura,
  CampoAltura,
  CampoLat,
  CampoLon,
  Crs,
  Z,
  FormatoSaida,
  Campos,
  Espacamento,
  Area,
  CrsVertical,
  Grade,
  Sobrescrever,
  Silencioso,
  Ajuda,
};

/// What a shell may offer as an option's argument.
enum class Valores { Nenhum, Livre, Alturas, Formatos, Arquivo };

/// Which subcommands take an option.
constexpr unsigned kCamada = 1;
constexpr unsigned kExportar = 2;
constexpr unsigned kAmbos = kCamada | kExportar;

struct OpcaoSub {
  unsigned comandos;
  Acao acao;
  const char* longo;
  const char* curto;      // nullptr when there is none
  const char* argumento;  // nullptr for a switch
  const char* descricao;  // Windows-1252
  Valores valores;
};

constexpr OpcaoSub kOpcoes[] = {
    {kCamada, Acao::Camada, "--camada", nullptr, "NOME",
     "a camada de ENTRADA a ler (padr\xE3o: a \xFAnica que houver)", Valores::Livre},
    {kCamada, Acao::Altura, "--altura", nullptr, "TIPO",
     "a altura dada: elipsoidal (h, do GNSS; acrescenta H = h - N) ou ortometrica (H; "
     "acrescenta h = H + N), tirada do Z dos pontos ou de --campo-altura",
     Valores::Alturas},
    {kCamada, Acao::CampoAltura, "--campo-altura", nullptr, "NOME",
     "o campo que traz a altura dada (padr\xE3o: o Z dos pontos)", Valores::Livre},
    {kCamada, Acao::CampoLat, "--campo-lat", nullptr, "NOME",
     "a coluna da latitude ou do y (padr\xE3o: a geometria da camada ou, sem ela, a coluna "
     "lat, latitude ou y)",
     Valores::Livre},
    {kCamada, Acao::CampoLon, "--campo-lon", nullptr, "NOME",
     "a coluna da longitude ou do x (padr\xE3o: lon, longitude, long ou x)", Valores::Livre},
    {kCamada, Acao::Crs, "--crs", nullptr, "CRS",
     "o CRS das coordenadas, no lugar do da camada (EPSG:4674 SIRGAS2000 geogr\xE1"
     "fico, EPSG:31978 a EPSG:31985 SIRGAS2000 / UTM, WKT...); obrigat\xF3rio para uma camada "
     "sem CRS",
     Valores::Livre},
    {kCamada, Acao::Z, "--z", nullptr, "TIPO",
     "grava como Z dos pontos da sa\xED"
     "da a altura ortometrica ou a elipsoidal (pede --altura)",
     Valores::Alturas},
    {kCamada, Acao::FormatoSaida, "--formato-saida", nullptr, "FORMATO",
     "o formato do GDAL da SAIDA: GPKG, CSV, \"ESRI Shapefile\", GeoJSON, FlatGeobuf... "
     "(padr\xE3o: o da extens\xE3o de SAIDA)",
     Valores::Formatos},
    {kCamada, Acao::Campos, "--campos", nullptr, "NOMES",
     "os nomes dos campos acrescentados, separados por v\xEDrgula: N, a outra altura (com "
     "--altura) e o motivo (padr\xE3o: N,H,motivo, N,h,motivo ou N,motivo)",
     Valores::Livre},
    {kExportar, Acao::Espacamento, "--espacamento", nullptr, "MINUTOS",
     "o espa\xE7"
     "amento dos n\xF3s em minutos de arco (padr\xE3o: 1; 0.5 para 30\", 0.25 para 15\")",
     Valores::Livre},
    {kExportar, Acao::Area, "--area", nullptr, "LATN,LATS,LONW,LONE",
     "o ret\xE2ngulo da grade em graus decimais (padr\xE3o: a \xE1rea do modelo); os n\xF3s "
     "ficam nos m\xFAltiplos do espa\xE7"
     "amento",
     Valores::Livre},
    {kExportar, Acao::CrsVertical, "--crs-vertical", nullptr, "CRS",
     "o CRS vertical a que a grade leva (padr\xE3o: EPSG:5773, EGM96 height, o modelo de que "
     "a grade distribu\xED"
     "da deriva); obrigat\xF3rio com --grade",
     Valores::Livre},
    {kAmbos, Acao::Grade, "--grade", "-g", "ARQUIVO",
     "arquivo da grade do modelo geoidal (padr\xE3o: grid/NIVORA2015_SIRGAS2000.txt na pasta "
     "do programa)",
     Valores::Arquivo},
    {kAmbos, Acao::Sobrescrever, "--sobrescrever", nullptr, nullptr,
     "substitui uma SAIDA que j\xE1 exista (nunca a pr\xF3pria entrada)", Valores::Nenhum},
    {kAmbos, Acao::Silencioso, "--quiet", "-q", nullptr,
     "n\xE3o mostra o progresso nem o resumo no terminal", Valores::Nenhum},
    {kAmbos, Acao::Ajuda, "--help", "-h", nullptr, "mostra esta ajuda e termina", Valores::Nenhum},
};

struct Comando {
  Subcomando comando;
  unsigned bit;
  const char* nome;
  const char* arquivos;   // the positional arguments
  std::size_t quantos;    // how many
  const char* descricao;  // Windows-1252
  const char* exemplos[3];
};

constexpr Comando kComandos[] = {
    {Subcomando::Camada,
     kCamada,
     "camada",
     "ENTRADA SAIDA",
     2,
     "L\xEA uma camada vetorial de pontos de qualquer formato do GDAL/OGR (CSV com "
     "cabe\xE7"
     "alho, GeoPackage, Shapefile, GeoJSON, FlatGeobuf...) e grava em SAIDA uma nova, com "
     "todos os campos da entrada e mais o campo N e, com --altura, a outra altura (H ou h), "
     "na geometria e no CRS da entrada. As coordenadas em qualquer CRS s\xE3o levadas ao "
     "SIRGAS2000 geogr\xE1"
     "fico (EPSG:4674). Um ponto que o programa recusa, uma geometria que n\xE3o \xE9 ponto "
     "e uma altura que n\xE3o \xE9 n\xFAmero ficam na sa\xED"
     "da com os campos novos nulos e o motivo no campo motivo. Toda a camada usa a grade "
     "como ela est\xE1 no in\xED"
     "cio. Texto em UTF-8; um Shapefile ganha o seu .cpg.",
     {"nivora2015-cli camada --altura elipsoidal --campo-altura altitude gnss.gpkg orto.gpkg",
      "nivora2015-cli camada --crs EPSG:31983 --altura elipsoidal --z ortometrica utm.shp orto.shp",
      "nivora2015-cli camada --crs EPSG:4674 pontos.csv pontos_n.csv"}},
    {Subcomando::ExportarGrade,
     kExportar,
     "exportar-grade",
     "SAIDA.tif",
     1,
     "Grava em SAIDA.tif o N do modelo numa grade regular do SIRGAS2000 geogr\xE1"
     "fico, cada n\xF3 calculado pela consulta do programa, como um GeoTIFF de "
     "deslocamento vertical que o PROJ l\xEA (vgridshift): Float32, em blocos, DEFLATE, "
     "pixel-is-point, com os metadados TYPE, DESCRIPTION, UNITTYPE e o CRS vertical de "
     "destino. Os n\xF3s que a consulta recusa ficam sem valor (nodata -32768).",
     {"nivora2015-cli exportar-grade nivora2015.tif",
      "nivora2015-cli exportar-grade --espacamento 0.5 --area -22,-24,-48,-46 sp_30s.tif",
      "cct -d 3 +proj=vgridshift +grids=./nivora2015.tif +multiplier=1 pontos_lon_lat.txt"}},
};

/// The words of --altura and --z.
constexpr const char* kElipsoidal = "elipsoidal";
constexpr const char* kOrtometrica = "ortometrica";
/// The formats a shell offers for --formato-saida (any GDAL vector format is taken).
constexpr const char* kFormatos = "GPKG CSV GeoJSON FlatGeobuf";

constexpr const char* kTerminos =
    "Situa\xE7\xE3o de t\xE9rmino: 0 feito; 2 uso incorreto; 3 problema com a entrada, a "
    "sa\xED"
    "da ou o seu conte\xFA"
    "do (o que j\xE1 foi gravado fica); 4 falha na grade do modelo.";

const Comando& DadosDe(Subcomando comando) {
  for (const Comando& c : kComandos) {
    if (c.comando == comando) return c;
  }
  return kComandos[0];
}

const OpcaoSub* Procurar(std::string_view nome, unsigned bit) {
  for (const OpcaoSub& opcao : kOpcoes) {
    if ((opcao.comandos & bit) == 0) continue;
    if (nome == opcao.longo || (opcao.curto != nullptr && nome == opcao.curto)) return &opcao;
  }
  return nullptr;
}

TipoAltura LerAltura(const std::string& nome, const std::string& valor) {
  if (valor == kElipsoidal) return TipoAltura::Elipsoidal;
  if (valor == kOrtometrica || valor == "ortom\xC3\xA9trica") return TipoAltura::Ortometrica;
  throw EUso(nome + " pede elipsoidal ou ortometrica, n\xE3o \"" + valor + "\"");
}

/// A decimal number, all of the text (a dot as the decimal point).
bool LerNumero(std::string_view texto, double& numero) {
  const char* fim = texto.data() + texto.size();
  const auto [parou, erro] = std::from_chars(texto.data(), fim, numero);
  return erro == std::errc() && parou == fim && std::isfinite(numero);
}

std::vector<std::string> Separar(const std::string& texto) {
  std::vector<std::string> partes(1);
  for (const char c : texto) {
    if (c == ',') {
      partes.emplace_back();
    } else {
      partes.back() += c;
    }
  }
  return partes;
}

void Aplicar(const OpcaoSub& opcao, const std::string& nome, const std::string& valor,
             ArgumentosSubcomando& args) {
  ArgumentosCamada& camada = args.camada;
  ArgumentosExportacao& exportacao = args.exportacao;
  const auto exigir = [&] {
    if (valor.empty()) throw EUso(nome + " pede um valor (" + opcao.argumento + ")");
  };
  switch (opcao.acao) {
    case Acao::Camada:
      exigir();
      camada.camada = valor;
      break;
    case Acao::Altura:
      camada.altura = LerAltura(nome, valor);
      break;
    case Acao::CampoAltura:
      exigir();
      camada.campoAltura = valor;
      break;
    case Acao::CampoLat:
      exigir();
      camada.campoLat = valor;
      break;
    case Acao::CampoLon:
      exigir();
      camada.campoLon = valor;
      break;
    case Acao::Crs:
      exigir();
      camada.crs = valor;
      break;
    case Acao::Z:
      camada.z = LerAltura(nome, valor);
      break;
    case Acao::FormatoSaida:
      exigir();
      camada.formatoSaida = valor;
      break;
    case Acao::Campos:
      camada.campos = Separar(valor);
      if (camada.campos.size() < 2 || camada.campos.size() > 3) {
        throw EUso(nome + " pede dois ou tr\xEAs nomes separados por v\xEDrgula, n\xE3o \"" +
                   valor + "\"");
      }
      break;
    case Acao::Espacamento:
      if (!LerNumero(valor, exportacao.espacamento) || exportacao.espacamento <= 0) {
        throw EUso(nome + " pede minutos de arco maiores que zero (1, 0.5, 0.25...), n\xE3o \"" +
                   valor + "\"");
      }
      break;
    case Acao::Area: {
      const std::vector<std::string> partes = Separar(valor);
      bool ok = partes.size() == 4;
      for (std::size_t i = 0; ok && i < 4; ++i) ok = LerNumero(partes[i], exportacao.area[i]);
      if (!ok)
        throw EUso(nome + " pede LATN,LATS,LONW,LONE em graus decimais, n\xE3o \"" + valor + "\"");
      exportacao.comArea = true;
      break;
    }
    case Acao::CrsVertical:
      exigir();
      exportacao.crsVertical = valor;
      break;
    case Acao::Grade:
      if (valor.empty()) throw EUso("--grade pede o nome de um arquivo");
      args.grade = valor;
      break;
    case Acao::Sobrescrever:
      args.sobrescrever = true;
      break;
    case Acao::Silencioso:
      args.silencioso = true;
      break;
    case Acao::Ajuda:
      args.ajuda = true;
      break;
  }
}

/// "--z TIPO" or "-g, --grade ARQUIVO", as the help and the manual name an option.
std::string Nome(const OpcaoSub& opcao) {
  std::string nome = opcao.curto != nullptr ? std::string(opcao.curto) + ", " : "";
  nome += opcao.longo;
  if (opcao.argumento != nullptr) nome.append(" ").append(opcao.argumento);
  return nome;
}

/// `texto` broken into lines of at most `largura` characters at blanks, the lines after
/// the first indented by `recuo` (the first is taken to start there too).
std::string Quebrar(std::string_view texto, std::size_t recuo, std::size_t largura = 79) {
  std::string saida;
  std::size_t coluna = recuo;
  while (!texto.empty()) {
    const std::size_t fim = std::min(texto.find(' '), texto.size());
    const std::string_view palavra = texto.substr(0, fim);
    texto.remove_prefix(std::min(fim + 1, texto.size()));
    if (palavra.empty()) continue;
    if (coluna > recuo && coluna + 1 + palavra.size() > largura) {
      saida += '\n' + std::string(recuo, ' ');
      coluna = recuo;
    }
    if (coluna > recuo) {
      saida += ' ';
      ++coluna;
    }
    saida += palavra;
    coluna += palavra.size();
  }
  return saida;
}

/// The options of a subcommand as the help lists them.
std::string OpcoesDe(const Comando& comando, std::size_t margem) {
  constexpr std::size_t kColuna = 30;
  std::string texto;
  for (const OpcaoSub& opcao : kOpcoes) {
    if ((opcao.comandos & comando.bit) == 0) continue;
    std::string nome = std::string(margem + (opcao.curto != nullptr ? 0 : 4), ' ') + Nome(opcao);
    if (nome.size() < kColuna) {
      nome.append(kColuna - nome.size(), ' ');
    } else {
      nome += "\n" + std::string(kColuna, ' ');
    }
    texto += nome + Quebrar(opcao.descricao, kColuna) + "\n";
  }
  return texto;
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

/// Appends `item` to the `separador`-separated `lista`.
void Juntar(std::string& lista, std::string_view item, std::string_view separador) {
  if (!lista.empty()) lista += separador;
  lista += item;
}

}  // namespace

Subcomando QualSubcomando(const std::string& primeiro) {
  for (const Comando& c : kComandos) {
    if (primeiro == c.nome) return c.comando;
  }
  return Subcomando::Nenhum;
}

ArgumentosSubcomando LerSubcomando(const std::vector<std::string>& lista) {
  ArgumentosSubcomando args;
  args.comando = lista.empty() ? Subcomando::Nenhum : QualSubcomando(lista[0]);
  if (args.comando == Subcomando::Nenhum) throw EUso("subcomando desconhecido");
  const Comando& comando = DadosDe(args.comando);
  std::vector<std::string> arquivos;
  bool soArquivos = false;
  for (std::size_t i = 1; i < lista.size(); ++i) {
    const std::string& arg = lista[i];
    if (soArquivos || arg.empty() || arg[0] != '-' || arg == kPadrao) {
      arquivos.push_back(arg);
      continue;
    }
    if (arg == "--") {
      soArquivos = true;
      continue;
    }
    const std::size_t igual = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    const std::string nome = arg.substr(0, igual);
    const OpcaoSub* opcao = Procurar(nome, comando.bit);
    if (opcao == nullptr) {
      throw EUso(std::string("op\xE7\xE3o desconhecida para ") + comando.nome + ": " + arg);
    }
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
    Aplicar(*opcao, nome, valor, args);
  }
  if (args.ajuda) return args;
  if (arquivos.size() > comando.quantos)
    throw EUso("argumento a mais: " + arquivos[comando.quantos]);
  if (arquivos.size() < comando.quantos) {
    throw EUso(std::string(comando.nome) + " pede " + comando.arquivos);
  }
  for (const std::string& arquivo : arquivos) {
    if (arquivo == kPadrao) {
      throw EUso(std::string(comando.nome) +
                 " l\xEA e grava arquivos, n\xE3o a entrada ou a sa\xED"
                 "da padr\xE3o");
    }
  }
  if (args.comando == Subcomando::Camada) {
    args.camada.entrada = arquivos[0];
    args.camada.saida = arquivos[1];
  } else {
    args.exportacao.saida = arquivos[0];
  }
  return args;
}

std::string TextoUsoSubcomando(Subcomando comando) {
  const Comando& c = DadosDe(comando);
  return std::string("Uso: nivora2015-cli ") + c.nome +
         " [OP\xC7\xD5"
         "ES] " +
         c.arquivos + "\n";
}

std::string TextoAjudaSubcomando(Subcomando comando) {
  const Comando& c = DadosDe(comando);
  std::string ajuda = TextoUsoSubcomando(comando) + "\n" + Quebrar(c.descricao, 0) +
                      "\n\nOp\xE7\xF5"
                      "es:\n" +
                      OpcoesDe(c, 2) + "\nExemplos:\n";
  for (const char* exemplo : c.exemplos) ajuda += std::string("  ") + exemplo + "\n";
  return ajuda + "\n" + Quebrar(kTerminos, 0) + "\n";
}

std::string UsoSubcomandos() {
  std::string uso;
  for (const Comando& c : kComandos) {
    uso += std::string("     nivora2015-cli ") + c.nome +
           " [OP\xC7\xD5"
           "ES] " +
           c.arquivos + "\n";
  }
  return uso;
}

std::string AjudaSubcomandos() {
  std::string ajuda = "Subcomandos (nivora2015-cli SUBCOMANDO --help mostra a ajuda de cada um):\n";
  for (const Comando& c : kComandos) {
    ajuda += std::string("  ") + c.nome +
             " [OP\xC7\xD5"
             "ES] " +
             c.arquivos + "\n    " + Quebrar(c.descricao, 4) + "\n" + OpcoesDe(c, 4);
  }
  return ajuda;
}

std::string ManualSubcomandos() {
  std::string man = ".SH SUBCOMANDOS\n";
  for (const Comando& c : kComandos) {
    man += std::string(".SS ") + c.nome + "\n.B nivora2015-cli " + Troff(c.nome) +
           "\n[\\fIOP\xC7\xD5"
           "ES\\fR] \\fI" +
           c.arquivos + "\\fR\n.PP\n" + Troff(c.descricao) + "\n";
    for (const OpcaoSub& opcao : kOpcoes) {
      if ((opcao.comandos & c.bit) == 0) continue;
      man += ".TP\n";
      if (opcao.curto != nullptr) man += "\\fB" + Troff(opcao.curto) + "\\fR, ";
      man += "\\fB" + Troff(opcao.longo) + "\\fR";
      if (opcao.argumento != nullptr) man += std::string(" \\fI") + opcao.argumento + "\\fR";
      man.append("\n").append(Troff(opcao.descricao)).append("\n");
    }
    man += ".PP\nExemplos:\n.nf\n";
    for (const char* exemplo : c.exemplos) man += Troff(exemplo) + "\n";
    man += ".fi\n";
  }
  return man + ".PP\n" + Troff(kTerminos) + "\n";
}

std::string CompletacaoSubcomandos() {
  std::string nomes;  // "camada exportar-grade"
  std::string lista;  // "camada|exportar-grade"
  std::string casos;
  for (const Comando& c : kComandos) {
    Juntar(nomes, c.nome, " ");
    Juntar(lista, c.nome, "|");
    std::string opcoes;
    for (const OpcaoSub& opcao : kOpcoes) {
      if ((opcao.comandos & c.bit) == 0) continue;
      for (const char* nome : {opcao.longo, opcao.curto}) {
        if (nome != nullptr) Juntar(opcoes, nome, " ");
      }
    }
    casos += std::string("          ") + c.nome + ") COMPREPLY=($(compgen -W \"" + opcoes +
             "\" -- \"$cur\")) ;;\n";
  }
  // The options by the kind of their argument.
  std::string alturas, formatos, arquivos, livres;
  for (const OpcaoSub& opcao : kOpcoes) {
    std::string* destino = opcao.valores == Valores::Alturas    ? &alturas
                           : opcao.valores == Valores::Formatos ? &formatos
                           : opcao.valores == Valores::Arquivo  ? &arquivos
                           : opcao.valores == Valores::Livre    ? &livres
                                                                : nullptr;
    if (destino == nullptr) continue;
    for (const char* nome : {opcao.longo, opcao.curto}) {
      if (nome != nullptr) Juntar(*destino, nome, "|");
    }
  }
  return "  local sub=${COMP_WORDS[1]}\n"
         "  if ((COMP_CWORD == 1)) && [[ $cur != -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"" +
         nomes +
         "\" -- \"$cur\") $(compgen -f -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "  case $sub in\n"
         "    " +
         lista +
         ")\n"
         "      case $prev in\n"
         "        " +
         alturas + ") COMPREPLY=($(compgen -W \"" + kElipsoidal + " " + kOrtometrica +
         "\" -- \"$cur\")); return ;;\n"
         "        " +
         formatos + ") COMPREPLY=($(compgen -W \"" + kFormatos +
         "\" -- \"$cur\")); return ;;\n"
         "        " +
         arquivos +
         ") COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
         "        " +
         livres +
         ") return ;;\n"
         "      esac\n"
         "      if [[ $cur == -* ]]; then\n"
         "        case $sub in\n" +
         casos +
         "        esac\n"
         "      else\n"
         "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "      fi\n"
         "      return ;;\n"
         "  esac\n";
}

}  // namespace nivora::cli
