// The front end: reads the arguments into RunOptions, prints the usage line, and runs one run action.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "run_options.h"
#include "text.h"

namespace devlist {

/// A run action writes its whole output to `out` (standard output in the tool).
using RunAction = void (*)(const RunOptions& options, std::ostream& out);

/// One slot per combination of mode and whether a class GUID was given.
struct RunActionTable {
  RunAction setupSweep;
  RunAction setupSingle;
  RunAction interfaceSweep;
  RunAction interfaceSingle;
};

/// The tool's own table.
const RunActionTable& DefaultRunActions();

/// The tool's table for `json` runs.
const RunActionTable& JsonRunActions();

/// Scans argv[1..argc-1]. Returns the options, or none when an argument is unknown (the usage case).
std::optional<RunOptions> ScanArguments(int argc, const char* const* argv);

/// The slot of `table` that `options` selects.
RunAction ChooseRunAction(const RunOptions& options, const RunActionTable& table);

/// The executable's file name without its extension, as the usage line shows it.
std::string ProgramBaseName(const char* modulePath);

/// The full path of the running executable, whatever its length; empty when the system cannot say.
std::string ModulePath();

/// Writes an empty line, then "<base name> setup|interface|present|not-present|{guid}".
void PrintUsage(std::ostream& out);

/// The whole program over the devices the model holds: "devlist <version>" for the single argument --version;
/// otherwise scan, then usage or one action of `table` (of `jsonTable` when `json` was given). Always returns
/// 0; whether the output was written is the caller's to check (CheckedOutput).
int RunCommandLine(int argc, const char* const* argv, std::ostream& out,
                   const RunActionTable& table = DefaultRunActions(),
                   const RunActionTable& jsonTable = JsonRunActions());

/// The tool: RunCommandLine with its own tables over the machine's devices, read as the listing needs them.
/// When the machine could not be read, the listing is what the platform answered, then one line
/// "devlist: cannot read the devices: <reason>" goes to `errors`, and the result is 1; otherwise 0.
int RunTool(int argc, const char* const* argv, std::ostream& out, std::ostream& errors);

}  // namespace devlist
