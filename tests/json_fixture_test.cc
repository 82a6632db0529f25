// The JSON document of the sysfs fixture machines against their text listings: the same classes, devices,
// labels and values (strings, string lists, numbers, booleans and the status compared as text).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "command_line.h"
#include "sysfs_scan.h"
#include "test_support.h"

namespace devlist {
namespace {

std::string RunTool(std::vector<const char*> args) {
  args.insert(args.begin(), "devlist");
  std::ostringstream out;
  RunCommandLine(static_cast<int>(args.size()), args.data(), out);
  return out.str();
}

// The text a report line shows for a JSON value.
std::string TextOf(const nlohmann::ordered_json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_boolean()) return value.get<bool>() ? "true" : "false";
  if (value.is_number_integer()) return value.dump();
  if (value.is_array()) {
    std::string text;
    for (const auto& element : value) text += (text.empty() ? "" : "\n\t") + element.get<std::string>();
    return text;
  }
  if (value.is_object()) {
    std::string text;
    for (const auto& flag : value["flags"]) text += "\n        " + flag.get<std::string>();
    return text;
  }
  return "<" + value.dump() + ">";
}

// The text listing rebuilt from the document, in the text's layout.
std::string SetupTextOf(const nlohmann::ordered_json& document) {
  std::string text;
  for (const auto& cls : document["classes"]) {
    text += "*** " + cls["name"].get<std::string>() + " " + cls["guid"].get<std::string>() + "\n";
    for (const auto& device : cls["devices"]) {
      text += "\n";
      for (const auto& [label, value] : device["properties"].items()) text += label + " : " + TextOf(value) + "\n";
      text += "\n";
    }
    text += "\n";
  }
  return text;
}

class JsonFixtureTest : public testing::DeviceModelTest {};

TEST_F(JsonFixtureTest, EveryMachineSaysInJsonWhatItSaysInText) {
  for (const char* machine : {"laptop", "server", "vm"}) {
    model::Clear();
    const std::string dir = testing::FixtureTreeDir(machine);
    SysfsScanOptions options;
    options.cpuinfoPath = dir + "/cpuinfo";
    ScanSysfs(dir + "/sys", options);
    for (const std::vector<const char*>& args : std::vector<std::vector<const char*>>{{}, {"not-present"}}) {
      std::vector<const char*> withJson = args;
      withJson.push_back("json");
      const std::string json = RunTool(withJson);
      ASSERT_TRUE(nlohmann::json::accept(json)) << machine;
      const nlohmann::ordered_json document = nlohmann::ordered_json::parse(json);
      EXPECT_EQ(RunTool(args), SetupTextOf(document)) << machine;
      std::size_t devices = 0;
      for (const auto& cls : document["classes"]) {
        for (const auto& device : cls["devices"]) {
          EXPECT_EQ(device["properties"]["Device_InstanceId"], device["instanceId"]) << machine;
          ++devices;
        }
      }
      EXPECT_LT(5u, devices) << machine;
    }
  }
}

}  // namespace
}  // namespace devlist
