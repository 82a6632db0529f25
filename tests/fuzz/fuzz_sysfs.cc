// The sysfs scan, over small trees the input describes, written to a tmpfs folder and scanned through the
// C++ API, then swept as the tool would. One entry a line, its fields split by a tab:
//   d PATH              a directory            p PATH            a named pipe
//   f PATH<TAB>TEXT     a file ("\n", "\t", "\\" and "\xHH" escapes)
//   b PATH<TAB>KIB      a big file of that many KiB (at most 256)
//   l PATH<TAB>TARGET   a symlink; "@OUT" in the target stands for a folder outside the tree
//   c TEXT              a line of the cpuinfo file     h MODALIAS<TAB>KEY=VALUE   a hardware database answer
// The folder outside holds devices and names marked "zq9" in any case: nothing marked may ever come out.
// Checked: every id, text property, interface path and listing line (device paths included) is valid UTF-8
// without a control character, and so is the JSON document; every instance id has three parts and at most
// 200 characters; every listing line is a heading, a label line, a continuation, a flag line or empty;
// parents and children point back to each other; the JSON document parses.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ansi_code_page.h"
#include "command_line.h"
#include "device_model.h"
#include "device_report.h"
#include "interface_classes.h"
#include "json_listing.h"
#include "setup_classes.h"
#include "sysfs_scan.h"

namespace {

namespace fs = std::filesystem;
using namespace devlist;

constexpr std::size_t kMaxEntries = 1024;
constexpr std::size_t kMaxDepth = 24;
constexpr std::size_t kMaxBigKib = 256;
constexpr std::size_t kMaxIdCharacters = 200;  // MAX_DEVICE_ID_LEN

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz_sysfs: %s\n", what.c_str());
  std::abort();
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool Marked(const std::string& s) { return Lower(s).find("zq9") != std::string::npos; }

// The scratch folders of this process, made once: the tree, the cpuinfo file and the folder outside.
struct Scratch {
  std::string base, root, outside, cpuinfo;
  Scratch() {
    const char* shm = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    base = std::string(shm) + "/devlist-fuzz-" + std::to_string(getpid());
    root = base + "/sys";
    outside = base + "/zq9outside";
    cpuinfo = base + "/cpuinfo";
    fs::create_directories(outside);
    const std::string pci = outside + "/devices/pci0000:00/0000:00:1f.0";
    fs::create_directories(pci);
    for (const auto& [name, text] : std::map<std::string, std::string>{
             {"vendor", "0x8086"}, {"device", "0x1533"}, {"class", "0x020000"}, {"label", "Zq9 outside"},
             {"uevent", "DRIVER=zq9\nMODALIAS=pci:zq9\n"}, {"name", "zq9name"}, {"hid", "ZQ9HID"}}) {
      std::ofstream(pci + "/" + name) << text << "\n";
    }
    fs::create_directories(outside + "/net/zq9net");
    std::ofstream(outside + "/net/zq9net/type") << "1\n";
    std::ofstream(outside + "/secret") << "zq9 secret\n";
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(base, ignored);
  }
};

std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out.push_back(s[i]);
      continue;
    }
    const char e = s[++i];
    if (e == 'n') out.push_back('\n');
    else if (e == 't') out.push_back('\t');
    else if (e == 'x' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
             std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out.push_back(static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(e);
    }
  }
  return out;
}

// A path inside the tree, or empty: no "..", not too deep, and no link on the way (a write through a link
// could land outside the scratch folder).
std::string InsidePath(const Scratch& s, const std::string& rel) {
  std::string path = s.root;
  std::size_t depth = 0;
  std::stringstream parts(rel);
  std::vector<std::string> components;
  for (std::string part; std::getline(parts, part, '/');) {
    if (part.empty() || part == ".") continue;
    if (part == ".." || part.size() > 200 || ++depth > kMaxDepth) return {};
    components.push_back(part);
  }
  if (components.empty()) return {};
  for (std::size_t i = 0; i + 1 < components.size(); ++i) {
    path += "/" + components[i];
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return {};
    } else if (mkdir(path.c_str(), 0755) != 0) {
      return {};
    }
  }
  return path + "/" + components.back();
}

struct Input {
  std::string cpuinfo;
  std::map<std::string, HwdbProperties> hwdb;
};

