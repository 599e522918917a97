// The help text is the output asked for: when it cannot be written the tool
// must say so and fail, not report success.
#include <gtest/gtest.h>

#include "apoio/arquivos.hpp"
#include "apoio/processo.hpp"

namespace nivora {
namespace {

TEST(CliAjuda, HelpToAFullDiskFails) {
  teste::PastaTemporaria pasta;
  teste::GravarArquivo(pasta / "vazia", "");
  for (const char* opcao : {"--help", "-h"}) {
    SCOPED_TRACE(opcao);
    teste::Processo p(NIVORA_CLI, {opcao}, {pasta / "vazia", "/dev/full", pasta / "erros"});
    EXPECT_NE(p.Esperar().status, 0);
    EXPECT_NE(teste::LerArquivoTodo(pasta / "erros").find("No space left on device"),
              std::string::npos);
  }
}

}  // namespace
}  // namespace nivora
