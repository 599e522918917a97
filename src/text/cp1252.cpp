// Windows-1252 <-> UTF-8. Bytes below 0x80 are ASCII in both; 0xA0-0xFF are
// U+00A0-U+00FF; 0x80-0x9F go through the table below.
#include "text/cp1252.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nivora {

namespace {

constexpr unsigned char kPrimeiroEspecial = 0x80;
constexpr unsigned char kPrimeiroLatin1 = 0xA0;
constexpr char kSubstituto = '?';

/// Code points of the bytes 0x80-0x9F. The five bytes Windows-1252 leaves
/// undefined keep the C1 control of the same number, so every byte round-trips.
constexpr std::array<char32_t, 32> kTabela80a9F = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char32_t CodigoDoByte(unsigned char b) {
  if (b >= kPrimeiroEspecial && b < kPrimeiroLatin1) return kTabela80a9F[b - kPrimeiroEspecial];
  return b;
}

void AcrescentarUtf8(std::string& saida, char32_t cp) {
  if (cp < 0x80) {
    saida.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    saida.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    saida.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    // Every code point of the table is below U+10000.
    saida.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    saida.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    saida.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

/// The Windows-1252 byte of a code point, or '?' when it has none.
char ByteDoCodigo(char32_t cp) {
  if (cp < kPrimeiroEspecial) return static_cast<char>(cp);
  if (cp >= kPrimeiroLatin1 && cp <= 0xFF) return static_cast<char>(cp);
  for (std::size_t i = 0; i < kTabela80a9F.size(); ++i) {
    if (kTabela80a9F[i] == cp) return static_cast<char>(kPrimeiroEspecial + i);
  }
  return kSubstituto;
}

bool EhContinuacao(unsigned char b) {
  return (b & 0xC0) == 0x80;
}

/// Decodes one UTF-8 character at `pos`. On success gives its code point and
/// length. On failure gives the length of the bad sequence to replace by one '?':
/// the lead byte and the continuation bytes that were still acceptable (the maximal
/// invalid prefix), never less than one byte and never past the end.
bool DecodificarUtf8(std::string_view texto, std::size_t pos, char32_t& cp, std::size_t& tamanho) {
  const auto b0 = static_cast<unsigned char>(texto[pos]);
  tamanho = 1;
  if (b0 < 0x80) {
    cp = b0;
    return true;
  }
  std::size_t esperado = 0;
  unsigned char min2 = 0x80;  // allowed range of the second byte: excludes overlongs,
  unsigned char max2 = 0xBF;  // surrogates and code points above U+10FFFF
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    esperado = 2;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    esperado = 3;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) min2 = 0xA0;
    if (b0 == 0xED) max2 = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    esperado = 4;
    cp = b0 & 0x07;
    if (b0 == 0xF0) min2 = 0x90;
    if (b0 == 0xF4) max2 = 0x8F;
  } else {
    return false;  // a stray continuation byte, C0, C1 or F5-FF
  }
  for (std::size_t k = 1; k < esperado; ++k) {
    if (pos + k >= texto.size()) return false;  // truncated at the end of the text
    const auto b = static_cast<unsigned char>(texto[pos + k]);
    const bool aceito = (k == 1) ? (b >= min2 && b <= max2) : EhContinuacao(b);
    if (!aceito) return false;
    cp = (cp << 6) | (b & 0x3F);
    tamanho = k + 1;
  }
  return true;
}

}  // namespace

std::string Cp1252ParaUtf8(std::string_view cp1252) {
  std::string saida;
  saida.reserve(cp1252.size() * 2);
  for (char c : cp1252) AcrescentarUtf8(saida, CodigoDoByte(static_cast<unsigned char>(c)));
  return saida;
}

std::string MensagemParaUtf8(std::string_view mensagem) {
  std::string saida;
  saida.reserve(mensagem.size() * 2);
  std::size_t pos = 0;
  while (pos < mensagem.size()) {
    char32_t cp = 0;
    std::size_t tamanho = 1;
    if (DecodificarUtf8(mensagem, pos, cp, tamanho) && tamanho > 1) {
      saida.append(mensagem.substr(pos, tamanho));
      pos += tamanho;
    } else {
      AcrescentarUtf8(saida, CodigoDoByte(static_cast<unsigned char>(mensagem[pos])));
      ++pos;
    }
  }
  return saida;
}

std::string Utf8ParaCp1252(std::string_view utf8) {
  std::string saida;
  saida.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp = 0;
    std::size_t tamanho = 1;
    if (DecodificarUtf8(utf8, pos, cp, tamanho)) {
      saida.push_back(ByteDoCodigo(cp));
    } else {
      saida.push_back(kSubstituto);
    }
    pos += tamanho;
  }
  return saida;
}

}  // namespace nivora
