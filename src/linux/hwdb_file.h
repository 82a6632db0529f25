// The compiled udev hardware database (hwdb.bin), read with pread through a small cache of blocks and
// searched by modalias.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "file_reads.h"
#include "hardware_database.h"

namespace devlist {

class HwdbFile {
 public:
  static constexpr std::size_t kBlockSize = 1024;
  static constexpr std::size_t kDefaultBlocks = 64;

  /// The database in an open file, with a cache of at most `cacheBlocks` blocks; none when the file is
  /// no database (signature, recorded size, record sizes) or cannot be read.
  static std::unique_ptr<HwdbFile> FromDescriptor(sysfs::UniqueFd fd, std::size_t cacheBlocks = kDefaultBlocks);

  /// The first database of the system's search list that exists; none when none exists, or when the first
  /// one that exists cannot be opened or is no database (a later one is not tried then).
  static std::unique_ptr<HwdbFile> OpenSystem(std::size_t cacheBlocks = kDefaultBlocks);

  HwdbFile(const HwdbFile&) = delete;
  HwdbFile& operator=(const HwdbFile&) = delete;
  ~HwdbFile();

  /// The properties the database gives `modalias`; empty when nothing matches, and when the file proves
  /// corrupt on the way (an offset out of the file, a string without its end, a walk that never ends).
  HwdbProperties Lookup(const std::string& modalias);

  /// How many blocks have been read from the file so far.
  std::uint64_t blockReads() const { return blockReads_; }

 private:
  struct Node;
  struct Search;

  HwdbFile(sysfs::UniqueFd fd, std::uint64_t size, std::size_t cacheBlocks);

  const unsigned char* Block(std::uint64_t index);
  bool Read(std::uint64_t offset, void* out, std::size_t length);
  bool ReadString(std::uint64_t offset, std::string& out);
  bool ReadNode(Search& search, std::uint64_t offset, Node& node);
  bool ChildAt(const Node& node, std::size_t index, unsigned char& c, std::uint64_t& offset);
  bool FindChild(const Node& node, unsigned char c, bool& found, std::uint64_t& offset);
  bool AddValue(Search& search, const Node& node, std::uint64_t index);
  bool AddValues(Search& search, const Node& node);
  bool MatchSubtree(Search& search, const Node& node, std::size_t from, const char* rest);
  bool MatchGlobChild(Search& search, const Node& node, char glob, const char* rest);
  bool Walk(Search& search, const char* modalias);

  sysfs::UniqueFd fd_;
  std::uint64_t size_ = 0;
  std::uint64_t nodeSize_ = 0;
  std::uint64_t childSize_ = 0;
  std::uint64_t valueSize_ = 0;
  std::uint64_t rootOffset_ = 0;
  std::uint64_t nodesLength_ = 0;

  // The cache: `capacity_` slots of one block each, the least recently used one reused.
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  std::unique_ptr<unsigned char[]> blocks_;
  std::unique_ptr<std::uint64_t[]> tags_;
  std::unique_ptr<std::uint64_t[]> lastUse_;
  std::uint64_t clock_ = 0;
  std::size_t lastSlot_ = 0;
  std::uint64_t blockReads_ = 0;
};

}  // namespace devlist
