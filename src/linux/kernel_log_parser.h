// The USB devices a sequence of kernel messages records, boot by boot: each device's ids and strings, when
// it arrived and left, and the functions (storage, HID, serial, network, camera) later messages give it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devlist::history {

/// Times are FILETIME ticks, 100 ns since 1601-01-01 UTC; 0 means "none".
using FileTime = std::uint64_t;
/// `microseconds` since 1970-01-01 UTC as FILETIME ticks.
FileTime FileTimeFromUnixMicroseconds(std::uint64_t microseconds);

/// At most this many records are kept (the oldest give way), boots told apart, and functions of one kind a
/// record holds.
inline constexpr std::size_t kMaxRecords = 4096;
inline constexpr std::size_t kMaxBoots = 4096;
inline constexpr std::size_t kMaxFunctions = 8;

/// One kernel message: the boot it belongs to (0 the oldest the source holds), its time, and its text as
/// the kernel wrote it ("usb 1-1.2: USB disconnect, device number 5").
struct KernelMessage {
  std::uint32_t boot = 0;
  FileTime time = 0;
  std::string_view text;
  /// The boot's identity where the source has one (the journal's 32 hexadecimal digits); may be empty.
  std::string_view bootId;
};

/// A SCSI logical unit behind a USB mass storage device.
struct StorageFunction {
  std::string scsiAddress;  // "6:0:0:0"; empty until the inquiry is logged
  std::string type;         // "Direct-Access", "CD-ROM", ...
  std::string vendor;
  std::string model;
  std::string revision;
  std::string disk;  // "sdb", "sr0"; empty until attached
  bool operator==(const StorageFunction&) const = default;
};

enum class HidKind { kKeyboard, kMouse, kOther };
struct HidFunction {
  HidKind kind = HidKind::kOther;
  std::string kindText;  // as logged: "Keyboard", "Mouse", "Device", ...
  std::string name;      // "Logitech USB Receiver"
  unsigned instance = 0;         // the HID device's number: 3 for "0003:046D:C52B.0003"
  unsigned interfaceNumber = 0;  // the USB interface it is on: 1 for "usb-0000:00:14.0-1/input1"
  bool operator==(const HidFunction&) const = default;
};

struct SerialFunction {
  std::string tty;     // "ttyUSB0", "ttyACM0"; empty until attached
  std::string driver;  // "cp210x", "ftdi_sio", "cdc_acm", ...
  bool operator==(const SerialFunction&) const = default;
};

struct NetFunction {
  std::string interface;  // the last name given ("enx00e04c680001" after "renamed from eth0")
  std::string driver;     // "cdc_ether", "r8152", ...
  bool operator==(const NetFunction&) const = default;
};

struct CameraFunction {
  std::string name;  // "HD Webcam"
  bool operator==(const CameraFunction&) const = default;
};

/// One USB device on one port in one boot. A device that leaves and comes back to the same port in the
/// same boot is one record (its first and last arrival); another device on that port is another record.
struct UsbDeviceRecord {
  std::uint32_t boot = 0;  // index into DeviceHistory::boots
  std::string port;        // "1-1.2"
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::optional<std::uint16_t> bcdDevice;  // older kernels do not log it
  std::string product;
  std::string manufacturer;
  std::string serialNumber;  // empty when the device has none
  bool hub = false;
  std::vector<StorageFunction> storage;
  std::vector<HidFunction> hid;
  std::vector<SerialFunction> serial;
  std::vector<NetFunction> net;
  std::vector<CameraFunction> camera;
  FileTime firstArrival = 0;
  FileTime lastArrival = 0;
  /// When it last left in that boot; 0 when it was still there at the boot's last message.
  FileTime removal = 0;
};

/// One boot the source holds: its identity (empty where the source has none) and its first and last
/// message's time.
struct BootRecord {
  std::string bootId;
  FileTime firstTime = 0;
  FileTime lastTime = 0;
};

/// Reads messages one at a time, oldest first within each boot, keeping only what it needs: the devices
/// whose port is still open, and the SCSI hosts and units tied to them.
class KernelLogParser {
 public:
  KernelLogParser();
  ~KernelLogParser();
  KernelLogParser(const KernelLogParser&) = delete;
  KernelLogParser& operator=(const KernelLogParser&) = delete;

  /// Takes one message. A message of a boot at or past kMaxBoots is left out; a message of another boot
  /// than the one before closes that boot's devices (their removal stays 0).
  void Add(const KernelMessage& message);

  /// Every boot seen, in ordinal order (an ordinal never given has an empty record).
  const std::vector<BootRecord>& boots() const { return boots_; }

  /// Closes the devices still open and hands over the records, oldest arrival first within each boot.
  /// Devices whose ids were never logged are left out.
  std::vector<UsbDeviceRecord> Finish();

 private:
  struct Open;
  struct Tie;
  struct BootState;

  void AddUsbLine(std::string_view port, std::string_view body, FileTime time);
  void Arrive(std::string_view port, FileTime time);
  void Close(std::string_view port, FileTime removal);
  void CloseAll();
  void Commit(Open& open, FileTime removal);
  Open* Find(const Tie& tie);
  Open* FindByIds(std::uint16_t vendorId, std::uint16_t productId, std::string_view portTail);
  void AddScsiLine(std::string_view driver, std::string_view device, std::string_view body);

  std::vector<BootRecord> boots_;
  std::uint32_t boot_ = 0;
  std::unique_ptr<BootState> state_;
  std::deque<UsbDeviceRecord> records_;
  std::uint64_t firstSeq_ = 0;  // the sequence number of records_.front()
};

}  // namespace devlist::history
