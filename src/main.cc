#include <iostream>

#include "checked_output.h"
#include "command_line.h"

int main(int argc, char** argv) {
  devlist::CheckedOutput output(std::cout, 1);  // descriptor 1: standard output on both systems
  const int status = devlist::RunTool(argc, argv, std::cout, std::cerr);
  return output.Finish(status, std::cerr);
}
