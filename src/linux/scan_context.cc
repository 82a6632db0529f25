#include "scan_context.h"

#include <algorithm>
#include <vector>

#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {

HwdbProperties ScanContext::Lookup(const std::string& modalias) const {
  return names ? LookupDeciding(modalias) : HwdbProperties{};
}

HwdbProperties ScanContext::LookupDeciding(const std::string& modalias) const {
  if (!hwdb || modalias.empty()) return {};
  return hwdb(modalias);
}

std::string DatabaseName(const HwdbProperties& answer, const char* key) {
  const auto it = answer.find(key);
  return it == answer.end() ? std::string() : Printable(it->second);
}

std::string DriverOf(const SysfsReader& tree, const std::string& path) {
  return tree.LinkName(JoinPath(path, "driver"));
}

std::string DriverVersionOf(ScanContext& context, const std::string& path, const std::string& driver) {
  if (driver.empty()) return {};
  const SysfsReader& tree = context.tree;
  // By where the driver link leads and the name asked for, which stands in for a module the driver
  // does not link.
  auto key = tree.LinkPath(JoinPath(path, "driver"));
  if (key) *key += "\n" + driver;
  if (key) {
    const auto known = context.driverVersions.find(*key);
    if (known != context.driverVersions.end()) return known->second;
  }
  std::string module = tree.LinkName(JoinPath(path, "driver/module"));
  if (module.empty()) {
    module = driver;
    std::replace(module.begin(), module.end(), '-', '_');
  }
  std::string version = tree.Attr(JoinPath("module", module), "version");
  if (key) context.driverVersions.emplace(*key, version);
  return version;
}

std::string FirmwarePathOf(const SysfsReader& tree, const std::string& path) {
  const auto fw = tree.Resolve(JoinPath(path, "firmware_node"));
  return fw ? tree.Attr(*fw, "path") : std::string();
}

bool HasBit(const std::string& words, unsigned bit) {
  std::vector<unsigned long long> parts;
  std::size_t longestWord = 0, lastWord = 0;
  std::size_t pos = 0;
  while (pos < words.size()) {
    while (pos < words.size() && words[pos] == ' ') ++pos;
    std::size_t end = words.find(' ', pos);
    if (end == std::string::npos) end = words.size();
    if (end > pos) {
      parts.push_back(ParseNumber(words.substr(pos, end - pos), 16).value_or(0));
      longestWord = std::max(longestWord, end - pos);
      lastWord = end - pos;
    }
    pos = end;
  }
  // Words of a 64-bit kernel's long: a word of more than 8 digits says so, whatever the others look like
  // (a mouse's "... 1f0001 20c100b17c000 10000002"). Else, when words follow the first and the last has
  // exactly 8 digits, they are read as a 32-bit kernel's.
  unsigned wordBits = 64;
  if (parts.size() > 1 && longestWord <= 8 && lastWord == 8) wordBits = 32;
  const std::size_t word = bit / wordBits;
  if (word >= parts.size()) return false;
  return ((parts[parts.size() - 1 - word] >> (bit % wordBits)) & 1) != 0;
}

namespace {

// Hexadecimal words and the blanks between them, as the kernel writes a bitmap.
bool IsBitmapText(const std::string& text) {
  return text.find_first_not_of("0123456789abcdefABCDEF ") == std::string::npos;
}

}  // namespace

InputKind InputKindOf(const SysfsReader& tree, const std::string& inputPath) {
  // The kernel's uevent of an input device carries its bitmaps as its capabilities folder shows them: EV=,
  // and KEY=, REL=, ABS= for the kinds of event it has (a kind it lacks has no bits), so one read of the
  // uevent file answers what a folder and four files would. A uevent without them, or with what is no
  // bitmap (kernels of the 2.6 days wrote "EV==b"), sends the question to the files.
  std::string ev = tree.Uevent(inputPath, "EV"), key = tree.Uevent(inputPath, "KEY");
  std::string rel = tree.Uevent(inputPath, "REL"), abs = tree.Uevent(inputPath, "ABS");
  if (ev.empty() || !IsBitmapText(ev) || !IsBitmapText(key) || !IsBitmapText(rel) || !IsBitmapText(abs)) {
    ev = tree.Attr(inputPath, "capabilities/ev");
    key = tree.Attr(inputPath, "capabilities/key");
    rel = tree.Attr(inputPath, "capabilities/rel");
    abs = tree.Attr(inputPath, "capabilities/abs");
  }
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

DevicesListedIn::DevicesListedIn(const SysfsReader& tree, const std::string& dir, const std::string& prefix)
    : tree_(tree), dir_(dir), prefix_(prefix), names_(tree.List(dir)) {}

DevicesListedIn::Iterator DevicesListedIn::begin() const {
  Iterator it(*this, 0);
  it.Settle();
  return it;
}

DevicesListedIn::Iterator& DevicesListedIn::Iterator::operator++() {
  ++at_;
  Settle();
  return *this;
}

void DevicesListedIn::Iterator::Settle() {
  for (; at_ < list_->names_.size(); ++at_) {
    const std::string& name = list_->names_[at_];
    if (!StartsWith(name, list_->prefix_)) continue;
    if (auto path = list_->tree_.Resolve(JoinPath(list_->dir_, name))) {
      current_ = {name, std::move(*path)};
      return;
    }
  }
}

std::string EventNodeOf(const SysfsReader& tree, const std::string& inputPath) {
  for (const std::string& child : tree.List(inputPath)) {
    if (StartsWith(child, "event") && child.size() > 5) return "/dev/input/event" + IdPart(child.substr(5));
  }
  return {};
}

bool InputInterfaceOf(const SysfsReader& tree, const std::string& inputPath, InputKind kind, NodeInterface& out) {
  const std::string event = EventNodeOf(tree, inputPath);
  if (event.empty() || kind == InputKind::other) return false;
  out = {kind == InputKind::keyboard ? kItfKeyboard : kItfMouse, event};
  return true;
}

}  // namespace devlist::sysfs
