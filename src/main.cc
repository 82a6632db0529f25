#include <iostream>

#include "checked_output.h"
#include "command_line.h"
#ifndef _WIN32
#include "sysfs_scan.h"
#endif

int main(int argc, char** argv) {
#ifndef _WIN32
  devlist::InstallSysfsLoader("/sys");  // the machine's devices, read on the first listing
#endif
  devlist::CheckedOutput output(std::cout, 1);  // descriptor 1: standard output on both systems
  const int status = devlist::RunCommandLine(argc, argv, std::cout);
  return output.Finish(status, std::cerr);
}
