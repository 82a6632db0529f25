#include "sysfs_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device_model.h"
#include "device_report.h"
#include "text.h"

#ifdef DEVLIST_HAVE_LIBUDEV
#include <libudev.h>
#endif

#include "platform.h"

namespace devlist {
namespace {

// Limits that keep a hostile or broken tree from costing more than a real one.
constexpr std::size_t kMaxFileBytes = 64 * 1024;
constexpr std::size_t kMaxDirEntries = 4096;
constexpr std::size_t kMaxTextBytes = 256;
constexpr std::size_t kMaxIdPartBytes = 64;
constexpr int kMaxParentDepth = 64;

constexpr unsigned HexValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  return static_cast<unsigned>(c - 'A' + 10);
}

// A GUID from its braced text, so the constants below read as the catalogues write them.
constexpr GUID G(const char* t) {
  auto hex = [t](int pos, int n) {
    unsigned long long v = 0;
    for (int i = 0; i < n; ++i) v = (v << 4) | HexValue(t[pos + i]);
    return v;
  };
  GUID g{};
  g.Data1 = static_cast<DWORD>(hex(1, 8));
  g.Data2 = static_cast<WORD>(hex(10, 4));
  g.Data3 = static_cast<WORD>(hex(15, 4));
  constexpr int kBytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) g.Data4[i] = static_cast<BYTE>(hex(kBytePos[i], 2));
  return g;
}

// The setup classes a Linux device can become: Windows' class name, class GUID and a generic description,
// the last resort for a device's name.
struct ClassInfo {
  const char* name;
  GUID guid;
  const char* generic;
};

constexpr ClassInfo kBluetooth{"Bluetooth", G("{e0cbf06c-cd8b-4647-bb8a-263b43f0f974}"), "Bluetooth Radio"};
constexpr ClassInfo kModem{"Modem", G("{4d36e96d-e325-11ce-bfc1-08002be10318}"), "Modem"};
constexpr ClassInfo kSmartCard{"SmartCardReader", G("{50dd5230-ba8a-11d1-bf5d-0000f805f530}"),
                               "USB Smart Card Reader"};
constexpr ClassInfo kMedia{"MEDIA", G("{4d36e96c-e325-11ce-bfc1-08002be10318}"), "Multimedia Device"};
constexpr ClassInfo kDisplay{"Display", G("{4d36e968-e325-11ce-bfc1-08002be10318}"), "Display Adapter"};
constexpr ClassInfo kPrinter{"Printer", G("{4d36e979-e325-11ce-bfc1-08002be10318}"), "USB Printer"};
constexpr ClassInfo kSensor{"Sensor", G("{5175d334-c371-4806-b3ba-71fd53c9258d}"), "Sensor"};
constexpr ClassInfo kNet{"Net", G("{4d36e972-e325-11ce-bfc1-08002be10318}"), "Network Adapter"};
constexpr ClassInfo kScsi{"SCSIAdapter", G("{4d36e97b-e325-11ce-bfc1-08002be10318}"), "Storage Controller"};
constexpr ClassInfo k1394{"1394", G("{6bdd1fc1-810f-11d0-bec7-08002be2092f}"), "IEEE 1394 Host Controller"};
constexpr ClassInfo kBattery{"Battery", G("{72631e54-78a4-11d0-bcf7-00aa00b7b32a}"), "Battery"};
constexpr ClassInfo kProcessor{"Processor", G("{50127dc3-0f36-415e-a6cc-4cb3be910b65}"), "Processor"};
constexpr ClassInfo kHdc{"HDC", G("{4d36e96a-e325-11ce-bfc1-08002be10318}"), "Disk Controller"};
constexpr ClassInfo kHid{"HIDClass", G("{745a17a0-74d3-11d0-b6fe-00a0c90f57da}"), "HID-compliant device"};
constexpr ClassInfo kVolume{"Volume", G("{71a27cdd-812a-11d0-bec7-08002be2092f}"), "Generic volume"};
constexpr ClassInfo kMouse{"Mouse", G("{4d36e96f-e325-11ce-bfc1-08002be10318}"), "HID-compliant mouse"};
constexpr ClassInfo kCdrom{"CDROM", G("{4d36e965-e325-11ce-bfc1-08002be10318}"), "CD-ROM Drive"};
constexpr ClassInfo kDisk{"DiskDrive", G("{4d36e967-e325-11ce-bfc1-08002be10318}"), "Disk drive"};
constexpr ClassInfo kImage{"Image", G("{6bdd1fc6-810f-11d0-bec7-08002be2092f}"), "USB Imaging Device"};
constexpr ClassInfo kSystem{"System", G("{4d36e97d-e325-11ce-bfc1-08002be10318}"), "System device"};
constexpr ClassInfo kUsbDevice{"USBDevice", G("{88BAE032-5A81-49f0-BC3D-A4FF138216D6}"), "USB Device"};
constexpr ClassInfo kMonitor{"Monitor", G("{4d36e96e-e325-11ce-bfc1-08002be10318}"), "Generic PnP Monitor"};
constexpr ClassInfo kPorts{"Ports", G("{4d36e978-e325-11ce-bfc1-08002be10318}"), "Communications Port"};
constexpr ClassInfo kKeyboard{"Keyboard", G("{4d36e96b-e325-11ce-bfc1-08002be10318}"), "HID Keyboard Device"};
constexpr ClassInfo kCamera{"Camera", G("{CA3E7AB9-B4C3-4AE6-8251-579EF933890F}"), "USB Video Device"};
// Not in the sweep's catalogue, but the class Windows gives USB host controllers, hubs and composite devices.
constexpr ClassInfo kUsb{"USB", G("{36fc9e60-c465-11cf-8056-444553540000}"), "USB Device"};

// Device interface classes.
constexpr GUID kItfDisk = G("{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}");
constexpr GUID kItfCdrom = G("{53F56308-B6BF-11D0-94F2-00A0C91EFB8B}");
constexpr GUID kItfPartition = G("{53F5630A-B6BF-11D0-94F2-00A0C91EFB8B}");
constexpr GUID kItfVolume = G("{53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}");
constexpr GUID kItfNet = G("{CAC88484-7515-4C03-82E6-71A87ABAC361}");
constexpr GUID kItfKeyboard = G("{884b96c3-56ef-11d1-bc8c-00a0c91405dd}");
constexpr GUID kItfMouse = G("{378DE44C-56EF-11D1-BC8C-00A0C91405DD}");
constexpr GUID kItfHid = G("{4D1E55B2-F16F-11CF-88CB-001111000030}");
constexpr GUID kItfComport = G("{86E0D1E0-8089-11D0-9CE4-08003E301F73}");
constexpr GUID kItfUsbDevice = G("{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
constexpr GUID kItfUsbHost = G("{3ABF6F2D-71C4-462A-8A92-1E6861E6AF27}");
constexpr GUID kItfUsbHub = G("{F18A0E88-C30C-11D0-8815-00A0C906BED8}");
constexpr GUID kItfDisplayAdapter = G("{5B45201D-F2F2-4F3B-85BB-30FF1F953599}");
constexpr GUID kItfMonitor = G("{E6F07B5F-EE97-4a90-B076-33F57BF4EAA7}");
constexpr GUID kItfBattery = G("{72631E54-78A4-11D0-BCF7-00AA00B7B32A}");
constexpr GUID kItfLid = G("{4AFA3D52-74A7-11d0-be5e-00A0C9062857}");
constexpr GUID kItfProcessor = G("{97FADB10-4E33-40AE-359C-8BEF029DBDD0}");
constexpr GUID kItfSysButton = G("{4AFA3D53-74A7-11d0-be5e-00A0C9062857}");
constexpr GUID kItfThermalZone = G("{4AFA3D51-74A7-11d0-be5e-00A0C9062857}");
constexpr GUID kItfBthPort = G("{0850302A-B344-4fda-9BE9-90576B8D46F0}");
constexpr GUID kItfAudio = G("{6994AD04-93EF-11D0-A3CC-00A0C9223196}");
constexpr GUID kItfVideo = G("{6994AD05-93EF-11D0-A3CC-00A0C9223196}");
constexpr GUID kItfImage = G("{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}");
constexpr GUID kItfSensor = G("{BA1BB692-9B7A-4833-9A1E-525ED134E7E2}");

// Bus types, and the container every built-in device shares on Windows.
constexpr GUID kBusPci = G("{c8ebdfb0-b510-11d0-80e5-00a0c92542e3}");
constexpr GUID kBusUsb = G("{9d7debbc-c85d-11d1-9eb4-006008c3a19a}");
constexpr GUID kBusHid = G("{eeaf37d0-1963-47c4-aa48-72476db7cf49}");
constexpr GUID kBusAcpi = G("{d7b46895-001a-4942-891f-a7d46610a843}");
constexpr GUID kLocalMachineContainer = G("{00000000-0000-0000-ffff-ffffffffffff}");

// INTERFACE_TYPE values and the removal policies Windows reports.
constexpr DWORD kLegacyBusPci = 5;
constexpr DWORD kLegacyBusPnp = 15;
constexpr DWORD kRemovalExpectNoRemoval = 1;
constexpr DWORD kRemovalExpectSurpriseRemoval = 3;

// Device-node status flags and problem codes.
constexpr DWORD kDnRootEnumerated = 0x1;
constexpr DWORD kDnDriverLoaded = 0x2;
constexpr DWORD kDnStarted = 0x8;
constexpr DWORD kDnHasProblem = 0x400;
constexpr DWORD kDnDisableable = 0x2000;
constexpr DWORD kDnRemovable = 0x4000;
constexpr DWORD kDnNtEnumerator = 0x800000;
constexpr DWORD kDnNtDriver = 0x1000000;
constexpr DWORD kProblemDisabled = 22;
constexpr DWORD kProblemFailedInstall = 28;

// ---------------------------------------------------------------------------------------------------------
// Text helpers.

std::string Trim(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Base(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Dir(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string Join(const std::string& dir, const std::string& name) { return dir.empty() ? name : dir + "/" + name; }

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// A text property as shown: control characters (a name may hold anything) become "?".
std::string Printable(std::string_view s) {
  std::string out;
  for (char c : s.substr(0, kMaxTextBytes)) {
    const auto u = static_cast<unsigned char>(c);
    out.push_back(u < 0x20 || u == 0x7F ? '?' : c);
  }
  return out;
}

// One part of an id: blanks as "_", nothing but printable ASCII without "\\", "/" or ",", and capped.
// Instance ids are upper case; hardware ids keep the case of their source.
std::string IdText(std::string_view s, bool upper) {
  std::string out;
  for (char c : Trim(s.substr(0, kMaxIdPartBytes * 4))) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x21 || u > 0x7E || c == '\\' || c == '/' || c == ',') out.push_back('_');
    else out.push_back(upper ? static_cast<char>(std::toupper(u)) : c);
    if (out.size() >= kMaxIdPartBytes) break;
  }
  return out;
}

std::string IdPart(std::string_view s) { return IdText(s, true); }
std::string HwPart(std::string_view s) { return IdText(s, false); }

std::string Padded(const std::string& s, std::size_t width) {
  std::string out = s.substr(0, width);
  out.resize(width, '_');
  return out;
}

std::optional<unsigned long long> ParseNumber(const std::string& text, int base) {
  const std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(t.c_str(), &end, base);
  if (errno != 0 || end == t.c_str() || (*end != '\0' && !std::isspace(static_cast<unsigned char>(*end)))) {
    return std::nullopt;
  }
  if (t[0] == '-') return std::nullopt;
  return v;
}

std::string Hex(unsigned long long v, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*llX", width, v);
  return buf;
}

// "0x1af4" as four upper-case digits; empty when the text is not a number that fits.
std::string HexField(const std::string& text, int width) {
  const auto v = ParseNumber(text, 16);
  if (!v || *v >> (4 * width) != 0) return {};
  return Hex(*v, width);
}

std::uint32_t Fnv1a(std::string_view s, std::uint32_t seed = 2166136261u) {
  std::uint32_t h = seed;
  for (char c : s) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return h;
}

// The middle of a Windows-style instance suffix ("3&11583659&0&18"): stable, and unique per parent.
std::string SuffixOf(int depth, const std::string& key, const std::string& tail) {
  return std::to_string(depth) + "&" + Hex(Fnv1a(key), 8) + "&0&" + tail;
}

// A stable GUID made from a text, for containers and volumes that have no GUID of their own in sysfs.
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

// Windows writes ACPI names without their padding: "\_SB_.PC00" is "\_SB.PC00".
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

// ---------------------------------------------------------------------------------------------------------
// Read-only access to the tree, confined to the root.

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) close(fd);
  }
};

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

