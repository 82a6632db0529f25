#include "devnode_status.h"

#include <array>
#include <cstdint>
#include <string>

namespace devlist {

namespace {

// Indexed by bit number. Bit 19 really is spelled with a doubled E: it is its own flag, not bit 6 again.
constexpr std::array<const char*, 32> kStatusFlags = {
    "DN_ROOT_ENUMERATED", "DN_DRIVER_LOADED",   "DN_ENUM_LOADED",     "DN_STARTED",
    "DN_MANUAL",          "DN_NEED_TO_ENUM",    "DN_NOT_FIRST_TIME",  "DN_HARDWARE_ENUM",
    "DN_LIAR",            "DN_HAS_MARK",        "DN_HAS_PROBLEM",     "DN_FILTERED",
    "DN_MOVED",           "DN_DISABLEABLE",     "DN_REMOVABLE",       "DN_PRIVATE_PROBLEM",
    "DN_MF_PARENT",       "DN_MF_CHILD",        "DN_WILL_BE_REMOVED", "DN_NOT_FIRST_TIMEE",
    "DN_STOP_FREE_RES",   "DN_REBAL_CANDIDATE", "DN_BAD_PARTIAL",     "DN_NT_ENUMERATOR",
    "DN_NT_DRIVER",       "DN_NEEDS_LOCKING",   "DN_ARM_WAKEUP",      "DN_APM_ENUMERATOR",
    "DN_APM_DRIVER",      "DN_SILENT_INSTALL",  "DN_NO_SHOW_IN_DM",   "DN_BOOT_LOG_PROB",
};

}  // namespace

std::vector<const char*> DevNodeStatusFlags(std::uint32_t status) {
  std::vector<const char*> names;
  for (std::size_t bit = 0; bit < kStatusFlags.size(); ++bit) {
    if ((status >> bit) & 1u) names.push_back(kStatusFlags[bit]);
  }
  return names;
}

void AppendDevNodeStatus(std::uint32_t status, std::string& out) {
  // The newline comes before each name: the report's label line ends where the first flag begins.
  for (std::size_t bit = 0; bit < kStatusFlags.size(); ++bit) {
    if (((status >> bit) & 1u) == 0) continue;
    out += "\n        ";
    out += kStatusFlags[bit];
  }
}

std::string DescribeDevNodeStatus(std::uint32_t status) {
  std::string text;
  AppendDevNodeStatus(status, text);
  return text;
}

std::uint32_t DevNodeStatusFromText(const std::string& text) {
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > UINT32_MAX) return 0;  // not a UINT32 text; treat like any other unreadable status
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace devlist
