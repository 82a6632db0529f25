// The devices a scan finds, before they go into the device model: nodes with their place in sysfs, found by
// path, with unique instance ids and parents. What one scan does to a device another scan created goes
// through the named operations below, never through the other scan's fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "device_classes.h"
#include "folded_id.h"
#include "platform.h"

namespace devlist::sysfs {

struct NodeInterface {
  GUID guid;
  std::string path;
};

/// When a device was installed, first installed, last arrived and last left, as FILETIME ticks (100 ns since
/// 1601, UTC); 0 where the record does not say.
struct DeviceDates {
  std::uint64_t install = 0, firstInstall = 0, lastArrival = 0, lastRemoval = 0;
};

struct Node {
  std::string path;  // its place in the tree, relative to the root; devices below it are its children
  std::string id;
  const ClassInfo* cls = &kSystem;
  std::string parentAcpiPath;  // ACPI devices: the parent is the nearest ACPI device above this
  bool parentIsAcpiRoot = false;
  std::string parentPath;  // when set, the parent is the node at or above this path, not above `path`

  std::string desc, manufacturer, friendly, busDesc, model, firmware, bios, locationInfo, driverVersion;
  std::vector<std::string> drivers;  // the stack from the top: the function driver first
  // The driver below the stack, when the parent does not provide one; once the parents are linked, the driver
  // below whichever provides it.
  std::string busDriver;
  std::vector<std::string> hardwareIds, compatibleIds, locationPaths;
  std::optional<GUID> busType, container;  // once the parents are linked, every node's container is set
  std::optional<DWORD> legacyBus, busNumber, address, numa;
  bool driverExpected = false, rootEnumerated = false, removable = false, disabled = false;
  std::vector<NodeInterface> interfaces;
  std::vector<std::string> names;  // network interfaces and ports, shown in the friendly name
  /// False for a device only the kernel's record knows: it has no path, no parent and no status.
  bool present = true;
  DeviceDates dates;
};

/// A device's number among its kind as Windows writes it in ids and driver keys: decimal, at least four
/// digits ("0009", "0010").
std::string InstanceNumber(std::size_t n);
/// The same, at the end of `out`.
void AppendInstanceNumber(std::string& out, std::size_t n);

/// Adds an interface to a node being built, once.
void AddInterfaceTo(Node& node, const GUID& guid, const std::string& path);

using NodeId = std::size_t;

class DeviceGraph {
 public:
  /// Adds a node under an id no other node has ("&1", "&2", ... appended when taken) and finds it by its
  /// path from now on.
  NodeId Add(Node node);
  /// The id the next Add returns, for aliases made before the node is complete.
  NodeId NextId() const { return nodes_.size(); }
  /// Makes `path` (an interface of a USB device, an ACPI companion) find node `id` too.
  void Alias(const std::string& path, NodeId id);

  std::size_t size() const { return nodes_.size(); }
  /// A node not taken yet.
  const Node& node(NodeId id) const { return *nodes_[id]; }
  std::optional<NodeId> parent(NodeId id) const { return parents_[id]; }
  const std::vector<NodeId>& children(NodeId id) const { return children_[id]; }

  /// The node at exactly `path`; the node at it or the nearest above it; the nearest strictly above it.
  std::optional<NodeId> At(std::string_view path) const;
  std::optional<NodeId> AtOrAbove(std::string_view path) const;
  std::optional<NodeId> Above(std::string_view path) const;
  /// The first ACPI device of a class (the keyboard controller's own device, for a PS/2 keyboard).
  std::optional<NodeId> FirstAcpiDeviceOf(const ClassInfo& cls) const;

