#include "kernel_log_parser.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "kernel_log_text.h"

namespace devlist::history {
namespace {

// Ports, SCSI hosts and SCSI units one boot keeps track of at a time.
constexpr std::size_t kMaxOpenPorts = 1024;
constexpr std::size_t kMaxTies = 1024;
// The longest network interface name (IFNAMSIZ less its NUL).
constexpr std::size_t kMaxInterfaceName = 15;

constexpr FileTime kUnixEpochTicks = 116444736000000000ull;

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }
bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

bool SameDevice(const UsbDeviceRecord& a, const UsbDeviceRecord& b) {
  return a.vendorId == b.vendorId && a.productId == b.productId && a.bcdDevice == b.bcdDevice &&
         a.product == b.product && a.manufacturer == b.manufacturer && a.serialNumber == b.serialNumber;
}

template <typename T>
void AddFunction(std::vector<T>& list, T function) {
  if (list.size() < kMaxFunctions && std::find(list.begin(), list.end(), function) == list.end()) {
    list.push_back(std::move(function));
  }
}

// A later visit's view of a kind of function replaces an earlier one (a stick comes back as another disk).
template <typename T>
void TakeNewer(std::vector<T>& kept, std::vector<T>& newer) {
  if (!newer.empty()) kept = std::move(newer);
}

// "H:C:T:L", four decimal numbers; the host's number, or none.
std::optional<std::uint32_t> ScsiHostOf(std::string_view address) {
  std::optional<std::uint32_t> host;
  for (int part = 0; part < 4; ++part) {
    const std::size_t colon = address.find(':');
    if ((part < 3) == (colon == std::string_view::npos)) return std::nullopt;
    const auto number = ParseDecimal(address.substr(0, colon));
    if (!number) return std::nullopt;
    if (part == 0) host = number;
    address = part < 3 ? address.substr(colon + 1) : std::string_view();
  }
  return host;
}

HidKind KindOf(std::string_view text) {
  if (text == "Keyboard" || text == "Keypad") return HidKind::kKeyboard;
  if (text == "Mouse" || text == "Pointer") return HidKind::kMouse;
  return HidKind::kOther;
}

// The name of "Found UVC 1.00 device HD Webcam (046d:0825)", and the ids in its parentheses.
struct UvcAnnouncement {
  std::string name;
  std::optional<std::uint32_t> vendorId;
  std::optional<std::uint32_t> productId;
};
std::optional<UvcAnnouncement> ParseUvc(std::string_view body) {
  if (!StartsWith(body, "Found UVC ")) return std::nullopt;
  const std::size_t device = body.find(" device ");
  if (device == std::string_view::npos) return std::nullopt;
  std::string_view name = body.substr(device + 8);
  UvcAnnouncement a;
  const std::size_t paren = name.rfind(" (");
  if (paren != std::string_view::npos && EndsWith(name, ")") && name.size() - paren == 12 && name[paren + 6] == ':') {
    a.vendorId = ParseHex(name.substr(paren + 2, 4), 4);
    a.productId = ParseHex(name.substr(paren + 7, 4), 4);
    name = name.substr(0, paren);
  }
  a.name = SanitizeLogText(name);
  return a;
}

}  // namespace

FileTime FileTimeFromUnixMicroseconds(std::uint64_t microseconds) {
  constexpr std::uint64_t kMax = (~0ull - kUnixEpochTicks) / 10;
  return microseconds > kMax ? 0 : microseconds * 10 + kUnixEpochTicks;
}

struct KernelLogParser::Tie {
  std::string port;
  std::uint64_t generation = 0;
};

struct KernelLogParser::Open {
  UsbDeviceRecord record;
  std::uint64_t generation = 0;
  bool idsSeen = false;
};

struct KernelLogParser::BootState {
  std::unordered_map<std::string, Open> open;              // the device on each port now
  std::unordered_map<std::string, std::uint64_t> last;     // each port's last record, by sequence number
  std::unordered_map<std::uint32_t, Tie> hosts;            // SCSI hosts by number
  std::unordered_map<std::string, Tie> units;              // SCSI units by address
  std::uint64_t generation = 0;
};

KernelLogParser::KernelLogParser() : state_(std::make_unique<BootState>()) {}
KernelLogParser::~KernelLogParser() = default;

