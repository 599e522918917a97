// The GIS subcommands as a module of their own, loaded by nivora2015-cli only when one
// is asked for: the text mode starts without GDAL and its hundred libraries.
#include <string>
#include <vector>

#include "cli/comandos_gis.hpp"

/// The module's one entry: runs the subcommand that argv[0..argc) names (the command
/// line after the program's name) and returns the exit status.
extern "C" __attribute__((visibility("default"))) int nivora2015_executar_subcomando(
    int argc, const char* const* argv) {
  return nivora::cli::ExecutarSubcomando(std::vector<std::string>(argv, argv + argc));
}
