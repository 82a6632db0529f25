#include <iostream>

#include "command_line.h"

int main(int argc, char** argv) { return devlist::RunCommandLine(argc, argv, std::cout); }
