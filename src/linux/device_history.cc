#include "device_history.h"

#include "text_log_source.h"

namespace devlist::history {

DeviceHistory ReadDeviceHistory(const HistoryOptions& options) {
  DeviceHistory history;
  {
    KernelLogParser parser;
    if (ReadJournal(options.journal, [&](const KernelMessage& m) { parser.Add(m); }) != 0) {
      history.source = DeviceHistory::Source::kJournal;
      history.devices = parser.Finish();
      history.boots = parser.boots();
      return history;
    }
  }
  KernelLogParser parser;
  if (ReadTextLogs(options.textLogDirectory, [&](const KernelMessage& m) { parser.Add(m); }) != 0) {
    history.source = DeviceHistory::Source::kTextLogs;
    history.devices = parser.Finish();
    history.boots = parser.boots();
  }
  return history;
}

}  // namespace devlist::history
