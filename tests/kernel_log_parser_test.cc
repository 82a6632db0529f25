#include "kernel_log_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "history_test_support.h"
#include "kernel_log_text.h"

namespace devlist::history {
namespace {

using testing::At;
using testing::DescribeAll;

struct Line {
  std::uint32_t boot;
  std::uint64_t second;
  std::string text;
};

std::string Parse(const std::vector<Line>& lines) {
  KernelLogParser parser;
  for (const Line& l : lines) parser.Add({l.boot, At(l.second), l.text, {}});
  return DescribeAll(parser.Finish());
}

// A stick as a 6.1 kernel logs it, from arrival to disconnect.
const std::vector<Line> kStick = {
    {0, 10, "usb 1-1.2: new high-speed USB device number 5 using xhci_hcd"},
    {0, 10, "usb 1-1.2: New USB device found, idVendor=0781, idProduct=5567, bcdDevice= 1.26"},
    {0, 10, "usb 1-1.2: New USB device strings: Mfr=1, Product=2, SerialNumber=3"},
    {0, 10, "usb 1-1.2: Product: Cruzer Blade"},
    {0, 10, "usb 1-1.2: Manufacturer: SanDisk"},
    {0, 10, "usb 1-1.2: SerialNumber: 4C530001231218115270"},
    {0, 10, "usb-storage 1-1.2:1.0: USB Mass Storage device detected"},
    {0, 10, "scsi host6: usb-storage 1-1.2:1.0"},
    {0, 10, "usbcore: registered new interface driver usb-storage"},
    {0, 11, "scsi 6:0:0:0: Direct-Access     SanDisk  Cruzer Blade     1.26 PQ: 0 ANSI: 6"},
    {0, 11, "sd 6:0:0:0: Attached scsi generic sg1 type 0"},
    {0, 11, "sd 6:0:0:0: [sdb] 30031872 512-byte logical blocks: (15.4 GB/14.3 GiB)"},
    {0, 11, "sd 6:0:0:0: [sdb] Attached SCSI removable disk"},
    {0, 90, "usb 1-1.2: USB disconnect, device number 5"},
};

TEST(KernelLogParser, DeviceFunctions) {
  const struct {
    const char* what;
    std::vector<Line> lines;
    const char* expected;
  } cases[] = {
      {"stick", kStick,
       "boot 0 1-1.2 0781:5567 bcd 0126 'SanDisk' 'Cruzer Blade' '4C530001231218115270' 10..10 removed 90 | storage "
       "6:0:0:0 Direct-Access 'SanDisk' 'Cruzer Blade' '1.26' sdb\n"},
      {"squeezed inquiry, older kernel without bcdDevice, never removed",
       {{0, 1, "usb 2-1: new high-speed USB device number 2 using ehci-pci"},
        {0, 1, "usb 2-1: New USB device found, idVendor=090c, idProduct=1000"},
        {0, 1, "usb-storage 2-1:1.0: USB Mass Storage device detected"},
        {0, 1, "scsi host3: usb-storage 2-1:1.0"},
        {0, 2, "scsi 3:0:0:0: Direct-Access SanDisk Cruzer Blade 1.26 PQ: 0 ANSI: 6"},
        {0, 2, "scsi 3:0:0:1: CD-ROM Generic CD Drive 0.01 PQ: 0 ANSI: 2"},
        {0, 2, "sr 3:0:0:1: Attached scsi CD-ROM sr0"},
        {0, 2, "sd 3:0:0:0: [sdc] Attached SCSI disk"}},
       "boot 0 2-1 090c:1000 bcd - '' '' '' 1..1 removed - | storage 3:0:0:0 Direct-Access 'SanDisk' 'Cruzer Blade' "
       "'1.26' sdc | storage 3:0:0:1 CD-ROM 'Generic' 'CD Drive' '0.01' sr0\n"},
      {"UAS disk: the host names no port",
       {{0, 1, "usb 2-3: new SuperSpeed USB device number 3 using xhci_hcd"},
        {0, 1, "usb 2-3: New USB device found, idVendor=174c, idProduct=55aa, bcdDevice= 1.00"},
        {0, 1, "scsi host4: uas"},
        {0, 2, "scsi 4:0:0:0: Direct-Access     ASMT     2115             0    PQ: 0 ANSI: 6"},
        {0, 2, "sd 4:0:0:0: [sdd] Attached SCSI disk"}},
       "boot 0 2-3 174c:55aa bcd 0100 '' '' '' 1..1 removed - | storage 4:0:0:0 Direct-Access 'ASMT' '2115' '0' sdd\n"},
      {"receiver: keyboard and mouse",
       {{0, 5, "usb 1-1: new full-speed USB device number 3 using xhci_hcd"},
        {0, 5, "usb 1-1: New USB device found, idVendor=046d, idProduct=c52b, bcdDevice=12.03"},
        {0, 5, "usb 1-1: Product: USB Receiver"},
        {0, 5, "usb 1-1: Manufacturer: Logitech"},
        {0, 5,
         "input: Logitech USB Receiver as /devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/0003:046D:C52B.0001/input/"
         "input5"},
        {0, 5,
         "hid-generic 0003:046D:C52B.0001: input,hidraw0: USB HID v1.11 Keyboard [Logitech USB Receiver] on "
         "usb-0000:00:14.0-1/input0"},
        {0, 5,
         "hid-generic 0003:046D:C52B.0002: input,hiddev96,hidraw1: USB HID v1.11 Mouse [Logitech USB Receiver] on "
         "usb-0000:00:14.0-1/input1"},
        {0, 5,
         "logitech-djreceiver 0003:046D:C52B.0003: hiddev97,hidraw2: USB HID v1.11 Device [Logitech USB Receiver] on "
         "usb-0000:00:14.0-1/input2"}},
       "boot 0 1-1 046d:c52b bcd 1203 'Logitech' 'USB Receiver' '' 5..5 removed - | hid keyboard Keyboard 'Logitech USB "
       "Receiver' #1 if0 | hid mouse Mouse 'Logitech USB Receiver' #2 if1 | hid other Device 'Logitech USB Receiver' #3 "
       "if2\n"},
      {"serial adapters",
       {{0, 1, "usb 1-2: new full-speed USB device number 4 using xhci_hcd"},
        {0, 1, "usb 1-2: New USB device found, idVendor=10c4, idProduct=ea60, bcdDevice= 1.00"},
        {0, 1, "usb 1-2: SerialNumber: 0001"},
        {0, 1, "cp210x 1-2:1.0: cp210x converter detected"},
        {0, 1, "usb 1-2: cp210x converter now attached to ttyUSB0"},
        {0, 2, "usb 1-3: new full-speed USB device number 6 using xhci_hcd"},
        {0, 2, "usb 1-3: New USB device found, idVendor=0403, idProduct=6001, bcdDevice= 6.00"},
        {0, 2, "usb 1-3: FTDI USB Serial Device converter now attached to ttyUSB1"},
        {0, 3, "usb 1-4: new full-speed USB device number 7 using xhci_hcd"},
        {0, 3, "usb 1-4: New USB device found, idVendor=2341, idProduct=0043, bcdDevice= 0.01"},
        {0, 3, "cdc_acm 1-4:1.0: ttyACM0: USB ACM device"}},
       "boot 0 1-2 10c4:ea60 bcd 0100 '' '' '0001' 1..1 removed - | serial ttyUSB0 cp210x\n"
       "boot 0 1-3 0403:6001 bcd 0600 '' '' '' 2..2 removed - | serial ttyUSB1 FTDI USB Serial Device\n"
       "boot 0 1-4 2341:0043 bcd 0001 '' '' '' 3..3 removed - | serial ttyACM0 cdc_acm\n"},
      {"network adapters, renamed",
       {{0, 1, "usb 1-3: new high-speed USB device number 8 using xhci_hcd"},
        {0, 1, "usb 1-3: New USB device found, idVendor=0525, idProduct=a4a2, bcdDevice= 4.19"},
        {0, 1, "cdc_ether 1-3:2.0 usb0: register 'cdc_ether' at usb-0000:00:14.0-3, CDC Ethernet Device, 12:34:56:78:9a:bc"},
        {0, 1, "cdc_ether 1-3:2.0 enp0s20f0u3c2: renamed from usb0"},
        {0, 2, "usb 2-1: new SuperSpeed USB device number 2 using xhci_hcd"},
        {0, 2, "usb 2-1: New USB device found, idVendor=0bda, idProduct=8153, bcdDevice=30.00"},
        {0, 2, "r8152 2-1:1.0 eth0: v1.12.13"},
        {0, 2, "r8152 2-1:1.0 enx00e04c680001: renamed from eth0"},
        {0, 2, "r8152 2-1:1.0 enx00e04c680001: carrier on"}},
       "boot 0 1-3 0525:a4a2 bcd 0419 '' '' '' 1..1 removed - | net enp0s20f0u3c2 cdc_ether\n"
       "boot 0 2-1 0bda:8153 bcd 3000 '' '' '' 2..2 removed - | net enx00e04c680001 r8152\n"},
      {"cameras, new and old kernels; a hub",
       {{0, 1, "usb 1-4: new high-speed USB device number 9 using xhci_hcd"},
        {0, 1, "usb 1-4: New USB device found, idVendor=046d, idProduct=0825, bcdDevice= 0.12"},
        {0, 1, "uvcvideo 1-4:1.0: Found UVC 1.00 device HD Webcam C270 (046d:0825)"},
        {0, 2, "usb 1-5: new high-speed USB device number 10 using ehci-pci"},
        {0, 2, "usb 1-5: New USB device found, idVendor=0c45, idProduct=6340"},
        {0, 2, "uvcvideo: Found UVC 1.00 device USB Camera (0c45:6340)"},
        {0, 3, "usb 1-6: new high-speed USB device number 11 using ehci-pci"},
        {0, 3, "usb 1-6: New USB device found, idVendor=05e3, idProduct=0608, bcdDevice=88.32"},
        {0, 3, "hub 1-6:1.0: USB hub found"}},
       "boot 0 1-4 046d:0825 bcd 0012 '' '' '' 1..1 removed - | camera 'HD Webcam C270'\n"
       "boot 0 1-5 0c45:6340 bcd - '' '' '' 2..2 removed - | camera 'USB Camera'\n"
       "boot 0 1-6 05e3:0608 bcd 8832 '' '' '' 3..3 removed - | hub\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, Parse(c.lines)) << c.what;
}

TEST(KernelLogParser, PortsAndBoots) {
  const struct {
    const char* what;
    std::vector<Line> lines;
    const char* expected;
  } cases[] = {
      {"the same device back on its port is one record",
       {{0, 1, "usb 1-2: new full-speed USB device number 3 using xhci_hcd"},
        {0, 1, "usb 1-2: New USB device found, idVendor=1234, idProduct=5678, bcdDevice= 1.00"},
        {0, 5, "usb 1-2: USB disconnect, device number 3"},
        {0, 7, "usb 1-2: new full-speed USB device number 4 using xhci_hcd"},
        {0, 7, "usb 1-2: New USB device found, idVendor=1234, idProduct=5678, bcdDevice= 1.00"},
        {0, 9, "usb 1-2: USB disconnect, device number 4"}},
       "boot 0 1-2 1234:5678 bcd 0100 '' '' '' 1..7 removed 9\n"},
      {"another device on that port is another record; the first left before the second came",
       {{0, 1, "usb 1-2: new full-speed USB device number 3 using xhci_hcd"},
        {0, 1, "usb 1-2: New USB device found, idVendor=1234, idProduct=5678, bcdDevice= 1.00"},
        {0, 5, "usb 1-2: USB disconnect, device number 3"},
        {0, 7, "usb 1-2: new full-speed USB device number 4 using xhci_hcd"},
        {0, 7, "usb 1-2: New USB device found, idVendor=1234, idProduct=9999, bcdDevice= 1.00"}},
       "boot 0 1-2 1234:5678 bcd 0100 '' '' '' 1..1 removed 5\n"
       "boot 0 1-2 1234:9999 bcd 0100 '' '' '' 7..7 removed -\n"},
      {"a lost disconnect: the next arrival on the port ends the device before",
       {{0, 1, "usb 1-2: new full-speed USB device number 3 using xhci_hcd"},
        {0, 1, "usb 1-2: New USB device found, idVendor=1234, idProduct=5678"},
        {0, 8, "usb 1-2: new full-speed USB device number 4 using xhci_hcd"},
        {0, 8, "usb 1-2: New USB device found, idVendor=abcd, idProduct=ef01"}},
       "boot 0 1-2 1234:5678 bcd - '' '' '' 1..1 removed 8\nboot 0 1-2 abcd:ef01 bcd - '' '' '' 8..8 removed -\n"},
      {"a serial-less device, then another on its port in the next boot; boots are not merged",
       {{0, 1, "usb 1-2: new full-speed USB device number 3 using xhci_hcd"},
        {0, 1, "usb 1-2: New USB device found, idVendor=1a86, idProduct=7523, bcdDevice= 2.64"},
        {0, 1, "usb 1-2: Product: USB Serial"},
        {1, 100, "usb 1-2: new full-speed USB device number 2 using xhci_hcd"},
        {1, 100, "usb 1-2: New USB device found, idVendor=1a86, idProduct=7523, bcdDevice= 2.64"},
        {1, 100, "usb 1-2: Product: USB Serial"},
        {1, 200, "usb 1-2: USB disconnect, device number 2"},
        {1, 300, "usb 1-2: new full-speed USB device number 3 using xhci_hcd"},
        {1, 300, "usb 1-2: New USB device found, idVendor=0781, idProduct=5567, bcdDevice= 1.26"},
        {2, 400, "usb 1-2: SerialNumber: LEFT OVER FROM BOOT 1"}},
       "boot 0 1-2 1a86:7523 bcd 0264 '' 'USB Serial' '' 1..1 removed -\n"
       "boot 1 1-2 1a86:7523 bcd 0264 '' 'USB Serial' '' 100..100 removed 200\n"
       "boot 1 1-2 0781:5567 bcd 0126 '' '' '' 300..300 removed -\n"},
      {"a stale SCSI unit never names a later device on its port",
       {{0, 1, "usb 1-1: new high-speed USB device number 2 using xhci_hcd"},
        {0, 1, "usb 1-1: New USB device found, idVendor=0781, idProduct=5567"},
        {0, 1, "scsi host6: usb-storage 1-1:1.0"},
        {0, 1, "scsi 6:0:0:0: Direct-Access     SanDisk  Cruzer Blade     1.26 PQ: 0 ANSI: 6"},
        {0, 2, "usb 1-1: USB disconnect, device number 2"},
        {0, 3, "usb 1-1: new high-speed USB device number 3 using xhci_hcd"},
        {0, 3, "usb 1-1: New USB device found, idVendor=0951, idProduct=1666"},
        {0, 3, "sd 6:0:0:0: [sdb] Attached SCSI removable disk"}},
       "boot 0 1-1 0781:5567 bcd - '' '' '' 1..1 removed 2 | storage 6:0:0:0 Direct-Access 'SanDisk' 'Cruzer Blade' "
       "'1.26' \nboot 0 1-1 0951:1666 bcd - '' '' '' 3..3 removed -\n"},
      {"root hubs, lines of unknown ports and devices without ids are left out",
       {{0, 0, "usb usb1: New USB device found, idVendor=1d6b, idProduct=0002, bcdDevice= 6.01"},
        {0, 1, "usb 1-9: Product: never enumerated"},
        {0, 1, "usb 1-8: new full-speed USB device number 3 using xhci_hcd"},
        {0, 1, "usb 1-8: device descriptor read/64, error -71"},
        {0, 1, "usb 1-8: USB disconnect, device number 3"}},
       ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, Parse(c.lines)) << c.what;
}

TEST(KernelLogParser, BootsKeepTheirIdsAndTimes) {
  KernelLogParser parser;
  parser.Add({0, At(1), "usb 1-1: new full-speed USB device number 2 using xhci_hcd", "aa"});
  parser.Add({0, At(9), "unrelated", "aa"});
  parser.Add({2, At(20), "unrelated", "cc"});
  parser.Add({kMaxBoots, At(30), "usb 1-1: new full-speed USB device number 2 using xhci_hcd", "dd"});
  ASSERT_EQ(3u, parser.boots().size());
  EXPECT_EQ("aa", parser.boots()[0].bootId);
  EXPECT_EQ(At(1), parser.boots()[0].firstTime);
  EXPECT_EQ(At(9), parser.boots()[0].lastTime);
  EXPECT_EQ("", parser.boots()[1].bootId);
  EXPECT_EQ(0u, parser.boots()[1].firstTime);
  EXPECT_EQ("cc", parser.boots()[2].bootId);
}

TEST(KernelLogParser, FileTimes) {
  EXPECT_EQ(116444736000000000u, FileTimeFromUnixMicroseconds(0));
  // 2026-12-09 10:00:00 UTC.
  EXPECT_EQ(134412840000000000u, FileTimeFromUnixMicroseconds(1796810400000000));
  EXPECT_EQ(0u, FileTimeFromUnixMicroseconds(~0ull));
}

TEST(KernelLogParser, HostileLinesStayBoundedAndClean) {
  std::vector<Line> lines = {
      {0, 1, "usb 1-1: new full-speed USB device number 2 using xhci_hcd"},
      {0, 1, "usb 1-1: New USB device found, idVendor=07811, idProduct=5567"},  // a vendor id too long
      {0, 1, "usb 1-2: new full-speed USB device number 3 using xhci_hcd"},
      {0, 1, "usb 1-2: New USB device found, idVendor=zz81, idProduct=5567"},  // no hexadecimal number
      {0, 1, "usb 1-3: new full-speed USB device number 4 using xhci_hcd"},
      {0, 1, "usb 1-3: New USB device found, idVendor=0781, idProduct=5567, bcdDevice=1.2.3"},
      {0, 1, std::string("usb 1-3: Product: bad\xff\xc0\x80 utf-8 \x1b[31m\x7f and \xc2\x85 C1, kept \xc3\xa9\xe2\x82\xac")},
      {0, 1, "usb 1-3: Manufacturer: " + std::string(100000, 'M')},
      {0, 1, "usb 1-3: SerialNumber: " + std::string(300, '\xe9')},
      {0, 1, "usb 1-1.2.3.4.5.6.7.8: new full-speed USB device number 5 using xhci_hcd"},
      {0, 1, "usb 1-1.2.3.4.5.6.7.8: New USB device found, idVendor=0781, idProduct=5567"},
      {0, 1, "usb 99999-1: New USB device found, idVendor=0781, idProduct=5567"},
  };
  const std::string expected = "boot 0 1-3 0781:5567 bcd - '" + std::string(256, 'M') +
                               "' 'bad??? utf-8 ?[31m? and ? C1, kept \xc3\xa9\xe2\x82\xac' '" +
                               std::string(256, '?') + "' 1..1 removed -\n";
  EXPECT_EQ(expected, Parse(lines));
}

// A million messages: half a million arrivals, each of another device.
// 200,000 messages, 100,000 devices on 900 ports in 4 boots: 24 times what is kept. (A million journal entries
// are read in bench/.)
TEST(KernelLogParser, FarMoreDevicesThanKeptLeaveTheNewest) {
  constexpr std::uint64_t kDevices = 100000;
  KernelLogParser parser;
  std::string arrive, found;
  for (std::uint64_t i = 0; i < kDevices; ++i) {
    const std::string port = "1-" + std::to_string(1 + i % 900);
    arrive = "usb " + port + ": new full-speed USB device number 2 using xhci_hcd";
    found = "usb " + port + ": New USB device found, idVendor=" + testing::Hex4(unsigned(i >> 4 & 0xffff)) +
            ", idProduct=0001";
    parser.Add({static_cast<std::uint32_t>(i / (kDevices / 4)), At(i), arrive, {}});
    parser.Add({static_cast<std::uint32_t>(i / (kDevices / 4)), At(i), found, {}});
  }
  const auto records = parser.Finish();
  ASSERT_EQ(kMaxRecords, records.size());
  EXPECT_EQ(3u, records.back().boot);
  EXPECT_EQ(At(kDevices - 1), records.back().firstArrival);
  for (const auto& r : records) ASSERT_TRUE(r.storage.empty() && r.hid.empty());
}

TEST(KernelLogText, Sanitize) {
  const struct {
    std::string in;
    std::size_t limit;
    std::string out;
  } cases[] = {
      {"plain", 256, "plain"},
      {"tab\there\nnew\r", 256, "tab?here?new?"},
      {"\xed\xa0\x80 surrogate", 256, "??? surrogate"},
      {"\xf4\x90\x80\x80 above U+10FFFF", 256, "???? above U+10FFFF"},
      {"\xe0\x80\xaf overlong", 256, "??? overlong"},
      {"cut \xe2\x82\xac", 6, "cut "},
      {"\xf0\x9f\x98\x80", 4, "\xf0\x9f\x98\x80"},
      {"\xc2", 256, "?"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, SanitizeLogText(c.in, c.limit)) << c.in;
}

TEST(KernelLogText, Ports) {
  const struct {
    const char* s;
    bool port;
  } cases[] = {{"1-1", true},        {"12-3.4.1", true}, {"1-1.2.3.4.5.6.7", true}, {"1-1.2.3.4.5.6.7.8", false},
               {"usb1", false},      {"1-", false},      {"-1", false},             {"1-1.", false},
               {"1-1..2", false},    {"1-1:1.0", false}, {"1234-1", false},         {"1-1234", false},
               {"1-+1", false},      {"", false}};
  for (const auto& c : cases) EXPECT_EQ(c.port, IsUsbPort(c.s)) << c.s;
  EXPECT_EQ("1-1.2", PortOfInterface("1-1.2:1.0"));
  EXPECT_EQ("", PortOfInterface("usb1:1.0"));
}

TEST(KernelLogText, UsbIds) {
  const struct {
    const char* body;
    const char* expected;  // vendor:product bcd, or "none"
  } cases[] = {
      {"idVendor=0781, idProduct=5567, bcdDevice= 1.26", "0781:5567 0126"},
      {"idVendor=0BDA, idProduct=8153, bcdDevice=30.00", "0bda:8153 3000"},
      {"idVendor=0781, idProduct=5567", "0781:5567 -"},
      {"idVendor=0781, idProduct=5567, bcdDevice=1.2", "0781:5567 -"},
      {"idVendor=0781, idProduct=5567, bcdDevice=123.45", "0781:5567 -"},
      {"idVendor=781, idProduct=5567", "none"},
      {"idVendor=0781", "none"},
      {"idVendor=-781, idProduct=5567", "none"},
      {"idVendor=0781, idProduct=0x67", "none"},
      {"", "none"},
  };
  for (const auto& c : cases) {
    const auto ids = ParseUsbIds(c.body);
    const std::string got = !ids ? "none"
                                 : testing::Hex4(ids->vendorId) + ":" + testing::Hex4(ids->productId) + " " +
                                       (ids->bcdDevice ? testing::Hex4(*ids->bcdDevice) : "-");
    EXPECT_EQ(c.expected, got) << c.body;
  }
}

TEST(KernelLogText, SplitMessage) {
  const struct {
    const char* text;
    const char* expected;  // driver|device|netdev|body, or "none"
  } cases[] = {
      {"usb 1-1.2: Product: X", "usb|1-1.2||Product: X"},
      {"[   12.345678] usb 1-1.2: Product: X", "usb|1-1.2||Product: X"},
      {"cdc_ether 1-3:2.0 usb0: register 'cdc_ether'", "cdc_ether|1-3:2.0|usb0|register 'cdc_ether'"},
      {"uvcvideo: Found UVC", "uvcvideo|||Found UVC"},
      {"Linux version 6.1.0", "none"},
      {"usb", "none"},
      {":", "none"},
  };
  for (const auto& c : cases) {
    const auto p = SplitMessage(c.text);
    const std::string got = !p ? "none"
                               : std::string(p->driver) + "|" + std::string(p->device) + "|" + std::string(p->netdev) +
                                     "|" + std::string(p->body);
    EXPECT_EQ(c.expected, got) << c.text;
  }
}

}  // namespace
}  // namespace devlist::history
