// The USB devices this machine's kernel logs record, boot by boot: from the systemd journal where it holds
// any of the messages, else from the syslog text files, else none.
#pragma once

#include <string>
#include <vector>

#include "journal_source.h"
#include "kernel_log_parser.h"

namespace devlist::history {

struct HistoryOptions {
  /// The journal read; by default the local system journal.
  JournalOptions journal;
  /// Where the text logs are looked for.
  std::string textLogDirectory = "/var/log";
};

struct DeviceHistory {
  enum class Source { kNone, kJournal, kTextLogs };
  Source source = Source::kNone;
  /// The boots the record holds, oldest first; a record's `boot` is its index here.
  std::vector<BootRecord> boots;
  /// The devices, boot by boot, oldest arrival first within a boot.
  std::vector<UsbDeviceRecord> devices;
};

/// The record of the journal if it holds any kernel message of the USB subsystems, else that of the text
/// logs if they hold any kernel line, else an empty one (source kNone). Never fails: what cannot be read
/// gives nothing.
DeviceHistory ReadDeviceHistory(const HistoryOptions& options);

}  // namespace devlist::history
