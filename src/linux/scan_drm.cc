// Display devices (class/drm): the card node of a display adapter, and a monitor for each connector that
// is connected and has an EDID.
#include <cstring>
#include <string>
#include <string_view>

#include "scanners.h"
#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

struct Edid {
  std::string pnp, product, name;
};

// The maker's PNP id, the product code and the monitor name of an EDID; none when it is no EDID.
std::optional<Edid> ParseEdid(const std::string& edid) {
  static constexpr unsigned char kHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
  if (edid.size() < 128 || std::memcmp(edid.data(), kHeader, 8) != 0) return std::nullopt;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(edid[i])); };
  Edid out;
  const unsigned maker = byte(8) << 8 | byte(9);
  for (int shift : {10, 5, 0}) {
    const unsigned letter = (maker >> shift) & 0x1F;
    out.pnp.push_back(letter >= 1 && letter <= 26 ? static_cast<char>('A' + letter - 1) : '_');
  }
  out.product = Hex(byte(10) | byte(11) << 8, 4);
  for (std::size_t d = 54; d + 18 <= 126; d += 18) {
    if (byte(d) == 0 && byte(d + 1) == 0 && byte(d + 3) == 0xFC) {
      const std::string_view text(edid.data() + d + 5, 13);
      out.name = Trim(Printable(text.substr(0, text.find('\n'))));
    }
  }
  return out;
}

}  // namespace

void ScanDrm(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  DeviceGraph& graph = context.graph;
  for (const std::string& name : tree.List("class/drm")) {
    const auto path = tree.Resolve(JoinPath("class/drm", name));
    if (!path) continue;
    const std::optional<NodeId> owner = graph.Above(*path);
    if (StartsWith(name, "card") && name.find('-') == std::string::npos) {
      if (owner) graph.AddInterface(*owner, kItfDisplayAdapter, "/dev/dri/" + Printable(name));
      continue;
    }
    if (tree.Attr(*path, "status") != "connected") continue;
    const auto data = tree.ReadFile(JoinPath(*path, "edid"));
    const std::optional<Edid> edid = data ? ParseEdid(*data) : std::nullopt;
    if (!edid) continue;
    Node n;
    n.path = *path;
    n.cls = &kMonitor;
    const std::string connectorId = tree.Attr(*path, "connector_id");
    n.id = "DISPLAY\\" + edid->pnp + edid->product + "\\" +
           SuffixOf(5, owner ? graph.node(*owner).path : Dir(*path),
                    "UID" + (connectorId.empty() ? std::to_string(Fnv1a(name) % 65536) : IdPart(connectorId)));
    n.hardwareIds = {"MONITOR\\" + edid->pnp + edid->product};
    n.compatibleIds = {"*PNP09FF"};
    n.desc = kMonitor.generic;
    n.friendly = edid->name;
    const HwdbProperties db = context.Lookup("acpi:" + edid->pnp + ":");
    n.manufacturer = DatabaseName(db, "ID_VENDOR_FROM_DATABASE");
    if (n.manufacturer.empty()) n.manufacturer = "(Standard monitor types)";
    n.busDesc = edid->name;
    const std::string connector = name.find('-') == std::string::npos ? name : name.substr(name.find('-') + 1);
    n.locationInfo = Printable(connector);
    AddInterfaceTo(n, kItfMonitor, "/sys/class/drm/" + Printable(name));
    graph.Add(std::move(n));
  }
}

}  // namespace devlist::sysfs
