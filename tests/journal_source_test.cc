#include "journal_source.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "device_history.h"
#include "history_test_support.h"

namespace devlist::history {
namespace {

using testing::DescribeAll;
using testing::ScratchDir;

constexpr const char* kJournalRemote = "/lib/systemd/systemd-journal-remote";
constexpr const char* kBootA = "0123456789abcdef0123456789abcdef";
constexpr const char* kBootB = "fedcba9876543210fedcba9876543210";

struct Entry {
  const char* boot;
  std::uint64_t second;
  const char* subsystem;  // "" for none
  std::string message;
  const char* transport = "kernel";
};

// One entry in the journal's export format; MESSAGE in the binary form, which carries any byte.
std::string Export(const Entry& e) {
  const std::uint64_t realtime = (testing::kBaseUnixSeconds + e.second) * 1000000;
  std::string out = "__REALTIME_TIMESTAMP=" + std::to_string(realtime) + "\n__MONOTONIC_TIMESTAMP=" +
                    std::to_string(e.second * 1000000 + 1) + "\n_BOOT_ID=" + e.boot +
                    "\n_MACHINE_ID=00112233445566778899aabbccddeeff\n_TRANSPORT=" + e.transport +
                    "\nSYSLOG_IDENTIFIER=kernel\n";
  if (*e.subsystem != '\0') out += std::string("_KERNEL_SUBSYSTEM=") + e.subsystem + "\n";
  out += "MESSAGE\n";
  std::uint64_t size = e.message.size();
  for (int i = 0; i < 8; ++i, size >>= 8) out += static_cast<char>(size & 0xff);
  return out + e.message + "\n\n";
}

// A journal file made from `entries` by the journal's own writer; empty when it is not installed.
std::string MakeJournal(const ScratchDir& dir, const std::vector<Entry>& entries) {
  std::string text;
  for (const Entry& e : entries) text += Export(e);
  dir.File("export.txt", text);
  const std::string journal = dir.Path("journal/system.journal");
  std::filesystem::create_directories(dir.Path("journal"));
  const std::string command = std::string(kJournalRemote) + " -o " + journal + " " + dir.Path("export.txt") +
                              " >" + dir.Path("remote.log") + " 2>&1";
  EXPECT_EQ(0, std::system(command.c_str())) << command;
  return journal;
}

const std::vector<Entry> kTwoBoots = {
    {kBootA, 10, "usb", "usb 1-1.2: new high-speed USB device number 5 using xhci_hcd"},
    {kBootA, 10, "usb", "usb 1-1.2: New USB device found, idVendor=0781, idProduct=5567, bcdDevice= 1.26"},
    {kBootA, 10, "usb", "usb 1-1.2: Product: Cruzer\x1b\xff Blade"},
    {kBootA, 10, "usb", "usb-storage 1-1.2:1.0: USB Mass Storage device detected"},
    {kBootA, 10, "scsi", "scsi host6: usb-storage 1-1.2:1.0"},
    {kBootA, 11, "scsi", "scsi 6:0:0:0: Direct-Access     SanDisk  Cruzer Blade     1.26 PQ: 0 ANSI: 6"},
    {kBootA, 11, "scsi", "sd 6:0:0:0: [sdb] Attached SCSI removable disk"},
    // Messages the matches leave out: another subsystem, another transport, none at all.
    {kBootA, 12, "pci", "usb 1-1.2: USB disconnect, device number 5"},
    {kBootA, 12, "usb", "usb 1-1.2: USB disconnect, device number 5", "syslog"},
    {kBootA, 12, "", "usb 1-1.2: USB disconnect, device number 5"},
    {kBootA, 20, "usb", "usb 1-3: new full-speed USB device number 6 using xhci_hcd"},
    {kBootA, 20, "usb", "usb 1-3: New USB device found, idVendor=046d, idProduct=c52b, bcdDevice=12.03"},
    {kBootA, 20, "hid",
     "hid-generic 0003:046D:C52B.0001: input,hidraw0: USB HID v1.11 Keyboard [Logitech USB Receiver] on "
     "usb-0000:00:14.0-3/input0"},
    {kBootA, 30, "usb", "usb 1-3: USB disconnect, device number 6"},
    {kBootB, 100, "usb", "usb 1-1.2: new full-speed USB device number 2 using xhci_hcd"},
    {kBootB, 100, "usb", "usb 1-1.2: New USB device found, idVendor=1a86, idProduct=7523, bcdDevice= 2.64"},
    {kBootB, 100, "usb", "usb 1-1.2: ch341-uart converter now attached to ttyUSB0"},
};

constexpr const char* kTwoBootsRecord =
    "boot 0 1-1.2 0781:5567 bcd 0126 '' 'Cruzer?? Blade' '' 10..10 removed - | storage 6:0:0:0 Direct-Access 'SanDisk' "
    "'Cruzer Blade' '1.26' sdb\n"
    "boot 0 1-3 046d:c52b bcd 1203 '' '' '' 20..20 removed 30 | hid keyboard Keyboard 'Logitech USB Receiver' #1 if0\n"
    "boot 1 1-1.2 1a86:7523 bcd 0264 '' '' '' 100..100 removed - | serial ttyUSB0 ch341-uart\n";

class JournalSource : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(kJournalRemote, X_OK) != 0) GTEST_SKIP() << kJournalRemote << " is not installed";
  }
};