class Tree {
 public:
  Tree(const std::string& root, std::function<void(const std::string&)> hook) : hook_(std::move(hook)) {
    char buf[PATH_MAX];
    if (!root.empty() && realpath(root.c_str(), buf) != nullptr) root_ = buf;
  }

  bool Usable() const { return !root_.empty(); }

  /// `rel` with every symlink followed, relative to the root; none when it is missing, loops, or leads out.
  std::optional<std::string> Resolve(const std::string& rel) const {
    const std::string abs = Abs(rel);
    Hook(abs);
    char buf[PATH_MAX];
    if (realpath(abs.c_str(), buf) == nullptr) return std::nullopt;
    return Inside(buf);
  }

  /// The bytes of a regular file, at most kMaxFileBytes; none for anything else (a directory, a device
  /// node, a pipe, a file outside the root).
  std::optional<std::string> ReadFile(const std::string& rel) const {
    const auto resolved = Resolve(rel);
    if (!resolved) return std::nullopt;
    const std::string abs = Abs(*resolved);
    // Non-blocking, so that opening a pipe does not wait for a writer; it is refused below.
    FdCloser f{open(abs.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC)};
    if (f.fd < 0) return std::nullopt;
    struct stat st {};
    if (fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::string data;
    char buf[4096];
    while (data.size() < kMaxFileBytes) {
      const ssize_t n = read(f.fd, buf, std::min(sizeof buf, kMaxFileBytes - data.size()));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      data.append(buf, static_cast<std::size_t>(n));
    }
    return data;
  }

  /// The first line of an attribute, trimmed and capped; empty when it cannot be read.
  std::string Attr(const std::string& dir, const std::string& name) const {
    const auto data = ReadFile(Join(dir, name));
    if (!data) return {};
    const std::size_t nl = data->find('\n');
    return Trim(std::string_view(*data).substr(0, std::min(nl, kMaxTextBytes)));
  }

  /// KEY=value lines of a uevent file.
  std::string Uevent(const std::string& dir, const std::string& key) const {
    const auto data = ReadFile(Join(dir, "uevent"));
    if (!data) return {};
    const std::string prefix = key + "=";
    std::size_t pos = 0;
    while (pos < data->size()) {
      std::size_t nl = data->find('\n', pos);
      if (nl == std::string::npos) nl = data->size();
      const std::string_view line(data->data() + pos, nl - pos);
      if (StartsWith(line, prefix)) return Trim(line.substr(prefix.size(), kMaxTextBytes));
      pos = nl + 1;
    }
    return {};
  }

  /// Entry names of a directory, sorted; empty when it cannot be read.
  std::vector<std::string> List(const std::string& rel) const {
    std::vector<std::string> names;
    const auto resolved = Resolve(rel);
    if (!resolved) return names;
    std::unique_ptr<DIR, DirCloser> dir(opendir(Abs(*resolved).c_str()));
    if (!dir) return names;
    while (const dirent* e = readdir(dir.get())) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      names.push_back(name);
      if (names.size() >= kMaxDirEntries) break;
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  bool IsDir(const std::string& rel) const {
    const auto resolved = Resolve(rel);
    if (!resolved) return false;
    struct stat st {};
    return stat(Abs(*resolved).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool Exists(const std::string& rel) const { return Resolve(rel).has_value(); }

  /// The last component of a symlink's target, without following it (a driver's or a module's name).
  std::string LinkName(const std::string& rel) const {
    const std::string abs = Abs(rel);
    Hook(abs);
    char buf[PATH_MAX];
    const ssize_t n = readlink(abs.c_str(), buf, sizeof buf - 1);
    if (n <= 0) return {};
    buf[n] = '\0';
    return Printable(Base(buf));
  }

 private:
  std::string Abs(const std::string& rel) const {
    if (rel.empty()) return root_;
    return root_ == "/" ? "/" + rel : root_ + "/" + rel;
  }

  std::optional<std::string> Inside(std::string_view abs) const {
    if (abs == root_) return std::string();
    if (root_ == "/") return abs.size() > 1 ? std::optional<std::string>(std::string(abs.substr(1))) : "";
    if (abs.size() > root_.size() + 1 && StartsWith(abs, root_) && abs[root_.size()] == '/') {
      return std::string(abs.substr(root_.size() + 1));
    }
    return std::nullopt;
  }

  void Hook(const std::string& abs) const {
    if (hook_) hook_(abs);
  }

  std::string root_;
  std::function<void(const std::string&)> hook_;
};

// ---------------------------------------------------------------------------------------------------------
// The devices found, before they go into the model.

struct Itf {
  GUID guid;
  std::string path;
};

struct Node {
  std::string path;  // its place in the tree, relative to the root; devices below it are its children
  std::string id;
  const ClassInfo* cls = &kSystem;
  std::optional<std::size_t> parent;
  std::string parentAcpiPath;  // ACPI devices: the parent is the nearest ACPI device above this
  bool parentIsAcpiRoot = false;

  std::string desc, manufacturer, friendly, busDesc, model, firmware, bios, locationInfo, driverVersion;
  std::vector<std::string> drivers;  // the stack from the top: the function driver first
  std::string busDriver;             // the driver below the stack, when the parent does not provide one
  std::vector<std::string> hardwareIds, compatibleIds, locationPaths;
  std::optional<GUID> busType, container;
  std::optional<DWORD> legacyBus, busNumber, address, numa;
  bool driverExpected = false, rootEnumerated = false, removable = false, disabled = false;
  std::vector<Itf> interfaces;
  std::vector<std::string> names;  // network interfaces and ports, shown in the friendly name
};

struct CpuInfo {
  std::string vendor, family, model, name;
};

// Windows' names for the ACPI devices it knows.
struct AcpiKind {
  const char* hid;
  const ClassInfo* cls;
  const char* desc;
  bool driverExpected;
  const GUID* itf;
};

constexpr AcpiKind kAcpiKinds[] = {
    {"PNP0303", &kKeyboard, "Standard PS/2 Keyboard", true, nullptr},
    {"PNP030B", &kKeyboard, "Standard PS/2 Keyboard", true, nullptr},
    {"PNP0F03", &kMouse, "PS/2 Compatible Mouse", true, nullptr},
    {"PNP0F13", &kMouse, "PS/2 Compatible Mouse", true, nullptr},
    {"PNP0500", &kPorts, "Communications Port", true, nullptr},
    {"PNP0501", &kPorts, "Communications Port", true, nullptr},
    {"PNP0400", &kPorts, "Printer Port", true, nullptr},
    {"PNP0401", &kPorts, "ECP Printer Port", true, nullptr},
    {"PNP0C0A", &kBattery, "ACPI-Compliant Control Method Battery", true, nullptr},
    {"ACPI0003", &kBattery, "AC Adapter", true, nullptr},
    {"PNP0C0D", &kSystem, "ACPI Lid", true, &kItfLid},
    {"PNP0C0C", &kSystem, "ACPI Power Button", true, &kItfSysButton},
    {"LNXPWRBN", &kSystem, "ACPI Fixed Feature Power Button", true, &kItfSysButton},
    {"PNP0C0E", &kSystem, "ACPI Sleep Button", true, &kItfSysButton},
    {"LNXSLPBN", &kSystem, "ACPI Fixed Feature Sleep Button", true, &kItfSysButton},
    {"LNXTHERM", &kSystem, "ACPI Thermal Zone", false, &kItfThermalZone},
    {"PNP0A08", &kSystem, "PCI Express Root Complex", false, nullptr},
    {"PNP0A03", &kSystem, "PCI Bus", false, nullptr},
    {"PNP0C09", &kSystem, "ACPI Embedded Controller", false, nullptr},
    {"PNP0C14", &kSystem, "Windows Management Interface for ACPI", false, nullptr},
    {"PNP0B00", &kSystem, "System CMOS/real time clock", false, nullptr},
    {"PNP0100", &kSystem, "System timer", false, nullptr},
    {"PNP0103", &kSystem, "High precision event timer", false, nullptr},
    {"PNP0000", &kSystem, "Programmable interrupt controller", false, nullptr},
    {"PNP0200", &kSystem, "Direct memory access controller", false, nullptr},
    {"PNP0C01", &kSystem, "System board", false, nullptr},
    {"PNP0C02", &kSystem, "Motherboard resources", false, nullptr},
    {"PNP0C04", &kSystem, "Numeric data processor", false, nullptr},
    {"PNP0800", &kSystem, "System speaker", false, nullptr},
    {"PNP0C50", &kHid, "I2C HID Device", true, nullptr},
    {"LNXVIDEO", &kSystem, "ACPI Video Bus", false, nullptr},
    {"ACPI0013", &kSystem, "ACPI Generic Event Device", false, nullptr},
    {"VM_GEN_COUNTER", &kSystem, "Virtual Machine Generation Counter", false, nullptr},
    {"VMCLOCK", &kSystem, "Virtual Machine Clock", false, nullptr},
};

const AcpiKind* FindAcpiKind(const std::string& hid) {
  for (const AcpiKind& k : kAcpiKinds) {
    if (hid == k.hid) return &k;
  }
  return nullptr;
}

struct PciClassName {
  unsigned code;  // base class and subclass
  const char* name;
};

constexpr PciClassName kPciClassNames[] = {
    {0x0000, "Non-VGA unclassified device"}, {0x0100, "SCSI storage controller"},
    {0x0101, "IDE interface"},               {0x0104, "RAID bus controller"},
    {0x0106, "SATA controller"},             {0x0107, "Serial Attached SCSI controller"},
    {0x0108, "Non-Volatile memory controller"}, {0x0180, "Mass storage controller"},
    {0x0200, "Ethernet controller"},         {0x0280, "Network controller"},
    {0x0300, "VGA compatible controller"},   {0x0302, "3D controller"},
    {0x0380, "Display controller"},          {0x0401, "Multimedia audio controller"},
    {0x0403, "Audio device"},                {0x0600, "Host bridge"},
    {0x0601, "ISA bridge"},                  {0x0604, "PCI bridge"},
    {0x0700, "Serial controller"},           {0x0c00, "FireWire (IEEE 1394)"},
    {0x0c03, "USB controller"},              {0x0c05, "SMBus"},
};

const char* PciClassText(unsigned base, unsigned sub) {
  for (const PciClassName& n : kPciClassNames) {
    if (n.code == (base << 8 | sub)) return n.name;
  }
  return nullptr;
}

const ClassInfo* PciSetupClass(unsigned base, unsigned sub) {
  switch (base) {
    case 0x01:
      return sub == 0x01 || sub == 0x06 ? &kHdc : &kScsi;
    case 0x02:
      return &kNet;
    case 0x03:
      return &kDisplay;
    case 0x04:
      return &kMedia;
    case 0x07:
      return sub == 0x00 ? &kPorts : sub == 0x03 ? &kModem : &kSystem;
    case 0x0C:
      return sub == 0x00 ? &k1394 : sub == 0x03 ? &kUsb : &kSystem;
    case 0x0D:
      return sub == 0x11 ? &kBluetooth : &kNet;
    default:
      return &kSystem;
  }
}

// A device that works on Linux without a driver of its own (bridges, system peripherals) has no problem.
bool PciDriverExpected(unsigned base) { return base != 0x05 && base != 0x06 && base != 0x08 && base != 0x11; }

// Input capabilities: a bitmap written as hexadecimal words, the most significant first.
bool HasBit(const std::string& words, unsigned bit) {
  std::vector<unsigned long long> parts;
  std::size_t pos = 0;
  while (pos < words.size()) {
    while (pos < words.size() && words[pos] == ' ') ++pos;
    std::size_t end = words.find(' ', pos);
    if (end == std::string::npos) end = words.size();
    if (end > pos) {
      const auto v = ParseNumber(words.substr(pos, end - pos), 16);
      parts.push_back(v.value_or(0));
    }
    pos = end;
  }
  const std::size_t word = bit / 64;
  if (word >= parts.size()) return false;
  return ((parts[parts.size() - 1 - word] >> (bit % 64)) & 1) != 0;
}

enum class InputKind { other, keyboard, mouse };

// ---------------------------------------------------------------------------------------------------------
// The scan.

class Scanner {
 public:
  Scanner(const std::string& root, const SysfsScanOptions& options)
      : tree_(root, options.beforeRead), options_(options) {}

  void Run() {
    if (!tree_.Usable()) return;
    ReadCpuInfo();
    ScanPci();
    ScanUsb();
    ScanHid();
    ScanBlock();
    ScanNet();
    ScanCpus();
    ScanAcpi();
    ScanInputs();
    ScanTty();
    ScanSound();
    ScanVideo();
    ScanBluetooth();
    ScanPowerSupplies();
    ScanDrm();
    ScanIio();
    ScanHwmon();
    Emit();
  }

 private:
  // --- names -------------------------------------------------------------------------------------------

  HwdbProperties Lookup(const std::string& modalias) const {
    if (!options_.hwdb || modalias.empty()) return {};
    return options_.hwdb(modalias);
  }

  static std::string Get(const HwdbProperties& p, const char* key) {
    const auto it = p.find(key);
    return it == p.end() ? std::string() : Printable(it->second);
  }

  // --- nodes -------------------------------------------------------------------------------------------

  std::size_t AddNode(Node node) {
    node.id = UniqueId(node.id);
    nodes_.push_back(std::move(node));
    const std::size_t index = nodes_.size() - 1;
    Alias(nodes_[index].path, index);
    return index;
  }

  std::string AddNodeId(Node node) { return nodes_[AddNode(std::move(node))].id; }

  void Alias(const std::string& path, std::size_t index) {
    if (!path.empty()) byPath_.emplace(path, index);
  }

  std::string UniqueId(const std::string& id) {
    std::string candidate = id;
    for (int n = 1; !usedIds_.insert(Upper(candidate)).second; ++n) candidate = id + "&" + std::to_string(n);
    return candidate;
  }

  /// The node at `path` or the nearest above it.
  std::optional<std::size_t> NodeAtOrAbove(std::string path) const {
    for (int depth = 0; !path.empty() && depth < 4 * kMaxParentDepth; ++depth) {
      const auto it = byPath_.find(path);
      if (it != byPath_.end()) return it->second;
      path = Dir(path);
    }
    return std::nullopt;
  }

  std::optional<std::size_t> NodeAbove(const std::string& path) const { return NodeAtOrAbove(Dir(path)); }

  std::string FirstLocation(std::optional<std::size_t> index) const {
    if (!index || nodes_[*index].locationPaths.empty()) return {};
    return nodes_[*index].locationPaths.front();
  }

  static void AddItf(Node& node, const GUID& guid, const std::string& path) {
    for (const Itf& i : node.interfaces) {
      if (i.guid == guid && i.path == path) return;
    }
    node.interfaces.push_back({guid, path});
  }

  // The driver bound to a device, and the module version it reports.
  std::string Driver(const std::string& path) const { return tree_.LinkName(Join(path, "driver")); }

  std::string DriverVersion(const std::string& path, const std::string& driver) const {
    if (driver.empty()) return {};
    std::string module = tree_.LinkName(Join(path, "driver/module"));
    if (module.empty()) {
      module = driver;
      std::replace(module.begin(), module.end(), '-', '_');
    }
    return tree_.Attr(Join("module", module), "version");
  }

  std::string FirmwarePath(const std::string& path) const {
    const auto fw = tree_.Resolve(Join(path, "firmware_node"));
    return fw ? tree_.Attr(*fw, "path") : std::string();
  }

  // --- /proc/cpuinfo -----------------------------------------------------------------------------------

  void ReadCpuInfo() {
    if (options_.cpuinfoPath.empty()) return;
    FdCloser f{open(options_.cpuinfoPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (f.fd < 0) return;
    struct stat st {};
    if (fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return;
    std::string data;
    char buf[4096];
    while (data.size() < 16 * kMaxFileBytes) {
      const ssize_t n = read(f.fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      data.append(buf, static_cast<std::size_t>(n));
    }
    std::optional<unsigned long long> current;
    std::size_t pos = 0;
    while (pos < data.size()) {
      std::size_t nl = data.find('\n', pos);
      if (nl == std::string::npos) nl = data.size();
      const std::string line = data.substr(pos, nl - pos);
      pos = nl + 1;
      const std::size_t colon = line.find(':');
      if (colon == std::string::npos) continue;
      const std::string key = Trim(line.substr(0, colon));
      const std::string value = Printable(Trim(line.substr(colon + 1)));
      if (key == "processor") {
        current = ParseNumber(value, 10);
      } else if (current && *current < 65536) {
        CpuInfo& info = cpuInfo_[*current];
        if (key == "vendor_id") info.vendor = value;
        if (key == "cpu family") info.family = value;
        if (key == "model") info.model = value;
        if (key == "model name") info.name = value;
      }
    }
  }

  // --- PCI ---------------------------------------------------------------------------------------------

  static bool ParsePciSlot(const std::string& name, unsigned& bus, unsigned& dev, unsigned& fn) {
    unsigned domain = 0;
    char tail = 0;
    return std::sscanf(name.c_str(), "%x:%x:%x.%x%c", &domain, &bus, &dev, &fn, &tail) == 4 && dev < 32 &&
           fn < 8 && bus < 256;
  }

  void ScanPci() {
    for (const std::string& name : tree_.List("bus/pci/devices")) {
      const auto path = tree_.Resolve(Join("bus/pci/devices", name));
      if (!path || byPath_.count(*path) != 0) continue;
      unsigned bus = 0, dev = 0, fn = 0;
      if (!ParsePciSlot(Base(*path), bus, dev, fn)) continue;
      const std::string ven = HexField(tree_.Attr(*path, "vendor"), 4);
      const std::string did = HexField(tree_.Attr(*path, "device"), 4);
      const std::string cc = HexField(tree_.Attr(*path, "class"), 6);
      if (ven.empty() || did.empty() || cc.empty()) continue;  // vanished, or not a PCI function
      std::string sub = HexField(tree_.Attr(*path, "subsystem_device"), 4) +
                        HexField(tree_.Attr(*path, "subsystem_vendor"), 4);
      if (sub.size() != 8) sub = "00000000";
      std::string rev = HexField(tree_.Attr(*path, "revision"), 2);
      if (rev.empty()) rev = "00";
      const unsigned base = static_cast<unsigned>(std::stoul(cc.substr(0, 2), nullptr, 16));
      const unsigned subclass = static_cast<unsigned>(std::stoul(cc.substr(2, 2), nullptr, 16));

      Node n;
      n.path = *path;
      const std::string vd = "PCI\\VEN_" + ven + "&DEV_" + did;
      n.id = vd + "&SUBSYS_" + sub + "&REV_" + rev + "\\" +
             SuffixOf(3, Dir(*path), Hex(dev << 3 | fn, 2));
      n.cls = PciSetupClass(base, subclass);
      n.hardwareIds = {vd + "&SUBSYS_" + sub + "&REV_" + rev, vd + "&SUBSYS_" + sub, vd + "&CC_" + cc,
                       vd + "&CC_" + cc.substr(0, 4)};
      n.compatibleIds = {vd + "&REV_" + rev, vd, "PCI\\VEN_" + ven + "&CC_" + cc,
                         "PCI\\VEN_" + ven + "&CC_" + cc.substr(0, 4), "PCI\\VEN_" + ven, "PCI\\CC_" + cc,
                         "PCI\\CC_" + cc.substr(0, 4)};
      const HwdbProperties db = Lookup(tree_.Attr(*path, "modalias"));
      n.desc = Get(db, "ID_MODEL_FROM_DATABASE");
      if (n.desc.empty()) n.desc = Printable(tree_.Attr(*path, "label"));
      if (n.desc.empty() && PciClassText(base, subclass) != nullptr) n.desc = PciClassText(base, subclass);
      n.manufacturer = Get(db, "ID_VENDOR_FROM_DATABASE");
      // Transport drivers (virtio) hand the function to a driver of a child device: that one is on top.
      for (const std::string& child : tree_.List(*path)) {
        if (StartsWith(child, "virtio") && tree_.IsDir(Join(*path, child))) {
          const std::string top = Driver(Join(*path, child));
          if (top.empty()) continue;
          if (n.drivers.empty()) n.driverVersion = DriverVersion(Join(*path, child), top);
          n.drivers.push_back(top);
        }
      }
      const std::string own = Driver(*path);
      if (!own.empty() && n.drivers.empty()) n.driverVersion = DriverVersion(*path, own);
      if (!own.empty()) n.drivers.push_back(own);
      n.busDriver = "pci";
      n.driverExpected = PciDriverExpected(base);
      n.locationInfo = "PCI bus " + std::to_string(bus) + ", device " + std::to_string(dev) + ", function " +
                       std::to_string(fn);
      n.busType = kBusPci;
      n.legacyBus = kLegacyBusPci;
      n.busNumber = bus;
      n.address = dev << 16 | fn;
      const auto numa = ParseNumber(tree_.Attr(*path, "numa_node"), 10);
      if (numa && *numa < 1024) n.numa = static_cast<DWORD>(*numa);
      const std::string acpi = FirmwarePath(*path);
      n.bios = BiosName(acpi);
      std::string loc;
      for (std::string rest = *path; !rest.empty();) {
        const std::size_t slash = rest.find('/');
        const std::string part = rest.substr(0, slash);
        rest = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
        unsigned b = 0, d = 0, f = 0, dom = 0;
        if (ParsePciSlot(part, b, d, f)) {
          loc += "#PCI(" + Hex(d, 2) + Hex(f, 2) + ")";
        } else if (std::sscanf(part.c_str(), "pci%x:%x", &dom, &b) == 2) {
          loc = "PCIROOT(" + std::to_string(b) + ")";
        }
      }
      if (!loc.empty()) n.locationPaths.push_back(loc);
      if (!AcpiLocationPath(acpi).empty()) n.locationPaths.push_back(AcpiLocationPath(acpi));
      if (base == 0x0C && subclass == 0x03) AddItf(n, kItfUsbHost, "/sys/bus/pci/devices/" + Base(*path));
      AddNode(std::move(n));
    }
  }

  // --- USB ---------------------------------------------------------------------------------------------

  struct UsbInterface {
    std::string path;
    unsigned number = 0, cls = 0, sub = 0, prot = 0;
    std::string name, driver;
    bool hasTty = false, hasNet = false;
  };

  static const ClassInfo* UsbFunctionClass(const UsbInterface& i) {
    switch (i.cls) {
      case 0x01: return &kMedia;
      case 0x02: return i.hasNet ? &kNet : i.hasTty ? &kPorts : &kUsbDevice;
      case 0x03: return &kHid;
      case 0x06: return &kImage;
      case 0x07: return &kPrinter;
      case 0x08: return &kUsb;
      case 0x09: return &kUsb;
      case 0x0B: return &kSmartCard;
      case 0x0E: return &kCamera;
      case 0xE0: return i.sub == 0x01 && i.prot == 0x01 ? &kBluetooth : &kUsbDevice;
      default: return i.hasNet ? &kNet : i.hasTty ? &kPorts : &kUsbDevice;
    }
  }

  static const char* UsbFunctionDesc(const UsbInterface& i) {
    switch (i.cls) {
      case 0x01: return "USB Audio Device";
      case 0x02: return i.hasNet ? "USB Ethernet Adapter" : "USB Serial Device";
      case 0x03: return "USB Input Device";
      case 0x06: return "USB Imaging Device";
      case 0x07: return "USB Printing Support";
      case 0x08: return "USB Mass Storage Device";
      case 0x09: return "Generic USB Hub";
      case 0x0B: return "USB Smart Card Reader";
      case 0x0E: return "USB Video Device";
      case 0xE0: return "Generic Bluetooth Adapter";
      default: return i.hasTty ? "USB Serial Port" : "USB Device";
    }
  }

  static std::vector<std::string> UsbClassIds(const UsbInterface& i) {
    const std::string c = "USB\\Class_" + Hex(i.cls, 2);
    return {c + "&SubClass_" + Hex(i.sub, 2) + "&Prot_" + Hex(i.prot, 2), c + "&SubClass_" + Hex(i.sub, 2), c};
  }

  // Interfaces that Windows joins into one function through an association descriptor: audio and video
  // streaming after their control interface, CDC data after its control interface, a radio's second one.
  static bool JoinsPrevious(const UsbInterface& prev, const UsbInterface& cur) {
    if (cur.cls == 0x01 && prev.cls == 0x01 && cur.sub != 0x01) return true;
    if (cur.cls == 0x0E && prev.cls == 0x0E && cur.sub != 0x01) return true;
    if (cur.cls == 0x0A && prev.cls == 0x02) return true;
    if (cur.cls == 0xE0 && prev.cls == 0xE0) return true;
    return false;
  }

  std::vector<UsbInterface> ReadUsbInterfaces(const std::string& path, const std::string& name) {
    std::vector<UsbInterface> out;
    for (const std::string& entry : tree_.List(path)) {
      if (!StartsWith(entry, name + ":")) continue;
      const std::string ip = Join(path, entry);
      const auto number = ParseNumber(tree_.Attr(ip, "bInterfaceNumber"), 16);
      const auto cls = ParseNumber(tree_.Attr(ip, "bInterfaceClass"), 16);
      if (!number || !cls) continue;
      UsbInterface i;
      i.path = ip;
      i.number = static_cast<unsigned>(*number & 0xFF);
      i.cls = static_cast<unsigned>(*cls & 0xFF);
      i.sub = static_cast<unsigned>(ParseNumber(tree_.Attr(ip, "bInterfaceSubClass"), 16).value_or(0) & 0xFF);
      i.prot = static_cast<unsigned>(ParseNumber(tree_.Attr(ip, "bInterfaceProtocol"), 16).value_or(0) & 0xFF);
      i.name = Printable(tree_.Attr(ip, "interface"));
      i.driver = Driver(ip);
      for (const std::string& child : tree_.List(ip)) {
        if (child == "tty" || StartsWith(child, "ttyUSB")) i.hasTty = true;
        if (child == "net") i.hasNet = true;
      }
      out.push_back(std::move(i));
    }
    std::sort(out.begin(), out.end(), [](const UsbInterface& a, const UsbInterface& b) { return a.number < b.number; });
    return out;
  }

  void ScanUsb() {
    // Hubs before the devices behind them, so each device finds its hub.
    std::vector<std::pair<std::string, std::string>> found;
    for (const std::string& name : tree_.List("bus/usb/devices")) {
      if (name.find(':') != std::string::npos) continue;
      const auto path = tree_.Resolve(Join("bus/usb/devices", name));
      if (path) found.emplace_back(*path, name);
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
      const auto depth = [](const std::string& s) { return std::count(s.begin(), s.end(), '/'); };
      return depth(a.first) != depth(b.first) ? depth(a.first) < depth(b.first) : a.second < b.second;
    });
    for (const auto& [resolved, name] : found) {
      const std::optional<std::string> path = resolved;  // as the other scans hold it
      if (byPath_.count(*path) != 0) continue;
      const std::string vid = HexField(tree_.Attr(*path, "idVendor"), 4);
      const std::string pid = HexField(tree_.Attr(*path, "idProduct"), 4);
      if (vid.empty() || pid.empty()) continue;
      std::string rev = HexField(tree_.Attr(*path, "bcdDevice"), 4);
      if (rev.empty()) rev = "0000";
      const unsigned devClass =
          static_cast<unsigned>(ParseNumber(tree_.Attr(*path, "bDeviceClass"), 16).value_or(0) & 0xFF);
      const auto busnum = ParseNumber(tree_.Attr(*path, "busnum"), 10);
      const auto devnum = ParseNumber(tree_.Attr(*path, "devnum"), 10);
      const bool rootHub = StartsWith(name, "usb");
      const std::string product = Printable(tree_.Attr(*path, "product"));
      const std::string maker = Printable(tree_.Attr(*path, "manufacturer"));
      const std::string serial = tree_.Attr(*path, "serial");
      const std::vector<UsbInterface> interfaces = ReadUsbInterfaces(*path, name);
      const HwdbProperties db = Lookup("usb:v" + vid + "p" + pid);
      const std::optional<std::size_t> above = NodeAbove(*path);
      char nodeBuf[64] = {0};
      if (busnum && devnum && *busnum < 1000 && *devnum < 1000) {
        std::snprintf(nodeBuf, sizeof nodeBuf, "/dev/bus/usb/%03llu/%03llu", *busnum, *devnum);
      }
      const std::string port = name.find('.') != std::string::npos ? name.substr(name.rfind('.') + 1)
                               : name.find('-') != std::string::npos ? name.substr(name.find('-') + 1)
                                                                     : std::string("0");
      const unsigned portNumber = static_cast<unsigned>(ParseNumber(port, 10).value_or(0) & 0xFFFF);

      // Functions: the interfaces as Windows groups them.
      std::vector<std::vector<const UsbInterface*>> functions;
      for (const UsbInterface& i : interfaces) {
        if (!functions.empty() && JoinsPrevious(*functions.back().back(), i)) {
          functions.back().push_back(&i);
        } else {
          functions.push_back({&i});
        }
      }
      const bool hub = rootHub || devClass == 0x09;
      const bool composite = !hub && functions.size() > 1;

      Node n;
      n.path = *path;
      n.busType = kBusUsb;
      n.legacyBus = kLegacyBusPnp;
      n.driverExpected = true;
      n.manufacturer = Get(db, "ID_VENDOR_FROM_DATABASE");
      if (n.manufacturer.empty()) n.manufacturer = maker;
      n.busDesc = product;
      const std::string vp = "USB\\VID_" + vid + "&PID_" + pid;
      if (rootHub) {
        const std::string version = Trim(tree_.Attr(*path, "version"));
        const std::string kind = StartsWith(version, "3") ? "ROOT_HUB30" : StartsWith(version, "2") ? "ROOT_HUB20"
                                                                                                    : "ROOT_HUB";
        n.id = "USB\\" + kind + "\\" + SuffixOf(4, *path, "0");
        n.hardwareIds = {"USB\\" + kind + "&VID" + vid + "&PID" + pid + "&REV" + rev,
                         "USB\\" + kind + "&VID" + vid + "&PID" + pid, "USB\\" + kind};
        n.desc = kind == "ROOT_HUB30" ? "USB Root Hub (USB 3.0)" : "USB Root Hub";
        n.cls = &kUsb;
        n.locationPaths.push_back(FirstLocation(above).empty() ? std::string()
                                                               : FirstLocation(above) + "#USBROOT(0)");
      } else {
        std::string suffix = IdPart(serial);
        const bool serialUsable = !suffix.empty() && suffix == Upper(Trim(serial)) && suffix.find('&') == std::string::npos;
        if (!serialUsable) suffix = SuffixOf(5, Dir(*path), std::to_string(portNumber));
        n.id = vp + "\\" + suffix;
        n.hardwareIds = {vp + "&REV_" + rev, vp};
        n.address = portNumber;
        const auto hubNumber = above ? ParseNumber(tree_.Attr(nodes_[*above].path, "devnum"), 10) : std::nullopt;
        char info[64];
        std::snprintf(info, sizeof info, "Port_#%04u.Hub_#%04llu", portNumber, hubNumber.value_or(0) % 10000);
        n.locationInfo = info;
        if (!FirstLocation(above).empty()) {
          n.locationPaths.push_back(FirstLocation(above) + "#USB(" + std::to_string(portNumber) + ")");
        }
        const std::string removable = tree_.Attr(*path, "removable");
        n.removable = removable != "fixed";
        if (n.removable) n.container = GuidFromText(n.id);
      }
      if (hub) {
        n.cls = &kUsb;
        if (!rootHub) {
          n.desc = Get(db, "ID_MODEL_FROM_DATABASE");
          if (n.desc.empty()) n.desc = "Generic USB Hub";
          n.compatibleIds = {"USB\\Class_09&SubClass_00&Prot_00", "USB\\Class_09&SubClass_00", "USB\\Class_09"};
        }
        if (!interfaces.empty() && !interfaces.front().driver.empty()) n.drivers.push_back(interfaces.front().driver);
        for (const UsbInterface& i : interfaces) Alias(i.path, nodes_.size());
        if (nodeBuf[0] != '\0') AddItf(n, kItfUsbHub, nodeBuf);
      } else if (!composite) {
        const UsbInterface* first = functions.empty() ? nullptr : functions.front().front();
        n.cls = first ? UsbFunctionClass(*first) : &kUsbDevice;
        n.desc = Get(db, "ID_MODEL_FROM_DATABASE");
        if (n.desc.empty()) n.desc = product;
        if (n.desc.empty()) n.desc = first ? UsbFunctionDesc(*first) : "USB Device";
        if (first) {
          n.compatibleIds = UsbClassIds(*first);
          if (!first->driver.empty()) n.drivers.push_back(first->driver);
        }
        const std::string own = Driver(*path);
        if (!own.empty()) n.drivers.push_back(own);
        for (const UsbInterface& i : interfaces) Alias(i.path, nodes_.size());
        if (nodeBuf[0] != '\0') AddItf(n, kItfUsbDevice, nodeBuf);
      } else {
        n.cls = &kUsb;
        n.desc = "USB Composite Device";
        const std::string dc = "USB\\DevClass_" + Hex(devClass, 2);
        n.compatibleIds = {dc + "&SubClass_00&Prot_00", dc + "&SubClass_00", dc, "USB\\COMPOSITE"};
        const std::string own = Driver(*path);
        if (!own.empty()) n.drivers.push_back(own);
        if (nodeBuf[0] != '\0') AddItf(n, kItfUsbDevice, nodeBuf);
      }
      n.driverVersion = n.drivers.empty() ? std::string() : DriverVersion(*path, n.drivers.back());
      const std::size_t deviceIndex = AddNode(std::move(n));
      if (!composite) continue;

      for (const auto& function : functions) {
        const UsbInterface& i = *function.front();
        Node f;
        f.path = i.path;
        const std::string mi = "&MI_" + Hex(i.number, 2);
        f.id = vp + mi + "\\" + SuffixOf(7, *path, Hex(i.number, 4));
        f.cls = UsbFunctionClass(i);
        f.hardwareIds = {vp + "&REV_" + rev + mi, vp + mi};
        f.compatibleIds = UsbClassIds(i);
        f.desc = i.name.empty() ? UsbFunctionDesc(i) : i.name;
        f.busDesc = i.name;
        f.manufacturer = nodes_[deviceIndex].manufacturer;
        if (!i.driver.empty()) f.drivers.push_back(i.driver);
        f.driverVersion = DriverVersion(i.path, i.driver);
        f.busType = kBusUsb;
        f.driverExpected = true;
        f.address = i.number;
        if (!nodes_[deviceIndex].locationPaths.empty()) {
          f.locationPaths.push_back(nodes_[deviceIndex].locationPaths.front() + "#USBMI(" +
                                    std::to_string(i.number) + ")");
        }
        const std::size_t fi = AddNode(std::move(f));
        for (const UsbInterface* member : function) Alias(member->path, fi);
      }
    }
  }

  // --- HID and input -----------------------------------------------------------------------------------

  InputKind KindOf(const std::string& inputPath) const {
    const std::string ev = tree_.Attr(inputPath, "capabilities/ev");
    const std::string key = tree_.Attr(inputPath, "capabilities/key");
    const std::string rel = tree_.Attr(inputPath, "capabilities/rel");
    const std::string abs = tree_.Attr(inputPath, "capabilities/abs");
    constexpr unsigned kEvKey = 1, kEvRel = 2, kEvAbs = 3;
    constexpr unsigned kKeyQ = 16, kKeyA = 30, kKeyZ = 44, kKeySpace = 57;
    constexpr unsigned kBtnLeft = 0x110, kBtnToolFinger = 0x145, kBtnTouch = 0x14A;
    if (HasBit(ev, kEvKey) && HasBit(key, kKeyQ) && HasBit(key, kKeyA) && HasBit(key, kKeyZ) &&
        HasBit(key, kKeySpace)) {
      return InputKind::keyboard;
    }
    if (HasBit(ev, kEvRel) && HasBit(rel, 0) && HasBit(rel, 1) && HasBit(key, kBtnLeft)) return InputKind::mouse;
    if (HasBit(ev, kEvAbs) && HasBit(abs, 0) && HasBit(abs, 1) && HasBit(key, kBtnToolFinger) &&
        HasBit(key, kBtnTouch)) {
      return InputKind::mouse;
    }
    return InputKind::other;
  }

  // The event node of an input device: "/dev/input/event3", or empty.
  std::string EventNode(const std::string& inputPath) const {
    for (const std::string& child : tree_.List(inputPath)) {
      if (StartsWith(child, "event") && child.size() > 5) return "/dev/input/event" + IdPart(child.substr(5));
    }
    return {};
  }

  // Adds the keyboard or mouse interface of an input to a node; true when it was one of those.
  bool AddInputInterface(Node& node, const std::string& inputPath, InputKind kind) {
    handledInputs_.insert(inputPath);
    const std::string event = EventNode(inputPath);
    if (event.empty() || kind == InputKind::other) return false;
    AddItf(node, kind == InputKind::keyboard ? kItfKeyboard : kItfMouse, event);
    return true;
  }

  void ScanHid() {
    for (const std::string& name : tree_.List("bus/hid/devices")) {
      const auto path = tree_.Resolve(Join("bus/hid/devices", name));
      if (!path || byPath_.count(*path) != 0) continue;
      unsigned bus = 0, vid = 0, pid = 0, inst = 0;
      char tail = 0;
      if (std::sscanf(Base(*path).c_str(), "%x:%x:%x.%x%c", &bus, &vid, &pid, &inst, &tail) != 4 || vid > 0xFFFF ||
          pid > 0xFFFF) {
        continue;
      }
      std::vector<std::pair<std::string, InputKind>> inputs;
      for (const std::string& in : tree_.List(Join(*path, "input"))) {
        const std::string ip = Join(Join(*path, "input"), in);
        inputs.emplace_back(ip, KindOf(ip));
      }
      InputKind kind = InputKind::other;
      for (const auto& [ip, k] : inputs) {
        if (k != InputKind::other) {
          kind = k;
          break;
        }
      }
      Node n;
      n.path = *path;
      const auto mi = ParseNumber(tree_.Attr(Dir(*path), "bInterfaceNumber"), 16);
      const std::string vp = "HID\\VID_" + Hex(vid, 4) + "&PID_" + Hex(pid, 4);
      const std::string miText = mi ? "&MI_" + Hex(*mi & 0xFF, 2) : std::string();
      n.id = vp + miText + "\\" + SuffixOf(8, Dir(*path), Hex(inst & 0xFFFF, 4));
      n.cls = kind == InputKind::keyboard ? &kKeyboard : kind == InputKind::mouse ? &kMouse : &kHid;
      if (!miText.empty()) n.hardwareIds.push_back(vp + miText);
      n.hardwareIds.push_back(vp);
      if (kind == InputKind::keyboard) {
        n.hardwareIds.insert(n.hardwareIds.end(), {"HID_DEVICE_SYSTEM_KEYBOARD", "HID_DEVICE_UP:0001_U:0006"});
      } else if (kind == InputKind::mouse) {
        n.hardwareIds.insert(n.hardwareIds.end(), {"HID_DEVICE_SYSTEM_MOUSE", "HID_DEVICE_UP:0001_U:0002"});
      }
      n.hardwareIds.push_back("HID_DEVICE");
      for (const auto& [ip, k] : inputs) {
        if (n.desc.empty()) n.desc = Printable(tree_.Attr(ip, "name"));
      }
      if (n.desc.empty()) n.desc = n.cls->generic;
      const std::string drv = Driver(*path);
      if (!drv.empty()) n.drivers.push_back(drv);
      n.driverVersion = DriverVersion(*path, drv);
      n.driverExpected = true;
      n.busType = kBusHid;
      for (const std::string& raw : tree_.List(Join(*path, "hidraw"))) {
        if (StartsWith(raw, "hidraw") && raw.size() > 6) AddItf(n, kItfHid, "/dev/hidraw" + IdPart(raw.substr(6)));
      }
      for (const auto& [ip, k] : inputs) AddInputInterface(n, ip, k);
      AddNode(std::move(n));
    }
  }

  void ScanInputs() {
    std::size_t created = 0;
    for (const std::string& name : tree_.List("class/input")) {
      if (!StartsWith(name, "input")) continue;
      const auto path = tree_.Resolve(Join("class/input", name));
      if (!path || handledInputs_.count(*path) != 0) continue;
      const InputKind kind = KindOf(*path);
      const std::optional<std::size_t> owner = NodeAbove(*path);
      if (owner) {
        AddInputInterface(nodes_[*owner], *path, kind);
        continue;
      }
      if (kind == InputKind::other) continue;
      // A PS/2 keyboard or mouse behind the keyboard controller is, on Windows, the ACPI device itself.
      const std::string phys = tree_.Attr(*path, "phys");
      if (StartsWith(phys, "isa0060/serio")) {
        const auto* target = kind == InputKind::keyboard ? &kKeyboard : &kMouse;
        bool attached = false;
        for (Node& n : nodes_) {
          if (n.cls == target && StartsWith(n.id, "ACPI\\")) {
            AddInputInterface(n, *path, kind);
            attached = true;
            break;
          }
        }
        if (attached) continue;
      }
      const std::string vid = HexField(tree_.Attr(*path, "id/vendor"), 4);
      const std::string pid = HexField(tree_.Attr(*path, "id/product"), 4);
      Node n;
      n.path = *path;
      n.cls = kind == InputKind::keyboard ? &kKeyboard : &kMouse;
      const std::string vp = "HID\\VID_" + (vid.empty() ? "0000" : vid) + "&PID_" + (pid.empty() ? "0000" : pid);
      n.id = vp + "\\" + SuffixOf(1, Dir(*path), Hex(created++, 4));
      n.hardwareIds = {vp, kind == InputKind::keyboard ? "HID_DEVICE_SYSTEM_KEYBOARD" : "HID_DEVICE_SYSTEM_MOUSE"};
      n.desc = Printable(tree_.Attr(*path, "name"));
      if (n.desc.empty()) n.desc = n.cls->generic;
      n.rootEnumerated = StartsWith(*path, "devices/virtual/");
      AddInputInterface(n, *path, kind);
      AddNode(std::move(n));
    }
  }

  // --- block devices -----------------------------------------------------------------------------------

  void ScanBlock() {
    for (const std::string& name : tree_.List("class/block")) {
      const auto path = tree_.Resolve(Join("class/block", name));
      if (!path || byPath_.count(*path) != 0) continue;
      if (!tree_.Attr(*path, "partition").empty()) continue;  // with its disk, below
      const std::string devName = Base(*path);
      if (StartsWith(devName, "ram") || StartsWith(devName, "zram")) continue;
      const bool loop = StartsWith(devName, "loop");
      std::string backing;
      if (loop) {
        backing = Printable(tree_.Attr(*path, "loop/backing_file"));
        if (backing.empty()) continue;
      } else if (StartsWith(*path, "devices/virtual/")) {
        continue;  // device-mapper and md arrays are volumes of other disks, not drives
      }
      AddDisk(*path, devName, loop, backing);
    }
  }

  void AddDisk(const std::string& path, const std::string& devName, bool loop, const std::string& backing) {
    const auto devicePath = tree_.Resolve(Join(path, "device"));
    std::string vendor, product, rev, driver, host, tail = "000000";
    bool cdrom = StartsWith(devName, "sr");
    int depth = 4;
    if (loop) {
      vendor = "Linux";
      product = "Loop";
    } else if (devicePath && !tree_.Attr(*devicePath, "model").empty() && tree_.Exists(Join(*devicePath, "vendor")) &&
               tree_.Exists(Join(*devicePath, "rev"))) {
      // A SCSI device (SATA and SAS disks, USB storage, optical drives).
      vendor = Printable(tree_.Attr(*devicePath, "vendor"));
      product = Printable(tree_.Attr(*devicePath, "model"));
      rev = Printable(tree_.Attr(*devicePath, "rev"));
      if (tree_.Attr(*devicePath, "type") == "5") cdrom = true;
      unsigned h = 0, c = 0, t = 0, l = 0;
      if (std::sscanf(Base(*devicePath).c_str(), "%u:%u:%u:%u", &h, &c, &t, &l) == 4) {
        tail = Hex(c & 0xFF, 2) + Hex(t & 0xFF, 2) + Hex(l & 0xFF, 2);
        host = "/host" + std::to_string(h);  // two ports of one controller are two SCSI buses
      }
      // ATA drives report "ATA" as their vendor; Windows takes the model's first word instead.
      if (vendor == "ATA") {
        const std::size_t space = product.find(' ');
        vendor = space == std::string::npos ? std::string() : product.substr(0, space);
        product = space == std::string::npos ? product : Trim(product.substr(space + 1));
      }
      driver = Driver(*devicePath);
    } else if (devicePath && StartsWith(Base(*devicePath), "nvme")) {
      vendor = "NVMe";
      product = Printable(tree_.Attr(*devicePath, "model"));
      rev = Printable(tree_.Attr(*devicePath, "firmware_rev"));
      const auto nsid = ParseNumber(tree_.Attr(path, "nsid"), 10);
      tail = Hex(nsid && *nsid > 0 ? (*nsid - 1) & 0xFFFFFF : 0, 6);
      depth = 5;
      const std::optional<std::size_t> ctrl = NodeAbove(path);
      driver = ctrl && !nodes_[*ctrl].drivers.empty() ? nodes_[*ctrl].drivers.back() : std::string();
    } else if (devicePath && StartsWith(Base(*devicePath), "virtio")) {
      vendor = "VirtIO";
      product = "Block Device";
      driver = Driver(*devicePath);
    } else if (devicePath && StartsWith(Base(*devicePath), "mmc")) {
      vendor = Printable(tree_.Attr(*devicePath, "type"));
      product = Printable(tree_.Attr(*devicePath, "name"));
      driver = Driver(*devicePath);
    } else {
      product = devName;
      if (devicePath) driver = Driver(*devicePath);
    }

    const std::optional<std::size_t> above = NodeAbove(path);
    const bool usb = above && nodes_[*above].busType && *nodes_[*above].busType == kBusUsb;
    const std::string bus = usb ? "USBSTOR" : "SCSI";
    const std::string kind = cdrom ? "CdRom" : "Disk";
    const std::string ven = HwPart(Trim(vendor.substr(0, 8)));
    const std::string prod = HwPart(Trim(product.substr(0, 16)));
    const std::string revision = HwPart(Trim(rev.substr(0, 4)));

    Node n;
    n.path = path;
    n.cls = cdrom ? &kCdrom : &kDisk;
    std::string suffix = SuffixOf(depth, (above ? nodes_[*above].path : Dir(path)) + host, tail);
    if (usb) {
      // USB storage is named by the device's serial number and the unit's LUN, as Windows does.
      std::string usbDevice = nodes_[*above].path;
      if (Base(usbDevice).find(':') != std::string::npos) usbDevice = Dir(usbDevice);  // an interface's device
      const std::string usbSerial = IdPart(tree_.Attr(usbDevice, "serial"));
      unsigned h = 0, c = 0, t = 0, l = 0;
      if (devicePath) std::sscanf(Base(*devicePath).c_str(), "%u:%u:%u:%u", &h, &c, &t, &l);
      suffix = (usbSerial.empty() ? SuffixOf(7, nodes_[*above].path, "0") : usbSerial) + "&" + std::to_string(l);
    }
    if (loop) {
      suffix = SuffixOf(1, "loop", IdPart(devName));
      n.rootEnumerated = true;
    }
    // Cut to the sizes of the inquiry data first, so no blank at the cut becomes a "_".
    n.id = bus + "\\" + Upper(kind) + "&VEN_" + IdPart(vendor.substr(0, 8)) + "&PROD_" + IdPart(product.substr(0, 16)) +
           (usb ? "&REV_" + IdPart(rev.substr(0, 4)) : std::string()) + "\\" + suffix;
    const std::string pv = Padded(ven, 8), pp = Padded(prod, 16), pr = Padded(revision, 4);
    n.hardwareIds = {bus + "\\" + kind + pv + pp + pr, bus + "\\" + kind + pv + pp, bus + "\\" + kind + pv,
                     bus + "\\" + pv + pp + pr.substr(0, 1), pv + pp + pr.substr(0, 1),
                     cdrom ? "GenCdRom" : "GenDisk"};
    n.compatibleIds = {bus + "\\" + kind, bus + "\\RAW"};
    n.desc = cdrom ? "CD-ROM Drive" : "Disk drive";
    n.friendly = vendor == "NVMe" ? product : Trim(vendor + " " + product);
    if (loop) n.friendly = "Loop device (" + backing + ")";
    if (n.friendly.empty()) n.friendly = n.desc;
    n.manufacturer = cdrom ? "(Standard CD-ROM drives)" : "(Standard disk drives)";
    n.firmware = rev;
    if (!driver.empty()) n.drivers.push_back(driver);
    n.driverExpected = !loop;
    if (tail.size() == 6 && !usb && !loop && devicePath && !StartsWith(Base(*devicePath), "nvme") &&
        !StartsWith(Base(*devicePath), "virtio")) {
      unsigned h = 0, c = 0, t = 0, l = 0;
      if (std::sscanf(Base(*devicePath).c_str(), "%u:%u:%u:%u", &h, &c, &t, &l) == 4) {
        n.locationInfo = "Bus Number " + std::to_string(c) + ", Target Id " + std::to_string(t) + ", LUN " +
                         std::to_string(l);
        n.address = t;
      }
    }
    n.removable = usb;
    AddItf(n, cdrom ? kItfCdrom : kItfDisk, "/dev/" + devName);
    const std::string diskId = AddNodeId(std::move(n));

    for (const std::string& part : tree_.List(path)) {
      const std::string pp2 = Join(path, part);
      if (tree_.Attr(pp2, "partition").empty()) continue;
      const auto start = ParseNumber(tree_.Attr(pp2, "start"), 10);
      Node v;
      v.path = pp2;
      v.cls = &kVolume;
      v.id = "STORAGE\\VOLUME\\" + GuidToText(GuidFromText(diskId)) + "#" +
             Hex(start.value_or(0) * 512 & 0xFFFFFFFFFFFFFFFFull, 16);
      v.hardwareIds = {"STORAGE\\Volume"};
      v.desc = kVolume.generic;
      v.friendly = Printable(tree_.Uevent(pp2, "PARTNAME"));
      AddItf(v, kItfVolume, "/dev/" + Base(pp2));
      AddItf(v, kItfPartition, "/dev/" + Base(pp2));
      AddNode(std::move(v));
    }
  }

  // --- network interfaces ------------------------------------------------------------------------------

  struct VirtualNet {
    const char* desc;
    const char* service;
  };

  VirtualNet VirtualNetKind(const std::string& path, const std::string& name) const {
    const std::string devType = tree_.Uevent(path, "DEVTYPE");
    if (tree_.Attr(path, "type") == "772") return {"Software Loopback Interface", nullptr};
    if (tree_.IsDir(Join(path, "bridge"))) return {"Network Bridge", "bridge"};
    if (tree_.IsDir(Join(path, "bonding"))) return {"Bonded Network Adapter", "bonding"};
    if (tree_.Exists(Join(path, "tun_flags"))) return {"TAP-Windows Adapter", "tun"};
    if (devType == "vlan") return {"VLAN Adapter", "8021q"};
    if (devType == "wireguard") return {"WireGuard Tunnel", "wireguard"};
    if (StartsWith(name, "veth")) return {"Virtual Ethernet Adapter", "veth"};
    if (StartsWith(name, "ifb")) return {"Intermediate Functional Block Adapter", "ifb"};
    if (StartsWith(name, "dummy")) return {"Dummy Network Adapter", "dummy"};
    return {"Virtual Network Adapter", nullptr};
  }

  void ScanNet() {
    std::size_t softIndex = 0;
    for (const std::string& name : tree_.List("class/net")) {
      const auto path = tree_.Resolve(Join("class/net", name));
      if (!path) continue;
      const std::string ifName = Base(*path);
      const std::string itfPath = "/sys/class/net/" + Printable(ifName);
      const std::optional<std::size_t> owner = NodeAbove(*path);
      if (owner && !StartsWith(*path, "devices/virtual/")) {
        Node& n = nodes_[*owner];
        AddItf(n, kItfNet, itfPath);
        n.names.push_back(Printable(ifName));
        continue;
      }
      const VirtualNet kind = VirtualNetKind(*path, ifName);
      Node n;
      n.path = *path;
      n.cls = &kNet;
      n.id = "ROOT\\NET\\" + Hex(softIndex++ % 10000, 4);
      n.hardwareIds = {kind.service ? std::string("ROOT\\") + Upper(kind.service) : std::string("ROOT\\NET")};
      n.desc = kind.desc;
      n.names.push_back(Printable(ifName));
      if (kind.service) n.drivers.push_back(kind.service);
      n.rootEnumerated = true;
      n.driverExpected = false;
      AddItf(n, kItfNet, itfPath);
      AddNode(std::move(n));
    }
  }

  // --- processors --------------------------------------------------------------------------------------

  void ScanCpus() {
    std::vector<std::pair<unsigned long long, std::string>> cpus;
    for (const std::string& name : tree_.List("devices/system/cpu")) {
      if (!StartsWith(name, "cpu")) continue;
      const auto number = ParseNumber(name.substr(3), 10);
      if (!number || name.size() == 3 || !std::isdigit(static_cast<unsigned char>(name[3]))) continue;
      cpus.emplace_back(*number, name);
    }
    std::sort(cpus.begin(), cpus.end());
    for (const auto& [number, name] : cpus) {
      const auto path = tree_.Resolve(Join("devices/system/cpu", name));
      if (!path || !tree_.IsDir(*path)) continue;
      CpuInfo info;
      if (const auto it = cpuInfo_.find(number); it != cpuInfo_.end()) info = it->second;
      // "cpu:type:x86,ven0002fam001Amod0002:feature:..." names the vendor, family and model.
      const std::string alias = tree_.Uevent(*path, "MODALIAS");

      unsigned ven = 0, fam = 0, mod = 0;
      if (std::sscanf(alias.c_str(), "cpu:type:x86,ven%4xfam%4xmod%4x", &ven, &fam, &mod) == 3) {

        if (info.vendor.empty()) {
          info.vendor = ven == 0 ? "GenuineIntel" : ven == 2 ? "AuthenticAMD" : ven == 9 ? "HygonGenuine"
                        : ven == 5 ? "CentaurHauls" : ven == 10 ? "  Shanghai  " : "Unknown";
          info.vendor = Trim(info.vendor);
        }
        if (info.family.empty()) info.family = std::to_string(fam);
        if (info.model.empty()) info.model = std::to_string(mod);
      }
      Node n;
      n.path = *path;
      n.cls = &kProcessor;
      std::string hw;
      if (!info.vendor.empty()) {
        const std::string word = info.vendor == "GenuineIntel" ? "Intel64"
                                 : info.vendor == "AuthenticAMD" || info.vendor == "HygonGenuine" ? "AMD64"
                                                                                                  : "x86_64";
        std::vector<std::string> stems = {HwPart(info.vendor)};
        stems.insert(stems.begin(), stems.front() + "_-_" + word);
        if (!info.family.empty()) {
          stems.insert(stems.begin(), stems.front() + "_Family_" + HwPart(info.family));
          if (!info.model.empty()) {
            stems.insert(stems.begin(), stems.front() + "_Model_" + HwPart(info.model));
            if (!info.name.empty()) {
              std::string model = info.name;
              std::replace(model.begin(), model.end(), ' ', '_');
              stems.insert(stems.begin(), stems.front() + "_-_" + Printable(model).substr(0, 96));
            }
          }
        }
        for (const std::string& s : stems) {
          n.hardwareIds.push_back("ACPI\\" + s);
          n.hardwareIds.push_back("*" + s);
        }
        hw = Upper(stems.front());
      } else {
        hw = "PROCESSOR";
        n.hardwareIds = {"ACPI\\Processor"};
      }
      n.id = "ACPI\\" + hw + "\\_" + std::to_string(number);
      n.desc = info.name;
      if (n.desc.empty() && !info.vendor.empty() && !info.family.empty()) {
        n.desc = info.vendor + " Family " + info.family + " Model " + info.model;
      }
      if (n.desc.empty()) n.desc = kProcessor.generic;
      n.friendly = n.desc;
      n.manufacturer = info.vendor == "GenuineIntel" ? "Intel" : info.vendor == "AuthenticAMD" ? "AMD" : info.vendor;
      const std::string drv = Driver(*path);
      if (!drv.empty()) n.drivers.push_back(drv);
      n.disabled = tree_.Attr(*path, "online") == "0";
      n.parentIsAcpiRoot = true;
      n.bios = BiosName(FirmwarePath(*path));
      for (const std::string& child : tree_.List(*path)) {
        if (StartsWith(child, "node")) {
          const auto numa = ParseNumber(child.substr(4), 10);
          if (numa && *numa < 1024) n.numa = static_cast<DWORD>(*numa);
        }
      }

      AddItf(n, kItfProcessor, "/sys/devices/system/cpu/" + name);
      AddNode(std::move(n));
    }
  }

  // --- ACPI --------------------------------------------------------------------------------------------

  void ScanAcpi() {
    struct Found {
      std::string acpiPath, hid, place;
    };
    std::vector<Found> found;
    for (const std::string& name : tree_.List("bus/acpi/devices")) {
      const auto path = tree_.Resolve(Join("bus/acpi/devices", name));
      if (!path) continue;
      const std::string hid = IdPart(tree_.Attr(*path, "hid"));
      const auto status = ParseNumber(tree_.Attr(*path, "status"), 10);
      if (status && (*status & 1) == 0) continue;  // not present
      const auto physical = tree_.Resolve(Join(*path, "physical_node"));
      if (physical && byPath_.count(*physical) != 0) {
        // The firmware's side of a device listed already (a PCI function): its name is the BIOS name.
        // Devices below it in the firmware's tree (a serial port below the LPC bridge) are its children.
        Node& n = nodes_[byPath_.at(*physical)];
        if (n.bios.empty()) n.bios = BiosName(tree_.Attr(*path, "path"));
        byAcpi_.emplace(*path, byPath_.at(*physical));
        continue;
      }
      if (hid.empty() || hid == "LNXSYBUS" || hid == "LNXCPU" || hid == "ACPI0007") continue;
      found.push_back({*path, hid, physical ? *physical : *path});
    }
    // Parents first, so each device finds the nearest ACPI device above it.
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
      const auto depth = [](const std::string& s) { return std::count(s.begin(), s.end(), '/'); };
      return depth(a.acpiPath) != depth(b.acpiPath) ? depth(a.acpiPath) < depth(b.acpiPath) : a.acpiPath < b.acpiPath;
    });
    for (const Found& f : found) {
      const std::string acpiName = tree_.Attr(f.acpiPath, "path");
      const std::string alias = tree_.Attr(f.acpiPath, "modalias");
      const AcpiKind* kind = FindAcpiKind(f.hid);
      Node n;
      n.path = f.place;
      const std::string kernelName = Base(f.acpiPath);
      const std::size_t colon = kernelName.rfind(':');
      const auto instance = colon == std::string::npos ? std::nullopt : ParseNumber(kernelName.substr(colon + 1), 16);
      std::string uid = IdPart(tree_.Attr(f.acpiPath, "uid"));
      if (uid.empty()) uid = std::to_string(instance.value_or(0));
      if (f.hid == "LNXSYSTM") {
        n.id = "ACPI_HAL\\PNP0C08\\0";
        n.hardwareIds = {"ACPI_HAL\\PNP0C08", "*PNP0C08"};
        n.desc = "ACPI-Compliant System";
        acpiRoot_ = nodes_.size();
      } else if (f.hid == "LNXTHERM") {
        const std::string zone = IdPart(acpiName.substr(acpiName.rfind('.') == std::string::npos ? 0 : acpiName.rfind('.') + 1));
        n.id = "ACPI\\THERMALZONE\\" + (zone.empty() ? uid : zone);
        n.hardwareIds = {"ACPI\\ThermalZone"};
      } else {
        n.id = "ACPI\\" + f.hid + "\\" + uid;
        // "PNP0501" and "ACPI0013" are a vendor prefix and a hexadecimal product number.
        const bool pnpStyle = (f.hid.size() == 7 || f.hid.size() == 8) && !StartsWith(f.hid, "LNX") &&
                              std::all_of(f.hid.end() - 4, f.hid.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
        if (pnpStyle) {
          const std::size_t split = f.hid.size() - 4;
          n.hardwareIds.push_back("ACPI\\VEN_" + f.hid.substr(0, split) + "&DEV_" + f.hid.substr(split));
        }
        n.hardwareIds.push_back("ACPI\\" + f.hid);
        n.hardwareIds.push_back("*" + f.hid);
      }
      // The modalias names the compatible ids after the hardware id: "acpi:PNP0501:PNP0500:".
      if (StartsWith(alias, "acpi:")) {
        std::size_t pos = 5;
        bool first = true;
        while (pos < alias.size()) {
          std::size_t end = alias.find(':', pos);
          if (end == std::string::npos) end = alias.size();
          const std::string cid = IdPart(alias.substr(pos, end - pos));
          if (!first && !cid.empty()) {
            n.compatibleIds.push_back("ACPI\\" + cid);
            n.compatibleIds.push_back("*" + cid);
            if (kind == nullptr) kind = FindAcpiKind(cid);
          }
          first = false;
          pos = end + 1;
        }
      }
      n.cls = kind ? kind->cls : &kSystem;
      const HwdbProperties db = Lookup("acpi:" + f.hid + ":");
      if (n.desc.empty()) n.desc = Get(db, "ID_MODEL_FROM_DATABASE");
      if (n.desc.empty()) n.desc = Printable(tree_.Attr(f.acpiPath, "description"));
      if (n.desc.empty() && kind) n.desc = kind->desc;
      if (n.desc.empty()) n.desc = n.cls->generic;
      n.manufacturer = Get(db, "ID_VENDOR_FROM_DATABASE");
      std::string drv = f.place != f.acpiPath ? Driver(f.place) : std::string();
      if (drv.empty()) drv = Driver(f.acpiPath);
      if (!drv.empty()) n.drivers.push_back(drv);
      n.driverVersion = DriverVersion(f.place != f.acpiPath && !Driver(f.place).empty() ? f.place : f.acpiPath, drv);
      n.driverExpected = kind && kind->driverExpected;
      n.bios = acpiName == "\\" ? std::string() : BiosName(acpiName);
      if (!AcpiLocationPath(acpiName).empty() && acpiName != "\\") n.locationPaths.push_back(AcpiLocationPath(acpiName));
      const auto adr = ParseNumber(tree_.Attr(f.acpiPath, "adr"), 16);
      if (adr && *adr <= 0xFFFFFFFFull) n.address = static_cast<DWORD>(*adr);
      n.busType = f.hid == "LNXSYSTM" ? std::nullopt : std::optional<GUID>(kBusAcpi);
      n.parentAcpiPath = f.acpiPath;
      if (kind && kind->itf) {
        std::string itfPath = "/sys/bus/acpi/devices/" + Printable(kernelName);
        for (const std::string& in : tree_.List(Join(f.acpiPath, "input"))) {
          const std::string event = EventNode(Join(Join(f.acpiPath, "input"), in));
          if (!event.empty()) {
            itfPath = event;
            break;
          }
        }
        if (f.hid == "LNXTHERM") {
          for (const std::string& tz : tree_.List(Join(f.acpiPath, "thermal_zone"))) {
            itfPath = "/sys/class/thermal/" + Printable(tz);
            break;
          }
        }
        AddItf(n, *kind->itf, itfPath);
      }
      for (const std::string& in : tree_.List(Join(f.acpiPath, "input"))) {
        handledInputs_.insert(Join(Join(f.acpiPath, "input"), in));
      }
      const std::size_t index = AddNode(std::move(n));
      byAcpi_.emplace(f.acpiPath, index);
      Alias(f.acpiPath, index);
    }
  }

  // --- devices that add to another --------------------------------------------------------------------

  void ScanTty() {
    for (const std::string& name : tree_.List("class/tty")) {
      const auto path = tree_.Resolve(Join("class/tty", name));
      if (!path || StartsWith(*path, "devices/virtual/")) continue;
      if (!tree_.Exists(Join(*path, "device"))) continue;
      const std::string type = tree_.Attr(*path, "type");
      if (type == "0") continue;  // a port the driver knows of, without a UART behind it
      const std::optional<std::size_t> owner = NodeAbove(*path);
      if (!owner) continue;
      Node& n = nodes_[*owner];
      AddItf(n, kItfComport, "/dev/" + Printable(Base(*path)));
      n.names.push_back(Printable(Base(*path)));
      if (n.cls == &kUsbDevice || n.cls == &kUsb) n.cls = &kPorts;
    }
  }

  void AttachByClass(const std::string& classDir, const std::function<void(Node&, const std::string&)>& attach) {
    for (const std::string& name : tree_.List(classDir)) {
      const auto path = tree_.Resolve(Join(classDir, name));
      if (!path) continue;
      const std::optional<std::size_t> owner = NodeAbove(*path);
      if (owner) attach(nodes_[*owner], name);
    }
  }

  void ScanSound() {
    AttachByClass("class/sound", [](Node& n, const std::string& name) {
      if (StartsWith(name, "card")) AddItf(n, kItfAudio, "/dev/snd/controlC" + IdPart(name.substr(4)));
    });
  }

  void ScanVideo() {
    for (const std::string& name : tree_.List("class/video4linux")) {
      const auto path = tree_.Resolve(Join("class/video4linux", name));
      if (!path || !StartsWith(name, "video")) continue;
      const std::string index = tree_.Attr(*path, "index");
      if (!index.empty() && index != "0") continue;  // metadata nodes of the same camera
      const std::optional<std::size_t> owner = NodeAbove(*path);
      if (!owner) continue;
      AddItf(nodes_[*owner], kItfVideo, "/dev/" + Printable(name));
      if (nodes_[*owner].cls == &kImage) AddItf(nodes_[*owner], kItfImage, "/dev/" + Printable(name));
    }
  }

  void ScanBluetooth() {
    AttachByClass("class/bluetooth", [](Node& n, const std::string& name) {
      if (name.find(':') != std::string::npos) return;  // connections, not radios
      AddItf(n, kItfBthPort, "/sys/class/bluetooth/" + Printable(name));
      if (n.cls == &kUsbDevice) n.cls = &kBluetooth;
    });
  }

  void ScanPowerSupplies() {
    for (const std::string& name : tree_.List("class/power_supply")) {
      const auto path = tree_.Resolve(Join("class/power_supply", name));
      if (!path || tree_.Attr(*path, "type") != "Battery") continue;
      const std::optional<std::size_t> owner = NodeAbove(*path);
      const std::string itfPath = "/sys/class/power_supply/" + Printable(name);
      const std::string maker = Printable(tree_.Attr(*path, "manufacturer"));
      const std::string model = Printable(tree_.Attr(*path, "model_name"));
      if (owner && nodes_[*owner].cls == &kBattery) {
        Node& n = nodes_[*owner];
        AddItf(n, kItfBattery, itfPath);
        if (!maker.empty()) n.manufacturer = maker;
        if (!model.empty()) n.model = model;
        continue;
      }
      Node n;
      n.path = *path;
      n.cls = &kBattery;
      n.id = "POWER_SUPPLY\\BATTERY\\" + IdPart(name);
      n.hardwareIds = {"POWER_SUPPLY\\BATTERY"};
      n.desc = model.empty() ? std::string("Battery") : model;
      n.manufacturer = maker;
      n.model = model;
      AddItf(n, kItfBattery, itfPath);
      AddNode(std::move(n));
    }
  }

  void ScanDrm() {
    for (const std::string& name : tree_.List("class/drm")) {
      const auto path = tree_.Resolve(Join("class/drm", name));
      if (!path) continue;
      const std::optional<std::size_t> owner = NodeAbove(*path);
      if (StartsWith(name, "card") && name.find('-') == std::string::npos) {
        if (owner) AddItf(nodes_[*owner], kItfDisplayAdapter, "/dev/dri/" + Printable(name));
        continue;
      }
      if (tree_.Attr(*path, "status") != "connected") continue;
      const auto edid = tree_.ReadFile(Join(*path, "edid"));
      static constexpr unsigned char kHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
      if (!edid || edid->size() < 128 || std::memcmp(edid->data(), kHeader, 8) != 0) continue;
      const auto byte = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>((*edid)[i])); };
      const unsigned maker = byte(8) << 8 | byte(9);
      std::string pnp;
      for (int shift : {10, 5, 0}) {
        const unsigned letter = (maker >> shift) & 0x1F;
        pnp.push_back(letter >= 1 && letter <= 26 ? static_cast<char>('A' + letter - 1) : '_');
      }
      const std::string product = Hex(byte(10) | byte(11) << 8, 4);
      std::string monitorName;
      for (std::size_t d = 54; d + 18 <= 126; d += 18) {
        if (byte(d) == 0 && byte(d + 1) == 0 && byte(d + 3) == 0xFC) {
          monitorName = Trim(Printable(std::string_view(edid->data() + d + 5, 13).substr(
              0, std::string_view(edid->data() + d + 5, 13).find('\n'))));
        }
      }
      Node n;
      n.path = *path;
      n.cls = &kMonitor;
      const std::string connectorId = tree_.Attr(*path, "connector_id");
      n.id = "DISPLAY\\" + pnp + product + "\\" +
             SuffixOf(5, owner ? nodes_[*owner].path : Dir(*path),
                      "UID" + (connectorId.empty() ? std::to_string(Fnv1a(name) % 65536) : IdPart(connectorId)));
      n.hardwareIds = {"MONITOR\\" + pnp + product};
      n.compatibleIds = {"*PNP09FF"};
      n.desc = kMonitor.generic;
      n.friendly = monitorName;
      const HwdbProperties db = Lookup("acpi:" + pnp + ":");
      n.manufacturer = Get(db, "ID_VENDOR_FROM_DATABASE");
      if (n.manufacturer.empty()) n.manufacturer = "(Standard monitor types)";
      n.busDesc = monitorName;
      const std::string connector = name.find('-') == std::string::npos ? name : name.substr(name.find('-') + 1);
      n.locationInfo = Printable(connector);
      AddItf(n, kItfMonitor, "/sys/class/drm/" + Printable(name));
      AddNode(std::move(n));
    }
  }

  void ScanIio() {
    for (const std::string& name : tree_.List("bus/iio/devices")) {
      if (!StartsWith(name, "iio:device")) continue;
      const auto path = tree_.Resolve(Join("bus/iio/devices", name));
      if (!path || byPath_.count(*path) != 0) continue;
      const std::string sensor = Printable(tree_.Attr(*path, "name"));
      Node n;
      n.path = *path;
      n.cls = &kSensor;
      n.id = "IIO\\" + (sensor.empty() ? std::string("SENSOR") : IdPart(sensor)) + "\\" + IdPart(name.substr(10));
      n.hardwareIds = {"IIO\\" + HwPart(sensor.empty() ? "Sensor" : sensor)};
      n.desc = sensor.empty() ? kSensor.generic : sensor;
      // The driver is bound to the sensor's own device, of which the IIO device is a view.
      std::string drv = Driver(*path);
      if (drv.empty()) drv = Driver(Dir(*path));
      if (!drv.empty()) n.drivers.push_back(drv);
      AddItf(n, kItfSensor, "/dev/" + Printable(name));
      AddNode(std::move(n));
    }
  }

  void ScanHwmon() {
    for (const std::string& name : tree_.List("class/hwmon")) {
      const auto path = tree_.Resolve(Join("class/hwmon", name));
      // A sensor of a device listed already, or of a thermal zone, is not a device of its own.
      if (!path || NodeAbove(*path) || StartsWith(*path, "devices/virtual/")) continue;
      const std::string chip = Printable(tree_.Attr(*path, "name"));
      if (chip.empty()) continue;
      Node n;
      n.path = *path;
      n.cls = &kSensor;
      n.id = "HWMON\\" + IdPart(chip) + "\\" + IdPart(name.substr(std::min<std::size_t>(5, name.size())));
      n.hardwareIds = {"HWMON\\" + HwPart(chip)};
      n.desc = chip;
      const auto device = tree_.Resolve(Join(*path, "device"));
      const std::string drv = device ? Driver(*device) : std::string();
      if (!drv.empty()) n.drivers.push_back(drv);
      AddItf(n, kItfSensor, "/sys/class/hwmon/" + Printable(name));
      AddNode(std::move(n));
    }
  }

  // --- into the model ----------------------------------------------------------------------------------

  void ResolveParents() {
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
      Node& n = nodes_[i];
      std::optional<std::size_t> parent;
      if (!n.parentAcpiPath.empty()) {
        for (std::string up = Dir(n.parentAcpiPath); !up.empty() && !parent; up = Dir(up)) {
          const auto it = byAcpi_.find(up);
          if (it != byAcpi_.end()) parent = it->second;
        }
      } else if (n.parentIsAcpiRoot) {
        parent = acpiRoot_;
      } else {
        parent = NodeAbove(n.path);
      }
      if (parent && *parent != i) n.parent = parent;
    }
    // A parent chain that comes back to where it started is cut there.
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
      std::optional<std::size_t> p = nodes_[i].parent;
      for (int depth = 0; p; ++depth) {
        if (*p == i || depth > kMaxParentDepth) {
          nodes_[i].parent.reset();
          break;
        }
        p = nodes_[*p].parent;
      }
    }
  }

  void Emit() {
    ResolveParents();
    std::vector<std::vector<std::size_t>> children(nodes_.size());
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
      if (nodes_[i].parent) children[*nodes_[i].parent].push_back(i);
    }
    std::map<std::string, unsigned> driverIndex;
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
      const Node& n = nodes_[i];
      model::Device& d = model::AddDevice(n.id, n.cls->guid, true);

      const bool hasDriver = !n.drivers.empty() || (n.rootEnumerated && n.cls == &kNet);
      std::string friendly = n.friendly;
      if (friendly.empty() && !n.names.empty()) {
        std::string joined;
        for (const std::string& name : n.names) joined += (joined.empty() ? "" : ", ") + name;
        friendly = n.desc + " (" + joined + ")";
      }
      SetString(d, "NAME", friendly.empty() ? n.desc : friendly);
      SetString(d, "Device_DeviceDesc", n.desc);
      SetList(d, "Device_HardwareIds", n.hardwareIds);
      SetList(d, "Device_CompatibleIds", n.compatibleIds);
      if (!n.drivers.empty()) SetString(d, "Device_Service", n.drivers.front());
      SetString(d, "Device_Class", n.cls->name);
      SetGuid(d, "Device_ClassGuid", n.cls->guid);
      if (!n.drivers.empty()) {
        const unsigned index = driverIndex[n.cls->name]++;
        SetString(d, "Device_Driver", GuidToText(n.cls->guid) + "\\" + Hex(index % 10000, 4));
      }
      SetString(d, "Device_Manufacturer", n.manufacturer);
      SetString(d, "Device_FriendlyName", friendly);
      SetString(d, "Device_LocationInfo", n.locationInfo);
      if (n.busType) SetGuid(d, "Device_BusTypeGuid", *n.busType);
      if (n.legacyBus) SetUint32(d, "Device_LegacyBusType", *n.legacyBus);
      if (n.busNumber) SetUint32(d, "Device_BusNumber", *n.busNumber);
      SetString(d, "Device_EnumeratorName", n.id.substr(0, n.id.find('\\')));
      if (n.address) SetUint32(d, "Device_Address", *n.address);
      const bool removable = n.removable;
      SetUint32(d, "Device_RemovalPolicy", removable ? kRemovalExpectSurpriseRemoval : kRemovalExpectNoRemoval);
      const bool failed = !hasDriver && n.driverExpected;
      SetUint32(d, "Device_InstallState", failed ? 1u : 0u);
      SetList(d, "Device_LocationPaths", n.locationPaths);
      SetString(d, "Device_InstanceId", n.id);

      DWORD status = kDnNtEnumerator;
      std::optional<DWORD> problem;
      if (n.disabled) {
        status |= kDnHasProblem;
        problem = kProblemDisabled;
      } else if (failed) {
        status |= kDnHasProblem | kDnNtDriver;
        problem = kProblemFailedInstall;
      } else if (hasDriver) {
        status |= kDnDriverLoaded | kDnStarted | kDnDisableable | kDnNtDriver;
      } else {
        status |= kDnStarted;
      }
      if (n.rootEnumerated) status |= kDnRootEnumerated;
      if (removable) status |= kDnRemovable;
      SetUint32(d, "Device_DevNodeStatus", status);
      SetUint32(d, "Device_ProblemCode", problem.value_or(0));
      if (n.parent) SetString(d, "Device_Parent", nodes_[*n.parent].id);
      std::vector<std::string> kids;
      for (std::size_t c : children[i]) kids.push_back(nodes_[c].id);
      SetList(d, "Device_Children", kids);
      if (n.parent) {
        std::vector<std::string> siblings;
        for (std::size_t s : children[*n.parent]) {
          if (s != i) siblings.push_back(nodes_[s].id);
        }
        SetList(d, "Device_Siblings", siblings);
      }
      SetGuid(d, "Device_ContainerId", ContainerOf(i));
      SetString(d, "Device_Model", n.model);
      if (n.numa) SetUint32(d, "Device_Numa_Node", *n.numa);
      SetString(d, "Device_BusReportedDeviceDesc", n.busDesc);
      SetBool(d, "Device_IsPresent", true);
      SetBool(d, "Device_HasProblem", problem.has_value());
      SetString(d, "Device_BiosDeviceName", n.bios);
      std::vector<std::string> stack;
      for (const std::string& drv : n.drivers) stack.push_back("\\Driver\\" + drv);
      std::string below = n.busDriver;
      if (below.empty() && n.parent && !nodes_[*n.parent].drivers.empty()) below = nodes_[*n.parent].drivers.front();
      if (!stack.empty() && !below.empty() && stack.back() != "\\Driver\\" + below) stack.push_back("\\Driver\\" + below);
      SetList(d, "Device_Stack", stack);
      SetString(d, "Device_FirmwareVersion", n.firmware);
      SetString(d, "Device_DriverVersion", n.driverVersion);

      for (const Itf& itf : n.interfaces) {
        model::Interface mi;
        mi.interfaceClass = itf.guid;
        mi.devicePath = itf.path;
        mi.deviceInstanceId = n.id;
        mi.flags = SPINT_ACTIVE;
        model::AddInterface(mi);
      }
    }
  }

