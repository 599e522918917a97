// The one wording of a failed file operation and the system's reason in it.
#include "text/erros.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace nivora {
namespace {

TEST(FalhaDeArquivo, OneWordingWithTheSystemsReasonInEnglish) {
  EXPECT_EQ(std::string(FalhaDeArquivo("gravar", "/dev/full", ENOSPC).what()),
            "N\xE3o foi poss\xEDvel gravar o arquivo \"/dev/full\": No space left on device");
  EXPECT_EQ(std::string(FalhaDeArquivo("ler", "(entrada padr\xE3o)", "j\xE1 fechado").what()),
            "N\xE3o foi poss\xEDvel ler o arquivo \"(entrada padr\xE3o)\": j\xE1 fechado");
  EXPECT_EQ(RazaoDoSistema(ENOENT), "No such file or directory");
  EXPECT_EQ(RazaoDoSistema(EISDIR), "Is a directory");
  EXPECT_EQ(RazaoDoSistema(-7), "erro -7");  // a number the library does not know
}

}  // namespace
}  // namespace nivora
