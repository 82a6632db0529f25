// The argument scan and the front end, for any argument vector (the input split at its NUL bytes): an
// unknown argument gives exactly the usage line and runs nothing; otherwise the last mode, presence and brace
// arguments select the one action that runs, with exactly those options.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"

namespace {

using namespace devlist;

constexpr std::size_t kMaxArguments = 24;

// What the recording actions saw.
struct Ran {
  int calls = 0;
  int slot = -1;
  RunOptions options;
  bool fromJsonTable = false;
};
Ran ran;

template <int Slot, bool Json>
void Record(const RunOptions& options, std::ostream& out) {
  ++ran.calls;
  ran.slot = Slot;
  ran.options = options;
  ran.fromJsonTable = Json;
  out << "ran";
}

constexpr RunActionTable kTable{Record<0, false>, Record<1, false>, Record<2, false>, Record<3, false>};
constexpr RunActionTable kJsonTable{Record<0, true>, Record<1, true>, Record<2, true>, Record<3, true>};

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_arguments: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words = {"devlist"};
  std::string current;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.push_back(current);
      current.clear();
      if (words.size() > kMaxArguments) break;
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (!current.empty() && words.size() <= kMaxArguments) words.push_back(current);
  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(words.size());

  // What the arguments ask for, worked out independently of the scan.
  bool unknown = false;
  RunOptions want;
  for (std::size_t i = 1; i < words.size(); ++i) {
    const std::string_view w = words[i];
    if (w == "setup" || w == "interface") {
      want.mode = w == "setup" ? ListMode::setup : ListMode::interface;
    } else if (w == "present" || w == "not-present") {
      want.presentOnly = w == "present";
    } else if (w == "json") {
      want.json = true;
    } else if (!w.empty() && w[0] == '{') {
      want.classGuid = std::string(w);
    } else {
      unknown = true;
    }
  }
  const bool version = argc == 2 && words[1] == "--version";

  const std::optional<RunOptions> scanned = ScanArguments(argc, argv.data());
  if (scanned.has_value() == unknown) Fail("the scan and the arguments disagree on an unknown argument");

  ran = Ran{};
  std::ostringstream out;
  if (RunCommandLine(argc, argv.data(), out, kTable, kJsonTable) != 0) Fail("a status other than 0");
  if (version) {
    if (ran.calls != 0 || out.str().rfind("devlist ", 0) != 0) Fail("--version did not print the version alone");
    return 0;
  }
  if (unknown) {
    const std::string usage =
        "\n" + ProgramBaseName(ModulePath().c_str()) + " setup|interface|present|not-present|{guid}\n";
    if (ran.calls != 0) Fail("an action ran for an unknown argument");
    if (out.str() != usage) Fail("an unknown argument did not give exactly the usage line");
    return 0;
  }
  const int slot = (want.mode == ListMode::interface ? 2 : 0) + (want.classGuid ? 1 : 0);
  if (ran.calls != 1 || out.str() != "ran") Fail("not exactly one action ran");
  if (ran.slot != slot) Fail("the wrong action ran");
  if (ran.fromJsonTable != want.json) Fail("json did not choose the JSON table");
  const RunOptions& got = ran.options;
  if (got.mode != want.mode || got.presentOnly != want.presentOnly || got.classGuid != want.classGuid ||
      got.json != want.json) {
    Fail("the action got other options than the last arguments of each kind");
  }
  if (scanned->mode != got.mode || scanned->classGuid != got.classGuid) Fail("the scan and the run disagree");
  return 0;
}
