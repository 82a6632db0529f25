// The built-in catalogue of device setup classes and the sweep over it.
#pragma once

#include <array>
#include <cstddef>
#include <iosfwd>
#include <string_view>

#include "guid_literal.h"

namespace devlist {

struct SetupClassRow {
  const char* displayName;
  // Braced GUID text in the letter case it is written in: queried as written, and shown so in the heading.
  const char* guidText;
};

inline constexpr std::size_t kSetupClassCount = 48;

/// The setup classes the sweep lists, in sweep order.
inline constexpr std::array<SetupClassRow, kSetupClassCount> SetupClassCatalogue = {{
    {"Bluetooth Devices", "{e0cbf06c-cd8b-4647-bb8a-263b43f0f974}"},
    {"Modem", "{4d36e96d-e325-11ce-bfc1-08002be10318}"},
    {"Global Positioning System/Global Navigation Satellite System", "{6bdd1fc3-810f-11d0-bec7-08002be2092f}"},
    {"Smart Card Readers", "{50dd5230-ba8a-11d1-bf5d-0000f805f530}"},
    {"Multiport Serial Adapters", "{50906cb8-ba12-11d1-bf5d-0000f805f530}"},
    {"Network Client", "{4d36e973-e325-11ce-bfc1-08002be10318}"},
    {"Multimedia", "{4d36e96c-e325-11ce-bfc1-08002be10318}"},
    {"Display Adapters", "{4d36e968-e325-11ce-bfc1-08002be10318}"},
    {"PCI SSL Accelerator", "{268c95a1-edfe-11d3-95c3-0010dc4050a5}"},
    {"Multifunction Devices", "{4d36e971-e325-11ce-bfc1-08002be10318}"},
    {"IEEE 1394 Devices That Support the SBP2 Protocol", "{d48179be-ec20-11d1-b6b8-00c04fa372a7}"},
    {"Printers", "{4d36e979-e325-11ce-bfc1-08002be10318}"},
    {"Sensors", "{5175d334-c371-4806-b3ba-71fd53c9258d}"},
    {"Printers, Bus-specific class drivers", "{4658ee7e-f050-11d1-b6bd-00c04fa372a7}"},
    {"Network Adapter", "{4d36e972-e325-11ce-bfc1-08002be10318}"},
    {"IrDA Devices", "{6bdd1fc5-810f-11d0-bec7-08002be2092f}"},
    {"SCSI and RAID Controllers", "{4d36e97b-e325-11ce-bfc1-08002be10318}"},
    {"Network Service", "{4d36e974-e325-11ce-bfc1-08002be10318}"},
    {"Tape Drives", "{6d807884-7d21-11cf-801c-08002be10318}"},
    {"IEEE 1394 Host Bus Controller", "{6bdd1fc1-810f-11d0-bec7-08002be2092f}"},
    {"Floppy Disk Controllers", "{4d36e969-e325-11ce-bfc1-08002be10318}"},
    {"Battery Devices", "{72631e54-78a4-11d0-bcf7-00aa00b7b32a}"},
    {"Processors", "{50127dc3-0f36-415e-a6cc-4cb3be910b65}"},
    {"Windows CE USB ActiveSync Devices", "{25dbce51-6c8f-4a72-8a6d-b54c2b4fc835}"},
    {"Hard Disk Controllers", "{4d36e96a-e325-11ce-bfc1-08002be10318}"},
    {"IEEE 1284.4 Print Functions", "{49ce6ac8-6f86-11d2-b1e5-0080c72e74a2}"},
    {"Windows SideShow", "{997b5d8d-c442-4f2e-baf3-9c8e671e9e21}"},
    {"Human Interface Devices (HID)", "{745a17a0-74d3-11d0-b6fe-00a0c90f57da}"},
    {"Media Changers", "{ce5939ae-ebde-11d0-b181-0000f8753ec4}"},
    {"Storage Volumes", "{71a27cdd-812a-11d0-bec7-08002be2092f}"},
    {"Mouse", "{4d36e96f-e325-11ce-bfc1-08002be10318}"},
    {"IEEE 1284.4 Devices", "{48721b56-6795-11d2-b1a8-0080c72e74a2}"},
    {"CD-ROM Drives", "{4d36e965-e325-11ce-bfc1-08002be10318}"},
    {"Disk Drives", "{4d36e967-e325-11ce-bfc1-08002be10318}"},
    {"IEEE 1394 Devices That Support the AVC Protocol", "{c06ff265-ae09-48f0-812c-16753d7cba83}"},
    {"Memory Technology Driver", "{4d36e970-e325-11ce-bfc1-08002be10318}"},
    {"Imaging Device", "{6bdd1fc6-810f-11d0-bec7-08002be2092f}"},
    {"PCMCIA Adapters", "{4d36e977-e325-11ce-bfc1-08002be10318}"},
    {"IEEE 1394 Devices That Support the 61883 Protocol", "{7ebefbc0-3200-11d2-b4c2-00a0C9697d07}"},
    {"Windows Portable Devices (WPD)", "{eec5ad98-8080-425f-922a-dabf3de3f69a}"},
    {"System Devices", "{4d36e97d-e325-11ce-bfc1-08002be10318}"},
    {"USB Device", "{88BAE032-5A81-49f0-BC3D-A4FF138216D6}"},
    {"Monitor", "{4d36e96e-e325-11ce-bfc1-08002be10318}"},
    {"Ports (COM & LPT ports)", "{4d36e978-e325-11ce-bfc1-08002be10318}"},
    {"Network Transport", "{4d36e975-e325-11ce-bfc1-08002be10318}"},
    {"Keyboard", "{4d36e96b-e325-11ce-bfc1-08002be10318}"},
    {"Biometric Device", "{53D29EF7-377C-4D14-864B-EB3A85769359}"},
    {"Camera", "{CA3E7AB9-B4C3-4AE6-8251-579EF933890F}"},
}};

/// The GUID of a catalogued setup class by its display name ("Disk Drives"), for use at compile time: a name
/// the catalogue lacks does not compile.
constexpr GUID SetupClassGuid(std::string_view displayName) {
  for (const SetupClassRow& row : SetupClassCatalogue) {
    if (displayName == row.displayName) return GuidFromBracedText(row.guidText);
  }
  NameNotInCatalogue();
  return {};
}

/// For every catalogue class whose listing is not empty, in catalogue order: the line
/// "*** <display name> <guid text>", the listing, and one more line end. Nothing for the others.
void SweepSetupClasses(bool presentOnly, std::ostream& out);

}  // namespace devlist