  // What a scan does to a device it did not create.
  void AddInterface(NodeId id, const GUID& guid, const std::string& path);
  /// A network interface of a physical device: its interface, and its name in the friendly name.
  void AttachNetworkInterface(NodeId id, const std::string& itfPath, const std::string& name);
  /// A serial port on a device: its interface and name; a USB device that is nothing else becomes a port.
  void AttachSerialPort(NodeId id, const std::string& devicePath, const std::string& name);
  /// A Bluetooth radio on a device: its interface; a USB device that is nothing else becomes a radio.
  void AttachBluetoothRadio(NodeId id, const std::string& itfPath);
  /// A GNSS receiver on a device (it has no interface class of its own): a device that is nothing more
  /// specific becomes a receiver.
  void AttachGnssReceiver(NodeId id);
  /// A function found on a device (an SD host, a fingerprint sensor): a device that is nothing more specific
  /// than a system device is of the function's class.
  void AttachFunctionClass(NodeId id, const ClassInfo& cls);
  /// The driver of a bus device that is the same hardware as a listed device: it drives that device when
  /// nothing else does.
  void AttachFunctionDriver(NodeId id, const std::string& driver, const std::string& version);
  /// A camera's video node: its video interface, and its image interface on an imaging device.
  void AttachVideoCapture(NodeId id, const std::string& devicePath);
  /// A battery's power supply: its interface, and the maker and model it reports.
  void AttachBatteryReport(NodeId id, const std::string& itfPath, const std::string& maker,
                           const std::string& model);
  /// What the kernel's record says of a present device's arrivals and removals.
  void NoteDates(NodeId id, const DeviceDates& dates);
  /// The firmware's (ACPI) view of a device: its BIOS name unless it has one, and the device stands for
  /// that ACPI node when ACPI devices below look for their parent.
  void AttachAcpiCompanion(NodeId id, const std::string& acpiPath, const std::string& biosName);

  /// An ACPI device node, found by its ACPI path when the devices below it look for their parent.
  void RegisterAcpiNode(const std::string& acpiPath, NodeId id) { byAcpi_.try_emplace(acpiPath, id); }
  void SetAcpiRoot(NodeId id) { acpiRoot_ = id; }

  /// Inputs that a device has claimed already, so the input scan does not list them again.
  void MarkInputHandled(const std::string& inputPath) { handledInputs_.insert(inputPath); }
  bool InputHandled(std::string_view inputPath) const { return handledInputs_.find(inputPath) != handledInputs_.end(); }

  /// Sets every node's parent (by sysfs path, or ACPI path, or the ACPI root) and its children; a chain
  /// that comes back to where it started is cut there. Then gives each node what it has from its ancestors
  /// (its container: its own, the nearest ancestor's, else the local machine's; the driver below its stack)
  /// so that each node is complete in itself, and drops the lookups by path, which no scan needs after it.
  /// Called once, when every scan is done.
  void LinkParents();

  /// Hands a node over and frees its place: what one node holds is gone as soon as the model has it, not
  /// kept beside the whole model until the last one is in. Its parent and children stay known.
  std::unique_ptr<Node> Take(NodeId id);

 private:
  Node& MutableNode(NodeId id) { return *nodes_[id]; }
  GUID ContainerOf(NodeId id) const;

  // Paths and inputs found by their views, without a string made for the lookup; no lookup needs an order.
  struct ViewHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  using PathMap = std::unordered_map<std::string, NodeId, ViewHash, std::equal_to<>>;

  // A node apiece: growing the list moves pointers, never nodes, and a taken node's room is freed at once.
  std::vector<std::unique_ptr<Node>> nodes_;
  std::vector<std::optional<NodeId>> parents_;
  std::vector<std::vector<NodeId>> children_;
  PathMap byPath_;  // a path finds the first node it was given
  PathMap byAcpi_;
  // Ids taken, compared without regard to case; the views are of the nodes' own ids, which never change
  // while the set is kept (it is dropped before any node is taken).
  std::unordered_set<std::string_view, model::FoldedIdHash, model::FoldedIdEqual> usedIds_;
  std::unordered_set<std::string, ViewHash, std::equal_to<>> handledInputs_;
  std::optional<NodeId> acpiRoot_;
};

}  // namespace devlist::sysfs
