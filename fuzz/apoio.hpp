// Shared by the fuzz targets: a finding is reported on stderr and ends the
// process, so libFuzzer keeps the input that caused it.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace nivora::fuzz {

[[noreturn]] inline void Falha(const std::string& o_que) {
  std::fprintf(stderr, "ACHADO: %s\n", o_que.c_str());
  std::abort();
}

inline void Exigir(bool condicao, const std::string& o_que) {
  if (!condicao) Falha(o_que);
}

/// Printable form of bytes for a report: non-printable bytes as \xHH.
inline std::string Visivel(std::string_view bytes) {
  std::string texto;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      texto.push_back(static_cast<char>(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      texto += hex;
    }
  }
  return texto;
}

/// The grid that ships with the program (read only).
inline std::string GradeDistribuida() {
  return std::string(NIVORA_SOURCE_DIR) + "/dist/grid/NIVORA2015_SIRGAS2000.txt";
}

/// A private scratch folder for files the target writes, made once per process.
/// Removed with its files when the process ends normally.
inline const std::string& PastaTrabalho() {
  static const struct Pasta {
    std::string caminho;
    Pasta() : caminho("/tmp/nivora_fuzz_XXXXXX") {
      if (::mkdtemp(caminho.data()) == nullptr) std::abort();
    }
    ~Pasta() {
      std::error_code ignorado;
      std::filesystem::remove_all(caminho, ignorado);
    }
  } pasta;
  return pasta.caminho;
}

}  // namespace nivora::fuzz