void KernelLogParser::Add(const KernelMessage& message) {
  if (message.boot >= kMaxBoots) return;
  if (boots_.size() <= message.boot) boots_.resize(message.boot + 1);
  BootRecord& boot = boots_[message.boot];
  if (boot.bootId.empty() && !message.bootId.empty()) boot.bootId = SanitizeLogText(message.bootId, 64);
  const FileTime time = message.time;
  if (time != 0) {
    if (boot.firstTime == 0 || time < boot.firstTime) boot.firstTime = time;
    boot.lastTime = std::max(boot.lastTime, time);
  }
  if (message.boot != boot_) {
    CloseAll();
    state_ = std::make_unique<BootState>();
    boot_ = message.boot;
  }
  const auto parts = SplitMessage(message.text);
  if (!parts) return;
  const MessageParts& p = *parts;
  if (p.driver == "usb" && p.netdev.empty()) {
    if (IsUsbPort(p.device)) AddUsbLine(p.device, p.body, time);
    return;
  }
  if (p.driver == "scsi" || p.driver == "sd" || p.driver == "sr") {
    AddScsiLine(p.driver, p.device, p.body);
    return;
  }
  if (p.device.empty()) {
    // Older kernels name no device: "uvcvideo: Found UVC 1.00 device USB Camera (0c45:6340)".
    const auto uvc = p.driver == "uvcvideo" ? ParseUvc(p.body) : std::nullopt;
    if (uvc && uvc->vendorId && uvc->productId) {
      Open* open = FindByIds(static_cast<std::uint16_t>(*uvc->vendorId), static_cast<std::uint16_t>(*uvc->productId), {});
      if (open != nullptr) AddFunction(open->record.camera, CameraFunction{uvc->name});
    }
    return;
  }
  if (const auto hid = ParseHidAnnouncement(p.device, p.body)) {
    Open* open = FindByIds(hid->vendorId, hid->productId, hid->portTail);
    if (open == nullptr && !hid->portTail.empty()) open = FindByIds(hid->vendorId, hid->productId, {});
    if (open != nullptr) AddFunction(open->record.hid, HidFunction{KindOf(hid->kind), hid->kind, hid->name, hid->instance, hid->interfaceNumber});
    return;
  }
  const std::string_view port = PortOfInterface(p.device);
  const auto found = port.empty() ? state_->open.end() : state_->open.find(std::string(port));
  if (found == state_->open.end()) return;
  UsbDeviceRecord& r = found->second.record;
  const std::string driver = SanitizeLogText(p.driver, 64);
  if (!p.netdev.empty()) {
    if (p.netdev.size() > kMaxInterfaceName) return;
    const std::string name = SanitizeLogText(p.netdev);
    if (StartsWith(p.body, "renamed from ")) {
      const std::string before = SanitizeLogText(TrimBlanks(p.body.substr(13)));
      for (NetFunction& net : r.net) {
        if (net.interface == before) net.interface = name;
      }
    }
    const bool known = std::any_of(r.net.begin(), r.net.end(), [&](const NetFunction& n) { return n.interface == name; });
    if (!known) AddFunction(r.net, NetFunction{name, driver});
  } else if (p.driver == "usb-storage" && StartsWith(p.body, "USB Mass Storage device detected")) {
    if (r.storage.empty()) r.storage.emplace_back();
  } else if (p.driver == "hub" && StartsWith(p.body, "USB hub found")) {
    r.hub = true;
  } else if (EndsWith(TrimBlanks(p.body), " converter detected")) {
    AddFunction(r.serial, SerialFunction{{}, driver});
  } else if (p.driver == "cdc_acm" && EndsWith(TrimBlanks(p.body), ": USB ACM device")) {
    const std::string_view tty = p.body.substr(0, p.body.find(':'));
    AddFunction(r.serial, SerialFunction{SanitizeLogText(tty, 32), driver});
  } else if (const auto uvc = p.driver == "uvcvideo" ? ParseUvc(p.body) : std::nullopt) {
    AddFunction(r.camera, CameraFunction{uvc->name});
  }
}

