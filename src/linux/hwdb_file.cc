#include "hwdb_file.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <map>
#include <utility>

namespace devlist {
namespace {

// Where the system keeps its compiled database, in the order the udev library itself tries them.
constexpr const char* kSystemPaths[] = {
    "/etc/systemd/hwdb/hwdb.bin", "/etc/udev/hwdb.bin", "/usr/lib/systemd/hwdb/hwdb.bin",
    "/lib/systemd/hwdb/hwdb.bin", "/lib/udev/hwdb.bin",
};

constexpr char kSignature[8] = {'K', 'S', 'L', 'P', 'H', 'H', 'R', 'H'};
// The header up to the length of its string section; later versions may append fields.
constexpr std::size_t kHeaderLength = 80;
// The smallest records the format has: a node (prefix, child count, value count), a child (character,
// offset), a value (key, value); value records this long or longer also carry their file and line.
constexpr std::uint64_t kNodeLength = 24;
constexpr std::uint64_t kChildLength = 16;
constexpr std::uint64_t kValueLength = 16;
constexpr std::uint64_t kValueWithOriginLength = 32;
// A glob pattern is at most one source line; a longer one can only come from a damaged trie.
constexpr std::size_t kPatternLimit = 2047;
// No key or value of a sound database comes near this.
constexpr std::size_t kStringLimit = 65536;
constexpr std::uint64_t kNoBlock = std::numeric_limits<std::uint64_t>::max();

std::uint64_t Le(const unsigned char* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

bool IsGlob(char c) { return c == '*' || c == '?' || c == '['; }

}  // namespace

struct HwdbFile::Node {
  std::uint64_t offset = 0;
  std::uint64_t prefix = 0;
  std::uint64_t values = 0;
  unsigned childCount = 0;
};

struct HwdbFile::Search {
  struct Chosen {
    std::uint64_t value = 0;
    std::uint64_t filename = 0;
    std::uint32_t line = 0;
    std::uint16_t priority = 0;
  };
  std::string pattern;
  std::map<std::string, Chosen> chosen;
  // Nodes still to be read: a sound trie is a tree, so a walk reads each node a bounded number of times.
  std::uint64_t budget = 0;
};

HwdbFile::HwdbFile(sysfs::UniqueFd fd, std::uint64_t size, std::size_t cacheBlocks)
    : fd_(std::move(fd)),
      size_(size),
      capacity_(std::max<std::size_t>(cacheBlocks, 1)),
      // Left uninitialised: a block's pages are only touched once it is read.
      blocks_(new unsigned char[capacity_ * kBlockSize]),
      tags_(new std::uint64_t[capacity_]),
      lastUse_(new std::uint64_t[capacity_]) {}

HwdbFile::~HwdbFile() = default;

std::unique_ptr<HwdbFile> HwdbFile::FromDescriptor(sysfs::UniqueFd fd, std::size_t cacheBlocks) {
  struct stat st {};
  if (!fd.valid() || fstat(fd.get(), &st) != 0 || st.st_size < static_cast<off_t>(kHeaderLength)) return nullptr;
  const auto size = static_cast<std::uint64_t>(st.st_size);
  std::unique_ptr<HwdbFile> file(new HwdbFile(std::move(fd), size, cacheBlocks));
  unsigned char header[kHeaderLength];
  if (!file->Read(0, header, sizeof header)) return nullptr;
  if (std::memcmp(header, kSignature, sizeof kSignature) != 0 || Le(header + 16, 8) != size) return nullptr;
  file->nodeSize_ = Le(header + 32, 8);
  file->childSize_ = Le(header + 40, 8);
  file->valueSize_ = Le(header + 48, 8);
  file->rootOffset_ = Le(header + 56, 8);
  file->nodesLength_ = Le(header + 64, 8);
  const auto fits = [size](std::uint64_t length, std::uint64_t least) { return length >= least && length <= size; };
  if (!fits(file->nodeSize_, kNodeLength) || !fits(file->childSize_, kChildLength) ||
      !fits(file->valueSize_, kValueLength)) {
    return nullptr;
  }
  return file;
}

std::unique_ptr<HwdbFile> HwdbFile::OpenSystem(std::size_t cacheBlocks) {
  for (const char* path : kSystemPaths) {
    sysfs::UniqueFd fd(open(path, O_RDONLY | O_CLOEXEC));
    if (fd.valid()) return FromDescriptor(std::move(fd), cacheBlocks);
    if (errno != ENOENT) return nullptr;
  }
  return nullptr;
}

const unsigned char* HwdbFile::Block(std::uint64_t index) {
  if (used_ > 0 && tags_[lastSlot_] == index) {
    lastUse_[lastSlot_] = ++clock_;
    return blocks_.get() + lastSlot_ * kBlockSize;
  }
  std::size_t slot = 0;
  for (; slot < used_ && tags_[slot] != index; ++slot) {
  }
  if (slot == used_) {
    if (used_ < capacity_) {
      slot = used_++;
    } else {
      slot = static_cast<std::size_t>(std::min_element(lastUse_.get(), lastUse_.get() + used_) - lastUse_.get());
    }
    unsigned char* data = blocks_.get() + slot * kBlockSize;
    const std::uint64_t start = index * kBlockSize;
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize, size_ - start));
    std::size_t got = 0;
    while (got < want) {
      const ssize_t n = pread(fd_.get(), data + got, want - got, static_cast<off_t>(start + got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    ++blockReads_;
    // A file that shrank, or a read error: the block is not kept, and what needed it answers nothing.
    tags_[slot] = got == want ? index : kNoBlock;
    lastUse_[slot] = 0;
    if (got != want) return nullptr;
  }
  lastSlot_ = slot;
  lastUse_[slot] = ++clock_;
  return blocks_.get() + slot * kBlockSize;
}

bool HwdbFile::Read(std::uint64_t offset, void* out, std::size_t length) {
  if (length > size_ || offset > size_ - length) return false;
  auto* to = static_cast<unsigned char*>(out);
  while (length > 0) {
    const unsigned char* block = Block(offset / kBlockSize);
    if (block == nullptr) return false;
    const std::size_t within = offset % kBlockSize;
    const std::size_t n = std::min(length, kBlockSize - within);
    std::memcpy(to, block + within, n);
    to += n, offset += n, length -= n;
  }
  return true;
}

bool HwdbFile::ReadString(std::uint64_t offset, std::string& out) {
  out.clear();
  while (offset < size_ && out.size() <= kStringLimit) {
    const unsigned char* block = Block(offset / kBlockSize);
    if (block == nullptr) return false;
    const std::size_t within = offset % kBlockSize;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize - within, size_ - offset));
    const auto* from = reinterpret_cast<const char*>(block + within);
    const void* end = std::memchr(from, '\0', n);
    if (end != nullptr) {
      out.append(from, static_cast<const char*>(end));
      return true;
    }
    out.append(from, n);
    offset += n;
  }
  return false;
}

bool HwdbFile::ReadNode(Search& search, std::uint64_t offset, Node& node) {
  if (search.budget == 0) return false;
  --search.budget;
  if (offset > size_ || nodeSize_ > size_ - offset) return false;
  unsigned char record[kNodeLength];
  if (!Read(offset, record, sizeof record)) return false;
  node.offset = offset;
  node.prefix = Le(record, 8);
  node.childCount = record[8];
  node.values = Le(record + 16, 8);
  // Both arrays follow the node and must lie in the file.
  const std::uint64_t room = size_ - offset - nodeSize_;
  if (node.childCount > room / childSize_) return false;
  return node.values <= (room - node.childCount * childSize_) / valueSize_;
}

bool HwdbFile::ChildAt(const Node& node, std::size_t index, unsigned char& c, std::uint64_t& offset) {
  unsigned char record[kChildLength];
  if (!Read(node.offset + nodeSize_ + index * childSize_, record, sizeof record)) return false;
  c = record[0];
  offset = Le(record + 8, 8);
  return true;
}

// The children are sorted by character; halving as bsearch does finds the same one even in a file that
// breaks that order.
bool HwdbFile::FindChild(const Node& node, unsigned char c, bool& found, std::uint64_t& offset) {
  std::size_t low = 0;
  std::size_t high = node.childCount;
  found = false;
  while (low < high) {
    const std::size_t middle = (low + high) / 2;
    unsigned char at = 0;
    if (!ChildAt(node, middle, at, offset)) return false;
    if (c < at) {
      high = middle;
    } else if (c > at) {
      low = middle + 1;
    } else {
      found = true;
      return true;
    }
  }
  return true;
}

bool HwdbFile::AddValue(Search& search, const Node& node, std::uint64_t index) {
  unsigned char record[kValueWithOriginLength] = {};
  const std::uint64_t at = node.offset + nodeSize_ + node.childCount * childSize_ + index * valueSize_;
  if (!Read(at, record, static_cast<std::size_t>(std::min(valueSize_, kValueWithOriginLength)))) return false;
  std::string key;
  if (!ReadString(Le(record, 8), key)) return false;
  // Properties are the keys that begin with a blank; other prefixes are kept for later uses.
  if (key.empty() || key[0] != ' ') return true;
  key.erase(0, 1);
  Search::Chosen next;
  next.value = Le(record + 8, 8);
  if (valueSize_ >= kValueWithOriginLength) {
    next.filename = Le(record + 16, 8);
    next.line = static_cast<std::uint32_t>(Le(record + 24, 4));
    next.priority = static_cast<std::uint16_t>(Le(record + 28, 2));
    const auto old = search.chosen.find(key);
    if (old != search.chosen.end()) {
      // A key set twice keeps the value of the file of higher priority, then of the later line. Files
      // without priorities were compiled in order of priority, so their names' offsets stand for it.
      const Search::Chosen& was = old->second;
      const bool lower = next.priority == 0
                             ? next.filename < was.filename || (next.filename == was.filename && next.line < was.line)
                             : next.priority < was.priority || (next.priority == was.priority && next.line < was.line);
      if (lower) return true;
    }
  }
  search.chosen[key] = next;
  return true;
}

bool HwdbFile::AddValues(Search& search, const Node& node) {
  for (std::uint64_t i = 0; i < node.values; ++i) {
    if (!AddValue(search, node, i)) return false;
  }
  return true;
}

// Everything under a node reached through a glob: its prefix from `from` on and each child's character
// are added to the pattern, and the values of every node whose pattern matches the rest of the modalias
// are taken, the children's before the node's own.
bool HwdbFile::MatchSubtree(Search& search, const Node& node, std::size_t from, const char* rest) {
  std::string prefix;
  if (!ReadString(node.prefix, prefix) || from > prefix.size()) return false;
  const std::size_t length = prefix.size() - from;
  if (search.pattern.size() + length > kPatternLimit) return false;
  search.pattern.append(prefix, from, length);
  for (std::size_t i = 0; i < node.childCount; ++i) {
    unsigned char c = 0;
    std::uint64_t offset = 0;
    Node child;
    if (search.pattern.size() >= kPatternLimit || !ChildAt(node, i, c, offset) || !ReadNode(search, offset, child)) {
      return false;
    }
    search.pattern.push_back(static_cast<char>(c));
    if (!MatchSubtree(search, child, 0, rest)) return false;
    search.pattern.pop_back();
  }
  if (node.values > 0 && fnmatch(search.pattern.c_str(), rest, 0) == 0 && !AddValues(search, node)) return false;
  search.pattern.resize(search.pattern.size() - length);
  return true;
}

bool HwdbFile::MatchGlobChild(Search& search, const Node& node, char glob, const char* rest) {
  bool found = false;
  std::uint64_t offset = 0;
  Node child;
  if (!FindChild(node, static_cast<unsigned char>(glob), found, offset)) return false;
  if (!found) return true;
  if (!ReadNode(search, offset, child)) return false;
  search.pattern.push_back(glob);
  if (!MatchSubtree(search, child, 0, rest)) return false;
  search.pattern.pop_back();
  return true;
}

// Down the trie by the modalias' characters; at each node the children that start a glob are searched
// whole, and where a prefix itself holds a glob the rest of that node's subtree is.
bool HwdbFile::Walk(Search& search, const char* modalias) {
  Node node;
  if (!ReadNode(search, rootOffset_, node)) return false;
  std::size_t i = 0;
  std::string prefix;
  for (;;) {
    if (node.prefix != 0) {
      if (!ReadString(node.prefix, prefix)) return false;
      std::size_t p = 0;
      for (; p < prefix.size(); ++p) {
        if (IsGlob(prefix[p])) return MatchSubtree(search, node, p, modalias + i + p);
        if (prefix[p] != modalias[i + p]) return true;
      }
      i += p;
    }
    for (const char glob : {'*', '?', '['}) {
      if (!MatchGlobChild(search, node, glob, modalias + i)) return false;
    }
    if (modalias[i] == '\0') return AddValues(search, node);
    bool found = false;
    std::uint64_t offset = 0;
    if (!FindChild(node, static_cast<unsigned char>(modalias[i]), found, offset)) return false;
    if (!found) return true;
    ++i;
    if (!ReadNode(search, offset, node)) return false;
  }
}

HwdbProperties HwdbFile::Lookup(const std::string& modalias) {
  const char* text = modalias.c_str();
  const std::size_t length = std::strlen(text);
  const auto globs = static_cast<std::uint64_t>(std::count_if(text, text + length, IsGlob));
  // Each node is read once by the walk down, and once more for every glob of the modalias that the walk
  // follows as a character into a subtree already searched.
  const std::uint64_t nodes = std::min(nodesLength_, size_) / nodeSize_ + 1;
  Search search;
  search.budget = nodes > (std::numeric_limits<std::uint64_t>::max() - length) / (globs + 2)
                      ? std::numeric_limits<std::uint64_t>::max()
                      : nodes * (globs + 1) + length + 1;
  HwdbProperties properties;
  if (!Walk(search, text)) return properties;
  for (const auto& [key, chosen] : search.chosen) {
    std::string value;
    if (!ReadString(chosen.value, value)) return {};
    properties.emplace(key, std::move(value));
  }
  return properties;
}

}  // namespace devlist
