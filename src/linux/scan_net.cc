// Network interfaces (class/net): a physical one is an interface of its device; software interfaces
// (loopback, bridges, bonds, tunnels, ...) are devices of their own under ROOT\NET.
#include <string>

#include "scanners.h"
#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

struct VirtualNet {
  const char* desc;
  const char* service;
};

VirtualNet VirtualNetKind(const SysfsReader& tree, const std::string& path, const std::string& name) {
  const std::string devType = tree.Uevent(path, "DEVTYPE");
  if (tree.Attr(path, "type") == "772") return {"Software Loopback Interface", nullptr};
  if (tree.IsDir(JoinPath(path, "bridge"))) return {"Network Bridge", "bridge"};
  if (tree.IsDir(JoinPath(path, "bonding"))) return {"Bonded Network Adapter", "bonding"};
  if (tree.Exists(JoinPath(path, "tun_flags"))) return {"TAP-Windows Adapter", "tun"};
  if (devType == "vlan") return {"VLAN Adapter", "8021q"};
  if (devType == "wireguard") return {"WireGuard Tunnel", "wireguard"};
  if (StartsWith(name, "veth")) return {"Virtual Ethernet Adapter", "veth"};
  if (StartsWith(name, "ifb")) return {"Intermediate Functional Block Adapter", "ifb"};
  if (StartsWith(name, "dummy")) return {"Dummy Network Adapter", "dummy"};
  return {"Virtual Network Adapter", nullptr};
}

}  // namespace

void ScanNet(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  DeviceGraph& graph = context.graph;
  std::size_t softIndex = 0;
  for (const std::string& name : tree.List("class/net")) {
    const auto path = tree.Resolve(JoinPath("class/net", name));
    if (!path) continue;
    const std::string ifName = Base(*path);
    const std::string itfPath = "/sys/class/net/" + Printable(ifName);
    const std::optional<NodeId> owner = graph.Above(*path);
    if (owner && !StartsWith(*path, "devices/virtual/")) {
      graph.AttachNetworkInterface(*owner, itfPath, Printable(ifName));
      continue;
    }
    const VirtualNet kind = VirtualNetKind(tree, *path, ifName);
    Node n;
    n.path = *path;
    n.cls = &kNet;
    n.id = "ROOT\\NET\\" + InstanceNumber(softIndex++);
    n.hardwareIds = {kind.service ? std::string("ROOT\\") + Upper(kind.service) : std::string("ROOT\\NET")};
    n.desc = kind.desc;
    n.names.push_back(Printable(ifName));
    if (kind.service) n.drivers.push_back(kind.service);
    n.rootEnumerated = true;
    n.driverExpected = false;
    AddInterfaceTo(n, kItfNet, itfPath);
    graph.Add(std::move(n));
  }
}

}  // namespace devlist::sysfs
