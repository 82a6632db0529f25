// Reads the device history once, as the tool would, and prints what it found with the CPU time and peak
// memory of the whole process (not a test).
//   history_bench [--journal DIR] [--text DIR]   (default: the system journal, then /var/log)
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "device_history.h"

int main(int argc, char** argv) {
  devlist::history::HistoryOptions options;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--journal") == 0) {
      options.journal.directory = argv[i + 1];
    } else if (std::strcmp(argv[i], "--text") == 0) {
      options.textLogDirectory = argv[i + 1];
      if (options.journal.directory.empty()) options.journal.directory = "/nonexistent";
    }
  }
  const auto history = devlist::history::ReadDeviceHistory(options);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  using Source = devlist::history::DeviceHistory::Source;
  std::printf("source %s, %zu boots, %zu records, CPU %.3f s, peak RSS %.1f MB\n",
              history.source == Source::kJournal ? "journal" : history.source == Source::kTextLogs ? "text" : "none",
              history.boots.size(), history.devices.size(), cpu, static_cast<double>(usage.ru_maxrss) / 1024);
  // Of the peak, how much is the process's own memory and how much the journal's mapped file pages.
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM", 0) == 0 || line.rfind("RssAnon", 0) == 0 || line.rfind("RssFile", 0) == 0) {
      std::printf("%s\n", line.c_str());
    }
  }
  return 0;
}
