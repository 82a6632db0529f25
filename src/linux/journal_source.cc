#include "journal_source.h"

#include <systemd/sd-id128.h>
#include <systemd/sd-journal.h>

#include <array>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace devlist::history {
namespace {

// The kernel tags each message with the subsystem of the device it names: USB devices and interfaces
// (enumeration, disconnects, storage, serial, network and camera drivers) under "usb", SCSI hosts, units
// and disks under "scsi", HID devices under "hid".
constexpr std::array<const char*, 3> kSubsystemMatches = {"_KERNEL_SUBSYSTEM=usb", "_KERNEL_SUBSYSTEM=scsi",
                                                          "_KERNEL_SUBSYSTEM=hid"};
// The longest message read; the journal cuts longer ones there.
constexpr std::size_t kMaxMessageBytes = 8192;

struct JournalCloser {
  void operator()(sd_journal* journal) const { sd_journal_close(journal); }
};
using Journal = std::unique_ptr<sd_journal, JournalCloser>;

Journal Open(const JournalOptions& options) {
  sd_journal* journal = nullptr;
  int result = 0;
  if (!options.files.empty()) {
    std::vector<const char*> paths;
    for (const std::string& file : options.files) paths.push_back(file.c_str());
    paths.push_back(nullptr);
    result = sd_journal_open_files(&journal, paths.data(), 0);
  } else if (!options.directory.empty()) {
    result = sd_journal_open_directory(&journal, options.directory.c_str(), 0);
  } else {
    result = sd_journal_open(&journal, SD_JOURNAL_LOCAL_ONLY | SD_JOURNAL_SYSTEM);
  }
  if (result < 0) return nullptr;
  return Journal(journal);
}

}  // namespace

std::size_t ReadJournal(const JournalOptions& options, const std::function<void(const KernelMessage&)>& sink) {
  const Journal journal = Open(options);
  if (!journal) return 0;
  // Different fields are all required, the same field's values are alternatives: kernel transport and one
  // of the subsystems, found through the journal's own indexes of those fields.
  if (sd_journal_add_match(journal.get(), "_TRANSPORT=kernel", 0) < 0) return 0;
  for (const char* match : kSubsystemMatches) {
    if (sd_journal_add_match(journal.get(), match, 0) < 0) return 0;
  }
  sd_journal_set_data_threshold(journal.get(), kMaxMessageBytes);
  std::unordered_map<std::string, std::uint32_t> boots;
  std::string lastBootKey;
  std::uint32_t lastBoot = 0;
  char bootText[SD_ID128_STRING_MAX] = {};
  std::size_t given = 0;
  while (sd_journal_next(journal.get()) > 0) {
    std::uint64_t realtime = 0;
    std::uint64_t monotonic = 0;
    sd_id128_t bootId{};
    const void* data = nullptr;
    std::size_t length = 0;
    if (sd_journal_get_realtime_usec(journal.get(), &realtime) < 0 ||
        sd_journal_get_monotonic_usec(journal.get(), &monotonic, &bootId) < 0 ||
        sd_journal_get_data(journal.get(), "MESSAGE", &data, &length) < 0) {
      continue;
    }
    const std::string key(reinterpret_cast<const char*>(bootId.bytes), sizeof bootId.bytes);
    if (key != lastBootKey) {
      const auto found = boots.find(key);
      if (found != boots.end()) {
        lastBoot = found->second;
      } else if (boots.size() < kMaxBoots) {
        lastBoot = static_cast<std::uint32_t>(boots.size());
        boots.emplace(key, lastBoot);
      } else {
        continue;
      }
      lastBootKey = key;
      sd_id128_to_string(bootId, bootText);
    }
    std::string_view text(static_cast<const char*>(data), length);
    constexpr std::string_view kField = "MESSAGE=";
    if (text.substr(0, kField.size()) != kField) continue;
    text.remove_prefix(kField.size());
    KernelMessage message;
    message.boot = lastBoot;
    message.time = FileTimeFromUnixMicroseconds(realtime);
    message.text = text;
    message.bootId = bootText;
    sink(message);
    ++given;
  }
  return given;
}

}  // namespace devlist::history
