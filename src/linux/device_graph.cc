#include "device_graph.h"

#include <algorithm>
#include <cstddef>

#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

constexpr int kMaxParentDepth = 64;

// The folder a path is in, as a view of the path ("" for a path without one).
std::string_view DirView(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

// Whether NormalInstanceId would give the id back as it is: three parts, none empty, printable ASCII with no
// separator inside a part, each within its bound. Scanners build nearly every id that way already.
bool IsNormalInstanceId(std::string_view id) {
  const std::size_t first = id.find('\\');
  const std::size_t last = id.rfind('\\');
  if (first == std::string_view::npos || first == last || id.find('\\', first + 1) != last) return false;
  const std::size_t instance = id.size() - last - 1;
  return first != 0 && first <= 32 && last != first + 1 && instance != 0 && instance <= 96 &&
         id.size() <= kMaxInstanceIdChars && IsPrintableAscii(id);
}

}  // namespace

NodeId DeviceGraph::Add(Node node) {
  // Whatever a scanner made, the id leaves here in the one shape (three parts, clean, bounded); a taken id
  // gets "&1", "&2", ... on its instance part, within the same bound.
  if (!IsNormalInstanceId(node.id)) node.id = NormalInstanceId(node.id);
  if (usedIds_.count(node.id) != 0) {
    const std::string base = std::move(node.id);
    for (int n = 1;; ++n) {
      node.id = NormalInstanceId(base + "&" + std::to_string(n));
      if (usedIds_.count(node.id) == 0) break;
    }
  }
  nodes_.push_back(std::make_unique<Node>(std::move(node)));
  parents_.emplace_back();
  children_.emplace_back();
  const NodeId id = nodes_.size() - 1;
  usedIds_.insert(nodes_[id]->id);  // a view of the id where it now stays
  Alias(nodes_[id]->path, id);
  return id;
}

void DeviceGraph::Alias(const std::string& path, NodeId id) {
  if (!path.empty()) byPath_.try_emplace(path, id);
}

std::optional<NodeId> DeviceGraph::At(std::string_view path) const {
  const auto found = byPath_.find(path);
  if (found == byPath_.end()) return std::nullopt;
  return found->second;
}

std::optional<NodeId> DeviceGraph::AtOrAbove(std::string_view path) const {
  for (int depth = 0; !path.empty() && depth < 4 * kMaxParentDepth; ++depth) {
    if (const auto found = At(path)) return found;
    path = DirView(path);
  }
  return std::nullopt;
}

std::optional<NodeId> DeviceGraph::Above(std::string_view path) const { return AtOrAbove(DirView(path)); }

std::optional<NodeId> DeviceGraph::FirstAcpiDeviceOf(const ClassInfo& cls) const {
  for (NodeId id = 0; id < nodes_.size(); ++id) {
    if (nodes_[id]->cls == &cls && StartsWith(nodes_[id]->id, "ACPI\\")) return id;
  }
  return std::nullopt;
}

std::string InstanceNumber(std::size_t n) {
  std::string number;
  AppendInstanceNumber(number, n);
  return number;
}

void AppendInstanceNumber(std::string& out, std::size_t n) {
  const std::size_t start = out.size();
  for (std::size_t rest = n; rest != 0 || out.size() - start < 4; rest /= 10) {
    out.push_back(static_cast<char>('0' + rest % 10));
  }
  std::reverse(out.begin() + static_cast<std::ptrdiff_t>(start), out.end());
}

void AddInterfaceTo(Node& node, const GUID& guid, const std::string& path) {
  for (const NodeInterface& i : node.interfaces) {
    if (i.guid == guid && i.path == path) return;
  }
  node.interfaces.push_back({guid, path});
}

void DeviceGraph::NoteDates(NodeId id, const DeviceDates& dates) { MutableNode(id).dates = dates; }

void DeviceGraph::AddInterface(NodeId id, const GUID& guid, const std::string& path) {
  AddInterfaceTo(MutableNode(id), guid, path);
}

void DeviceGraph::AttachNetworkInterface(NodeId id, const std::string& itfPath, const std::string& name) {
  AddInterface(id, kItfNet, itfPath);
  MutableNode(id).names.push_back(name);
}

void DeviceGraph::AttachSerialPort(NodeId id, const std::string& devicePath, const std::string& name) {
  AddInterface(id, kItfComport, devicePath);
  Node& n = MutableNode(id);
  n.names.push_back(name);
  if (n.cls == &kUsbDevice || n.cls == &kUsb) n.cls = &kPorts;
}

