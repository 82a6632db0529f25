#include "interface_listing.h"

#include <charconv>
#include <optional>
#include <ostream>
#include <sstream>
#include <utility>
#include <vector>

#include "device_info_set.h"
#include "interface_classes.h"
#include "platform.h"

namespace devlist {
namespace {

// The device instance identifier of a device node; empty when it cannot be read.
std::string ReadDeviceId(DEVINST devInst) {
  ULONG length = 0;
  if (CM_Get_Device_ID_Size(&length, devInst, 0) != CR_SUCCESS) return std::string();
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, 0);
  if (CM_Get_Device_IDA(devInst, buffer.data(), length + 1, 0) != CR_SUCCESS) return std::string();
  return std::string(buffer.data());  // the extra byte stays zero, so the text is terminated
}

// The entry of one interface, or none when its detail cannot be read.
std::optional<DeviceInterfaceEntry> ReadInterface(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData) {
  DWORD requiredSize = 0;
  const BOOL sized = SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &requiredSize, nullptr);
  const DWORD error = GetLastError();
  if (sized || error != ERROR_INSUFFICIENT_BUFFER || requiredSize < 5) return std::nullopt;

  std::vector<BYTE> buffer(requiredSize, 0);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
  // The record's size on this target, not the buffer's: 8 on x64 Windows, where 5 makes the call fail.
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  SP_DEVINFO_DATA deviceData{};
  deviceData.cbSize = sizeof(SP_DEVINFO_DATA);
  if (!SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, requiredSize, nullptr, &deviceData)) {
    return std::nullopt;
  }

  // The path ends at its NUL, or at the end of the buffer should the platform leave none.
  const char* path = detail->DevicePath;
  const std::size_t room = buffer.size() - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
  std::size_t pathLength = 0;
  while (pathLength < room && path[pathLength] != '\0') ++pathLength;

  DeviceInterfaceEntry entry;
  entry.deviceId = ReadDeviceId(deviceData.DevInst);
  entry.interfaceClass = interfaceData.InterfaceClassGuid;
  entry.flags = interfaceData.Flags;
  entry.setupClass = deviceData.ClassGuid;
  entry.devicePath = std::string(path, pathLength);
  return entry;
}

// The interface's five lines and the empty one after them, appended to `body`.
void DescribeInterface(const DeviceInterfaceEntry& entry, std::string& body) {
  body += "DeviceID: ";
  body += entry.deviceId;
  body += "\nInterface class: ";
  AppendGuidText(entry.interfaceClass, body);
  body += "\nFlags: ";
  char digits[16];
  body.append(digits, std::to_chars(digits, digits + sizeof digits, entry.flags).ptr);
  body += "\nSetup class: ";
  AppendGuidText(entry.setupClass, body);
  body += "\nDevice path: ";
  body += entry.devicePath;
  body += "\n\n";
}

}  // namespace

std::string InterfaceClassName(const WideText& guidText) {
  GUID wanted{};
  if (IIDFromString(guidText.c_str(), &wanted) != S_OK) return "interface";
  for (const InterfaceClassGroup& group : InterfaceClassCatalogue) {
    for (const InterfaceClassRow& row : group.rows) {
      GUID guid{};
      if (IIDFromString(row.guidText, &guid) == S_OK && guid == wanted) return row.className;
    }
  }
  return "interface";
}

ListingOutcome VisitDeviceInterfaces(const WideText& classGuidText, bool presentOnly, const InterfaceVisitor& visit) {
  GUID classGuid{};
  if (IIDFromString(classGuidText.c_str(), &classGuid) != S_OK) return ListingOutcome::badGuid;
  const DWORD flags = DIGCF_DEVICEINTERFACE | (presentOnly ? DIGCF_PRESENT : 0);
  const HDEVINFO handle = SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, flags);
  if (handle == INVALID_HANDLE_VALUE) return ListingOutcome::cannotOpen;
  const ScopedDeviceInfoSet set(handle);

  SP_DEVICE_INTERFACE_DATA interfaceData{};
  // The record's size on this target (32 on x64); the 32-bit size, 28, is refused there.
  interfaceData.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
  for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set.get(), nullptr, &classGuid, index, &interfaceData);
       ++index) {
    if (const std::optional<DeviceInterfaceEntry> entry = ReadInterface(set.get(), interfaceData)) visit(*entry);
  }
  return ListingOutcome::listed;
}

bool WriteDeviceInterfaces(const std::string& className, const WideText& classGuidText, bool presentOnly,
                           const std::string& opening, std::ostream& out) {
  bool written = false;
  // The heading goes out before the first line of the body, so a class with no body shows nothing.
  const auto opened = [&]() -> std::ostream& {
    if (!written) out << opening << "*** " << className << " " << UnicodeToAnsi(classGuidText.c_str()) << '\n';
    written = true;
    return out;
  };
  // Each interface's lines are made in one buffer, kept from interface to interface, and written whole.
  std::string text;
  const ListingOutcome outcome =
      VisitDeviceInterfaces(classGuidText, presentOnly, [&opened, &text](const DeviceInterfaceEntry& entry) {
        text.clear();
        DescribeInterface(entry, text);
        opened().write(text.data(), static_cast<std::streamsize>(text.size()));
      });
  if (outcome == ListingOutcome::badGuid) opened() << "Unable to convert to guid." << '\n';
  return written;
}

std::string ListDeviceInterfaces(const std::string& className, const WideText& classGuidText, bool presentOnly) {
  std::ostringstream text;
  WriteDeviceInterfaces(className, classGuidText, presentOnly, std::string(), text);
  return std::move(text).str();
}

void RunSingleInterfaceClass(const RunOptions& options, std::ostream& out) {
  const std::string& argument = options.classGuid.value_or(std::string());
  const WideText guidText = WidenGuidArgument(argument);
  const std::string className = InterfaceClassName(guidText);
  if (!WriteDeviceInterfaces(className, guidText, options.presentOnly, std::string(), out)) {
    // A run always starts with a heading line, even when the class has nothing to show.
    out << "*** " << className << " " << argument << std::endl;
  }
  out << std::endl;
}

}  // namespace devlist