Input WriteTree(const Scratch& s, const std::string& text) {
  Input input;
  std::error_code ignored;
  fs::remove_all(s.root, ignored);
  fs::create_directories(s.root);
  std::stringstream lines(text);
  std::size_t entries = 0;
  for (std::string line; std::getline(lines, line) && entries < kMaxEntries; ++entries) {
    if (line.size() < 2 || line[1] != ' ') continue;
    const std::string rest = line.substr(2);
    const std::size_t tab = rest.find('\t');
    const std::string first = Unescape(rest.substr(0, tab));
    const std::string second = tab == std::string::npos ? std::string() : Unescape(rest.substr(tab + 1));
    if (line[0] == 'c') {
      input.cpuinfo += Unescape(rest) + "\n";
      continue;
    }
    if (line[0] == 'h') {
      const std::size_t eq = second.find('=');
      if (eq != std::string::npos) input.hwdb[first][second.substr(0, eq)] = second.substr(eq + 1);
      continue;
    }
    const std::string path = InsidePath(s, first);
    if (path.empty()) continue;
    switch (line[0]) {
      case 'd':
        fs::create_directories(path, ignored);
        break;
      case 'f':
        std::ofstream(path, std::ios::binary) << second;
        break;
      case 'b': {
        const std::size_t kib = std::min<std::size_t>(std::strtoul(second.c_str(), nullptr, 10), kMaxBigKib);
        std::ofstream(path, std::ios::binary) << std::string(kib * 1024, 'x');
        break;
      }
      case 'p':
        mkfifo(path.c_str(), 0600);
        break;
      case 'l': {
        std::string target = second;
        for (std::size_t at; (at = target.find("@OUT")) != std::string::npos;) target.replace(at, 4, s.outside);
        symlink(target.c_str(), path.c_str());
        break;
      }
      default:
        break;
    }
  }
  std::ofstream(s.cpuinfo, std::ios::binary) << input.cpuinfo;
  return input;
}

// Well-formed UTF-8 by the table of the Unicode standard (no overlong form, no surrogate, nothing past
// U+10FFFF), written apart from the code page's own reading of it.
bool ValidUtf8(const std::string& s) {
  const auto b = [&s](std::size_t at) { return static_cast<unsigned char>(s[at]); };
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char lead = b(i);
    std::size_t length = 1;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (s.size() - i < length || b(i + 1) < low || b(i + 1) > high) return false;
    for (std::size_t k = 2; k < length; ++k) {
      if (b(i + k) < 0x80 || b(i + k) > 0xBF) return false;
    }
    i += length;
  }
  return true;
}

bool HasControl(const std::string& s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(s[i + 1]) <= 0x9F) {
      return true;  // C1 controls, U+0080 to U+009F
    }
  }
  return false;
}

std::size_t Characters(const std::string& s) {
  std::size_t n = 0;
  for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// A property's text as UTF-8, and a list's items.
std::vector<std::string> Texts(const model::Property& p) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < p.value.size(); i += 2) units.push_back(static_cast<char16_t>(p.value[i] | p.value[i + 1] << 8));
  std::vector<std::string> items;
  std::u16string item;
  for (char16_t u : units) {
    if (u != 0) {
      item.push_back(u);
    } else if (!item.empty()) {
      items.push_back(model::Utf16ToUtf8(item));
      item.clear();
    }
  }
  if (!item.empty()) items.push_back(model::Utf16ToUtf8(item));
  return items;
}

std::vector<std::string> Relation(const model::Device& d, const char* name) {
  const DEVPROPKEY* key = FindDevicePropertyKey(name);
  for (const model::Property& p : d.properties) {
    if (key != nullptr && p.key.pid == key->pid && p.key.fmtid == key->fmtid) return Texts(p);
  }
  return {};
}

void CheckId(const std::string& id, const char* what) {
  if (HasControl(id)) Fail(std::string(what) + " with a control character: " + id);
  if (!ValidUtf8(id)) Fail(std::string(what) + " that is not UTF-8: " + id);
  if (std::count(id.begin(), id.end(), '\\') != 2) Fail(std::string(what) + " not of three parts: " + id);
  if (Characters(id) > kMaxIdCharacters) Fail(std::string(what) + " longer than 200 characters: " + id);
  if (Marked(id)) Fail(std::string(what) + " from outside the tree: " + id);
}

