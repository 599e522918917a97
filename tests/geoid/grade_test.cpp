// Grid file reading: lines, fixed columns, number syntax, error texts.
#include "geoid/grade.hpp"

#include <gtest/gtest.h>

#include "apoio/grade.hpp"
#include "geoid/arquivo.hpp"
#include "geoid/formato_no.hpp"
#include "text/erros.hpp"

namespace nivora {
namespace {

TEST(DividirLinhas, BreaksAtCrLfLfOrLoneCrAndEndsAtNul) {
  struct Caso {
    std::string texto;
    std::vector<std::string> linhas;
  };
  const Caso casos[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {"a\n\r\nb", {"a", "", "b"}},
      {"a\n\n", {"a", ""}},
      {"\r\n", {""}},
      {std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
      {std::string("\0a", 2), {}},
  };
  for (const Caso& c : casos) EXPECT_EQ(DividirLinhas(c.texto), c.linhas) << c.texto;
}

TEST(LerNo, FixedColumnsAndNumberSyntax) {
  struct Caso {
    std::string linha;
    long double lon, lat, n;
  };
  // 310 east is 50 west; every layout of the N field inside columns 28-34 reads alike.
  const Caso casos[] = {
      {"  310.000000  -10.000000    -5.123", -50.0L, -10.0L, -5.123L},
      {"  310.000000  -10.000000   -5.123 ", -50.0L, -10.0L, -5.123L},
      {"  310.000000  -10.000000   -5.1230", -50.0L, -10.0L, -5.123L},
      {"  310.000000  -10.000000   -5.1230999", -50.0L, -10.0L, -5.123L},
      {"  310.000000  -10.000000   \t-5.123\t", -50.0L, -10.0L, -5.123L},
      {" -50.0        -10.0         1e1", -410.0L, -10.0L, 10.0L},
      {" +3.10E2      -1.0E+1      +0.5", -50.0L, -10.0L, 0.5L},
  };
  for (const Caso& c : casos) {
    const TNoGrade no = LerNo(c.linha);
    EXPECT_EQ(no.Lon, c.lon) << c.linha;
    EXPECT_EQ(no.Lat, c.lat) << c.linha;
    EXPECT_EQ(no.N, c.n) << c.linha;
  }
}

TEST(LerNo, ABadFieldIsNamedAsCut) {
  struct Caso {
    std::string linha;
    std::string mensagem;
  };
  const Caso casos[] = {
      {"", "'' is not a valid floating point value"},
      {"  310.000000  -10.000000", "'' is not a valid floating point value"},
      {"  310.000000  -10.000000   ", "'' is not a valid floating point value"},
      {"  310.000000  -10.00000", "'' is not a valid floating point value"},
      {" \t310.00000  -10.000000    -5.123", "'\t310.00000 ' is not a valid floating point value"},
      {"  310.000000 -10.000000x   -5.123", "'-10.000000x' is not a valid floating point value"},
      {"  310.000000  -10.000000    5,123", "'5,123' is not a valid floating point value"},
      {"LON         LAT           N", "'ON         ' is not a valid floating point value"},
      {"  310.000000  -10.000000    -5. 12", "'-5. 12' is not a valid floating point value"},
  };
  for (const Caso& c : casos) {
    try {
      LerNo(c.linha);
      ADD_FAILURE() << "accepted: " << c.linha;
    } catch (const EConversao& erro) {
      EXPECT_EQ(std::string(erro.what()), c.mensagem) << c.linha;
    }
  }
}

TEST(CarregarLinhas, AMissingFileOrAFolderGivesTheSystemsReason) {
  teste::PastaTemporaria pasta;
  const std::string ausente = pasta / "nada.txt";
  const std::string pastaComoArquivo = pasta / "sub";
  std::filesystem::create_directory(pastaComoArquivo);
  const std::pair<std::string, const char*> casos[] = {{ausente, "No such file or directory"},
                                                       {pastaComoArquivo, "Is a directory"}};
  for (const auto& [caminho, razao] : casos) {
    try {
      CarregarLinhas(caminho);
      ADD_FAILURE() << "opened " << caminho;
    } catch (const EAberturaArquivo& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + caminho + "\". " + razao);
    }
  }
}

}  // namespace
}  // namespace nivora
