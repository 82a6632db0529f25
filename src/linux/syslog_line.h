// One line of a syslog text file: its time (RFC 3339, or the classic year-less local stamp), and the text
// of a kernel message with the kernel's own uptime stamp.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "kernel_log_parser.h"

namespace devlist::history {

struct SyslogLine {
  FileTime time = 0;
  /// The kernel's uptime stamp ("[   12.345678]") in microseconds; -1 when the line has none.
  std::int64_t uptimeMicroseconds = -1;
  /// The message after "kernel: " and the uptime stamp.
  std::string_view text;
};

/// The kernel message of `line`: "2026-12-09T10:11:12.123456+01:00 host kernel: ..." or "Dec  9 10:11:12
/// host kernel: ...". A year-less stamp is local time of the year of `referenceTime` (Unix seconds, the
/// file's modification time), or of the year before when it would lie more than a day after that. None
/// for a line of another program, or whose stamp is no valid time.
std::optional<SyslogLine> ParseSyslogLine(std::string_view line, std::int64_t referenceTime);

/// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);

}  // namespace devlist::history
