// N at points read from standard input, with the NIVORA2015 library.
//
//   ondulacao [GRADE] < pontos.txt
//
// Each input line is "latitude longitude" in decimal degrees, or "latitude longitude
// h" with an ellipsoidal height h (GNSS) in metres; each output line is N, and with
// h the orthometric height H = h - N, in metres with three decimals (the values the
// command-line tool writes). A refused point gets the program's message instead.
//
// Build it against the installed library:
//   g++ -std=c++17 ondulacao.cpp $(pkg-config --cflags --libs nivora2015) -o ondulacao
// or with CMake (find_package(Nivora2015), see CMakeLists.txt beside this file).
#include <cstdio>
#include <iostream>
#include <nivora2015/nivora2015.hpp>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
  try {
    // The grid that ships with the library, or one given as the first argument.
    nivora2015::Modelo modelo = argc > 1 ? nivora2015::Modelo(argv[1]) : nivora2015::Modelo();
    // One version of the grid for the whole run, as the command-line tool does.
    const nivora2015::Grade grade = modelo.Retrato();
    std::string linha;
    while (std::getline(std::cin, linha)) {
      std::istringstream campos(linha);
      double lat = 0, lon = 0, h = 0;
      if (!(campos >> lat >> lon)) continue;
      const bool comAltura = static_cast<bool>(campos >> h);
      try {
        std::printf("%.3f", grade.Ondulacao(lat, lon));
        if (comAltura)
          std::printf(" %.3f", grade.OutraAltura(lat, lon, h, nivora2015::Altura::Elipsoidal));
        std::printf("\n");
      } catch (const nivora2015::EPontoRecusado& recusa) {
        std::printf("%s\n", nivora2015::MensagemUtf8(recusa).c_str());
      }
    }
  } catch (const nivora2015::ErroNivora& erro) {
    std::fprintf(stderr, "ondulacao: %s\n", nivora2015::MensagemUtf8(erro).c_str());
    return 1;
  }
  return 0;
}