  GUID ContainerOf(std::size_t i) const {
    std::optional<std::size_t> p = i;
    for (int depth = 0; p && depth <= kMaxParentDepth; ++depth) {
      if (nodes_[*p].container) return *nodes_[*p].container;
      p = nodes_[*p].parent;
    }
    return kLocalMachineContainer;
  }

  static void SetString(model::Device& d, const char* name, const std::string& value) {
    const DEVPROPKEY* key = FindDevicePropertyKey(name);
    if (key == nullptr || value.empty()) return;
    model::SetStringProperty(d, *key, model::Utf8ToUtf16(Printable(value)));
  }

  static void SetList(model::Device& d, const char* name, const std::vector<std::string>& items) {
    const DEVPROPKEY* key = FindDevicePropertyKey(name);
    std::vector<std::u16string> wide;
    for (const std::string& item : items) {
      if (!item.empty()) wide.push_back(model::Utf8ToUtf16(Printable(item)));
    }
    if (key == nullptr || wide.empty()) return;
    model::SetStringListProperty(d, *key, wide);
  }

  static void SetUint32(model::Device& d, const char* name, DWORD value) {
    if (const DEVPROPKEY* key = FindDevicePropertyKey(name)) model::SetUint32Property(d, *key, value);
  }

  static void SetBool(model::Device& d, const char* name, bool value) {
    if (const DEVPROPKEY* key = FindDevicePropertyKey(name)) model::SetBoolProperty(d, *key, value);
  }

