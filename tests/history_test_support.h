// Helpers of the device history tests: a record as one line of text, times in seconds from a base.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kernel_log_parser.h"
#include "scratch_tree.h"

namespace devlist::history::testing {

// 2026-12-09 10:00:00 UTC.
inline constexpr std::uint64_t kBaseUnixSeconds = 1796810400;

inline FileTime At(std::uint64_t second) { return FileTimeFromUnixMicroseconds((kBaseUnixSeconds + second) * 1000000); }

// Seconds after the base, or "-" for none.
inline std::string SecondsOf(FileTime t) {
  if (t == 0) return "-";
  const FileTime base = At(0);
  if (t < base) return "<" + std::to_string((base - t) / 10000000);
  return std::to_string((t - base) / 10000000);
}

inline std::string Hex4(unsigned v) {
  static const char* digits = "0123456789abcdef";
  std::string s(4, '0');
  for (int i = 3; i >= 0; --i, v >>= 4) s[static_cast<std::size_t>(i)] = digits[v & 15];
  return s;
}

// A scratch directory, removed when the test ends.
using ScratchDir = devlist::testing::ScratchTree;

// One line per record, its functions after "|".
inline std::string Describe(const UsbDeviceRecord& r) {
  std::ostringstream out;
  out << "boot " << r.boot << " " << r.port << " " << Hex4(r.vendorId) << ":" << Hex4(r.productId) << " bcd "
      << (r.bcdDevice ? Hex4(*r.bcdDevice) : "-") << " '" << r.manufacturer << "' '" << r.product << "' '"
      << r.serialNumber << "' " << SecondsOf(r.firstArrival) << ".." << SecondsOf(r.lastArrival) << " removed "
      << SecondsOf(r.removal);
  if (r.hub) out << " | hub";
  for (const auto& s : r.storage) {
    out << " | storage " << s.scsiAddress << " " << s.type << " '" << s.vendor << "' '" << s.model << "' '"
        << s.revision << "' " << s.disk;
  }
  for (const auto& h : r.hid) {
    out << " | hid " << (h.kind == HidKind::kKeyboard ? "keyboard" : h.kind == HidKind::kMouse ? "mouse" : "other")
        << " " << h.kindText << " '" << h.name << "' #" << h.instance << " if" << h.interfaceNumber;
  }
  for (const auto& s : r.serial) out << " | serial " << s.tty << " " << s.driver;
  for (const auto& n : r.net) out << " | net " << n.interface << " " << n.driver;
  for (const auto& c : r.camera) out << " | camera '" << c.name << "'";
  return out.str();
}

inline std::string DescribeAll(const std::vector<UsbDeviceRecord>& records) {
  std::string text;
  for (const auto& r : records) text += Describe(r) + "\n";
  return text;
}

}  // namespace devlist::history::testing
