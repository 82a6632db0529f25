#include "device_graph.h"

#include <gtest/gtest.h>

#include <string>

namespace devlist::sysfs {
namespace {

Node NodeAt(const std::string& path, const std::string& id) {
  Node n;
  n.path = path;
  n.id = id;
  return n;
}

TEST(DeviceGraph, APathFindsTheFirstNodeGivenItAndNothingElse) {
  DeviceGraph graph;
  EXPECT_FALSE(graph.At("devices/pci0000:00"));  // an empty graph
  // Enough paths to grow the lookup several times, with long shared beginnings as sysfs paths have.
  const std::string path = "devices/pci0000:00";
  for (std::size_t i = 0; i < 1000; ++i) {
    ASSERT_EQ(i, graph.Add(NodeAt(path + "/" + std::to_string(i), "PCI\\X\\" + std::to_string(i))));
  }
  graph.Alias(path + "/7", 99);  // taken already: the first stays
  graph.Alias(std::string("devices\0x", 9), 1);
  graph.Alias("", 2);  // an empty path finds nothing
  for (std::size_t i = 0; i < 1000; ++i) ASSERT_EQ(i, graph.At(path + "/" + std::to_string(i))) << i;
  const struct {
    std::string path;
    std::optional<NodeId> at, atOrAbove, above;
  } cases[] = {
      {path, std::nullopt, std::nullopt, std::nullopt},
      {path + "/", std::nullopt, std::nullopt, std::nullopt},
      {path + "/1000", std::nullopt, std::nullopt, std::nullopt},
      {path + "/12/usb1/1-1", std::nullopt, 12, 12},
      {path + "/12/usb1", std::nullopt, 12, 12},
      {path + "/12", 12, 12, std::nullopt},
      {"devices", std::nullopt, std::nullopt, std::nullopt},
      {std::string("devices\0", 8), std::nullopt, std::nullopt, std::nullopt},
      {std::string("devices\0x", 9), 1, 1, std::nullopt},
      {"", std::nullopt, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.at, graph.At(c.path)) << c.path;
    EXPECT_EQ(c.atOrAbove, graph.AtOrAbove(c.path)) << c.path;
    EXPECT_EQ(c.above, graph.Above(c.path)) << c.path;
  }
}

TEST(DeviceGraph, ATakenIdWithoutRegardToCaseGetsTheNextFreeNumber) {
  DeviceGraph graph;
  const struct {
    std::string id, given;
  } cases[] = {
      {"PCI\\VEN_8086\\1", "PCI\\VEN_8086\\1"},     {"pci\\ven_8086\\1", "pci\\ven_8086\\1&1"},
      {"PCI\\VEN_8086\\1", "PCI\\VEN_8086\\1&2"},   {"PCI\\VEN_8086\\1&1", "PCI\\VEN_8086\\1&1&1"},
      {"PCI\\VEN_8086\\2", "PCI\\VEN_8086\\2"},
  };
  for (const auto& c : cases) {
    const NodeId id = graph.Add(NodeAt("devices/" + c.given, c.id));
    EXPECT_EQ(c.given, graph.node(id).id) << c.id;
  }
}

TEST(DeviceGraph, ParentsAreFoundBySysfsPathOrByAcpiPathAndLookupsDroppedAfter) {
  DeviceGraph graph;
  const NodeId root = graph.Add(NodeAt("devices/LNXSYSTM:00", "ACPI_HAL\\PNP0C08\\0"));
  graph.SetAcpiRoot(root);
  const NodeId bus = graph.Add(NodeAt("devices/LNXSYSTM:00/LNXSYBUS:00", "ACPI\\PNP0A08\\0"));
  graph.RegisterAcpiNode("\\_SB_.PCI0", bus);
  graph.RegisterAcpiNode("\\_SB_.PCI0", root);  // taken already: the first stays
  Node acpiChild = NodeAt("devices/platform/x", "ACPI\\PNP0303\\0");
  acpiChild.parentAcpiPath = "\\_SB_.PCI0/SF8_/KBD_";  // the nearest registered ACPI node above: PCI0
  const NodeId keyboard = graph.Add(acpiChild);
  Node topLevel = NodeAt("devices/platform/y", "ACPI\\PNP0C0C\\0");
  topLevel.parentIsAcpiRoot = true;
  const NodeId button = graph.Add(topLevel);
  const NodeId below = graph.Add(NodeAt("devices/platform/x/serio0/input", "HID\\X\\0"));
  graph.LinkParents();
  EXPECT_EQ(std::nullopt, graph.parent(root));
  EXPECT_EQ(root, graph.parent(bus));
  EXPECT_EQ(bus, graph.parent(keyboard));
  EXPECT_EQ(root, graph.parent(button));
  EXPECT_EQ(keyboard, graph.parent(below));
  EXPECT_EQ(std::vector<NodeId>({bus, button}), graph.children(root));
  EXPECT_FALSE(graph.At("devices/platform/x"));
}

}  // namespace
}  // namespace devlist::sysfs
