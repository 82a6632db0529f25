#include "command_line.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <ostream>
#include <string_view>
#include <vector>

#include "devlist_version.h"
#include "interface_classes.h"
#include "interface_listing.h"
#include "json_listing.h"
#include "setup_classes.h"
#include "setup_listing.h"
#include "platform.h"

namespace devlist {
namespace {

// Far beyond any path either system hands out; a module path that still does not fit is not believed.
constexpr std::size_t kModulePathLimit = std::size_t{1} << 24;

void RunSetupSweep(const RunOptions& options, std::ostream& out) { SweepSetupClasses(options.presentOnly, out); }

void RunInterfaceSweep(const RunOptions& options, std::ostream& out) {
  SweepInterfaceClasses(options.presentOnly, out);
}

// A JSON document ends its lines in "\n" alone on every platform: on Windows the standard output leaves the
// C runtime's text mode, which would make each one CR LF. Other streams are the caller's.
void UseBinaryOutput(std::ostream& out) {
#ifdef _WIN32
  if (&out != &std::cout) return;
  std::cout.flush();
  _setmode(_fileno(stdout), _O_BINARY);
#else
  (void)out;
#endif
}

// RunCommandLine, and with `machineErrors` the tool's run: the platform reads the machine's devices for the
// listing, and a machine it could not read is reported there.
int Run(int argc, const char* const* argv, std::ostream& out, const RunActionTable& table,
        const RunActionTable& jsonTable, std::ostream* machineErrors) {
  // An addition to the argument set: only the single argument, spelled exactly so, asks for the version.
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    out << "devlist " DEVLIST_VERSION << std::endl;
    return 0;
  }
  const std::optional<RunOptions> options = ScanArguments(argc, argv);
  if (!options) {
    PrintUsage(out);
    return 0;
  }
  if (machineErrors != nullptr) {
    ListingShows shows;
    shows.names = options->mode != ListMode::interface;  // an interface listing shows no vendor or model names
    shows.absentDevices = !options->presentOnly;
    ReadMachineDevices(shows);
  }
  if (options->json) UseBinaryOutput(out);
  ChooseRunAction(*options, options->json ? jsonTable : table)(*options, out);
  if (machineErrors == nullptr) return 0;
  const int error = MachineReadError();
  if (error == 0) return 0;
  *machineErrors << "devlist: cannot read the devices: " << std::strerror(error) << std::endl;
  return 1;
}

}  // namespace

const RunActionTable& DefaultRunActions() {
  static const RunActionTable table{RunSetupSweep, RunSingleSetupClass, RunInterfaceSweep, RunSingleInterfaceClass};
  return table;
}

const RunActionTable& JsonRunActions() {
  static const RunActionTable table{RunJsonSetupSweep, RunJsonSetupSingle, RunJsonInterfaceSweep,
                                    RunJsonInterfaceSingle};
  return table;
}

std::optional<RunOptions> ScanArguments(int argc, const char* const* argv) {
  RunOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "setup") {
      options.mode = ListMode::setup;
    } else if (argument == "interface") {
      options.mode = ListMode::interface;
    } else if (argument == "present") {
      options.presentOnly = true;
    } else if (argument == "not-present") {
      options.presentOnly = false;
    } else if (argument == "json") {
      options.json = true;  // any number of times, anywhere; it only switches the output
    } else if (!argument.empty() && argument.front() == '{') {
      options.classGuid = std::string(argument);
    } else {
      return std::nullopt;  // the scan stops here; nothing gathered so far is used
    }
  }
  return options;
}

RunAction ChooseRunAction(const RunOptions& options, const RunActionTable& table) {
  if (options.mode == ListMode::setup) return options.classGuid ? table.setupSingle : table.setupSweep;
  return options.classGuid ? table.interfaceSingle : table.interfaceSweep;
}

std::string ProgramBaseName(const char* modulePath) {
  const char* fileName = PathFindFileNameA(modulePath);
  const char* extension = PathFindExtensionA(fileName);
  return std::string(fileName, extension);
}

std::string ModulePath() {
  // The path can be longer than MAX_PATH (long path support on Windows, any length on Linux). A truncated
  // result fills the whole buffer, so the buffer grows until the path fits with room to spare.
  std::vector<char> buffer(MAX_PATH, 0);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
    if (length == 0) return std::string();  // on failure the base name is empty
    if (length < size) return std::string(buffer.data(), length);
    if (buffer.size() >= kModulePathLimit) return std::string();
    buffer.assign(buffer.size() * 2, 0);
  }
}

void PrintUsage(std::ostream& out) {
  const std::string path = ModulePath();
  out << std::endl;
  out << ProgramBaseName(path.c_str()) << " setup|interface|present|not-present|{guid}" << std::endl;
}

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, const RunActionTable& table,
                   const RunActionTable& jsonTable) {
  return Run(argc, argv, out, table, jsonTable, nullptr);
}

int RunTool(int argc, const char* const* argv, std::ostream& out, std::ostream& errors) {
  return Run(argc, argv, out, DefaultRunActions(), JsonRunActions(), &errors);
}

}  // namespace devlist
