#include "journal_source.h"

#include <dlfcn.h>
#include <systemd/sd-id128.h>
#include <systemd/sd-journal.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

// libsystemd is loaded only when there is a journal to read: it brings five more libraries, which would
// take a third of a small machine's whole run for nothing where there is none. Loaded once, for the life of
// the process; every call is null when it cannot be loaded.
struct Systemd {
  decltype(&::sd_id128_to_string) id128_to_string = nullptr;
  decltype(&::sd_journal_add_match) journal_add_match = nullptr;
  decltype(&::sd_journal_close) journal_close = nullptr;
  decltype(&::sd_journal_get_cursor) journal_get_cursor = nullptr;
  decltype(&::sd_journal_get_data) journal_get_data = nullptr;
  decltype(&::sd_journal_get_monotonic_usec) journal_get_monotonic_usec = nullptr;
  decltype(&::sd_journal_get_realtime_usec) journal_get_realtime_usec = nullptr;
  decltype(&::sd_journal_next) journal_next = nullptr;
  decltype(&::sd_journal_open) journal_open = nullptr;
  decltype(&::sd_journal_open_directory) journal_open_directory = nullptr;
  decltype(&::sd_journal_open_files) journal_open_files = nullptr;
  decltype(&::sd_journal_seek_cursor) journal_seek_cursor = nullptr;
  decltype(&::sd_journal_set_data_threshold) journal_set_data_threshold = nullptr;
  decltype(&::sd_journal_test_cursor) journal_test_cursor = nullptr;
  bool loaded = false;
};

struct LibraryCloser {
  void operator()(void* library) const { dlclose(library); }
};

// Sets `call` to the library's function of that name; false when it has none.
template <typename Call>
bool Bind(void* library, const char* name, Call& call) {
  call = reinterpret_cast<Call>(dlsym(library, name));
  return call != nullptr;
}

Systemd LoadSystemd(std::unique_ptr<void, LibraryCloser>& holder) {
  holder.reset(dlopen("libsystemd.so.0", RTLD_NOW | RTLD_LOCAL));
  void* library = holder.get();
  if (library == nullptr) return Systemd{};
  Systemd calls;
  calls.loaded = Bind(library, "sd_id128_to_string", calls.id128_to_string) &&
                 Bind(library, "sd_journal_add_match", calls.journal_add_match) &&
                 Bind(library, "sd_journal_close", calls.journal_close) &&
                 Bind(library, "sd_journal_get_cursor", calls.journal_get_cursor) &&
                 Bind(library, "sd_journal_get_data", calls.journal_get_data) &&
                 Bind(library, "sd_journal_get_monotonic_usec", calls.journal_get_monotonic_usec) &&
                 Bind(library, "sd_journal_get_realtime_usec", calls.journal_get_realtime_usec) &&
                 Bind(library, "sd_journal_next", calls.journal_next) &&
                 Bind(library, "sd_journal_open", calls.journal_open) &&
                 Bind(library, "sd_journal_open_directory", calls.journal_open_directory) &&
                 Bind(library, "sd_journal_open_files", calls.journal_open_files) &&
                 Bind(library, "sd_journal_seek_cursor", calls.journal_seek_cursor) &&
                 Bind(library, "sd_journal_set_data_threshold", calls.journal_set_data_threshold) &&
                 Bind(library, "sd_journal_test_cursor", calls.journal_test_cursor);
  return calls.loaded ? calls : Systemd{};
}

const Systemd& Sd() {
  static std::unique_ptr<void, LibraryCloser> library;
  static const Systemd calls = LoadSystemd(library);
  return calls;
}

// Whether the system may hold a journal: its folders have anything in them at all.
bool SystemJournalMayExist() {
  for (const char* dir : {"/var/log/journal", "/run/log/journal"}) {
    std::error_code error;
    const std::filesystem::directory_iterator entries(dir, error);
    if (!error && entries != std::filesystem::directory_iterator()) return true;
  }
  return false;
}

struct JournalCloser {
  void operator()(sd_journal* journal) const { Sd().journal_close(journal); }
};
using Journal = std::unique_ptr<sd_journal, JournalCloser>;

Journal Open(const JournalOptions& options) {
  const bool system = options.files.empty() && options.directory.empty();
  if ((system && !SystemJournalMayExist()) || !Sd().loaded) return nullptr;
  sd_journal* journal = nullptr;
  int result = 0;
  if (!options.files.empty()) {
    std::vector<const char*> paths;
    for (const std::string& file : options.files) paths.push_back(file.c_str());
    paths.push_back(nullptr);
    result = Sd().journal_open_files(&journal, paths.data(), 0);
  } else if (!options.directory.empty()) {
    result = Sd().journal_open_directory(&journal, options.directory.c_str(), 0);
  } else {
    result = Sd().journal_open(&journal, SD_JOURNAL_LOCAL_ONLY | SD_JOURNAL_SYSTEM);
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
  if (Sd().journal_add_match(journal.get(), "_TRANSPORT=kernel", 0) < 0) return nullptr;
  for (const char* match : kSubsystemMatches) {
    if (Sd().journal_add_match(journal.get(), match, 0) < 0) return nullptr;
    if (options.usbDevicesOnly) break;  // the first is usb's
  }
  Sd().journal_set_data_threshold(journal.get(), kMaxMessageBytes);
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
    if (Sd().journal_get_realtime_usec(journal, &realtime) < 0 ||
        Sd().journal_get_monotonic_usec(journal, &monotonic, &bootId) < 0 ||
        Sd().journal_get_data(journal, "MESSAGE", &data, &length) < 0) {
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
      Sd().id128_to_string(bootId, bootText);
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
      step = Sd().journal_next(j);
    } else {
      if (Sd().journal_seek_cursor(j, cursor.c_str()) < 0) break;
      step = Sd().journal_next(j);
      if (step > 0 && Sd().journal_test_cursor(j, cursor.c_str()) > 0) step = Sd().journal_next(j);
    }
    std::size_t entries = 0;
    while (step > 0) {
      take(j);
      if (++entries == perOpening) break;
      step = Sd().journal_next(j);
    }
    if (step <= 0) break;
    char* at = nullptr;
    if (Sd().journal_get_cursor(j, &at) < 0 || at == nullptr) break;
    cursor = at;
    std::free(at);
  }
  return given;
}

}  // namespace devlist::history
