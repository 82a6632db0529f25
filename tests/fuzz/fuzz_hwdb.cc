// The hardware database reader on any file: whatever the bytes, a lookup ends, reads inside the file,
// and answers the same with a cache of one block as with many, and the same when asked again.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "hwdb_file.h"

namespace {

using namespace devlist;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_hwdb: %s\n", what);
  std::abort();
}

std::unique_ptr<HwdbFile> Open(const std::string& bytes, std::size_t blocks) {
  sysfs::UniqueFd fd(memfd_create("hwdb", MFD_CLOEXEC));
  if (!fd.valid()) Fail("memfd_create failed");
  if (write(fd.get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) Fail("write failed");
  return HwdbFile::FromDescriptor(std::move(fd), blocks);
}

}  // namespace

// The input: one byte with the modalias' length, the modalias, then the file. The file's recorded size is
// set to its real one, so that mutations reach the trie instead of stopping at the header.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t aliasLength = std::min<std::size_t>(data[0], size - 1);
  const std::string modalias(reinterpret_cast<const char*>(data + 1), aliasLength);
  std::string file(reinterpret_cast<const char*>(data + 1 + aliasLength), size - 1 - aliasLength);
  if (file.size() >= 24) {
    for (int i = 0; i < 8; ++i) file[16 + i] = static_cast<char>(static_cast<std::uint64_t>(file.size()) >> (8 * i));
  }
  std::unique_ptr<HwdbFile> one = Open(file, 1);
  std::unique_ptr<HwdbFile> many = Open(file, HwdbFile::kDefaultBlocks);
  if ((one == nullptr) != (many == nullptr)) Fail("the cache size decided whether the file opens");
  if (one == nullptr) return 0;
  const HwdbProperties answer = many->Lookup(modalias);
  if (one->Lookup(modalias) != answer) Fail("one block and many answered differently");
  if (many->Lookup(modalias) != answer) Fail("asked again, another answer");
  return 0;
}
