#include "kernel_log_text.h"

#include <array>
#include <vector>

namespace devlist::history {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The length of the valid shortest-form UTF-8 character at the start of `s`, and its code point; 0 when
// the first byte starts none.
std::size_t DecodeOne(std::string_view s, char32_t& c) {
  const auto b = static_cast<unsigned char>(s[0]);
  std::size_t n = 0;
  if (b < 0x80) {
    c = b;
    return 1;
  } else if (b >= 0xC2 && b <= 0xDF) {
    n = 2, c = b & 0x1Fu;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3, c = b & 0x0Fu;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4, c = b & 0x07u;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    const auto cont = static_cast<unsigned char>(s[k]);
    if ((cont & 0xC0) != 0x80) return 0;
    c = c << 6 | (cont & 0x3Fu);
  }
  if ((n == 3 && c < 0x800) || (n == 4 && c < 0x10000) || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return n;
}

std::string_view NextWord(std::string_view& s) {
  const std::size_t end = s.find(' ');
  const std::string_view word = s.substr(0, end);
  s = end == std::string_view::npos ? std::string_view() : s.substr(end + 1);
  return word;
}

// The SCSI peripheral type names as the kernel pads them, trimmed.
constexpr std::array<std::string_view, 23> kScsiTypes = {
    "Direct-Access-RBC", "Direct-Access-ZBC", "Direct-Access", "Sequential-Access", "Printer",
    "Processor",         "WORM",              "CD-ROM",        "Scanner",           "Optical Device",
    "Medium Changer",    "Communications",    "ASC IT8",       "RAID",              "Enclosure",
    "Optical card",      "Bridge controller", "Object storage", "Automation/Drive", "Security Manager",
    "Well-known LUN",    "No Device",         "Unknown"};

}  // namespace

std::string SanitizeLogText(std::string_view s, std::size_t limit) {
  std::string out;
  out.reserve(s.size() < limit ? s.size() : limit);
  while (!s.empty()) {
    char32_t c = 0;
    std::size_t n = DecodeOne(s, c);
    const bool control = n != 0 && (c < 0x20 || (c >= 0x7F && c <= 0x9F));
    const std::size_t kept = n == 0 || control ? 1 : n;
    if (out.size() + kept > limit) break;
    if (n == 0 || control) {
      out += '?';
      n = n == 0 ? 1 : n;
    } else {
      out.append(s.substr(0, n));
    }
    s.remove_prefix(n);
  }
  return out;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::optional<MessageParts> SplitMessage(std::string_view text) {
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close != std::string_view::npos && close < 32) {
      text.remove_prefix(close + 1);
      while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    }
  }
  MessageParts parts;
  std::string_view rest = text;
  const std::string_view first = NextWord(rest);
  if (first.size() > 1 && first.back() == ':') {
    parts.driver = first.substr(0, first.size() - 1);
    parts.body = rest;
    return parts;
  }
  const std::string_view second = NextWord(rest);
  if (first.empty() || second.empty()) return std::nullopt;
  parts.driver = first;
  if (second.size() > 1 && second.back() == ':') {
    parts.device = second.substr(0, second.size() - 1);
    parts.body = rest;
    return parts;
  }
  const std::string_view third = NextWord(rest);
  if (third.size() < 2 || third.back() != ':') return std::nullopt;
  parts.device = second;
  parts.netdev = third.substr(0, third.size() - 1);
  parts.body = rest;
  return parts;
}

bool IsUsbPort(std::string_view s) {
  if (s.size() > 31) return false;
  const std::size_t dash = s.find('-');
  if (dash == std::string_view::npos || !ParseDecimal(s.substr(0, dash)) || dash > 3) return false;
  std::string_view ports = s.substr(dash + 1);
  for (int tier = 0;; ++tier) {
    if (tier == 7) return false;
    const std::size_t dot = ports.find('.');
    const std::string_view number = ports.substr(0, dot);
    if (number.empty() || number.size() > 3 || !ParseDecimal(number)) return false;
    if (dot == std::string_view::npos) return true;
    ports.remove_prefix(dot + 1);
  }
}

std::string_view PortOfInterface(std::string_view s) {
  const std::size_t colon = s.find(':');
  if (colon == std::string_view::npos) return {};
  const std::string_view port = s.substr(0, colon);
  return IsUsbPort(port) ? port : std::string_view();
}

std::optional<std::uint32_t> ParseHex(std::string_view s, std::size_t maxDigits) {
  if (s.empty() || s.size() > maxDigits || maxDigits > 8) return std::nullopt;
  std::uint32_t v = 0;
  for (const char c : s) {
    const int d = HexValue(c);
    if (d < 0) return std::nullopt;
    v = v << 4 | static_cast<std::uint32_t>(d);
  }
  return v;
}

std::optional<std::uint32_t> ParseDecimal(std::string_view s) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  std::uint32_t v = 0;
  for (const char c : s) {
    if (!IsAsciiDigit(c)) return std::nullopt;
    v = v * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return v;
}

