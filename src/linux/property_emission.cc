#include "property_emission.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ansi_code_page.h"
#include "device_model.h"
#include "device_property_keys.h"
#include "sysfs_text.h"
#include "text.h"

namespace devlist::sysfs {
namespace {

void SetString(model::Device& d, const DEVPROPKEY& key, const std::string& value) {
  if (value.empty()) return;
  model::SetStringProperty(d, key, model::Utf8ToUtf16(Printable(value)));
}

void SetList(model::Device& d, const DEVPROPKEY& key, const std::vector<std::string>& items) {
  std::vector<std::u16string> wide;
  for (const std::string& item : items) {
    if (!item.empty()) wide.push_back(model::Utf8ToUtf16(Printable(item)));
  }
  if (!wide.empty()) model::SetStringListProperty(d, key, wide);
}

// The name shown: the friendly name, or the description with the interface and port names it carries.
std::string FriendlyName(const Node& n) {
  if (!n.friendly.empty() || n.names.empty()) return n.friendly;
  std::string joined;
  for (const std::string& name : n.names) joined += (joined.empty() ? "" : ", ") + name;
  return n.desc + " (" + joined + ")";
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
std::vector<std::string> DriverStack(const Node& n) {
  std::vector<std::string> stack;
  for (const std::string& drv : n.drivers) stack.push_back("\\Driver\\" + drv);
  const std::string& below = n.busDriver;
  if (!stack.empty() && !below.empty() && stack.back() != "\\Driver\\" + below) stack.push_back("\\Driver\\" + below);
  return stack;
}

void EmitNode(const Node& n, model::Device& d, std::map<std::string, unsigned>& driverIndex) {
  const bool hasDriver = !n.drivers.empty() || (n.rootEnumerated && n.cls == &kNet);
  const bool failed = !hasDriver && n.driverExpected;
  const std::string friendly = FriendlyName(n);
  SetString(d, DEVPKEY_NAME, friendly.empty() ? n.desc : friendly);
  SetString(d, DEVPKEY_Device_DeviceDesc, n.desc);
  SetList(d, DEVPKEY_Device_HardwareIds, n.hardwareIds);
  SetList(d, DEVPKEY_Device_CompatibleIds, n.compatibleIds);
  if (!n.drivers.empty()) SetString(d, DEVPKEY_Device_Service, n.drivers.front());
  SetString(d, DEVPKEY_Device_Class, n.cls->name);
  model::SetGuidProperty(d, DEVPKEY_Device_ClassGuid, n.cls->guid);
  if (!n.drivers.empty()) {
    const unsigned index = driverIndex[n.cls->name]++;
    SetString(d, DEVPKEY_Device_Driver, GuidToText(n.cls->guid) + "\\" + InstanceNumber(index));
  }
  SetString(d, DEVPKEY_Device_Manufacturer, n.manufacturer);
  SetString(d, DEVPKEY_Device_FriendlyName, friendly);
  SetString(d, DEVPKEY_Device_LocationInfo, n.locationInfo);
  if (n.busType) model::SetGuidProperty(d, DEVPKEY_Device_BusTypeGuid, *n.busType);
  if (n.legacyBus) model::SetUint32Property(d, DEVPKEY_Device_LegacyBusType, *n.legacyBus);
  if (n.busNumber) model::SetUint32Property(d, DEVPKEY_Device_BusNumber, *n.busNumber);
  SetString(d, DEVPKEY_Device_EnumeratorName, n.id.substr(0, n.id.find('\\')));
  if (n.address) model::SetUint32Property(d, DEVPKEY_Device_Address, *n.address);
  model::SetUint32Property(d, DEVPKEY_Device_RemovalPolicy,
                           n.removable ? kRemovalExpectSurpriseRemoval : kRemovalExpectNoRemoval);
  model::SetUint32Property(d, DEVPKEY_Device_InstallState, failed ? 1u : 0u);
  SetList(d, DEVPKEY_Device_LocationPaths, n.locationPaths);
  SetString(d, DEVPKEY_Device_InstanceId, n.id);
  const Status status = StatusOf(n, hasDriver, failed);
  model::SetUint32Property(d, DEVPKEY_Device_DevNodeStatus, status.flags);
  model::SetUint32Property(d, DEVPKEY_Device_ProblemCode, status.problem.value_or(0));
  model::SetGuidProperty(d, DEVPKEY_Device_ContainerId, n.container.value_or(kLocalMachineContainer));
  SetString(d, DEVPKEY_Device_Model, n.model);
  if (n.numa) model::SetUint32Property(d, DEVPKEY_Device_Numa_Node, *n.numa);
  SetString(d, DEVPKEY_Device_BusReportedDeviceDesc, n.busDesc);
  model::SetBoolProperty(d, DEVPKEY_Device_IsPresent, true);
  model::SetBoolProperty(d, DEVPKEY_Device_HasProblem, status.problem.has_value());
  SetString(d, DEVPKEY_Device_BiosDeviceName, n.bios);
  SetList(d, DEVPKEY_Device_Stack, DriverStack(n));
  SetString(d, DEVPKEY_Device_FirmwareVersion, n.firmware);
  SetString(d, DEVPKEY_Device_DriverVersion, n.driverVersion);
  for (const NodeInterface& itf : n.interfaces) {
    model::Interface mi;
    mi.interfaceClass = itf.guid;
    mi.devicePath = Printable(itf.path, kMaxPathBytes);  // a path made from sysfs names, which may hold anything
    mi.deviceInstanceId = n.id;
    mi.flags = SPINT_ACTIVE;
    model::AddInterface(mi);
  }
}

}  // namespace

void EmitIntoModel(DeviceGraph& graph) {
  graph.LinkParents();
  // Every device first, so that each can be linked to its parent; the model makes parent, children and
  // siblings from those links when they are read.
  std::vector<model::Device*> devices;
  devices.reserve(graph.size());
  for (NodeId id = 0; id < graph.size(); ++id) {
    devices.push_back(&model::AddDevice(graph.node(id).id, graph.node(id).cls->guid, true));
  }
  for (NodeId id = 0; id < graph.size(); ++id) {
    if (const std::optional<NodeId> parent = graph.parent(id)) model::LinkChild(*devices[*parent], *devices[id]);
  }
  std::map<std::string, unsigned> driverIndex;
  for (NodeId id = 0; id < graph.size(); ++id) {
    EmitNode(graph.Take(id), *devices[id], driverIndex);
    model::TrimProperties(*devices[id]);
  }
}

}  // namespace devlist::sysfs
