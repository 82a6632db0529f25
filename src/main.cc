#include <iostream>

#include "command_line.h"
#ifndef _WIN32
#include "sysfs_scan.h"
#endif

int main(int argc, char** argv) {
#ifndef _WIN32
  devlist::InstallSysfsLoader("/sys");  // the machine's devices, read on the first listing
#endif
  return devlist::RunCommandLine(argc, argv, std::cout);
}
