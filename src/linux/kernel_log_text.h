// The pieces of one kernel message that the device history reads: the "driver device: body" prefix, USB
// port names, the SCSI inquiry and HID announcement lines, and text made safe to keep.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace devlist::history {

/// The longest string a record keeps, in bytes (a USB string descriptor holds at most 126 UTF-16 units).
inline constexpr std::size_t kMaxRecordText = 256;

/// `s` as valid UTF-8 of at most `limit` bytes, cut between characters: every byte that starts no valid
/// shortest-form character, and every control character (C0, DEL, C1), becomes "?".
std::string SanitizeLogText(std::string_view s, std::size_t limit = kMaxRecordText);

/// Whether `c` is one of the digits 0 to 9 (std::isdigit depends on the locale).
inline bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

/// `s` without blanks (spaces and tabs) at either end.
std::string_view TrimBlanks(std::string_view s);

/// A message split as the kernel's device printing writes it: "driver device: body", or for a network
/// interface "driver device netdev: body", or for a driver printing alone "driver: body".
struct MessageParts {
  std::string_view driver;
  std::string_view device;
  std::string_view netdev;
  std::string_view body;
};
/// The parts of `text` (a leading "[   12.345678] " is skipped); none when it has no such prefix.
std::optional<MessageParts> SplitMessage(std::string_view text);

/// Whether `s` names a USB device below a root hub: bus "-" port ("." port)*, at most seven tiers, numbers
/// of at most three digits.
bool IsUsbPort(std::string_view s);
/// The port of a USB interface name ("1-1.2:1.0" gives "1-1.2"); empty when it is none.
std::string_view PortOfInterface(std::string_view s);

/// A hexadecimal number of 1 to `maxDigits` digits, all of `s`; none for anything else.
std::optional<std::uint32_t> ParseHex(std::string_view s, std::size_t maxDigits);
/// A decimal number of 1 to 9 digits, all of `s`; none for anything else.
std::optional<std::uint32_t> ParseDecimal(std::string_view s);

/// The ids of "New USB device found, idVendor=0781, idProduct=5567, bcdDevice= 1.26" (bcdDevice optional).
struct UsbIds {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::optional<std::uint16_t> bcdDevice;
};
/// The ids in such a body (after "New USB device found, "); none when a vendor or product id is missing or
/// no four-digit hexadecimal number. A damaged bcdDevice is left out.
std::optional<UsbIds> ParseUsbIds(std::string_view body);

/// The SCSI inquiry "Direct-Access     SanDisk  Cruzer Blade     1.26 PQ: 0 ANSI: 6": fixed-width fields
/// as the kernel pads them, or the same words with the padding squeezed.
struct ScsiInquiry {
  std::string type;
  std::string vendor;
  std::string model;
  std::string revision;
};
std::optional<ScsiInquiry> ParseScsiInquiry(std::string_view body);

/// The HID announcement body "input,hidraw0: USB HID v1.11 Keyboard [Logitech USB Receiver] on
/// usb-0000:00:14.0-1/input0" of device "0003:046D:C52B.0003".
struct HidAnnouncement {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string kind;      // "Keyboard", "Mouse", "Device", ...
  std::string name;      // the text in brackets
  std::string portTail;  // the ports below the bus ("1" of "usb-0000:00:14.0-1/input0"); empty if unknown
  unsigned instance = 0;         // the HID device's number (3 of "0003:046D:C52B.0003")
  unsigned interfaceNumber = 0;  // the USB interface it is on (0 of ".../input0")
};
/// None unless the device is a USB HID device ("0003:") and the body says "USB HID v".
std::optional<HidAnnouncement> ParseHidAnnouncement(std::string_view device, std::string_view body);

}  // namespace devlist::history
