// Text helpers of the Linux discovery: paths relative to the sysfs root, numbers as sysfs writes them, and
// the parts of Windows-style ids and names made from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform.h"

namespace devlist::sysfs {

/// The longest text property kept, the longest part of an id, the longest interface path, and the longest
/// instance id in characters (MAX_DEVICE_ID_LEN on Windows).
inline constexpr std::size_t kMaxTextBytes = 256;
inline constexpr std::size_t kMaxIdPartBytes = 64;
inline constexpr std::size_t kMaxPathBytes = 4096;
inline constexpr std::size_t kMaxInstanceIdChars = 200;

std::string Trim(std::string_view s);
std::string Upper(std::string s);
bool StartsWith(std::string_view s, std::string_view prefix);

/// The last component of a path, and the path without it.
std::string Base(const std::string& path);
std::string Dir(const std::string& path);

/// Whether every byte is printable ASCII (0x20 to 0x7E).
bool IsPrintableAscii(std::string_view s);
/// A text from sysfs as shown: always valid UTF-8 without control characters, at most `limit` bytes, cut
/// between characters, never inside one. A name may hold any byte, and a newline or an escape sequence would
/// forge a line of the report or drive the terminal, so each of these becomes one "?": a control character
/// (C0, DEL, and the C1 controls U+0080 to U+009F, bytes C2 80 to C2 9F), a byte that starts no UTF-8
/// sequence (a stray continuation byte, a lone 8-bit byte such as 9B, a sequence cut short), and a sequence
/// well formed but not allowed (an overlong form, a surrogate such as ED A0 80, a code point past U+10FFFF).
std::string Printable(std::string_view s, std::size_t limit = kMaxTextBytes);
/// The same text without a copy when it is shown as it is (plain ASCII); otherwise made in `room`.
std::string_view PrintableView(std::string_view s, std::string& room, std::size_t limit = kMaxTextBytes);

/// One part of an id: blanks as "_", nothing but printable ASCII without "\\", "/" or ",", capped at
/// `limit` bytes. Instance ids are upper case (IdPart); hardware ids keep their source's case (HwPart).
std::string IdPart(std::string_view s, std::size_t limit = kMaxIdPartBytes);
std::string HwPart(std::string_view s, std::size_t limit = kMaxIdPartBytes);

/// An instance id as Windows shapes it: enumerator "\\" device id "\\" instance, each part printable ASCII
/// without "\\" (anything else becomes "_"; an empty part "0"), at most kMaxInstanceIdChars in all: the device
/// id gives way first, so the enumerator and the instance, which tell devices apart, stay whole.
std::string InstanceId(std::string_view enumerator, std::string_view device, std::string_view instance);

/// Any id text in that shape: its first and last "\\" are taken as the separators, a "\\" between them
/// becomes "_"; a text without two separators is taken as a device id of enumerator "ROOT".
std::string NormalInstanceId(std::string_view id);

/// `s` cut or filled with "_" to exactly `width` characters.
std::string Padded(const std::string& s, std::size_t width);

/// A whole non-negative number in `base` (blanks around it allowed); none for anything else.
std::optional<unsigned long long> ParseNumber(const std::string& text, int base);

/// The four hexadecimal numbers of a name written "A:B:C.D" (a PCI slot, a HID device), read as
/// scanf("%x:%x:%x.%x%c") reads them when it finds exactly four; false for any other name.
bool ParseSlotName(const std::string& name, unsigned (&fields)[4]);

/// `v` as upper-case hexadecimal, zero-padded to `width` digits.
std::string Hex(unsigned long long v, int width);

/// A hexadecimal attribute ("0x1af4") as `width` upper-case digits; empty when it is no number that fits.
std::string HexField(const std::string& text, int width);

std::uint32_t Fnv1a(std::string_view s, std::uint32_t seed = 2166136261u);

/// The middle of a Windows-style instance suffix ("3&11583659&0&18"): stable, and unique per parent.
std::string SuffixOf(int depth, const std::string& key, const std::string& tail);

/// A stable GUID made from a text, for containers and volumes that have no GUID of their own in sysfs.
GUID GuidFromText(const std::string& text);

/// An ACPI path as Windows writes it, without padding ("\_SB_.PC00" is "\_SB.PC00"); empty for no path.
std::string BiosName(const std::string& acpiPath);

/// An ACPI path as a location path ("ACPI(_SB_)#ACPI(PC00)"); empty for no path.
std::string AcpiLocationPath(const std::string& acpiPath);

}  // namespace devlist::sysfs
