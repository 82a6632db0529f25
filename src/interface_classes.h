// The built-in catalogue of device interface classes, in 15 groups, and the sweep over it.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <span>
#include <string_view>

#include "guid_literal.h"
#include "platform.h"

namespace devlist {

struct InterfaceClassRow {
  const char* className;   // symbolic name, printed in the class heading line
  const WCHAR* guidText;   // braced GUID text, letter case as written: it is printed as stored
};

struct InterfaceClassGroup {
  const char* heading;
  std::span<const InterfaceClassRow> rows;
};

inline constexpr std::size_t kInterfaceClassGroupCount = 15;

/// The rows of each group, in sweep order.
namespace interface_class_rows {
// Classes for 1394 and 61883 Devices
inline constexpr InterfaceClassRow kGroup1[] = {
    {"BUS1394_CLASS_GUID", TEXT16("{6BDD1FC1-810F-11d0-BEC7-08002BE2092F}")},
    {"GUID_61883_CLASS", TEXT16("{7EBEFBC0-3200-11d2-B4C2-00A0C9697D07}")},
};
// Classes for Battery and ACPI devices
inline constexpr InterfaceClassRow kGroup2[] = {
    {"GUID_DEVICE_APPLICATIONLAUNCH_BUTTON", TEXT16("{629758EE-986E-4D9E-8E47-DE27F8AB054D}")},
    {"GUID_DEVICE_BATTERY", TEXT16("{72631E54-78A4-11D0-BCF7-00AA00B7B32A}")},
    {"GUID_DEVICE_LID", TEXT16("{4AFA3D52-74A7-11d0-be5e-00A0C9062857}")},
    {"GUID_DEVICE_MEMORY", TEXT16("{3FD0F03D-92E0-45FB-B75C-5ED8FFB01021}")},
    {"GUID_DEVICE_MESSAGE_INDICATOR", TEXT16("{CD48A365-FA94-4CE2-A232-A1B764E5D8B4}")},
    {"GUID_DEVICE_PROCESSOR", TEXT16("{97FADB10-4E33-40AE-359C-8BEF029DBDD0}")},
    {"GUID_DEVICE_SYS_BUTTON", TEXT16("{4AFA3D53-74A7-11d0-be5e-00A0C9062857}")},
    {"GUID_DEVICE_THERMAL_ZONE", TEXT16("{4AFA3D51-74A7-11d0-be5e-00A0C9062857}")},
};
// Classes for Bluetooth Devices
inline constexpr InterfaceClassRow kGroup3[] = {
    {"GUID_BTHPORT_DEVICE_INTERFACE", TEXT16("{0850302A-B344-4fda-9BE9-90576B8D46F0}")},
};
// Classes for Display and Image Devices
inline constexpr InterfaceClassRow kGroup4[] = {
    {"GUID_DEVINTERFACE_BRIGHTNESS", TEXT16("{FDE5BBA4-B3F9-46FB-BDAA-0728CE3100B4}")},
    {"GUID_DEVINTERFACE_DISPLAY_ADAPTER", TEXT16("{5B45201D-F2F2-4F3B-85BB-30FF1F953599}")},
    {"GUID_DEVINTERFACE_I2C", TEXT16("{2564AA4F-DDDB-4495-B497-6AD4A84163D7}")},
    {"GUID_DEVINTERFACE_IMAGE", TEXT16("{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}")},
    {"GUID_DEVINTERFACE_MONITOR", TEXT16("{E6F07B5F-EE97-4a90-B076-33F57BF4EAA7}")},
    {"GUID_DEVINTERFACE_OPM", TEXT16("{BF4672DE-6B4E-4BE4-A325-68A91EA49C09}")},
    {"GUID_DEVINTERFACE_VIDEO_OUTPUT_ARRIVAL", TEXT16("{1AD9E4F0-F88D-4360-BAB9-4C2D55E564CD}")},
    {"GUID_DISPLAY_DEVICE_ARRIVAL", TEXT16("{1CA05180-A699-450A-9A0C-DE4FBE3DDD89}")},
};
// Classes for Interactive Input Devices
inline constexpr InterfaceClassRow kGroup5[] = {
    {"GUID_DEVINTERFACE_HID", TEXT16("{4D1E55B2-F16F-11CF-88CB-001111000030}")},
    {"GUID_DEVINTERFACE_KEYBOARD", TEXT16("{884b96c3-56ef-11d1-bc8c-00a0c91405dd}")},
    {"GUID_DEVINTERFACE_MOUSE", TEXT16("{378DE44C-56EF-11D1-BC8C-00A0C91405DD}")},
};
// Classes for Modem Devices
inline constexpr InterfaceClassRow kGroup6[] = {
    {"GUID_DEVINTERFACE_MODEM", TEXT16("{2C7089AA-2E0E-11D1-B114-00C04FC2AAE4}")},
};
// Classes for Network Devices
inline constexpr InterfaceClassRow kGroup7[] = {
    {"GUID_DEVINTERFACE_NET", TEXT16("{CAC88484-7515-4C03-82E6-71A87ABAC361}")},
};
// Classes for Sensor Devices
inline constexpr InterfaceClassRow kGroup8[] = {
    {"GUID_DEVINTERFACE_SENSOR", TEXT16("{BA1BB692-9B7A-4833-9A1E-525ED134E7E2}")},
};
// Classes for Serial and Parallel Port Devices
inline constexpr InterfaceClassRow kGroup9[] = {
    {"GUID_DEVINTERFACE_COMPORT", TEXT16("{86E0D1E0-8089-11D0-9CE4-08003E301F73}")},
    {"GUID_DEVINTERFACE_PARALLEL", TEXT16("{97F76EF0-F883-11D0-AF1F-0000F800845C}")},
    {"GUID_DEVINTERFACE_PARCLASS", TEXT16("{811FC6A5-F728-11D0-A537-0000F8753ED1}")},
    {"GUID_DEVINTERFACE_SERENUM_BUS_ENUMERATOR", TEXT16("{4D36E978-E325-11CE-BFC1-08002BE10318}")},
};
// Classes for Storage Devices
inline constexpr InterfaceClassRow kGroup10[] = {
    {"GUID_DEVINTERFACE_CDCHANGER", TEXT16("{53F56312-B6BF-11D0-94F2-00A0C91EFB8B}")},
    {"GUID_DEVINTERFACE_CDROM", TEXT16("{53F56308-B6BF-11D0-94F2-00A0C91EFB8B}")},
    {"GUID_DEVINTERFACE_DISK", TEXT16("{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}")},
    {"GUID_DEVINTERFACE_FLOPPY", TEXT16("{53F56311-B6BF-11D0-94F2-00A0C91EFB8B}")},
    {"GUID_DEVINTERFACE_MEDIUMCHANGER", TEXT16("{53F56310-B6BF-11D0-94F2-00A0C91EFB8B}")},
    {"GUID_DEVINTERFACE_PARTITION", TEXT16("{53F5630A-B6BF-11D0-94F2-00A0C91EFB8B}")},
    {"GUID_DEVINTERFACE_STORAGEPORT", TEXT16("{2ACCFE60-C130-11D2-B082-00A0C91EFB8B}")},
    {"GUID_DEVINTERFACE_TAPE", TEXT16("{53F5630B-B6BF-11D0-94F2-00A0C91EFB8B}")},
    {"GUID_DEVINTERFACE_VOLUME", TEXT16("{53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}")},
    {"GUID_DEVINTERFACE_WRITEONCEDISK", TEXT16("{53F5630C-B6BF-11D0-94F2-00A0C91EFB8B}")},
    {"GUID_IO_VOLUME_DEVICE_INTERFACE", TEXT16("{53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}")},
    {"MOUNTDEV_MOUNTED_DEVICE_GUID", TEXT16("{53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}")},
};
// Classes for Kernel Streaming Media Devices
inline constexpr InterfaceClassRow kGroup11[] = {
    {"GUID_AVC_CLASS", TEXT16("{095780C3-48A1-4570-BD95-46707F78C2DC}")},
    {"GUID_VIRTUAL_AVC_CLASS", TEXT16("{616EF4D0-23CE-446D-A568-C31EB01913D0}")},
    {"KSCATEGORY_MICROPHONE_ARRAY_PROCESSOR", TEXT16("{830a44f2-a32d-476b-be97-42845673b35a}")},
    {"KSCATEGORY_AUDIO", TEXT16("{6994AD04-93EF-11D0-A3CC-00A0C9223196}")},
    {"KSCATEGORY_VIDEO", TEXT16("{6994AD05-93EF-11D0-A3CC-00A0C9223196}")},
    {"KSCATEGORY_REALTIME", TEXT16("{EB115FFC-10C8-4964-831D-6DCB02E6F23F}")},
    {"KSCATEGORY_TEXT", TEXT16("{6994AD06-93EF-11D0-A3CC-00A0C9223196}")},
    {"KSCATEGORY_NETWORK", TEXT16("{67C9CC3C-69C4-11D2-8759-00A0C9223196}")},
    {"KSCATEGORY_TOPOLOGY", TEXT16("{DDA54A40-1E4C-11D1-A050-405705C10000}")},
    {"KSCATEGORY_VIRTUAL", TEXT16("{3503EAC4-1F26-11D1-8AB0-00A0C9223196}")},
    {"KSCATEGORY_ACOUSTIC_ECHO_CANCEL", TEXT16("{BF963D80-C559-11D0-8A2B-00A0C9255AC1}")},
    {"KSCATEGORY_SYSAUDIO", TEXT16("{A7C7A5B1-5AF3-11D1-9CED-00A024BF0407}")},
    {"KSCATEGORY_WDMAUD", TEXT16("{3E227E76-690D-11D2-8161-0000F8775BF1}")},
    {"KSCATEGORY_AUDIO_GFX", TEXT16("{9BAF9572-340C-11D3-ABDC-00A0C90AB16F}")},
    {"KSCATEGORY_AUDIO_SPLITTER", TEXT16("{9EA331FA-B91B-45F8-9285-BD2BC77AFCDE}")},
    {"KSCATEGORY_AUDIO_DEVICE", TEXT16("{FBF6F530-07B9-11D2-A71E-0000F8004788}")},
    {"KSCATEGORY_PREFERRED_WAVEOUT_DEVICE", TEXT16("{D6C5066E-72C1-11D2-9755-0000F8004788}")},
    {"KSCATEGORY_PREFERRED_WAVEIN_DEVICE", TEXT16("{D6C50671-72C1-11D2-9755-0000F8004788}")},
    {"KSCATEGORY_PREFERRED_MIDIOUT_DEVICE", TEXT16("{D6C50674-72C1-11D2-9755-0000F8004788}")},
    {"KSCATEGORY_WDMAUD_USE_PIN_NAME", TEXT16("{47A4FA20-A251-11D1-A050-0000F8004788}")},
    {"KSCATEGORY_ESCALANTE_PLATFORM_DRIVER", TEXT16("{74f3aea8-9768-11d1-8e07-00a0c95ec22e}")},
    {"KSCATEGORY_TVTUNER", TEXT16("{a799a800-a46d-11d0-a18c-00a02401dcd4}")},
    {"KSCATEGORY_CROSSBAR", TEXT16("{a799a801-a46d-11d0-a18c-00a02401dcd4}")},
    {"KSCATEGORY_TVAUDIO", TEXT16("{a799a802-a46d-11d0-a18c-00a02401dcd4}")},
    {"KSCATEGORY_VPMUX", TEXT16("{a799a803-a46d-11d0-a18c-00a02401dcd4}")},
    {"KSCATEGORY_VBICODEC", TEXT16("{07dad660-22f1-11d1-a9f4-00c04fbbde8f}")},
    {"KSCATEGORY_ENCODER", TEXT16("{19689BF6-C384-48fd-AD51-90E58C79F70B}")},
    {"KSCATEGORY_MULTIPLEXER", TEXT16("{7A5DE1D3-01A1-452c-B481-4FA2B96271E8}")},
    {"KSMFT_CATEGORY_VIDEO_DECODER", TEXT16("{d6c02d4b-6833-45b4-971a-05a4b04bab91}")},
    {"KSMFT_CATEGORY_VIDEO_ENCODER", TEXT16("{f79eac7d-e545-4387-bdee-d647d7bde42a}")},
    {"KSMFT_CATEGORY_VIDEO_EFFECT", TEXT16("{12e17c21-532c-4a6e-8a1c-40825a736397}")},
    {"KSMFT_CATEGORY_MULTIPLEXER", TEXT16("{059c561e-05ae-4b61-b69d-55b61ee54a7b}")},
    {"KSMFT_CATEGORY_DEMULTIPLEXER", TEXT16("{a8700a7a-939b-44c5-99d7-76226b23b3f1}")},
    {"KSMFT_CATEGORY_AUDIO_DECODER", TEXT16("{9ea73fb4-ef7a-4559-8d5d-719d8f0426c7}")},
    {"KSMFT_CATEGORY_AUDIO_ENCODER", TEXT16("{91c64bd0-f91e-4d8c-9276-db248279d975}")},
    {"KSMFT_CATEGORY_AUDIO_EFFECT", TEXT16("{11064c48-3648-4ed0-932e-05ce8ac811b7}")},
    {"KSMFT_CATEGORY_VIDEO_PROCESSOR", TEXT16("{302ea3fc-aa5f-47f9-9f7a-c2188bb16302}")},
    {"KSMFT_CATEGORY_OTHER", TEXT16("{90175d57-b7ea-4901-aeb3-933a8747756f}")},
};
// Classes for USB Devices
inline constexpr InterfaceClassRow kGroup12[] = {
    {"GUID_DEVINTERFACE_USB_DEVICE", TEXT16("{A5DCBF10-6530-11D2-901F-00C04FB951ED}")},
    {"GUID_DEVINTERFACE_USB_HOST_CONTROLLER", TEXT16("{3ABF6F2D-71C4-462A-8A92-1E6861E6AF27}")},
    {"GUID_DEVINTERFACE_USB_HUB", TEXT16("{F18A0E88-C30C-11D0-8815-00A0C906BED8}")},
};
// Classes for Windows Portable Devices
inline constexpr InterfaceClassRow kGroup13[] = {
    {"GUID_DEVINTERFACE_WPD", TEXT16("{6AC27878-A6FA-4155-BA85-F98F491D4F33}")},
    {"GUID_DEVINTERFACE_WPD_PRIVATE", TEXT16("{BA0C718F-4DED-49B7-BDD3-FABE28661211}")},
};
// Classes for Windows SideShow Devices
inline constexpr InterfaceClassRow kGroup14[] = {
    {"GUID_DEVINTERFACE_SIDESHOW", TEXT16("{152E5811-FEB9-4B00-90F4-D32947AE1681}")},
};
// Classes for ZORBEMA
inline constexpr InterfaceClassRow kGroup15[] = {
    {"GUID_DEVINTERFACE_ZORBEMA", TEXT16("{e768c1e7-986a-404d-bbf3-748b5dce914a}")},
};

}  // namespace interface_class_rows

/// Groups and rows in sweep order.
inline constexpr InterfaceClassGroup InterfaceClassCatalogue[kInterfaceClassGroupCount] = {
    {"Classes for 1394 and 61883 Devices", interface_class_rows::kGroup1},
    {"Classes for Battery and ACPI devices", interface_class_rows::kGroup2},
    {"Classes for Bluetooth Devices", interface_class_rows::kGroup3},
    {"Classes for Display and Image Devices", interface_class_rows::kGroup4},
    {"Classes for Interactive Input Devices", interface_class_rows::kGroup5},
    {"Classes for Modem Devices", interface_class_rows::kGroup6},
    {"Classes for Network Devices", interface_class_rows::kGroup7},
    {"Classes for Sensor Devices", interface_class_rows::kGroup8},
    {"Classes for Serial and Parallel Port Devices", interface_class_rows::kGroup9},
    {"Classes for Storage Devices", interface_class_rows::kGroup10},
    {"Classes for Kernel Streaming Media Devices", interface_class_rows::kGroup11},
    {"Classes for USB Devices", interface_class_rows::kGroup12},
    {"Classes for Windows Portable Devices", interface_class_rows::kGroup13},
    {"Classes for Windows SideShow Devices", interface_class_rows::kGroup14},
    {"Classes for ZORBEMA", interface_class_rows::kGroup15},
};

/// The GUID of a catalogued interface class by its symbolic name ("GUID_DEVINTERFACE_DISK"), for use at
/// compile time: a name the catalogue lacks does not compile.
constexpr GUID InterfaceClassGuid(std::string_view className) {
  for (const InterfaceClassGroup& group : InterfaceClassCatalogue) {
    for (const InterfaceClassRow& row : group.rows) {
      if (className == row.className) return GuidFromBracedText(row.guidText);
    }
  }
  NameNotInCatalogue();
  return {};
}

/// Lists every catalogued interface class to `out`, group by group; a group with no text leaves no trace.
void SweepInterfaceClasses(bool presentOnly, std::ostream& out);

}  // namespace devlist