TEST_F(JournalSource, BootsMatchesAndFunctions) {
  ScratchDir dir;
  const std::string journal = MakeJournal(dir, kTwoBoots);
  HistoryOptions options;
  options.journal.directory = dir.Path("journal");
  options.textLogDirectory = dir.Path("no-logs");
  const DeviceHistory history = ReadDeviceHistory(options);
  EXPECT_EQ(DeviceHistory::Source::kJournal, history.source);
  EXPECT_EQ(kTwoBootsRecord, DescribeAll(history.devices));
  ASSERT_EQ(2u, history.boots.size());
  EXPECT_EQ(kBootA, history.boots[0].bootId);
  EXPECT_EQ(testing::At(10), history.boots[0].firstTime);
  EXPECT_EQ(testing::At(30), history.boots[0].lastTime);
  EXPECT_EQ(kBootB, history.boots[1].bootId);

  // The same file named alone.
  std::size_t messages = 0;
  JournalOptions files;
  files.files = {journal};
  EXPECT_EQ(14u, ReadJournal(files, [&](const KernelMessage&) { ++messages; }));
  EXPECT_EQ(14u, messages);
  // Only the usb subsystem's: not the three of SCSI and the one of HID.
  JournalOptions usb = files;
  usb.usbDevicesOnly = true;
  EXPECT_EQ(10u, ReadJournal(usb, [](const KernelMessage&) {}));

  // Opened again after every entry, or every few, it gives each message once, in order.
  for (const std::size_t perOpening : {1u, 3u, 13u, 14u}) {
    std::string all, again;
    JournalOptions once = files;
    once.entriesPerOpening = 10000;
    ReadJournal(once, [&](const KernelMessage& m) { all.append(m.text).push_back('\n'); });
    JournalOptions often = files;
    often.entriesPerOpening = perOpening;
    EXPECT_EQ(14u, ReadJournal(often, [&](const KernelMessage& m) { again.append(m.text).push_back('\n'); }))
        << perOpening;
    EXPECT_EQ(all, again) << perOpening;
  }
}

TEST_F(JournalSource, WithoutUsbMessagesTheTextLogsAreRead) {
  ScratchDir dir;
  MakeJournal(dir, {{kBootA, 1, "pci", "pci 0000:00:14.0: [8086:a36d] type 00 class 0x0c0330"}});
  std::filesystem::create_directories(dir.Path("log"));
  dir.File("log/kern.log", "2026-12-09T10:00:00Z host kernel: usb 1-1: new full-speed USB device number 2 using x\n"
                           "2026-12-09T10:00:00Z host kernel: usb 1-1: New USB device found, idVendor=0001, "
                           "idProduct=0002\n");
  HistoryOptions options;
  options.journal.directory = dir.Path("journal");
  options.textLogDirectory = dir.Path("log");
  const DeviceHistory history = ReadDeviceHistory(options);
  EXPECT_EQ(DeviceHistory::Source::kTextLogs, history.source);
  EXPECT_EQ("boot 0 1-1 0001:0002 bcd - '' '' '' 0..0 removed -\n", DescribeAll(history.devices));
}

TEST_F(JournalSource, DamagedOrMissingJournalGivesNothing) {
  ScratchDir dir;
  const std::string whole = MakeJournal(dir, kTwoBoots);
  std::ifstream in(whole, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  // A journal's signature, then nothing sound; a file cut in half; an empty one.
  dir.File("journal/system.journal", std::string("LPKSHHRH") + std::string(4096, '\x7f'));
  dir.File("half.journal", bytes.substr(0, bytes.size() / 2));
  dir.File("cut.journal", "");
  const auto count = [](const JournalOptions& options) {
    std::size_t n = 0;
    ReadJournal(options, [&](const KernelMessage& m) {
      ++n;
      EXPECT_LT(m.text.size(), 8193u);
    });
    return n;
  };
  JournalOptions damaged;
  damaged.directory = dir.Path("journal");
  EXPECT_EQ(0u, count(damaged));
  JournalOptions missing;
  missing.directory = dir.Path("missing");
  EXPECT_EQ(0u, count(missing));
  JournalOptions empty;
  empty.files = {dir.Path("cut.journal"), dir.Path("missing.journal")};
  EXPECT_EQ(0u, count(empty));
  // A journal cut in half gives at most what it held, and never fails.
  JournalOptions half;
  half.files = {dir.Path("half.journal")};
  EXPECT_LE(count(half), 14u);
}

}  // namespace
}  // namespace devlist::history
