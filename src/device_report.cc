#include "device_report.h"

#include <string>

#include "devnode_status.h"

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

void AppendDeviceReport(HDEVINFO set, SP_DEVINFO_DATA* device, std::string& report, RawDeviceProperty& scratch) {
  for (const DevicePropertyRow& row : DevicePropertyCatalogue) {
    ReadRawDeviceProperty(set, device, row.key, scratch);
    // Most keys of the catalogue a device lacks: they make no line, and cost no more than the read.
    if (scratch.Absent()) continue;
    // Each line is made in place at the end of the report; a property without text takes its label back.
    const std::size_t lineStart = report.size();
    report += row.label;
    const std::size_t textStart = report.size();
    if (row.kind == PropertyKind::devNodeStatus && scratch.error == 0) {
      // The status comes as the text of a UINT32 and is shown as its flag names; a status that could not be
      // read shows its error as every other property does.
      AppendDevNodeStatus(DevNodeStatusFromText(DevicePropertyText(scratch)), report);
    } else {
      AppendDevicePropertyText(scratch, report);
    }
    if (report.size() == textStart) {
      report.resize(lineStart);
      continue;
    }
    report += '\n';
  }
}

std::string BuildDeviceReport(HDEVINFO set, SP_DEVINFO_DATA* device) {
  std::string report;
  RawDeviceProperty scratch;
  AppendDeviceReport(set, device, report, scratch);
  return report;
}

}  // namespace devlist
