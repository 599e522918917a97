// The subcommands of nivora2015-cli run: camada and exportar-grade over the GIS module.
#pragma once

#include <string>
#include <vector>

namespace nivora::cli {

/// Runs the subcommand that `lista` (argv[1..]) names. Returns the exit status: 0 done,
/// 2 usage, 3 input or output problem, 4 a failed grid.
int ExecutarSubcomando(const std::vector<std::string>& lista);

}  // namespace nivora::cli
