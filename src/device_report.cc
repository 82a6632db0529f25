#include "device_report.h"

#include <cstdint>
#include <sstream>

#include "devnode_status.h"
#include "property_read.h"

namespace devlist {

namespace {

constexpr std::string_view kLabelEnd = " : ";

// The status property comes back as the text of a UINT32; the decimal digits at its start are the word. Any
// other text (empty, or an error text) reads as 0 and so yields no flag lines.
std::uint32_t StatusWordFromText(const std::string& text) {
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > UINT32_MAX) return 0;  // not a UINT32 text; treat like any other unreadable status
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

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
  std::ostringstream report;
  for (const DevicePropertyRow& row : DevicePropertyCatalogue) {
    std::string text = ReadDeviceProperty(set, device, row.key);
    if (row.kind == PropertyKind::devNodeStatus) text = DescribeDevNodeStatus(StatusWordFromText(text));
    if (text.empty()) continue;
    report << row.label << text << std::endl;
  }
  return report.str();
}

}  // namespace devlist