void CheckModel() {
  for (const model::Device& d : model::Devices()) {
    CheckId(d.instanceId, "an instance id");
    for (const model::Property& p : d.properties) {
      if (p.type != DEVPROP_TYPE_STRING && p.type != DEVPROP_TYPE_STRING_LIST) continue;
      for (const std::string& text : Texts(p)) {
        if (HasControl(text)) Fail("a control character in a property of " + d.instanceId + ": " + text);
        if (Marked(text)) Fail("a property from outside the tree: " + text);
      }
    }
    const std::vector<std::string> parent = Relation(d, "Device_Parent");
    if (!parent.empty()) {
      const model::Device* p = model::FindDevice(parent.front());
      if (p == nullptr) Fail("a parent that does not exist: " + parent.front());
      const auto kids = Relation(*p, "Device_Children");
      if (std::find(kids.begin(), kids.end(), d.instanceId) == kids.end()) Fail("a parent without its child: " + d.instanceId);
    }
    for (const std::string& child : Relation(d, "Device_Children")) {
      const model::Device* c = model::FindDevice(child);
      if (c == nullptr) Fail("a child that does not exist: " + child);
      const auto up = Relation(*c, "Device_Parent");
      if (up.empty() || up.front() != d.instanceId) Fail("a child that names another parent: " + child);
    }
    for (const std::string& sibling : Relation(d, "Device_Siblings")) {
      if (model::FindDevice(sibling) == nullptr) Fail("a sibling that does not exist: " + sibling);
    }
  }
  for (const model::Interface& i : model::Interfaces()) {
    if (HasControl(i.devicePath)) Fail("a control character in an interface path: " + i.devicePath);
    if (!ValidUtf8(i.devicePath)) Fail("an interface path that is not UTF-8: " + i.devicePath);
    if (Marked(i.devicePath)) Fail("an interface path from outside the tree: " + i.devicePath);
    if (model::FindDevice(i.deviceInstanceId) == nullptr) Fail("an interface of no device: " + i.devicePath);
  }
}

bool KnownLine(const std::string& line, const std::set<std::string>& headings) {
  if (line.empty() || line.rfind("*** ", 0) == 0 || line[0] == '\t' || headings.count(line) != 0) return true;
  if (line.rfind("        ", 0) == 0) {
    const std::string flag = line.substr(8);
    return !flag.empty() && std::all_of(flag.begin(), flag.end(), [](char c) { return std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '_'; });
  }
  for (const DevicePropertyRow& row : DevicePropertyCatalogue) {
    const std::string label = row.label;
    if (line.rfind(label, 0) == 0 || line + " " == label) return true;
  }
  for (const char* label : {"DeviceID: ", "Interface class: ", "Flags: ", "Setup class: ", "Device path: "}) {
    if (line.rfind(label, 0) == 0) return true;
  }
  return false;
}

void CheckListing(const std::string& text) {
  static const std::set<std::string> headings = [] {
    std::set<std::string> h;
    for (const InterfaceClassGroup& group : InterfaceClassCatalogue) h.insert(group.heading);
    return h;
  }();
  if (Marked(text)) Fail("the listing shows something from outside the tree");
  std::stringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (HasControl(line.substr(i, 2)) && !(i == 0 && line[0] == '\t')) Fail("a control character in the line: " + line);
    }
    if (!ValidUtf8(line)) Fail("a line that is not UTF-8: " + line);
    if (!KnownLine(line, headings)) Fail("a line that is no part of a listing: " + line);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Scratch scratch;
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (Marked(Unescape(text))) return 0;  // the mark is for what lies outside the tree
  Input input = WriteTree(scratch, text);
  model::Clear();
  SysfsScanOptions options;
  options.cpuinfoPath = scratch.cpuinfo;
  auto table = std::make_shared<std::map<std::string, HwdbProperties>>(std::move(input.hwdb));
  options.hwdb = [table](const std::string& modalias) {
    const auto it = table->find(modalias);
    return it == table->end() ? HwdbProperties{} : it->second;
  };
  ScanSysfs(scratch.root, options);
  CheckModel();
  std::ostringstream setup, interfaces, json;
  SweepSetupClasses(true, setup);
  SweepInterfaceClasses(true, interfaces);
  CheckListing(setup.str());
  CheckListing(interfaces.str());
  RunJsonSetupSweep(RunOptions{}, json);
  if (!ValidUtf8(json.str())) Fail("the JSON document is not UTF-8");
  if (!nlohmann::json::accept(json.str())) Fail("the JSON document does not parse");
  return 0;
}
