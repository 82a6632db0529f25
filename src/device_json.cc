#include "device_json.h"

#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "device_report.h"
#include "devnode_status.h"
#include "property_json.h"
#include "property_read.h"

namespace devlist {

nlohmann::ordered_json BuildDeviceJson(HDEVINFO set, SP_DEVINFO_DATA* device) {
  nlohmann::ordered_json properties = nlohmann::ordered_json::object();
  // The catalogue's names are unique, so each member is appended as it comes, without the object's search
  // through the members before it.
  using Members = nlohmann::ordered_json::object_t::Container;
  auto& members = static_cast<Members&>(properties.get_ref<nlohmann::ordered_json::object_t&>());
  auto add = [&members](const DevicePropertyRow& row, nlohmann::ordered_json value) {
    members.emplace_back(std::string(DevicePropertyName(row)), std::move(value));
  };
  RawDeviceProperty property;  // one buffer for every read
  for (const DevicePropertyRow& row : DevicePropertyCatalogue) {
    ReadRawDeviceProperty(set, device, row.key, property);
    if (property.Absent()) continue;  // no text, so no line in the report either
    // The text decides which properties appear, so that the document shows exactly the report's lines.
    const std::string text = DevicePropertyText(property);
    if (row.kind == PropertyKind::devNodeStatus && property.error == 0) {
      const std::uint32_t status = DevNodeStatusFromText(text);
      if (status != 0) add(row, DevNodeStatusJson(status));
      continue;
    }
    if (text.empty()) continue;
    add(row, PropertyValueJson(property, text));
  }
  nlohmann::ordered_json instanceId = nullptr;
  const auto found = properties.find("Device_InstanceId");
  if (found != properties.end() && found->is_string()) instanceId = *found;
  return nlohmann::ordered_json{{"instanceId", std::move(instanceId)}, {"properties", std::move(properties)}};
}

}  // namespace devlist
