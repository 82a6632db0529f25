// What a Linux device can become on the Windows side: setup classes (with the class name Windows stores and
// a generic description, the last resort for a device's name), device interface classes, bus types and the
// other fixed values the discovery stores. Catalogued GUIDs come from the catalogues, so each is written once.
#pragma once

#include "guid_literal.h"
#include "interface_classes.h"
#include "setup_classes.h"
#include "platform.h"

namespace devlist::sysfs {

struct ClassInfo {
  const char* name;  // Device_Class, as Windows names the class
  GUID guid;
  const char* generic;
};

inline constexpr ClassInfo kBluetooth{"Bluetooth", SetupClassGuid("Bluetooth Devices"), "Bluetooth Radio"};
inline constexpr ClassInfo kModem{"Modem", SetupClassGuid("Modem"), "Modem"};
inline constexpr ClassInfo kSmartCard{"SmartCardReader", SetupClassGuid("Smart Card Readers"),
                                      "USB Smart Card Reader"};
inline constexpr ClassInfo kMedia{"MEDIA", SetupClassGuid("Multimedia"), "Multimedia Device"};
inline constexpr ClassInfo kDisplay{"Display", SetupClassGuid("Display Adapters"), "Display Adapter"};
inline constexpr ClassInfo kPrinter{"Printer", SetupClassGuid("Printers"), "USB Printer"};
inline constexpr ClassInfo kSensor{"Sensor", SetupClassGuid("Sensors"), "Sensor"};
inline constexpr ClassInfo kNet{"Net", SetupClassGuid("Network Adapter"), "Network Adapter"};
inline constexpr ClassInfo kScsi{"SCSIAdapter", SetupClassGuid("SCSI and RAID Controllers"), "Storage Controller"};
inline constexpr ClassInfo k1394{"1394", SetupClassGuid("IEEE 1394 Host Bus Controller"),
                                 "IEEE 1394 Host Controller"};
inline constexpr ClassInfo kBattery{"Battery", SetupClassGuid("Battery Devices"), "Battery"};
inline constexpr ClassInfo kProcessor{"Processor", SetupClassGuid("Processors"), "Processor"};
inline constexpr ClassInfo kHdc{"HDC", SetupClassGuid("Hard Disk Controllers"), "Disk Controller"};
inline constexpr ClassInfo kHid{"HIDClass", SetupClassGuid("Human Interface Devices (HID)"), "HID-compliant device"};
inline constexpr ClassInfo kVolume{"Volume", SetupClassGuid("Storage Volumes"), "Generic volume"};
inline constexpr ClassInfo kMouse{"Mouse", SetupClassGuid("Mouse"), "HID-compliant mouse"};
inline constexpr ClassInfo kCdrom{"CDROM", SetupClassGuid("CD-ROM Drives"), "CD-ROM Drive"};
inline constexpr ClassInfo kDisk{"DiskDrive", SetupClassGuid("Disk Drives"), "Disk drive"};
inline constexpr ClassInfo kImage{"Image", SetupClassGuid("Imaging Device"), "USB Imaging Device"};
inline constexpr ClassInfo kSystem{"System", SetupClassGuid("System Devices"), "System device"};
inline constexpr ClassInfo kUsbDevice{"USBDevice", SetupClassGuid("USB Device"), "USB Device"};
inline constexpr ClassInfo kMonitor{"Monitor", SetupClassGuid("Monitor"), "Generic PnP Monitor"};
inline constexpr ClassInfo kPorts{"Ports", SetupClassGuid("Ports (COM & LPT ports)"), "Communications Port"};
inline constexpr ClassInfo kKeyboard{"Keyboard", SetupClassGuid("Keyboard"), "HID Keyboard Device"};
inline constexpr ClassInfo kCamera{"Camera", SetupClassGuid("Camera"), "USB Video Device"};
inline constexpr ClassInfo kGnss{"GNSS", SetupClassGuid("Global Positioning System/Global Navigation Satellite System"),
                                 "GNSS receiver"};
inline constexpr ClassInfo kTape{"TapeDrive", SetupClassGuid("Tape Drives"), "Tape drive"};
inline constexpr ClassInfo kMediaChanger{"MediumChanger", SetupClassGuid("Media Changers"), "Medium changer"};
inline constexpr ClassInfo kBiometric{"Biometric", SetupClassGuid("Biometric Device"), "Fingerprint Reader"};
inline constexpr ClassInfo kWpd{"WPD", SetupClassGuid("Windows Portable Devices (WPD)"), "MTP USB Device"};
// Not in the sweep's catalogue, but the class Windows gives USB host controllers, hubs and composite devices.
inline constexpr ClassInfo kUsb{"USB", GuidFromBracedText("{36fc9e60-c465-11cf-8056-444553540000}"), "USB Device"};
// Not in the sweep's catalogue either: the class Windows gives SD host controllers and the cards on them.
inline constexpr ClassInfo kSdHost{"SDHost", GuidFromBracedText("{a0a588a4-c46f-4b37-b7ea-c82fe89870c6}"),
                                   "SD Host Controller"};

// Device interface classes.
inline constexpr GUID kItfDisk = InterfaceClassGuid("GUID_DEVINTERFACE_DISK");
inline constexpr GUID kItfCdrom = InterfaceClassGuid("GUID_DEVINTERFACE_CDROM");
inline constexpr GUID kItfTape = InterfaceClassGuid("GUID_DEVINTERFACE_TAPE");
inline constexpr GUID kItfMediumChanger = InterfaceClassGuid("GUID_DEVINTERFACE_MEDIUMCHANGER");
inline constexpr GUID kItfPartition = InterfaceClassGuid("GUID_DEVINTERFACE_PARTITION");
inline constexpr GUID kItfVolume = InterfaceClassGuid("GUID_DEVINTERFACE_VOLUME");
inline constexpr GUID kItfNet = InterfaceClassGuid("GUID_DEVINTERFACE_NET");
inline constexpr GUID kItfKeyboard = InterfaceClassGuid("GUID_DEVINTERFACE_KEYBOARD");
inline constexpr GUID kItfMouse = InterfaceClassGuid("GUID_DEVINTERFACE_MOUSE");
inline constexpr GUID kItfHid = InterfaceClassGuid("GUID_DEVINTERFACE_HID");
inline constexpr GUID kItfComport = InterfaceClassGuid("GUID_DEVINTERFACE_COMPORT");
inline constexpr GUID kItfUsbDevice = InterfaceClassGuid("GUID_DEVINTERFACE_USB_DEVICE");
inline constexpr GUID kItfUsbHost = InterfaceClassGuid("GUID_DEVINTERFACE_USB_HOST_CONTROLLER");
inline constexpr GUID kItfUsbHub = InterfaceClassGuid("GUID_DEVINTERFACE_USB_HUB");
inline constexpr GUID kItfDisplayAdapter = InterfaceClassGuid("GUID_DEVINTERFACE_DISPLAY_ADAPTER");
inline constexpr GUID kItfMonitor = InterfaceClassGuid("GUID_DEVINTERFACE_MONITOR");
inline constexpr GUID kItfBattery = InterfaceClassGuid("GUID_DEVICE_BATTERY");
inline constexpr GUID kItfLid = InterfaceClassGuid("GUID_DEVICE_LID");
inline constexpr GUID kItfProcessor = InterfaceClassGuid("GUID_DEVICE_PROCESSOR");
inline constexpr GUID kItfSysButton = InterfaceClassGuid("GUID_DEVICE_SYS_BUTTON");
inline constexpr GUID kItfThermalZone = InterfaceClassGuid("GUID_DEVICE_THERMAL_ZONE");
inline constexpr GUID kItfBthPort = InterfaceClassGuid("GUID_BTHPORT_DEVICE_INTERFACE");
inline constexpr GUID kItfAudio = InterfaceClassGuid("KSCATEGORY_AUDIO");
inline constexpr GUID kItfVideo = InterfaceClassGuid("KSCATEGORY_VIDEO");
inline constexpr GUID kItfImage = InterfaceClassGuid("GUID_DEVINTERFACE_IMAGE");
inline constexpr GUID kItfWpd = InterfaceClassGuid("GUID_DEVINTERFACE_WPD");
inline constexpr GUID kItfSensor = InterfaceClassGuid("GUID_DEVINTERFACE_SENSOR");

// Bus types, and the container every built-in device shares on Windows.
inline constexpr GUID kBusPci = GuidFromBracedText("{c8ebdfb0-b510-11d0-80e5-00a0c92542e3}");
inline constexpr GUID kBusUsb = GuidFromBracedText("{9d7debbc-c85d-11d1-9eb4-006008c3a19a}");
inline constexpr GUID kBusHid = GuidFromBracedText("{eeaf37d0-1963-47c4-aa48-72476db7cf49}");
inline constexpr GUID kBusAcpi = GuidFromBracedText("{d7b46895-001a-4942-891f-a7d46610a843}");
inline constexpr GUID kLocalMachineContainer = GuidFromBracedText("{00000000-0000-0000-ffff-ffffffffffff}");

// INTERFACE_TYPE values and the removal policies Windows reports.
inline constexpr DWORD kLegacyBusPci = 5;
inline constexpr DWORD kLegacyBusPnp = 15;
inline constexpr DWORD kRemovalExpectNoRemoval = 1;
inline constexpr DWORD kRemovalExpectSurpriseRemoval = 3;

}  // namespace devlist::sysfs
