#include "text_log_source.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "device_history.h"
#include "history_test_support.h"
#include "syslog_line.h"

namespace devlist::history {
namespace {

using testing::DescribeAll;
using testing::ScratchDir;

// The process's time zone for one test, put back after it.
class TimeZone {
 public:
  explicit TimeZone(const char* zone) {
    const char* old = getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TimeZone() {
    if (had_) {
      setenv("TZ", old_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

std::int64_t UnixOf(int year, unsigned month, unsigned day, int hour, int minute, int second) {
  return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

std::string IsoOf(FileTime t) {
  const std::uint64_t micros = (t - 116444736000000000u) / 10;
  const time_t seconds = static_cast<time_t>(micros / 1000000);
  tm utc{};
  gmtime_r(&seconds, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%06uZ", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<unsigned>(micros % 1000000));
  return text;
}

std::string Describe(const std::optional<SyslogLine>& line) {
  if (!line) return "none";
  return IsoOf(line->time) + " " + std::to_string(line->uptimeMicroseconds) + " " + std::string(line->text);
}

void WriteGzip(const std::string& path, const std::string& content) {
  gzFile file = gzopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, file);
  ASSERT_EQ(static_cast<int>(content.size()), gzwrite(file, content.data(), static_cast<unsigned>(content.size())));
  gzclose(file);
}

void SetModified(const std::string& path, std::int64_t unixSeconds) {
  const timeval times[2] = {{static_cast<time_t>(unixSeconds), 0}, {static_cast<time_t>(unixSeconds), 0}};
  ASSERT_EQ(0, utimes(path.c_str(), times));
}

TEST(SyslogLine, StampsAndKernelText) {
  const TimeZone utc("UTC0");
  const std::int64_t jan2 = UnixOf(2027, 1, 2, 0, 0, 0);
  const struct {
    const char* line;
    std::int64_t reference;
    const char* expected;
  } cases[] = {
      {"2026-12-09T10:11:12.123456+01:00 host kernel: [   12.345000] usb 1-1.2: x", 0,
       "2026-12-09T09:11:12.123456Z 12345000 usb 1-1.2: x"},
      {"2026-12-09T10:11:12Z host kernel: Linux version 6.1.0", 0, "2026-12-09T10:11:12.000000Z -1 Linux version 6.1.0"},
      {"2026-12-09T10:11:12.5-05:30 h kernel: [0.000000] x", 0, "2026-12-09T15:41:12.500000Z 0 x"},
      {"2024-02-29T00:00:00+00:00 h kernel: leap", 0, "2024-02-29T00:00:00.000000Z -1 leap"},
      {"2026-02-29T00:00:00+00:00 h kernel: not leap", 0, "none"},
      {"2026-12-09T24:00:00+00:00 h kernel: hour", 0, "none"},
      {"2026-12-09T10:11:12+01:00 host systemd[1]: Started.", 0, "none"},
      {"2026-12-09T10:11:12+01:00 host kernel[5]: x", 0, "none"},
      {"2026-12-09T10:11:12+01:00 kernel: no host", 0, "none"},
      {"Dec 31 23:59:00 host kernel: last of the year", jan2, "2026-12-31T23:59:00.000000Z -1 last of the year"},
      {"Jan  1 00:01:00 host kernel: [    1.5] first", jan2, "2027-01-01T00:01:00.000000Z 1500000 first"},
      {"Jan  2 23:00:00 host kernel: within a day", jan2, "2027-01-02T23:00:00.000000Z -1 within a day"},
      {"Jan  5 00:00:00 host kernel: later: last year", jan2, "2026-01-05T00:00:00.000000Z -1 later: last year"},
      {"Feb 29 12:00:00 host kernel: leap day", jan2, "2024-02-29T12:00:00.000000Z -1 leap day"},
      {"Dec 32 00:00:00 host kernel: x", jan2, "none"},
      {"Foo  9 10:11:12 host kernel: x", jan2, "none"},
      {"Dec  9 10:11:12 host kernel: [ 12.x] stamp kept", jan2, "2026-12-09T10:11:12.000000Z -1 [ 12.x] stamp kept"},
      {"Dec  9 10:11:12 host kernel: [99999999999999999999.0] huge", jan2,
       "2026-12-09T10:11:12.000000Z -1 [99999999999999999999.0] huge"},
      {"", jan2, "none"},
      {"Dec  9", jan2, "none"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, Describe(ParseSyslogLine(c.line, c.reference))) << c.line;
}

TEST(SyslogLine, ClassicStampsAreLocalTime) {
  const TimeZone eastern("EST5");
  EXPECT_EQ("2026-12-09T10:00:00.000000Z 0 x",
            Describe(ParseSyslogLine("Dec  9 05:00:00 h kernel: [0.0] x", UnixOf(2026, 12, 10, 0, 0, 0))));
}

TEST(TextLogSource, FilesOfAFamilyOldestFirst) {
  ScratchDir dir;
  for (const char* name : {"kern.log", "kern.log.1", "kern.log.2.gz", "kern.log.10.gz", "kern.log-20261201.gz",
                           "kern.log-20261125", "kern.logs", "kern.log.old", "kern.log.1.xz", "syslog.1"}) {
    dir.File(name, "");
  }
  std::vector<std::string> expected;
  for (const char* name :
       {"kern.log-20261125", "kern.log-20261201.gz", "kern.log.10.gz", "kern.log.2.gz", "kern.log.1", "kern.log"}) {
    expected.push_back(dir.Path(name));
  }
  EXPECT_EQ(expected, TextLogFiles(dir.root(), "kern.log"));
  EXPECT_EQ(std::vector<std::string>{}, TextLogFiles(dir.Path("missing"), "kern.log"));
}

// Three boots over a compressed copy, a rotated one and the live file, in both stamp forms.
TEST(TextLogSource, RotatedCompressedBothStampForms) {
  const TimeZone utc("UTC0");
  ScratchDir dir;
  WriteGzip(dir.Path("kern.log.2.gz"),
            "2026-12-10T11:00:00.000000+01:00 host kernel: [    0.000000] Linux version 6.1.0-28-amd64\n"
            "2026-12-10T11:00:00.000000+01:00 host kernel: [    0.000000] Command line: BOOT_IMAGE=/vmlinuz\n"
            "2026-12-10T11:00:05.000000+01:00 host kernel: [    5.000000] usb 1-2: new full-speed USB device number 3 "
            "using xhci_hcd\n"
            "2026-12-10T11:00:06.000000+01:00 host systemd[1]: usb 1-2: USB disconnect, device number 3\n"
            "2026-12-10T11:00:05.000000+01:00 host kernel: [    5.000000] usb 1-2: New USB device found, "
            "idVendor=1a86, idProduct=7523, bcdDevice= 2.64\n");
  dir.File("kern.log.1",
           "2026-12-10T12:00:00+01:00 host kernel: [ 3600.000000] usb 1-2: USB disconnect, device number 3\n"
           "2026-12-11T11:00:00+01:00 host kernel: [    0.000000] Linux version 6.1.0-28-amd64\n"
           "2026-12-11T11:00:10+01:00 host kernel: [   10.000000] usb 1-2: new high-speed USB device number 4 using "
           "xhci_hcd\n"
           "2026-12-11T11:00:10+01:00 host kernel: [   10.000000] usb 1-2: New USB device found, idVendor=0781, "
           "idProduct=5567, bcdDevice= 1.26\n");
  dir.File("kern.log",
           "Dec 12 10:00:00 host kernel: [    0.000000] Command line: BOOT_IMAGE=/vmlinuz\n"
           "Dec 12 10:00:00 host kernel: [    0.000000] BIOS-provided physical RAM map:\n"
           "Dec 12 10:00:20 host kernel: [   20.000000] usb 1-2: new full-speed USB device number 2 using xhci_hcd\n"
           "Dec 12 10:00:20 host kernel: [   20.000000] usb 1-2: New USB device found, idVendor=1a86, "
           "idProduct=7523, bcdDevice= 2.64");  // no final newline
  SetModified(dir.Path("kern.log"), UnixOf(2026, 12, 12, 12, 0, 0));
  // The same kernel lines go to syslog too: only one family is read.
  dir.File("syslog", "Dec 12 10:00:30 host kernel: usb 9-9: New USB device found, idVendor=ffff, idProduct=ffff\n");

  HistoryOptions options;
  options.journal.directory = dir.Path("no-journal");
  options.textLogDirectory = dir.root();
  const DeviceHistory history = ReadDeviceHistory(options);
  EXPECT_EQ(DeviceHistory::Source::kTextLogs, history.source);
  EXPECT_EQ("boot 0 1-2 1a86:7523 bcd 0264 '' '' '' 86405..86405 removed 90000\n"
            "boot 1 1-2 0781:5567 bcd 0126 '' '' '' 172810..172810 removed -\n"
            "boot 2 1-2 1a86:7523 bcd 0264 '' '' '' 259220..259220 removed -\n",
            DescribeAll(history.devices));
  ASSERT_EQ(3u, history.boots.size());
  EXPECT_EQ("2026-12-12T10:00:00.000000Z", IsoOf(history.boots[2].firstTime));
  EXPECT_EQ("2026-12-12T10:00:20.000000Z", IsoOf(history.boots[2].lastTime));
  EXPECT_EQ("", history.boots[2].bootId);
}

TEST(TextLogSource, LaterFamilyWhenTheFirstHasNoKernelLine) {
  const TimeZone utc("UTC0");
  ScratchDir dir;
  dir.File("kern.log", "not a log line\n");
  dir.File("messages", "2026-12-09T10:00:00Z host kernel: usb 1-1: new full-speed USB device number 2 using x\n"
                       "2026-12-09T10:00:00Z host kernel: usb 1-1: New USB device found, idVendor=0001, idProduct=0002\n");
  HistoryOptions options;
  options.journal.directory = dir.Path("no-journal");
  options.textLogDirectory = dir.root();
  EXPECT_EQ("boot 0 1-1 0001:0002 bcd - '' '' '' 0..0 removed -\n", DescribeAll(ReadDeviceHistory(options).devices));
}

TEST(TextLogSource, DamagedAndStrangeFilesGiveNothingAndStopNothing) {
  ScratchDir dir;
  const std::string line = "2026-12-09T10:00:00Z host kernel: usb 1-1: Product: x\n";
  dir.File("kern.log.9.gz", "\x1f\x8b\x08\x00 not really compressed");
  ASSERT_EQ(0, mkfifo(dir.Path("kern.log.8").c_str(), 0600));
  std::filesystem::create_directory(dir.Path("kern.log.7"));
  std::string many;
  for (int i = 0; i < 20000; ++i) many += line;
  WriteGzip(dir.Path("whole.gz"), many);
  std::ifstream whole(dir.Path("whole.gz"), std::ios::binary);
  const std::string compressed((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
  dir.File("kern.log.6.gz", compressed.substr(0, compressed.size() / 2));
  dir.File("kern.log.5", std::string(1 << 20, 'x') + "\n" + line + std::string(100000, '\0') + "\n\xff\xfe\n");
  dir.File("kern.log", line);
  if (geteuid() != 0) {
    dir.File("kern.log.4", line);
    chmod(dir.Path("kern.log.4").c_str(), 0);
  }
  std::size_t truncated = 0, total = 0;
  std::vector<std::string> texts;
  ReadTextLogs(dir.root(), [&](const KernelMessage& m) {
    ++total;
    texts.emplace_back(m.text);
  });
  for (const std::string& t : texts) truncated += t == "usb 1-1: Product: x";
  EXPECT_EQ(total, truncated);
  // Half the compressed copy gives a part of its lines, the long file its one line, the live file its own.
  EXPECT_GT(total, 2u);
  EXPECT_LT(total, 20002u);
}

TEST(TextLogSource, MissingDirectoryGivesNothing) {
  EXPECT_EQ(0u, ReadTextLogs("/nonexistent/devlist", [](const KernelMessage&) { FAIL(); }));
  HistoryOptions options;
  options.journal.directory = "/nonexistent/devlist";
  options.textLogDirectory = "/nonexistent/devlist";
  const DeviceHistory history = ReadDeviceHistory(options);
  EXPECT_EQ(DeviceHistory::Source::kNone, history.source);
  EXPECT_TRUE(history.devices.empty() && history.boots.empty());
}

}  // namespace
}  // namespace devlist::history
