#include "sysfs_text.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "ansi_code_page.h"

namespace devlist::sysfs {

std::string Trim(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

std::string Upper(std::string s) {
  // The program never sets a locale, so toupper's is "C", which maps a-z alone: done so without its call.
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::string Base(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Dir(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

namespace {

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

std::string IdText(std::string_view s, bool upper, std::size_t limit) {
  std::string out;
  for (char c : Trim(s.substr(0, limit * 4))) {
    if (out.size() >= limit) break;
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x21 || u > 0x7E || c == '\\' || c == '/' || c == ',') out.push_back('_');
    else out.push_back(upper ? static_cast<char>(std::toupper(u)) : c);
  }
  return out;
}

// One part of an instance id: printable ASCII without the separator, blanks kept as they were given.
std::string InstancePart(std::string_view s, std::size_t limit) {
  std::string out;
  for (char c : s.substr(0, limit)) {
    const auto u = static_cast<unsigned char>(c);
    out.push_back(u < 0x20 || u > 0x7E || c == '\\' ? '_' : c);
  }
  return out.empty() ? "0" : out;
}

}  // namespace

bool IsPrintableAscii(std::string_view s) {
  for (const char c : s) {
    if (c < 0x20 || c >= 0x7F) return false;
  }
  return true;
}

std::string_view PrintableView(std::string_view s, std::string& room, std::size_t limit) {
  if (IsPrintableAscii(s)) return s.substr(0, limit);
  room = Printable(s, limit);
  return room;
}

std::string Printable(std::string_view s, std::size_t limit) {
  // Nearly every name is printable ASCII already, which stays as it is (cut at the limit).
  if (IsPrintableAscii(s)) return std::string(s.substr(0, limit));
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const model::Utf8Sequence seq = model::ReadUtf8Sequence(s, i);
    const bool shown = seq.valid && !IsControl(seq.codePoint);
    const std::string_view piece = shown ? s.substr(i, seq.length) : std::string_view("?");
    if (out.size() + piece.size() > limit) break;
    out += piece;
    i += seq.length == 0 ? 1 : seq.length;  // a byte that starts no sequence is one "?"
  }
  return out;
}

std::string IdPart(std::string_view s, std::size_t limit) { return IdText(s, true, limit); }
std::string HwPart(std::string_view s, std::size_t limit) { return IdText(s, false, limit); }

std::string InstanceId(std::string_view enumerator, std::string_view device, std::string_view instance) {
  // The enumerator and the instance are short by nature; what is left of the 200 goes to the device id.
  const std::string e = InstancePart(enumerator, 32);
  const std::string i = InstancePart(instance, 96);
  const std::size_t room = kMaxInstanceIdChars - e.size() - i.size() - 2;
  return e + "\\" + InstancePart(device, room) + "\\" + i;
}

std::string NormalInstanceId(std::string_view id) {
  const std::size_t first = id.find('\\');
  const std::size_t last = id.rfind('\\');
  if (first == std::string_view::npos || first == last) return InstanceId("ROOT", id, "0");
  return InstanceId(id.substr(0, first), id.substr(first + 1, last - first - 1), id.substr(last + 1));
}

std::string Padded(const std::string& s, std::size_t width) {
  std::string out = s.substr(0, width);
  out.resize(width, '_');
  return out;
}

std::optional<unsigned long long> ParseNumber(const std::string& text, int base) {
  const std::string t = Trim(text);
  if (t.empty() || t[0] == '-') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(t.c_str(), &end, base);
  if (errno != 0 || end == t.c_str() || (*end != '\0' && !std::isspace(static_cast<unsigned char>(*end)))) {
    return std::nullopt;
  }
  return v;
}

bool ParseSlotName(const std::string& name, unsigned (&fields)[4]) {
  // Names as the kernel writes them ("0000:00:1f.2", "0003:046D:C52B.0001"): four runs of one to eight hex
  // digits between ':', ':' and '.', nothing around them. scanf reads those the same, so only a name
  // written otherwise (blanks, signs, "0x", a tail) is handed to it.
  static constexpr char kSeparators[] = {':', ':', '.', '\0'};
  std::size_t at = 0;
  bool strict = true;
  for (int field = 0; field < 4 && strict; ++field) {
    unsigned value = 0;
    std::size_t digits = 0;
    for (; at < name.size() && std::isxdigit(static_cast<unsigned char>(name[at])) && digits <= 8; ++at, ++digits) {
      const char c = name[at];
      value = value << 4 | static_cast<unsigned>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    fields[field] = value;
    strict = digits >= 1 && digits <= 8 &&
             (field == 3 ? at == name.size() : at < name.size() && name[at++] == kSeparators[field]);
  }
  if (strict) return true;
  char tail = 0;
  return std::sscanf(name.c_str(), "%x:%x:%x.%x%c", &fields[0], &fields[1], &fields[2], &fields[3], &tail) == 4;
}

std::string Hex(unsigned long long v, int width) {
  // Made digit by digit: ids are full of these, and a formatted print costs twenty times as much.
  char buf[31];
  char* const end = buf + sizeof buf;
  char* p = end;
  do {
    *--p = "0123456789ABCDEF"[v & 0xF];
    v >>= 4;
  } while (v != 0);
  while (p > buf && end - p < width) *--p = '0';
  return std::string(p, end);
}

std::string HexField(const std::string& text, int width) {
  const auto v = ParseNumber(text, 16);
  if (!v || *v >> (4 * width) != 0) return {};
  return Hex(*v, width);
}

std::uint32_t Fnv1a(std::string_view s, std::uint32_t seed) {
  std::uint32_t h = seed;
  for (char c : s) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return h;
}

std::string SuffixOf(int depth, const std::string& key, const std::string& tail) {
  return std::to_string(depth) + "&" + Hex(Fnv1a(key), 8) + "&0&" + tail;
}

GUID GuidFromText(const std::string& text) {
  GUID g{};
  g.Data1 = Fnv1a(text, 0x811C9DC5u);
  const std::uint32_t b = Fnv1a(text, 0x01000193u);
  const std::uint32_t c = Fnv1a(text, 0x9E3779B9u);
  const std::uint32_t d = Fnv1a(text, 0x7F4A7C15u);
  g.Data2 = static_cast<WORD>(b >> 16);
  g.Data3 = static_cast<WORD>((b & 0x0FFF) | 0x5000);  // version 5: name-based
  g.Data4[0] = static_cast<BYTE>(((c >> 24) & 0x3F) | 0x80);
  g.Data4[1] = static_cast<BYTE>(c >> 16);
  g.Data4[2] = static_cast<BYTE>(c >> 8);
  g.Data4[3] = static_cast<BYTE>(c);
  for (int i = 0; i < 4; ++i) g.Data4[4 + i] = static_cast<BYTE>(d >> (24 - 8 * i));
  return g;
}

std::string BiosName(const std::string& acpiPath) {
  if (acpiPath.size() < 2 || acpiPath[0] != '\\') return {};
  std::string out = "\\";
  std::string segment;
  auto flush = [&]() {
    while (!segment.empty() && segment.back() == '_') segment.pop_back();
    out += segment;
    segment.clear();
  };
  for (std::size_t i = 1; i < acpiPath.size(); ++i) {
    if (acpiPath[i] == '.') {
      flush();
      out.push_back('.');
    } else {
      segment.push_back(acpiPath[i]);
    }
  }
  flush();
  return Printable(out);
}

std::string AcpiLocationPath(const std::string& acpiPath) {
  if (acpiPath.size() < 2 || acpiPath[0] != '\\') return {};
  std::string out;
  std::size_t start = 1;
  while (start <= acpiPath.size()) {
    std::size_t dot = acpiPath.find('.', start);
    if (dot == std::string::npos) dot = acpiPath.size();
    if (!out.empty()) out += "#";
    out += "ACPI(" + IdPart(acpiPath.substr(start, dot - start)) + ")";
    start = dot + 1;
  }
  return out;
}

}  // namespace devlist::sysfs
