// The kernel's messages about USB devices and the devices below them, from the systemd journal.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "kernel_log_parser.h"

namespace devlist::history {

/// Which journal is read: the files given, else the directory given, else the local system journal.
struct JournalOptions {
  std::string directory;
  std::vector<std::string> files;
  /// Entries read between two openings: each opening's pages of the files are let go when it closes.
  std::size_t entriesPerOpening = 256;
  /// Only the messages of the usb subsystem (USB devices and interfaces), not those of SCSI and HID.
  bool usbDevicesOnly = false;
};

/// Gives `sink` the kernel's messages of the subsystems that carry USB devices and their functions (usb,
/// scsi, hid), every boot the journal holds, in the journal's order; boots are numbered in the order they
/// first appear, with the journal's boot id. Returns how many messages were given: 0 when the journal
/// cannot be opened or read (a user without access to it) or holds none of them.
std::size_t ReadJournal(const JournalOptions& options, const std::function<void(const KernelMessage&)>& sink);

}  // namespace devlist::history
