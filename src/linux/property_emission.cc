#include "property_emission.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ansi_code_page.h"
#include "device_model.h"
#include "device_property_keys.h"
#include "sysfs_text.h"
#include "text.h"

namespace devlist::sysfs {
namespace {

constexpr std::string_view kPrefix = "\\Driver\\";

// Buffers one node's text is put together in, kept from node to node so that a value costs no allocation.
struct Scratch {
  std::string room;  // a value that is not shown as it is
  std::string list;  // a list's elements, each ending in NUL
  std::string element;  // an element put together from parts
  std::string friendly;  // a friendly name put together from parts
  std::string driverKey;
  model::Device device;  // the properties of the node being emitted
  std::map<std::string_view, unsigned> driverIndex;  // by class name, which the class table holds  // the next driver key number of each class
};

void SetString(model::Device& d, const DEVPROPKEY& key, std::string_view value, Scratch& scratch) {
  if (value.empty()) return;
  model::SetUtf8StringProperty(d, key, PrintableView(value, scratch.room));
}

void AppendElement(std::string_view item, Scratch& scratch) {
  if (item.empty()) return;
  scratch.list += PrintableView(item, scratch.room);
  scratch.list.push_back('\0');
}

void SetList(model::Device& d, const DEVPROPKEY& key, const std::vector<std::string>& items, Scratch& scratch) {
  scratch.list.clear();
  for (const std::string& item : items) AppendElement(item, scratch);
  if (!scratch.list.empty()) model::SetUtf8StringListProperty(d, key, scratch.list);
}

// A FILETIME as the platform stores it: eight bytes, little-endian; nothing when the record gave no time.
void SetDate(model::Device& d, const DEVPROPKEY& key, std::uint64_t ticks) {
  if (ticks == 0) return;
  BYTE bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<BYTE>(ticks >> (8 * i));
  model::SetProperty(d, key, DEVPROP_TYPE_FILETIME, bytes, sizeof bytes);
}

// The name shown: the friendly name, or the description with the interface and port names it carries (put
// together in `room`).
std::string_view FriendlyName(const Node& n, std::string& room) {
  if (!n.friendly.empty() || n.names.empty()) return n.friendly;
  room.assign(n.desc).append(" (");
  for (std::size_t i = 0; i < n.names.size(); ++i) room.append(i == 0 ? "" : ", ").append(n.names[i]);
  room.push_back(')');
  return room;
}

// A driver key: the class GUID, then the device's number among the drivers of its class.
std::string_view DriverKey(const GUID& cls, unsigned index, std::string& room) {
  room.clear();
  AppendGuidText(cls, room);
  room.push_back('\\');
  AppendInstanceNumber(room, index);
  return room;
}

struct Status {
  DWORD flags = DN_NT_ENUMERATOR;
  std::optional<DWORD> problem;
};

Status StatusOf(const Node& n, bool hasDriver, bool failed) {
  Status s;
  if (n.disabled) {
    s.flags |= DN_HAS_PROBLEM;
    s.problem = CM_PROB_DISABLED;
  } else if (failed) {
    s.flags |= DN_HAS_PROBLEM | DN_NT_DRIVER;
    s.problem = CM_PROB_FAILED_INSTALL;
  } else if (hasDriver) {
    s.flags |= DN_DRIVER_LOADED | DN_STARTED | DN_DISABLEABLE | DN_NT_DRIVER;
  } else {
    s.flags |= DN_STARTED;
  }
  if (n.rootEnumerated) s.flags |= DN_ROOT_ENUMERATED;
  if (n.removable) s.flags |= DN_REMOVABLE;
  return s;
}

// The driver stack from the top, ending in the bus driver below (the graph has made that the parent's
// function driver where the node names none).
void SetDriverStack(model::Device& d, const Node& n, Scratch& scratch) {
  scratch.list.clear();
  auto add = [&scratch](const std::string& driver) {
    scratch.element.assign(kPrefix);
    scratch.element += driver;
    AppendElement(scratch.element, scratch);
  };
  for (const std::string& drv : n.drivers) add(drv);
  const std::string& below = n.busDriver;
  if (!n.drivers.empty() && !below.empty() && n.drivers.back() != below) add(below);
  if (!scratch.list.empty()) model::SetUtf8StringListProperty(d, DEVPKEY_Device_Stack, scratch.list);
}

// The node's properties are put together on a device outside the model and handed over at the end, so the
// device's list is moved once, to its final size.
void EmitNode(Node& n, model::Device& target, Scratch& scratch) {
  model::Device& d = scratch.device;
  const bool hasDriver = !n.drivers.empty() || (n.rootEnumerated && n.cls == &kNet);
  const bool failed = !hasDriver && n.driverExpected;
  const std::string_view friendly = FriendlyName(n, scratch.friendly);
  SetString(d, DEVPKEY_NAME, friendly.empty() ? n.desc : friendly, scratch);
  SetString(d, DEVPKEY_Device_DeviceDesc, n.desc, scratch);
  SetList(d, DEVPKEY_Device_HardwareIds, n.hardwareIds, scratch);
  SetList(d, DEVPKEY_Device_CompatibleIds, n.compatibleIds, scratch);
  if (!n.drivers.empty()) SetString(d, DEVPKEY_Device_Service, n.drivers.front(), scratch);
  SetString(d, DEVPKEY_Device_Class, n.cls->name, scratch);
  model::SetGuidProperty(d, DEVPKEY_Device_ClassGuid, n.cls->guid);
  if (!n.drivers.empty()) {
    const unsigned index = scratch.driverIndex[n.cls->name]++;
    SetString(d, DEVPKEY_Device_Driver, DriverKey(n.cls->guid, index, scratch.driverKey), scratch);
  }
  SetString(d, DEVPKEY_Device_Manufacturer, n.manufacturer, scratch);
  SetString(d, DEVPKEY_Device_FriendlyName, friendly, scratch);
  SetString(d, DEVPKEY_Device_LocationInfo, n.locationInfo, scratch);
  if (n.busType) model::SetGuidProperty(d, DEVPKEY_Device_BusTypeGuid, *n.busType);
  if (n.legacyBus) model::SetUint32Property(d, DEVPKEY_Device_LegacyBusType, *n.legacyBus);
  if (n.busNumber) model::SetUint32Property(d, DEVPKEY_Device_BusNumber, *n.busNumber);
  SetString(d, DEVPKEY_Device_EnumeratorName, std::string_view(n.id).substr(0, n.id.find('\\')), scratch);
  if (n.address) model::SetUint32Property(d, DEVPKEY_Device_Address, *n.address);
  model::SetUint32Property(d, DEVPKEY_Device_RemovalPolicy,
                           n.removable ? kRemovalExpectSurpriseRemoval : kRemovalExpectNoRemoval);
  model::SetUint32Property(d, DEVPKEY_Device_InstallState, failed ? 1u : 0u);
  SetList(d, DEVPKEY_Device_LocationPaths, n.locationPaths, scratch);
  SetString(d, DEVPKEY_Device_InstanceId, n.id, scratch);
  // A device that is not there has no node, so no status and no problem of its own.
  const Status status = StatusOf(n, hasDriver, failed);
  if (n.present) {
    model::SetUint32Property(d, DEVPKEY_Device_DevNodeStatus, status.flags);
    model::SetUint32Property(d, DEVPKEY_Device_ProblemCode, status.problem.value_or(0));
  }
  model::SetGuidProperty(d, DEVPKEY_Device_ContainerId, n.container.value_or(kLocalMachineContainer));
  SetString(d, DEVPKEY_Device_Model, n.model, scratch);
  if (n.numa) model::SetUint32Property(d, DEVPKEY_Device_Numa_Node, *n.numa);
  SetString(d, DEVPKEY_Device_BusReportedDeviceDesc, n.busDesc, scratch);
  model::SetBoolProperty(d, DEVPKEY_Device_IsPresent, n.present);
  if (n.present) model::SetBoolProperty(d, DEVPKEY_Device_HasProblem, status.problem.has_value());
  SetString(d, DEVPKEY_Device_BiosDeviceName, n.bios, scratch);
  SetDriverStack(d, n, scratch);
  SetString(d, DEVPKEY_Device_FirmwareVersion, n.firmware, scratch);
  SetString(d, DEVPKEY_Device_DriverVersion, n.driverVersion, scratch);
  SetDate(d, DEVPKEY_Device_InstallDate, n.dates.install);
  SetDate(d, DEVPKEY_Device_FirstInstallDate, n.dates.firstInstall);
  SetDate(d, DEVPKEY_Device_LastArrivalDate, n.dates.lastArrival);
  SetDate(d, DEVPKEY_Device_LastRemovalDate, n.dates.lastRemoval);
  for (NodeInterface& itf : n.interfaces) {
    model::Interface mi;
    mi.interfaceClass = itf.guid;
    // A path made from sysfs names, which may hold anything; one shown as it is moves over whole.
    const std::string_view shown = PrintableView(itf.path, scratch.room, kMaxPathBytes);
    if (shown.size() == itf.path.size() && shown.data() == itf.path.data()) {
      mi.devicePath = std::move(itf.path);
    } else {
      mi.devicePath = shown;
    }
    mi.flags = SPINT_ACTIVE;
    model::AddInterface(target, std::move(mi));
  }
  model::MoveProperties(target, d);
}

}  // namespace

void EmitIntoModel(DeviceGraph& graph) {
  graph.LinkParents();
  // Every device first, so that each can be linked to its parent; the model makes parent, children and
  // siblings from those links when they are read.
  std::vector<model::Device*> devices;
  devices.reserve(graph.size());
  for (NodeId id = 0; id < graph.size(); ++id) {
    devices.push_back(&model::AddDevice(graph.node(id).id, graph.node(id).cls->guid, graph.node(id).present));
  }
  for (NodeId id = 0; id < graph.size(); ++id) {
    if (const std::optional<NodeId> parent = graph.parent(id)) model::LinkChild(*devices[*parent], *devices[id]);
  }
  Scratch scratch;
  for (NodeId id = 0; id < graph.size(); ++id) {
    EmitNode(*graph.Take(id), *devices[id], scratch);
    model::TrimProperties(*devices[id]);
  }
}

}  // namespace devlist::sysfs