  static void SetGuid(model::Device& d, const char* name, const GUID& value) {
    if (const DEVPROPKEY* key = FindDevicePropertyKey(name)) model::SetGuidProperty(d, *key, value);
  }

  Tree tree_;
  const SysfsScanOptions& options_;
  std::vector<Node> nodes_;
  std::map<std::string, std::size_t> byPath_;
  std::map<std::string, std::size_t> byAcpi_;
  std::set<std::string> usedIds_;
  std::set<std::string> handledInputs_;
  std::map<unsigned long long, CpuInfo> cpuInfo_;
  std::optional<std::size_t> acpiRoot_;
};

}  // namespace

HwdbLookup OpenSystemHwdb() {
#ifdef DEVLIST_HAVE_LIBUDEV
  struct Handles {
    udev* context = nullptr;
    udev_hwdb* hwdb = nullptr;
    ~Handles() {
      if (hwdb != nullptr) udev_hwdb_unref(hwdb);
      if (context != nullptr) udev_unref(context);
    }
  };
  auto handles = std::make_shared<Handles>();
  handles->context = udev_new();
  if (handles->context == nullptr) return {};
  handles->hwdb = udev_hwdb_new(handles->context);
  if (handles->hwdb == nullptr) return {};
  return [handles](const std::string& modalias) {
    HwdbProperties properties;
    udev_list_entry* entry = udev_hwdb_get_properties_list_entry(handles->hwdb, modalias.c_str(), 0);
    for (; entry != nullptr; entry = udev_list_entry_get_next(entry)) {
      const char* name = udev_list_entry_get_name(entry);
      const char* value = udev_list_entry_get_value(entry);
      if (name != nullptr && value != nullptr) properties[name] = value;
    }
    return properties;
  };
#else
  return {};
#endif
}

void ScanSysfs(const std::string& root, const SysfsScanOptions& options) { Scanner(root, options).Run(); }

void InstallSysfsLoader(std::string root) {
  model::SetLoader([root = std::move(root)]() {
    // The database is opened only when the scan runs: a run that lists no devices never touches it.
    SysfsScanOptions options;
    options.cpuinfoPath = "/proc/cpuinfo";
    options.hwdb = OpenSystemHwdb();
    ScanSysfs(root, options);
  });
}

void InstallSysfsLoader(std::string root, SysfsScanOptions options) {
  model::SetLoader([root = std::move(root), options = std::move(options)]() { ScanSysfs(root, options); });
}

}  // namespace devlist