std::optional<UsbIds> ParseUsbIds(std::string_view body) {
  std::optional<std::uint32_t> vendor;
  std::optional<std::uint32_t> product;
  UsbIds ids;
  while (!body.empty()) {
    const std::size_t comma = body.find(',');
    const std::string_view field = TrimBlanks(body.substr(0, comma));
    body = comma == std::string_view::npos ? std::string_view() : body.substr(comma + 1);
    const std::size_t equals = field.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view name = field.substr(0, equals);
    const std::string_view value = TrimBlanks(field.substr(equals + 1));
    if (name == "idVendor") {
      vendor = value.size() == 4 ? ParseHex(value, 4) : std::nullopt;
    } else if (name == "idProduct") {
      product = value.size() == 4 ? ParseHex(value, 4) : std::nullopt;
    } else if (name == "bcdDevice") {
      // Written "%2x.%02x": the major part padded with a blank, the minor part two digits.
      const std::size_t dot = value.find('.');
      const auto major = dot == std::string_view::npos ? std::nullopt : ParseHex(value.substr(0, dot), 2);
      const auto minor = dot == std::string_view::npos || value.size() - dot != 3
                             ? std::nullopt
                             : ParseHex(value.substr(dot + 1), 2);
      if (major && minor) ids.bcdDevice = static_cast<std::uint16_t>(*major << 8 | *minor);
    }
  }
  if (!vendor || !product) return std::nullopt;
  ids.vendorId = static_cast<std::uint16_t>(*vendor);
  ids.productId = static_cast<std::uint16_t>(*product);
  return ids;
}

std::optional<ScsiInquiry> ParseScsiInquiry(std::string_view body) {
  const std::size_t pq = body.rfind(" PQ: ");
  if (pq == std::string_view::npos) return std::nullopt;
  const std::string_view fields = body.substr(0, pq);
  ScsiInquiry inquiry;
  // "%s %.8s %.16s %.4s": the type padded to 17, then the inquiry's own fixed-width fields.
  if (fields.size() == 48 && fields[17] == ' ' && fields[26] == ' ' && fields[43] == ' ') {
    inquiry.type = SanitizeLogText(TrimBlanks(fields.substr(0, 17)));
    inquiry.vendor = SanitizeLogText(TrimBlanks(fields.substr(18, 8)));
    inquiry.model = SanitizeLogText(TrimBlanks(fields.substr(27, 16)));
    inquiry.revision = SanitizeLogText(TrimBlanks(fields.substr(44, 4)));
    return inquiry;
  }
  std::string_view rest = TrimBlanks(fields);
  for (const std::string_view type : kScsiTypes) {
    if (rest.substr(0, type.size()) == type && (rest.size() == type.size() || rest[type.size()] == ' ')) {
      inquiry.type = std::string(type);
      rest = TrimBlanks(rest.substr(type.size()));
      break;
    }
  }
  if (inquiry.type.empty()) inquiry.type = SanitizeLogText(NextWord(rest));
  std::vector<std::string_view> words;
  for (rest = TrimBlanks(rest); !rest.empty() && words.size() < 64; rest = TrimBlanks(rest)) {
    words.push_back(NextWord(rest));
  }
  if (words.empty()) return inquiry;
  inquiry.vendor = SanitizeLogText(words.front());
  std::string model;
  const std::size_t modelEnd = words.size() >= 3 ? words.size() - 1 : words.size();
  for (std::size_t i = 1; i < modelEnd; ++i) {
    if (!model.empty()) model += ' ';
    model.append(words[i]);
  }
  inquiry.model = SanitizeLogText(model);
  if (words.size() >= 3) inquiry.revision = SanitizeLogText(words.back());
  return inquiry;
}

std::optional<HidAnnouncement> ParseHidAnnouncement(std::string_view device, std::string_view body) {
  // "0003:046D:C52B.0003": bus, vendor, product, instance.
  if (device.size() < 16 || device.substr(0, 5) != "0003:" || device[9] != ':' || device[14] != '.') {
    return std::nullopt;
  }
  const auto vendor = ParseHex(device.substr(5, 4), 4);
  const auto product = ParseHex(device.substr(10, 4), 4);
  const auto instance = ParseHex(device.substr(15), 8);
  if (!vendor || !product || !instance) return std::nullopt;
  const std::size_t hid = body.find("USB HID v");
  if (hid == std::string_view::npos) return std::nullopt;
  std::string_view rest = body.substr(hid + 9);
  NextWord(rest);  // the version
  HidAnnouncement a;
  a.vendorId = static_cast<std::uint16_t>(*vendor);
  a.productId = static_cast<std::uint16_t>(*product);
  a.instance = static_cast<unsigned>(*instance & 0xFFFF);
  const std::size_t open = rest.find(" [");
  const std::size_t on = rest.rfind("] on ");
  const std::size_t close = on != std::string_view::npos ? on : rest.rfind(']');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
    a.kind = SanitizeLogText(TrimBlanks(rest));
    return a;
  }
  a.kind = SanitizeLogText(TrimBlanks(rest.substr(0, open)));
  a.name = SanitizeLogText(rest.substr(open + 2, close - open - 2));
  if (on == std::string_view::npos) return a;
  std::string_view phys = rest.substr(on + 5);
  if (phys.substr(0, 4) != "usb-") return a;
  const std::size_t input = phys.find("/input");
  if (input != std::string_view::npos) {
    const std::string_view digits = phys.substr(input + 6, std::min<std::size_t>(3, phys.size() - input - 6));
    if (const auto number = ParseDecimal(digits.substr(0, digits.find_first_not_of("0123456789")))) {
      a.interfaceNumber = *number & 0xFF;
    }
  }
  phys = phys.substr(0, phys.find('/'));
  const std::size_t dash = phys.rfind('-');
  const std::string_view tail = phys.substr(dash + 1);
  if (dash > 3 && IsUsbPort(std::string("1-").append(tail))) a.portTail = std::string(tail);
  return a;
}

}  // namespace devlist::history
