// Processors (devices/system/cpu/cpuN), named from /proc/cpuinfo or, without it, from their modalias.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "scanners.h"
#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

// /proc/cpuinfo of a machine with hundreds of processors is a few hundred KiB.
constexpr std::size_t kMaxCpuinfoBytes = 1024 * 1024;
// The model name's share of the processor's ids.
constexpr std::size_t kMaxCpuModelBytes = 96;

struct CpuInfo {
  std::string vendor, family, model, name;
};

std::map<unsigned long long, CpuInfo> ReadCpuInfo(const SysfsReader& tree, const std::string& cpuinfoPath) {
  std::map<unsigned long long, CpuInfo> table;
  if (cpuinfoPath.empty()) return table;
  const auto data = tree.ReadOutside(cpuinfoPath, kMaxCpuinfoBytes);
  if (!data) return table;
  std::optional<unsigned long long> current;
  std::size_t pos = 0;
  while (pos < data->size()) {
    std::size_t nl = data->find('\n', pos);
    if (nl == std::string::npos) nl = data->size();
    const std::string line = data->substr(pos, nl - pos);
    pos = nl + 1;
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, colon));
    const std::string value = Printable(Trim(line.substr(colon + 1)));
    if (key == "processor") {
      current = ParseNumber(value, 10);
    } else if (current && *current < 65536) {
      CpuInfo& info = table[*current];
      if (key == "vendor_id") info.vendor = value;
      if (key == "cpu family") info.family = value;
      if (key == "model") info.model = value;
      if (key == "model name") info.name = value;
    }
  }
  return table;
}

// "cpu:type:x86,ven0002fam001Amod0002:feature:..." names the vendor, family and model.
void FillFromModalias(CpuInfo& info, const std::string& alias) {
  unsigned ven = 0, fam = 0, mod = 0;
  if (std::sscanf(alias.c_str(), "cpu:type:x86,ven%4xfam%4xmod%4x", &ven, &fam, &mod) != 3) return;
  if (info.vendor.empty()) {
    info.vendor = ven == 0    ? "GenuineIntel"
                  : ven == 2  ? "AuthenticAMD"
                  : ven == 9  ? "HygonGenuine"
                  : ven == 5  ? "CentaurHauls"
                  : ven == 10 ? "  Shanghai  "
                              : "Unknown";
    info.vendor = Trim(info.vendor);
  }
  if (info.family.empty()) info.family = std::to_string(fam);
  if (info.model.empty()) info.model = std::to_string(mod);
}

// The hardware ids from the most specific ("..._Family_6_Model_85_-_<name>") to the vendor alone; the
// instance id's middle part is the most specific one.
std::string ProcessorIds(const CpuInfo& info, Node& n) {
  if (info.vendor.empty()) {
    n.hardwareIds = {"ACPI\\Processor"};
    return "PROCESSOR";
  }
  const std::string word = info.vendor == "GenuineIntel"                                   ? "Intel64"
                           : info.vendor == "AuthenticAMD" || info.vendor == "HygonGenuine" ? "AMD64"
                                                                                            : "x86_64";
  std::vector<std::string> stems = {HwPart(info.vendor)};
  stems.insert(stems.begin(), stems.front() + "_-_" + word);
  if (!info.family.empty()) {
    stems.insert(stems.begin(), stems.front() + "_Family_" + HwPart(info.family));
    if (!info.model.empty()) {
      stems.insert(stems.begin(), stems.front() + "_Model_" + HwPart(info.model));
      if (!info.name.empty()) {
        stems.insert(stems.begin(), stems.front() + "_-_" + HwPart(info.name, kMaxCpuModelBytes));
      }
    }
  }
  for (const std::string& s : stems) {
    n.hardwareIds.push_back("ACPI\\" + s);
    n.hardwareIds.push_back("*" + s);
  }
  return Upper(stems.front());
}

}  // namespace

void ScanCpus(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  const std::map<unsigned long long, CpuInfo> cpuInfo = ReadCpuInfo(context.tree, context.cpuinfoPath);
  std::vector<std::pair<unsigned long long, std::string>> cpus;
  for (const std::string& name : tree.List("devices/system/cpu")) {
    if (!StartsWith(name, "cpu")) continue;
    const auto number = ParseNumber(name.substr(3), 10);
    if (!number || name.size() == 3 || !std::isdigit(static_cast<unsigned char>(name[3]))) continue;
    cpus.emplace_back(*number, name);
  }
  std::sort(cpus.begin(), cpus.end());
  for (const auto& [number, name] : cpus) {
    const auto path = tree.Resolve(JoinPath("devices/system/cpu", name));
    if (!path || !tree.IsDir(*path)) continue;
    CpuInfo info;
    if (const auto it = cpuInfo.find(number); it != cpuInfo.end()) info = it->second;
    FillFromModalias(info, tree.Uevent(*path, "MODALIAS"));
    Node n;
    n.path = *path;
    n.cls = &kProcessor;
    n.id = InstanceId("ACPI", ProcessorIds(info, n), "_" + std::to_string(number));
    n.desc = info.name;
    if (n.desc.empty() && !info.vendor.empty() && !info.family.empty()) {
      n.desc = info.vendor + " Family " + info.family + " Model " + info.model;
    }
    if (n.desc.empty()) n.desc = kProcessor.generic;
    n.friendly = n.desc;
    n.manufacturer = info.vendor == "GenuineIntel" ? "Intel" : info.vendor == "AuthenticAMD" ? "AMD" : info.vendor;
    const std::string drv = DriverOf(tree, *path);
    if (!drv.empty()) n.drivers.push_back(drv);
    n.disabled = tree.Attr(*path, "online") == "0";
    n.parentIsAcpiRoot = true;
    n.bios = BiosName(FirmwarePathOf(tree, *path));
    for (const std::string& child : tree.List(*path)) {
      if (StartsWith(child, "node")) {
        const auto numa = ParseNumber(child.substr(4), 10);
        if (numa && *numa < 1024) n.numa = static_cast<DWORD>(*numa);
      }
    }
    AddInterfaceTo(n, kItfProcessor, "/sys/devices/system/cpu/" + Printable(name, kMaxPathBytes));
    context.graph.Add(std::move(n));
  }
}

}  // namespace devlist::sysfs