void KernelLogParser::AddUsbLine(std::string_view port, std::string_view body, FileTime time) {
  if (StartsWith(body, "new ") && body.find(" USB device number ") != std::string_view::npos) {
    Arrive(port, time);
    return;
  }
  if (StartsWith(body, "USB disconnect, ")) {
    Close(port, time);
    return;
  }
  constexpr std::string_view kFound = "New USB device found, ";
  if (StartsWith(body, kFound) && state_->open.find(std::string(port)) == state_->open.end()) Arrive(port, time);
  const auto found = state_->open.find(std::string(port));
  if (found == state_->open.end()) return;
  Open& open = found->second;
  UsbDeviceRecord& r = open.record;
  if (StartsWith(body, kFound)) {
    if (const auto ids = ParseUsbIds(body.substr(kFound.size()))) {
      r.vendorId = ids->vendorId;
      r.productId = ids->productId;
      r.bcdDevice = ids->bcdDevice;
      open.idsSeen = true;
    }
  } else if (StartsWith(body, "Product: ")) {
    r.product = SanitizeLogText(body.substr(9));
  } else if (StartsWith(body, "Manufacturer: ")) {
    r.manufacturer = SanitizeLogText(body.substr(14));
  } else if (StartsWith(body, "SerialNumber: ")) {
    r.serialNumber = SanitizeLogText(body.substr(14));
  } else if (const std::size_t at = body.find(" converter now attached to "); at != std::string_view::npos) {
    const std::string tty = SanitizeLogText(TrimBlanks(body.substr(at + 27)), 32);
    const auto unattached = std::find_if(r.serial.begin(), r.serial.end(), [](const SerialFunction& s) { return s.tty.empty(); });
    if (unattached != r.serial.end()) {
      unattached->tty = tty;
    } else {
      AddFunction(r.serial, SerialFunction{tty, SanitizeLogText(body.substr(0, at), 64)});
    }
  } else if (const auto uvc = ParseUvc(body)) {
    AddFunction(r.camera, CameraFunction{uvc->name});
  }
}

void KernelLogParser::Arrive(std::string_view port, FileTime time) {
  const std::string key(port);
  const auto found = state_->open.find(key);
  if (found != state_->open.end()) {
    // Its disconnect was not logged, but the port holds another device now.
    Commit(found->second, time);
    state_->open.erase(found);
  }
  if (state_->open.size() >= kMaxOpenPorts) return;
  Open& open = state_->open[key];
  open.record.boot = boot_;
  open.record.port = key;
  open.record.firstArrival = open.record.lastArrival = time;
  open.generation = ++state_->generation;
}

void KernelLogParser::Close(std::string_view port, FileTime removal) {
  const auto found = state_->open.find(std::string(port));
  if (found == state_->open.end()) return;
  Commit(found->second, removal);
  state_->open.erase(found);
}

void KernelLogParser::CloseAll() {
  std::vector<Open*> open;
  for (auto& [port, o] : state_->open) open.push_back(&o);
  std::sort(open.begin(), open.end(), [](const Open* a, const Open* b) { return a->generation < b->generation; });
  for (Open* o : open) Commit(*o, 0);
  state_->open.clear();
}

void KernelLogParser::Commit(Open& open, FileTime removal) {
  if (!open.idsSeen) return;
  UsbDeviceRecord& r = open.record;
  r.removal = removal;
  const auto last = state_->last.find(r.port);
  if (last != state_->last.end() && last->second >= firstSeq_) {
    UsbDeviceRecord& earlier = records_[static_cast<std::size_t>(last->second - firstSeq_)];
    if (SameDevice(earlier, r)) {
      earlier.lastArrival = r.firstArrival;
      earlier.removal = removal;
      earlier.hub = earlier.hub || r.hub;
      TakeNewer(earlier.storage, r.storage);
      TakeNewer(earlier.hid, r.hid);
      TakeNewer(earlier.serial, r.serial);
      TakeNewer(earlier.net, r.net);
      TakeNewer(earlier.camera, r.camera);
      return;
    }
  }
  std::string port = r.port;
  records_.push_back(std::move(r));
  const std::uint64_t seq = firstSeq_ + records_.size() - 1;
  if (records_.size() > kMaxRecords) {
    records_.pop_front();
    ++firstSeq_;
  }
  if (last != state_->last.end()) {
    last->second = seq;
  } else if (state_->last.size() < kMaxOpenPorts) {
    state_->last.emplace(std::move(port), seq);
  }
}

