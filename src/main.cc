#include <iostream>
#include <optional>

#include "checked_output.h"
#include "command_line.h"
#ifndef _WIN32
#include "sysfs_scan.h"
#endif

int main(int argc, char** argv) {
#ifndef _WIN32
  // The machine's devices, read on the first listing. An interface listing shows no vendor or model names,
  // so its scan leaves the hardware database closed.
  const std::optional<devlist::RunOptions> options = devlist::ScanArguments(argc, argv);
  const bool interfaces = options && options->mode == devlist::ListMode::interface;
  devlist::InstallSysfsLoader("/sys", interfaces ? devlist::NamesShown::no : devlist::NamesShown::yes);
#endif
  devlist::CheckedOutput output(std::cout, 1);  // descriptor 1: standard output on both systems
  const int status = devlist::RunCommandLine(argc, argv, std::cout);
  return output.Finish(status, std::cerr);
}
