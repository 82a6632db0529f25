#include "command_line.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace devlist {
namespace {

// Runs the scan over `args` (the program name is prepended).
std::optional<RunOptions> Scan(std::vector<const char*> args) {
  args.insert(args.begin(), "devlist");
  return ScanArguments(static_cast<int>(args.size()), args.data());
}

TEST(ScanArguments, SettlesModePresenceAndGuid) {
  const std::string guid = "{4d36e96b-e325-11ce-bfc1-08002be10318}";
  const struct {
    std::vector<const char*> args;
    ListMode mode;
    bool presentOnly;
    const char* classGuid;  // null: none
  } cases[] = {
      {{}, ListMode::setup, true, nullptr},
      {{"setup"}, ListMode::setup, true, nullptr},
      {{"present"}, ListMode::setup, true, nullptr},
      {{"setup", "present"}, ListMode::setup, true, nullptr},
      {{"not-present"}, ListMode::setup, false, nullptr},
      {{"interface"}, ListMode::interface, true, nullptr},
      {{"setup", "interface"}, ListMode::interface, true, nullptr},
      {{"interface", "setup"}, ListMode::setup, true, nullptr},
      {{"present", "not-present"}, ListMode::setup, false, nullptr},
      {{"not-present", "present"}, ListMode::setup, true, nullptr},
      {{"{a}", "interface", "{b}"}, ListMode::interface, true, "{b}"},
      {{"{"}, ListMode::setup, true, "{"},
      {{guid.c_str(), "not-present"}, ListMode::setup, false, guid.c_str()},
      {{"{4D36E96B-E325-11CE-BFC1-08002BE10318}"}, ListMode::setup, true, "{4D36E96B-E325-11CE-BFC1-08002BE10318}"},
  };
  for (const auto& c : cases) {
    std::string row;
    for (const char* a : c.args) row += std::string(a) + " ";
    const std::optional<RunOptions> options = Scan(c.args);
    ASSERT_TRUE(options.has_value()) << row;
    EXPECT_EQ(c.mode, options->mode) << row;
    EXPECT_EQ(c.presentOnly, options->presentOnly) << row;
    if (c.classGuid == nullptr) {
      EXPECT_FALSE(options->classGuid.has_value()) << row;
    } else {
      EXPECT_EQ(c.classGuid, options->classGuid.value_or("<none>")) << row;
    }
  }
}

TEST(ScanArguments, UnknownArgumentsStopTheScan) {
  const std::vector<const char*> cases[] = {
      {"Setup"}, {"SETUP"}, {"-setup"}, {"/setup"}, {"setups"}, {"present-only"}, {""}, {" setup"},
      {"setup "}, {"interface", "x"}, {"setup", "{4d36e96b-e325-11ce-bfc1-08002be10318}", "extra"},
      // The scan stops at the first unknown argument, whatever follows.
      {"bogus", "interface"},
      // Only the lower-case word is the keyword.
      {"JSON"}, {"Json"}, {"-json"}, {"--json"}, {"/json"}, {"json "}, {"jsonl"}, {"json", "--json"},
      {"json", "bogus"}, {"bogus", "json"},
  };
  for (const auto& args : cases) {
    std::string row;
    for (const char* a : args) row += "'" + std::string(a) + "' ";
    EXPECT_FALSE(Scan(args).has_value()) << row;
  }
}

void Mark(const char* name, std::ostream& out) { out << name; }
void SetupSweep(const RunOptions&, std::ostream& out) { Mark("setupSweep", out); }
void SetupSingle(const RunOptions&, std::ostream& out) { Mark("setupSingle", out); }
void InterfaceSweep(const RunOptions&, std::ostream& out) { Mark("interfaceSweep", out); }
void InterfaceSingle(const RunOptions&, std::ostream& out) { Mark("interfaceSingle", out); }
const RunActionTable kMarkers{SetupSweep, SetupSingle, InterfaceSweep, InterfaceSingle};

TEST(RunCommandLine, DispatchesOneActionAndNothingAroundIt) {
  const struct {
    std::vector<const char*> args;
    const char* output;
  } cases[] = {
      {{}, "setupSweep"},
      {{"not-present"}, "setupSweep"},
      {{"{x}"}, "setupSingle"},
      {{"interface"}, "interfaceSweep"},
      {{"interface", "not-present"}, "interfaceSweep"},
      {{"{x}", "interface"}, "interfaceSingle"},
      {{"interface", "{x}", "setup"}, "setupSingle"},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv = c.args;
    argv.insert(argv.begin(), "devlist");
    std::ostringstream out;
    EXPECT_EQ(0, RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, kMarkers));
    EXPECT_EQ(c.output, out.str()) << c.output;
  }
}