KernelLogParser::Open* KernelLogParser::Find(const Tie& tie) {
  const auto found = state_->open.find(tie.port);
  return found != state_->open.end() && found->second.generation == tie.generation ? &found->second : nullptr;
}

KernelLogParser::Open* KernelLogParser::FindByIds(std::uint16_t vendorId, std::uint16_t productId,
                                                  std::string_view portTail) {
  Open* best = nullptr;
  for (auto& [port, open] : state_->open) {
    if (!open.idsSeen || open.record.vendorId != vendorId || open.record.productId != productId) continue;
    if (!portTail.empty() && std::string_view(port).substr(port.find('-') + 1) != portTail) continue;
    if (best == nullptr || open.generation > best->generation) best = &open;
  }
  return best;
}

void KernelLogParser::AddScsiLine(std::string_view driver, std::string_view device, std::string_view body) {
  body = TrimBlanks(body);
  if (driver == "scsi" && StartsWith(device, "host")) {
    const auto host = ParseDecimal(device.substr(4));
    if (!host || (state_->hosts.size() >= kMaxTies && !state_->hosts.contains(*host))) return;
    const Open* open = nullptr;
    if (StartsWith(body, "usb-storage ")) {
      const auto found = state_->open.find(std::string(PortOfInterface(body.substr(12))));
      if (found != state_->open.end()) open = &found->second;
    } else if (body == "uas") {
      // The UAS driver names no port: the device that arrived last is the one it binds.
      for (const auto& [port, o] : state_->open) {
        if (open == nullptr || o.generation > open->generation) open = &o;
      }
    }
    if (open != nullptr) state_->hosts[*host] = Tie{open->record.port, open->generation};
    return;
  }
  const auto host = ScsiHostOf(device);
  if (!host) return;
  const std::string address(device);
  if (driver == "scsi") {
    const auto tie = state_->hosts.find(*host);
    Open* open = tie == state_->hosts.end() ? nullptr : Find(tie->second);
    const auto inquiry = open == nullptr ? std::nullopt : ParseScsiInquiry(body);
    if (!inquiry) return;
    auto& storage = open->record.storage;
    auto unit = std::find_if(storage.begin(), storage.end(), [&](const StorageFunction& s) { return s.scsiAddress == address; });
    if (unit == storage.end()) {
      unit = std::find_if(storage.begin(), storage.end(), [](const StorageFunction& s) { return s.scsiAddress.empty(); });
    }
    if (unit == storage.end()) {
      if (storage.size() >= kMaxFunctions) return;
      unit = storage.emplace(storage.end());
    }
    unit->scsiAddress = address;
    unit->type = inquiry->type;
    unit->vendor = inquiry->vendor;
    unit->model = inquiry->model;
    unit->revision = inquiry->revision;
    if (state_->units.size() < kMaxTies || state_->units.contains(address)) state_->units[address] = tie->second;
    return;
  }
  const auto tie = state_->units.find(address);
  Open* open = tie == state_->units.end() ? nullptr : Find(tie->second);
  if (open == nullptr) return;
  std::string_view disk;
  if (driver == "sd" && StartsWith(body, "[") && body.find("] Attached SCSI ") != std::string_view::npos) {
    disk = body.substr(1, body.find(']') - 1);
  } else if (driver == "sr" && StartsWith(body, "Attached scsi CD-ROM ")) {
    disk = TrimBlanks(body.substr(21));
  }
  if (disk.empty()) return;
  for (StorageFunction& unit : open->record.storage) {
    if (unit.scsiAddress == address) unit.disk = SanitizeLogText(disk, 32);
  }
}

std::vector<UsbDeviceRecord> KernelLogParser::Finish() {
  CloseAll();
  std::vector<UsbDeviceRecord> records(std::make_move_iterator(records_.begin()), std::make_move_iterator(records_.end()));
  records_.clear();
  firstSeq_ = 0;
  state_ = std::make_unique<BootState>();
  std::stable_sort(records.begin(), records.end(), [](const UsbDeviceRecord& a, const UsbDeviceRecord& b) {
    return a.boot != b.boot ? a.boot < b.boot : a.firstArrival < b.firstArrival;
  });
  return records;
}

}  // namespace devlist::history
