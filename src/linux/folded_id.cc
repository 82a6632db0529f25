#include "folded_id.h"

#include <cstdint>

namespace devlist::model {
namespace {

unsigned char Folded(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

}  // namespace

std::size_t FoldedIdHash::operator()(std::string_view id) const {
  std::uint64_t hash = 0xCBF29CE484222325u;
  for (const char c : id) hash = (hash ^ Folded(c)) * 0x100000001B3u;
  return static_cast<std::size_t>(hash);
}

bool FoldedIdEqual::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && Folded(a[i]) != Folded(b[i])) return false;
  }
  return true;
}

}  // namespace devlist::model
