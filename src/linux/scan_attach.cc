// Class devices that belong to a device found before and only add to it: serial ports (class/tty), sound
// cards (class/sound), cameras (class/video4linux), GNSS receivers (class/gnss) and Bluetooth radios
// (class/bluetooth).
#include <string>

#include "scanners.h"
#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

// Calls `attach` with the owner of each entry of a class directory that has one.
template <class Attach>
void ForEachOwned(ScanContext& context, const std::string& classDir, Attach attach) {
  for (const std::string& name : context.tree.List(classDir)) {
    const auto path = context.tree.Resolve(JoinPath(classDir, name));
    if (!path) continue;
    if (const std::optional<NodeId> owner = context.graph.Above(*path)) attach(*owner, name, *path);
  }
}

}  // namespace

void ScanTty(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  for (const std::string& name : tree.List("class/tty")) {
    const auto path = tree.Resolve(JoinPath("class/tty", name));
    if (!path || StartsWith(*path, "devices/virtual/")) continue;
    if (!tree.Exists(JoinPath(*path, "device"))) continue;
    if (tree.Attr(*path, "type") == "0") continue;  // a port the driver knows of, without a UART behind it
    const std::optional<NodeId> owner = context.graph.Above(*path);
    if (!owner) continue;
    context.graph.AttachSerialPort(*owner, "/dev/" + Printable(Base(*path)), Printable(Base(*path)));
  }
}

void ScanSound(ScanContext& context) {
  ForEachOwned(context, "class/sound", [&](NodeId owner, const std::string& name, const std::string&) {
    if (StartsWith(name, "card"))
      context.graph.AddInterface(owner, kItfAudio, "/dev/snd/controlC" + IdPart(name.substr(4)));
  });
}

void ScanVideo(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  for (const std::string& name : tree.List("class/video4linux")) {
    const auto path = tree.Resolve(JoinPath("class/video4linux", name));
    if (!path || !StartsWith(name, "video")) continue;
    const std::string index = tree.Attr(*path, "index");
    if (!index.empty() && index != "0") continue;  // metadata nodes of the same camera
    const std::optional<NodeId> owner = context.graph.Above(*path);
    if (owner) context.graph.AttachVideoCapture(*owner, "/dev/" + Printable(name));
  }
}

void ScanGnss(ScanContext& context) {
  ForEachOwned(context, "class/gnss", [&](NodeId owner, const std::string&, const std::string&) {
    context.graph.AttachGnssReceiver(owner);
  });
}

void ScanBluetooth(ScanContext& context) {
  ForEachOwned(context, "class/bluetooth", [&](NodeId owner, const std::string& name, const std::string&) {
    if (name.find(':') != std::string::npos) return;  // connections, not radios
    context.graph.AttachBluetoothRadio(owner, "/sys/class/bluetooth/" + Printable(name));
  });
}

}  // namespace devlist::sysfs
