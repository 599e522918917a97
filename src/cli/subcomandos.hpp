// The subcommands of nivora2015-cli (GIS layers, the model as a PROJ grid): their
// option table drives their parsing, their help and their part of the tool's help,
// manual page and bash completion.
#pragma once

#include <string>
#include <vector>

#include "batch/linha.hpp"

namespace nivora::cli {

enum class Subcomando { Nenhum, Camada, ExportarGrade };

/// `camada`: an OGR layer of points in, the same layer with N (and heights) out.
struct ArgumentosCamada {
  std::string entrada;
  std::string saida;
  std::string camada;
  TipoAltura altura = TipoAltura::Nenhuma;
  std::string campoAltura;
  std::string campoLat;
  std::string campoLon;
  std::string crs;
  TipoAltura z = TipoAltura::Nenhuma;
  std::string formatoSaida;
  std::vector<std::string> campos;  ///< names of the added fields; empty: the defaults
};

/// `exportar-grade`: the model as a GeoTIFF grid for PROJ.
struct ArgumentosExportacao {
  std::string saida;
  double espacamento = 1;  ///< arc-minutes
  bool comArea = false;
  double area[4] = {};  ///< LATN, LATS, LONW, LONE
  std::string crsVertical;
};

struct ArgumentosSubcomando {
  Subcomando comando = Subcomando::Nenhum;
  ArgumentosCamada camada;
  ArgumentosExportacao exportacao;
  std::string grade;  ///< empty: the grid beside the executable
  bool sobrescrever = false;
  bool silencioso = false;
  bool ajuda = false;
};

/// The subcommand a first argument names (Nenhum: the text mode's arguments).
Subcomando QualSubcomando(const std::string& primeiro);

/// Parses a subcommand's arguments, its name first. Accepts "--opcao VALOR",
/// "--opcao=VALOR", short forms and "--". @throws EUso naming the offending argument.
ArgumentosSubcomando LerSubcomando(const std::vector<std::string>& lista);

/// A subcommand's usage line and its full help (Windows-1252).
std::string TextoUsoSubcomando(Subcomando comando);
std::string TextoAjudaSubcomando(Subcomando comando);

/// The subcommands in the tool's usage, help and manual page (Windows-1252), and the
/// lines at the head of its bash completion function (ASCII).
std::string UsoSubcomandos();
std::string AjudaSubcomandos();
std::string ManualSubcomandos();
std::string CompletacaoSubcomandos();

}  // namespace nivora::cli
