// Shared text routines: splitting, replacing, padding and trimming.
#include "text/textos.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nivora {
namespace {

struct CasoReplace {
  std::string texto, busca, troca, esperado;
};

TEST(ReplaceStr, ReplacesWithoutOverlapOrRescan) {
  const std::vector<CasoReplace> casos = {
      {"aaa", "aa", "a", "aa"},            // left to right, no overlap, no re-scan
      {"aaaa", "aa", "a", "aa"},           // two separate occurrences
      {"abab", "ab", "abab", "abababab"},  // inserted text not searched again
      {"a;b;;c", ";", " ", "a b  c"},
      {"Abc", "a", "x", "Abc"},  // letter case respected
      {"abc", "", "x", "abc"},   // empty search: unchanged
      {"", "a", "x", ""},
      {"xyz", "xyz", "", ""},
      {"1,5;2,5", ",", ".", "1.5;2.5"},
      {"ab", "abc", "x", "ab"},  // search longer than the text
  };
  for (const auto& c : casos) {
    EXPECT_EQ(ReplaceStr(c.texto, c.busca, c.troca), c.esperado)
        << "'" << c.texto << "' '" << c.busca << "' -> '" << c.troca << "'";
  }
}

struct CasoTermo {
  int n;
  std::string separador, texto, esperado;
};

TEST(ObterTermo, SplitsAtTheSeparatorAndAtLineBreaks) {
  const std::vector<CasoTermo> casos = {
      {1, " ", "P1 -23.5", "P1"},
      {2, " ", "P1 -23.5", "-23.5"},
      {3, " ", "P1 -23.5", ""},  // fewer terms than n
      {1, " ", "semespaco", "semespaco"},
      {2, ";", "a;;b", ""},  // two separators in a row: empty term
      {3, ";", "a;;b", "b"},
      {1, ";", ";a", ""},  // separator at the start: empty first term
      {2, ";", ";a", "a"},
      {1, ";", "a;", "a"},
      {2, ";", "a;", ""},   // separator at the very end: no extra term
      {2, ";", "a;;", ""},  // the second of two final separators does give one
      {1, ";", "", ""},     // empty text: no terms
      {1, ";", ";", ""},
      {2, " ", "a\r\nb c", "b"},  // a CR LF already inside also splits
      {3, " ", "a\r\nb c", "c"},
      {2, " ", "a\nb", "b"},   // lone LF
      {2, " ", "a\rb", "b"},   // lone CR
      {2, " ", "a\n\rb", ""},  // LF then CR: two breaks
      {3, " ", "a\n\rb", "b"},
      {2, "x", "1X2x3", "2"},  // case of the separator ignored
      {3, "x", "1X2x3", "3"},
      {2, "ab", "1AB2aB3", "2"},
      {2, ".", "12.3456", "3456"},  // integer and decimal parts of a number
      {1, ".", "12", "12"},
      {2, ".", "12", ""},
      {0, " ", "a b", ""},  // n below 1 has no term
      {-1, " ", "a b", ""},
      {1, "", "a b\nc", "a b"},  // empty separator: only line breaks split
      {2, "\xC9",
       "a\xC9"
       "b",
       "b"},  // a cp1252 letter as separator
  };
  for (const auto& c : casos) {
    EXPECT_EQ(ObterTermo(c.n, c.separador, c.texto), c.esperado)
        << "n=" << c.n << " sep='" << c.separador << "' text='" << c.texto << "'";
  }
}

TEST(DeleteCharAndVirgPonto, RemoveOrReplaceEveryOccurrence) {
  EXPECT_EQ(DeleteChar('\r', "a\rb\r\r"), "ab");
  EXPECT_EQ(DeleteChar('x', ""), "");
  EXPECT_EQ(DeleteChar('x', "abc"), "abc");
  EXPECT_EQ(DeleteChar('\xE1', "V\xE1lida"), "Vlida");
  EXPECT_EQ(VirgPonto("-23,5;-46,625"), "-23.5;-46.625");
  EXPECT_EQ(VirgPonto(",,"), "..");
  EXPECT_EQ(VirgPonto("sem"), "sem");
  std::string noLugar = "P1,-23,5";
  VirgPontoNoLugar(noLugar);
  EXPECT_EQ(noLugar, "P1.-23.5");
}

struct CasoJustifica {
  std::string texto;
  int largura;
  std::string lado;
  char enchimento;
  std::string esperado;
};

TEST(Justifica, PadsThenCuts) {
  const std::vector<CasoJustifica> casos = {
      {"7", 2, "L", '0', "07"},
      {"123", 2, "L", '0', "12"},  // cut to the first width characters
      {"7", 2, "l", '0', "07"},    // side case ignored
      {"7", 2, "R", '0', "70"},
      {"7", 2, "x", '0', "70"},     // any other side pads after
      {"7", 2, "Left", '0', "70"},  // only "L" itself means the left
      {"P1", 8, "R", ' ', "P1      "},
      {"Ponto ABCDE", 8, "R", ' ', "Ponto AB"},
      {"", 8, "R", ' ', "        "},
      {"12", 2, "L", '0', "12"},
      {"43", 4, "R", '0', "4300"},
      {"abc", 0, "L", ' ', ""},
      {"abc", -3, "L", ' ', ""},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(Justifica(c.texto, c.largura, c.lado, c.enchimento), c.esperado)
        << "'" << c.texto << "' " << c.largura << " " << c.lado;
  }
}

TEST(AjustaCampo, RightAlignsWithoutCutting) {
  EXPECT_EQ(AjustaCampo12("-05.23"), "      -05.23");
  EXPECT_EQ(AjustaCampo12(""), std::string(12, ' '));
  EXPECT_EQ(AjustaCampo12("123456789012"), "123456789012");
  EXPECT_EQ(AjustaCampo12("1234567890123"), "1234567890123");
  EXPECT_EQ(AjustaCampo10("1.235"), "     1.235");
  EXPECT_EQ(AjustaCampo10("12345678901"), "12345678901");
  EXPECT_EQ(AjustaCampo10("-1.000"), "    -1.000");
}

TEST(Trim, RemovesBlanksAndControlsKeepingAccentedLetters) {
  struct Caso {
    std::string texto, ambos, esquerda, direita;
  };
  const std::vector<Caso> casos = {
      {"  a b  ", "a b", "a b  ", "  a b"},
      {"\t\r\n x\x01", "x", "x\x01", "\t\r\n x"},
      {"", "", "", ""},
      {" \t ", "", "", ""},
      {"\xC1gua\xA0", "\xC1gua\xA0", "\xC1gua\xA0", "\xC1gua\xA0"},  // bytes >= 0x80 kept
      {std::string("\0a\0", 3), "a", std::string("a\0", 2), std::string("\0a", 2)},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(Trim(c.texto), c.ambos);
    EXPECT_EQ(TrimLeft(c.texto), c.esquerda);
    EXPECT_EQ(TrimRight(c.texto), c.direita);
  }
}

TEST(FormatarTempoDecorrido, HoursMinutesSecondsWithTheMillisecondsCut) {
  const std::pair<std::int64_t, const char*> casos[] = {
      {0, "00:00:00"},
      {59999, "00:00:59"},  // cut, not rounded
      {60000, "00:01:00"},
      {(3 * 3600 + 25 * 60 + 7) * 1000LL, "03:25:07"},
      {100LL * 3600 * 1000, "100:00:00"},  // past a day: no wrap
      {-5, "00:00:00"},
  };
  for (const auto& [ms, texto] : casos) EXPECT_EQ(FormatarTempoDecorrido(ms), texto) << ms;
}

}  // namespace
}  // namespace nivora
