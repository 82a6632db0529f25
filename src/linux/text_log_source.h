// The kernel's messages as syslog daemons write them to text files: kern.log, messages or syslog in a
// directory, with their rotated (".1", "-20261209") and compressed (".gz") copies, oldest first.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "kernel_log_parser.h"

namespace devlist::history {

/// The paths of one family's files in `directory` ("kern.log": kern.log, kern.log.1, kern.log.2.gz,
/// kern.log-20261209.gz ...), oldest first: dated copies by date, then the highest rotation number first,
/// the live file last. Empty when there is none or the directory cannot be read.
std::vector<std::string> TextLogFiles(const std::string& directory, const std::string& family);

/// Gives `sink` every kernel message of the first family (kern.log, then messages, then syslog) that has
/// any, oldest first, with its boot counted from the kernel's start banner ("Linux version ...", or its
/// uptime stamp back at zero); returns how many were given. The families hold the same kernel lines, so
/// only one is read. A file that cannot be opened, is no regular file, or is damaged gives what it gave
/// up to there.
std::size_t ReadTextLogs(const std::string& directory, const std::function<void(const KernelMessage&)>& sink);

}  // namespace devlist::history
