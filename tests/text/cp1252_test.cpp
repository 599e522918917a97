// Windows-1252 <-> UTF-8 conversion.
#include "text/cp1252.hpp"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <string>
#include <vector>

namespace nivora {
namespace {

TEST(Cp1252, TodosOsBytesVaoEVoltam) {
  std::string todos;
  for (int b = 0; b < 256; ++b) todos.push_back(static_cast<char>(b));
  const std::string utf8 = Cp1252ParaUtf8(todos);
  EXPECT_EQ(Utf8ParaCp1252(utf8), todos);
  // No byte becomes "?" on the way, so no two bytes share a character.
  for (int b = 0; b < 256; ++b) {
    const std::string um(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ParaCp1252(Cp1252ParaUtf8(um)), um) << "byte " << b;
  }
}

// The C library's own Windows-1252 converter is an independent reference for the
// bytes it defines (it leaves out the five undefined ones).
TEST(Cp1252, ConfereComOConversorDaBibliotecaC) {
  iconv_t cd = iconv_open("UTF-8", "CP1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no CP1252 converter in iconv";
  int conferidos = 0;
  for (int b = 0; b < 256; ++b) {
    char entrada = static_cast<char>(b);
    char saida[8] = {};
    char* pe = &entrada;
    char* ps = saida;
    std::size_t resto_e = 1;
    std::size_t resto_s = sizeof saida;
    if (iconv(cd, &pe, &resto_e, &ps, &resto_s) == static_cast<std::size_t>(-1)) continue;
    EXPECT_EQ(Cp1252ParaUtf8(std::string(1, entrada)), std::string(saida, ps)) << "byte " << b;
    ++conferidos;
  }
  iconv_close(cd);
  EXPECT_GE(conferidos, 251);
}

TEST(Cp1252, BytesIndefinidosViramControlesC1) {
  const std::vector<std::pair<std::string, std::string>> casos = {
      {"\x81", "\xC2\x81"}, {"\x8D", "\xC2\x8D"}, {"\x8F", "\xC2\x8F"},
      {"\x90", "\xC2\x90"}, {"\x9D", "\xC2\x9D"},
  };
  for (const auto& [byte, utf8] : casos) {
    EXPECT_EQ(Cp1252ParaUtf8(byte), utf8);
    EXPECT_EQ(Utf8ParaCp1252(utf8), byte);
  }
}

struct CasoTexto {
  std::string cp1252, utf8;
};

TEST(Cp1252, TextosDoPrograma) {
  const std::vector<CasoTexto> casos = {
      {"Inv\xE1lida", "Inv\xC3\xA1lida"},
      {"POSS\xCD"
       "VEL",
       "POSS\xC3\x8DVEL"},
      {"\xBA", "\xC2\xBA"},
      {"\x80", "\xE2\x82\xAC"},
      {"Ondula\xE7\xE3o", "Ondula\xC3\xA7\xC3\xA3o"},
      {"\x93"
       "aspas\x94",
       "\xE2\x80\x9C"
       "aspas\xE2\x80\x9D"},
      {"", ""},
      {"abc\r\n", "abc\r\n"},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(Cp1252ParaUtf8(c.cp1252), c.utf8);
    EXPECT_EQ(Utf8ParaCp1252(c.utf8), c.cp1252);
  }
}

TEST(Cp1252, Utf8ForaDoAlfabetoOuMalFormadoViraInterrogacao) {
  const std::vector<CasoTexto> casos = {
      {"?", "\xC5\x82"},  // l with stroke: no Windows-1252 byte
      {"a?b",
       "a\xF0\x9F\x98\x80"
       "b"},                    // an emoji
      {"?", "\xC2\x80"},        // U+0080: 0x80 is the euro sign, not this
      {"??", "\xC0\xAF"},       // overlong "/": C0 never starts a character
      {"???", "\xE0\x80\xAF"},  // overlong: E0 then a second byte below A0
      {"?", "\xED"},            // a lone lead byte at the end
      {"???", "\xED\xA0\x80"},  // UTF-16 surrogate
      {"?", "\xE2\x82"},        // truncated at the end: one '?'
      {"?a",
       "\xE2\x82"
       "a"},          // truncated before another character
      {"?", "\x80"},  // stray continuation byte
      {"??", "\xBF\xBF"},
      {"?", "\xFF"},
      {"????", "\xF4\x90\x80\x80"},  // beyond U+10FFFF
      {"?", "\xF0\x9F\x98"},         // truncated 4-byte sequence
      {"\xE9?", "\xC3\xA9\xC3"},     // valid letter, then a cut one
  };
  for (const auto& c : casos) {
    EXPECT_EQ(Utf8ParaCp1252(c.utf8), c.cp1252) << "input of " << c.utf8.size() << " bytes";
  }
}

// Messages quoting a file name or a value as the system gave them (UTF-8): the
// program's words convert from Windows-1252, the quoted UTF-8 stays as it is.
TEST(Cp1252, MensagemComTextoDoSistema) {
  const std::vector<CasoTexto> casos = {
      {"Cannot open file \"/home/jo\xC3\xA3o/grade.txt\". No such file",
       "Cannot open file \"/home/jo\xC3\xA3o/grade.txt\". No such file"},
      {"Arquivo Inv\xE1lido: /tmp/\xE2\x82\xAC", "Arquivo Inv\xC3\xA1lido: /tmp/\xE2\x82\xAC"},
      {"n\xE3o \xE9 v\xE1lido", "n\xC3\xA3o \xC3\xA9 v\xC3\xA1lido"},
      {"\xC3", "\xC3\x83"},                  // a lead byte at the end is a letter
      {"\xE2\x82", "\xC3\xA2\xE2\x80\x9A"},  // a cut sequence is two characters
      {"\xBA\xAA", "\xC2\xBA\xC2\xAA"},      // stray continuation bytes
  };
  for (const auto& c : casos) EXPECT_EQ(MensagemParaUtf8(c.cp1252), c.utf8) << c.cp1252;
  // A high byte between letters is a Windows-1252 character, whatever its value.
  for (int b = 0; b < 256; ++b) {
    const std::string texto = {'x', static_cast<char>(b), 'o'};
    EXPECT_EQ(MensagemParaUtf8(texto), Cp1252ParaUtf8(texto)) << "byte " << b;
  }
}

}  // namespace
}  // namespace nivora
