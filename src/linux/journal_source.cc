#include "journal_source.h"

#include <systemd/sd-id128.h>
#include <systemd/sd-journal.h>

#include <array>
#include <cstdlib>
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

// The journal opened, asked only for the kernel's messages of those subsystems; null when it cannot be.
// Different fields are all required, the same field's values are alternatives: kernel transport and one of
// the subsystems, found through the journal's own indexes of those fields.
Journal OpenMatched(const JournalOptions& options) {
  Journal journal = Open(options);
  if (!journal) return nullptr;
  if (sd_journal_add_match(journal.get(), "_TRANSPORT=kernel", 0) < 0) return nullptr;
  for (const char* match : kSubsystemMatches) {
    if (sd_journal_add_match(journal.get(), match, 0) < 0) return nullptr;
  }
  sd_journal_set_data_threshold(journal.get(), kMaxMessageBytes);
  return journal;
}

}  // namespace

std::size_t ReadJournal(const JournalOptions& options, const std::function<void(const KernelMessage&)>& sink) {
  std::unordered_map<std::string, std::uint32_t> boots;
  std::string lastBootKey;
  std::uint32_t lastBoot = 0;
  char bootText[SD_ID128_STRING_MAX] = {};
  std::size_t given = 0;
  // The entry of one opening, handed on when it is one the parser can use.
  const auto take = [&](sd_journal* journal) {
    std::uint64_t realtime = 0;
    std::uint64_t monotonic = 0;
    sd_id128_t bootId{};
    const void* data = nullptr;
    std::size_t length = 0;
    if (sd_journal_get_realtime_usec(journal, &realtime) < 0 ||
        sd_journal_get_monotonic_usec(journal, &monotonic, &bootId) < 0 ||
        sd_journal_get_data(journal, "MESSAGE", &data, &length) < 0) {
      return;
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
        return;
      }
      lastBootKey = key;
      sd_id128_to_string(bootId, bootText);
    }
    std::string_view text(static_cast<const char*>(data), length);
    constexpr std::string_view kField = "MESSAGE=";
    if (text.substr(0, kField.size()) != kField) return;
    text.remove_prefix(kField.size());
    KernelMessage message;
    message.boot = lastBoot;
    message.time = FileTimeFromUnixMicroseconds(realtime);
    message.text = text;
    message.bootId = bootText;
    sink(message);
    ++given;
  };
  // sd-journal reads its files through memory maps, and each page it touches stays mapped, and counted in
  // the process's resident memory, until the journal is closed. The entries asked for are spread over the
  // whole of a large file, so the journal is closed and opened again where reading stopped every
  // few entries: what stays resident is what one run of entries touched.
  const std::size_t perOpening = options.entriesPerOpening == 0 ? 1 : options.entriesPerOpening;
  std::string cursor;
  for (;;) {
    const Journal journal = OpenMatched(options);
    if (!journal) break;
    sd_journal* j = journal.get();
    int step = 0;
    if (cursor.empty()) {
      step = sd_journal_next(j);
    } else {
      if (sd_journal_seek_cursor(j, cursor.c_str()) < 0) break;
      step = sd_journal_next(j);
      if (step > 0 && sd_journal_test_cursor(j, cursor.c_str()) > 0) step = sd_journal_next(j);
    }
    std::size_t entries = 0;
    while (step > 0) {
      take(j);
      if (++entries == perOpening) break;
      step = sd_journal_next(j);
    }
    if (step <= 0) break;
    char* at = nullptr;
    if (sd_journal_get_cursor(j, &at) < 0 || at == nullptr) break;
    cursor = at;
    std::free(at);
  }
  return given;
}

}  // namespace devlist::history
