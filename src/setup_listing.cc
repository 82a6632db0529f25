#include "setup_listing.h"

#include <ostream>
#include <sstream>
#include <utility>

#include "device_info_set.h"
#include "device_report.h"
#include "property_read.h"
#include "platform.h"

namespace devlist {

ListingOutcome VisitSetupClassDevices(const WideText& classGuidText, bool presentOnly, const DeviceVisitor& visit) {
  GUID classGuid{};
  if (IIDFromString(classGuidText.c_str(), &classGuid) != S_OK) return ListingOutcome::badGuid;
  // Without DIGCF_PRESENT the set holds every installed device of the class, connected or not.
  const HDEVINFO opened = SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, presentOnly ? DIGCF_PRESENT : 0);
  if (opened == INVALID_HANDLE_VALUE) return ListingOutcome::cannotOpen;
  const ScopedDeviceInfoSet set(opened);

  SP_DEVINFO_DATA device{};
  // The record's size on this target (32 on x64): a wrong size leaves the record unfilled.
  device.cbSize = sizeof(SP_DEVINFO_DATA);
  // Any failure ends the walk, the normal end (no more items) and every other one alike.
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &device); ++index) visit(set.get(), &device);
  return ListingOutcome::listed;
}

const char* SetupListingFailureText(ListingOutcome outcome) {
  return outcome == ListingOutcome::badGuid ? "Unable to convert to guid." : "Unable to retrieve device info.";
}

bool WriteSetupClassDevices(const WideText& classGuidText, bool presentOnly, const std::string& opening,
                            std::ostream& out) {
  bool written = false;
  const auto opened = [&]() -> std::ostream& {
    if (!written) out << opening;
    written = true;
    return out;
  };
  // Each device's text is made in one buffer, kept with its read buffer from device to device, and written
  // whole. Line ends without a flush: the caller flushes once the class is done.
  std::string text;
  RawDeviceProperty scratch;
  const ListingOutcome outcome = VisitSetupClassDevices(
      classGuidText, presentOnly, [&opened, &text, &scratch](HDEVINFO set, SP_DEVINFO_DATA* device) {
        text.assign(1, '\n');
        AppendDeviceReport(set, device, text, scratch);
        text += '\n';
        opened().write(text.data(), static_cast<std::streamsize>(text.size()));
      });
  if (outcome != ListingOutcome::listed) opened() << SetupListingFailureText(outcome) << '\n';
  return written;
}

std::string ListSetupClassDevices(const WideText& classGuidText, bool presentOnly) {
  std::ostringstream listing;
  WriteSetupClassDevices(classGuidText, presentOnly, std::string(), listing);
  return std::move(listing).str();
}

void RunSingleSetupClass(const RunOptions& options, std::ostream& out) {
  const std::string typed = options.classGuid.value_or(std::string());
  // The heading comes first, whatever opening the class gives.
  out << "*** setup " << typed << std::endl;
  WriteSetupClassDevices(WidenGuidArgument(typed), options.presentOnly, std::string(), out);
  out << std::endl;
}

}  // namespace devlist