void DeviceGraph::AttachGnssReceiver(NodeId id) {
  Node& n = MutableNode(id);
  if (n.cls == &kUsbDevice || n.cls == &kUsb || n.cls == &kPorts || n.cls == &kSystem) n.cls = &kGnss;
}

void DeviceGraph::AttachFunctionClass(NodeId id, const ClassInfo& cls) {
  Node& n = MutableNode(id);
  if (n.cls == &kSystem) n.cls = &cls;
}

void DeviceGraph::AttachFunctionDriver(NodeId id, const std::string& driver, const std::string& version) {
  Node& n = MutableNode(id);
  if (!n.drivers.empty() || driver.empty()) return;
  n.drivers.push_back(driver);
  n.driverVersion = version;
}

void DeviceGraph::AttachBluetoothRadio(NodeId id, const std::string& itfPath) {
  AddInterface(id, kItfBthPort, itfPath);
  Node& n = MutableNode(id);
  if (n.cls == &kUsbDevice) n.cls = &kBluetooth;
}

void DeviceGraph::AttachVideoCapture(NodeId id, const std::string& devicePath) {
  AddInterface(id, kItfVideo, devicePath);
  if (nodes_[id]->cls == &kImage) AddInterface(id, kItfImage, devicePath);
}

void DeviceGraph::AttachBatteryReport(NodeId id, const std::string& itfPath, const std::string& maker,
                                      const std::string& model) {
  AddInterface(id, kItfBattery, itfPath);
  Node& n = MutableNode(id);
  if (!maker.empty()) n.manufacturer = maker;
  if (!model.empty()) n.model = model;
}

void DeviceGraph::AttachAcpiCompanion(NodeId id, const std::string& acpiPath, const std::string& biosName) {
  Node& n = MutableNode(id);
  if (n.bios.empty()) n.bios = biosName;
  RegisterAcpiNode(acpiPath, id);
}

void DeviceGraph::LinkParents() {
  for (NodeId i = 0; i < nodes_.size(); ++i) {
    const Node& n = *nodes_[i];
    std::optional<NodeId> parent;
    if (!n.parentAcpiPath.empty()) {
      for (std::string_view up = DirView(n.parentAcpiPath); !up.empty() && !parent; up = DirView(up)) {
        if (const auto found = byAcpi_.find(up); found != byAcpi_.end()) parent = found->second;
      }
    } else if (n.parentIsAcpiRoot) {
      parent = acpiRoot_;
    } else if (!n.parentPath.empty()) {
      parent = AtOrAbove(n.parentPath);
    } else {
      parent = Above(n.path);
    }
    if (parent && *parent != i) parents_[i] = parent;
  }
  for (NodeId i = 0; i < nodes_.size(); ++i) {
    std::optional<NodeId> p = parents_[i];
    for (int depth = 0; p; ++depth) {
      if (*p == i || depth > kMaxParentDepth) {
        parents_[i].reset();
        break;
      }
      p = parents_[*p];
    }
  }
  for (NodeId i = 0; i < nodes_.size(); ++i) {
    if (parents_[i]) children_[*parents_[i]].push_back(i);
  }
  // What each node has from its ancestors, worked out from the nodes as the scans left them, then stored.
  std::vector<GUID> containers(nodes_.size());
  for (NodeId i = 0; i < nodes_.size(); ++i) containers[i] = ContainerOf(i);
  std::vector<std::string> below(nodes_.size());
  for (NodeId i = 0; i < nodes_.size(); ++i) {
    if (nodes_[i]->busDriver.empty() && parents_[i] && !nodes_[*parents_[i]]->drivers.empty()) {
      below[i] = nodes_[*parents_[i]]->drivers.front();
    }
  }
  for (NodeId i = 0; i < nodes_.size(); ++i) {
    nodes_[i]->container = containers[i];
    if (!below[i].empty()) nodes_[i]->busDriver = std::move(below[i]);
  }
  // Emptied with their buckets freed: no scan looks anything up from here on.
  byPath_ = {};
  byAcpi_ = {};
  usedIds_ = {};
  handledInputs_ = {};
}

GUID DeviceGraph::ContainerOf(NodeId id) const {
  std::optional<NodeId> p = id;
  for (int depth = 0; p && depth <= kMaxParentDepth; ++depth) {
    if (nodes_[*p]->container) return *nodes_[*p]->container;
    p = parents_[*p];
  }
  return kLocalMachineContainer;
}

std::unique_ptr<Node> DeviceGraph::Take(NodeId id) { return std::move(nodes_[id]); }

}  // namespace devlist::sysfs
