#include "device_report.h"

#include <string>

#include "devnode_status.h"
#include "property_read.h"

namespace devlist {

namespace {

constexpr std::string_view kLabelEnd = " : ";

}  // namespace

std::string_view DevicePropertyName(const DevicePropertyRow& row) {
  std::string_view label = row.label;
  if (label.ends_with(kLabelEnd)) label.remove_suffix(kLabelEnd.size());
  return label;
}

const DEVPROPKEY* FindDevicePropertyKey(std::string_view name) {
  for (const DevicePropertyRow& row : DevicePropertyCatalogue) {
    const std::string_view label = row.label;
    if (label.size() == name.size() + kLabelEnd.size() && label.starts_with(name) && label.ends_with(kLabelEnd)) {
      return &row.key;
    }
  }
  return nullptr;
}

std::string BuildDeviceReport(HDEVINFO set, SP_DEVINFO_DATA* device) {
  std::string report;
  RawDeviceProperty scratch;
  for (const DevicePropertyRow& row : DevicePropertyCatalogue) {
    std::string text = ReadDeviceProperty(set, device, row.key, scratch);
    // The status comes as the text of a UINT32 and is shown as its flag names.
    if (row.kind == PropertyKind::devNodeStatus) text = DescribeDevNodeStatus(DevNodeStatusFromText(text));
    if (text.empty()) continue;
    report += row.label;
    report += text;
    report += '\n';
  }
  return report;
}

}  // namespace devlist