// `json` may stand anywhere, any number of times, among every combination of the other keywords: it switches
// the output and changes nothing else the scan settles.
TEST(ScanArguments, JsonInEveryPosition) {
  const std::vector<std::vector<const char*>> others = {
      {}, {"setup"}, {"interface"}, {"present"}, {"not-present"}, {"{x}"}, {"interface", "not-present", "{x}"},
      {"{x}", "setup", "present"}, {"not-present", "interface", "setup", "{y}", "{x}"},
  };
  for (const auto& args : others) {
    const std::optional<RunOptions> plain = Scan(args);
    ASSERT_TRUE(plain.has_value());
    EXPECT_FALSE(plain->json);
    for (std::size_t at = 0; at <= args.size(); ++at) {
      for (int times = 1; times <= 2; ++times) {
        std::vector<const char*> withJson = args;
        for (int t = 0; t < times; ++t) withJson.insert(withJson.begin() + static_cast<std::ptrdiff_t>(at), "json");
        std::string row;
        for (const char* a : withJson) row += std::string(a) + " ";
        const std::optional<RunOptions> options = Scan(withJson);
        ASSERT_TRUE(options.has_value()) << row;
        EXPECT_TRUE(options->json) << row;
        EXPECT_EQ(plain->mode, options->mode) << row;
        EXPECT_EQ(plain->presentOnly, options->presentOnly) << row;
        EXPECT_EQ(plain->classGuid, options->classGuid) << row;
      }
    }
  }
  // Apart as well as side by side.
  const std::optional<RunOptions> apart = Scan({"json", "interface", "json", "{x}", "json"});
  ASSERT_TRUE(apart.has_value());
  EXPECT_TRUE(apart->json);
  EXPECT_EQ(ListMode::interface, apart->mode);
}

TEST(RunCommandLine, JsonChoosesFromTheJsonTable) {
  const RunActionTable json{[](const RunOptions&, std::ostream& out) { Mark("jsonSetupSweep", out); },
                            [](const RunOptions&, std::ostream& out) { Mark("jsonSetupSingle", out); },
                            [](const RunOptions&, std::ostream& out) { Mark("jsonInterfaceSweep", out); },
                            [](const RunOptions&, std::ostream& out) { Mark("jsonInterfaceSingle", out); }};
  const struct {
    std::vector<const char*> args;
    const char* output;
  } cases[] = {
      {{"json"}, "jsonSetupSweep"},
      {{"not-present", "json"}, "jsonSetupSweep"},
      {{"json", "{x}", "json"}, "jsonSetupSingle"},
      {{"interface", "json"}, "jsonInterfaceSweep"},
      {{"{x}", "json", "interface"}, "jsonInterfaceSingle"},
      {{"interface"}, "interfaceSweep"},
      // An unknown word still prints the usage line, json or not.
      {{"json", "JSON"}, "\ndevlist_tests setup|interface|present|not-present|{guid}\n"},
      {{"--json"}, "\ndevlist_tests setup|interface|present|not-present|{guid}\n"},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv = c.args;
    argv.insert(argv.begin(), "devlist");
    std::ostringstream out;
    EXPECT_EQ(0, RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, kMarkers, json));
    EXPECT_EQ(c.output, out.str()) << c.output;
  }
}

TEST(RunCommandLine, UnknownArgumentPrintsOnlyTheUsage) {
  const char* argv[] = {"devlist", "setup", "{4d36e96b-e325-11ce-bfc1-08002be10318}", "extra"};
  std::ostringstream out;
  EXPECT_EQ(0, RunCommandLine(4, argv, out, kMarkers));
  // The test binary's own name stands where the tool's would.
  EXPECT_EQ("\ndevlist_tests setup|interface|present|not-present|{guid}\n", out.str());
}

// The version is an addition to the argument set: it answers only the single argument spelled exactly so, and
// every near miss keeps the old behaviour, the usage line.
TEST(RunCommandLine, VersionAnswersOnlyTheSingleExactArgument) {
  const std::string usage = "\ndevlist_tests setup|interface|present|not-present|{guid}\n";
  const struct {
    std::vector<const char*> args;
    std::string output;
  } cases[] = {
      {{"--version"}, "devlist 1.0.0\n"},
      {{"-version"}, usage},
      {{"version"}, usage},
      {{"--Version"}, usage},
      {{"--VERSION"}, usage},
      {{"--version "}, usage},
      {{"--version="}, usage},
      {{"--version", "extra"}, usage},
      {{"--version", "interface"}, usage},
      {{"interface", "--version"}, usage},
      {{"--version", "--version"}, usage},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv = c.args;
    argv.insert(argv.begin(), "devlist");
    std::string row;
    for (const char* a : c.args) row += "'" + std::string(a) + "' ";
    std::ostringstream out;
    EXPECT_EQ(0, RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, kMarkers)) << row;
    EXPECT_EQ(c.output, out.str()) << row;
  }
}

TEST(ProgramBaseName, CutsDirectoryAndExtension) {
  const struct {
    const char* path;
    const char* base;
  } cases[] = {
      {"/usr/local/bin/devlist", "devlist"},
      {"C:\\tools\\devlist.exe", "devlist"},
      {"C:\\tools\\dev.list.exe", "dev.list"},
      {"/opt/dev.list.exe", "dev.list"},
      {"devlist", "devlist"},
      {"C:\\tools\\.exe", ""},  // an empty base name
      {"", ""},                 // what a failed module lookup leaves
      {"C:\\my tools.d\\devlist", "devlist"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.base, ProgramBaseName(c.path)) << c.path;
}

TEST(WidenGuidArgument, KeepsTheTextAsTyped) {
  EXPECT_EQ(WideText(TEXT16("{4d36e96b-e325-11ce-bfc1-08002be10318}")),
            WidenGuidArgument("{4d36e96b-e325-11ce-bfc1-08002be10318}"));
  EXPECT_EQ(WideText(TEXT16("{")), WidenGuidArgument("{"));
  EXPECT_EQ(WideText(TEXT16("{\u00e9}")), WidenGuidArgument("{\xc3\xa9}"));
}

}  // namespace
}  // namespace devlist
