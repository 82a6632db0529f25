#include "syslog_line.h"

#include <time.h>

#include <array>

#include "kernel_log_text.h"

namespace devlist::history {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// `count` digits at `at` of `s`, or -1.
int Digits(std::string_view s, std::size_t at, std::size_t count) {
  if (at + count > s.size()) return -1;
  int v = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (!IsAsciiDigit(s[i])) return -1;
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

bool ValidClock(int hour, int minute, int second) {
  return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second <= 60;
}

unsigned DaysInMonth(std::int64_t year, unsigned month) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

FileTime FromUnix(std::int64_t seconds, std::int64_t microseconds) {
  if (seconds < 0) return 0;
  return FileTimeFromUnixMicroseconds(static_cast<std::uint64_t>(seconds) * 1000000u +
                                      static_cast<std::uint64_t>(microseconds));
}

// "2026-12-09T10:11:12.123456+01:00" (fraction and offset optional, "Z" for UTC); the length read.
std::size_t ParseRfc3339(std::string_view s, FileTime& time) {
  const int year = Digits(s, 0, 4), month = Digits(s, 5, 2), day = Digits(s, 8, 2);
  const int hour = Digits(s, 11, 2), minute = Digits(s, 14, 2), second = Digits(s, 17, 2);
  if (year < 1970 || s[4] != '-' || s[7] != '-' || (s[10] != 'T' && s[10] != ' ') || s[13] != ':' ||
      s[16] != ':' || month < 1 || month > 12 || day < 1 ||
      unsigned(day) > DaysInMonth(year, unsigned(month)) || !ValidClock(hour, minute, second)) {
    return 0;
  }
  std::size_t at = 19;
  std::int64_t micros = 0;
  if (at < s.size() && s[at] == '.') {
    std::int64_t scale = 100000;
    for (++at; at < s.size() && IsAsciiDigit(s[at]); ++at) {
      micros += (s[at] - '0') * scale;
      scale /= 10;
    }
  }
  std::int64_t offset = 0;
  if (at < s.size() && s[at] == 'Z') {
    ++at;
  } else if (at < s.size() && (s[at] == '+' || s[at] == '-')) {
    const int oh = Digits(s, at + 1, 2), om = Digits(s, at + 4, 2);
    if (oh < 0 || oh > 23 || om < 0 || om > 59 || s[at + 3] != ':') return 0;
    offset = (oh * 60 + om) * 60 * (s[at] == '-' ? -1 : 1);
    at += 6;
  }
  const std::int64_t seconds =
      DaysFromCivil(year, unsigned(month), unsigned(day)) * 86400 + hour * 3600 + minute * 60 + second - offset;
  time = FromUnix(seconds, micros);
  return time == 0 ? 0 : at;
}

// Local civil time to Unix seconds, through the C library's zone rules.
std::int64_t FromLocal(int year, int month, int day, int hour, int minute, int second) {
  tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return static_cast<std::int64_t>(mktime(&t));
}

// "Dec  9 10:11:12" in the year `referenceTime` gives; the length read (15).
std::size_t ParseClassic(std::string_view s, std::int64_t referenceTime, FileTime& time) {
  if (s.size() < 15 || s[3] != ' ' || s[9] != ':' || s[12] != ':' || s[6] != ' ') return 0;
  int month = 0;
  for (std::size_t i = 0; i < kMonths.size(); ++i) {
    if (s.substr(0, 3) == kMonths[i]) month = static_cast<int>(i) + 1;
  }
  const int day = s[4] == ' ' ? Digits(s, 5, 1) : Digits(s, 4, 2);
  const int hour = Digits(s, 7, 2), minute = Digits(s, 10, 2), second = Digits(s, 13, 2);
  if (month == 0 || day < 1 || unsigned(day) > 31 || !ValidClock(hour, minute, second)) return 0;
  const time_t reference = static_cast<time_t>(referenceTime);
  tm local{};
  if (localtime_r(&reference, &local) == nullptr) return 0;
  int year = local.tm_year + 1900;
  // February 29th needs a leap year: the latest one not after the reference year.
  while (unsigned(day) > DaysInMonth(year, unsigned(month)) && year > 1970) --year;
  if (unsigned(day) > DaysInMonth(year, unsigned(month))) return 0;
  std::int64_t seconds = FromLocal(year, month, day, hour, minute, second);
  if (seconds > referenceTime + 86400) {
    do --year;
    while (unsigned(day) > DaysInMonth(year, unsigned(month)) && year > 1970);
    seconds = FromLocal(year, month, day, hour, minute, second);
  }
  time = FromUnix(seconds, 0);
  return time == 0 ? 0 : 15;
}

}  // namespace

std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yoe = static_cast<unsigned>(year - era * 400);
  const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::optional<SyslogLine> ParseSyslogLine(std::string_view line, std::int64_t referenceTime) {
  SyslogLine out;
  std::size_t at = 0;
  if (line.size() >= 19 && IsAsciiDigit(line[0])) {
    at = ParseRfc3339(line, out.time);
  } else {
    at = ParseClassic(line, referenceTime, out.time);
  }
  if (at == 0 || at >= line.size() || line[at] != ' ') return std::nullopt;
  std::string_view rest = line.substr(at + 1);
  const std::size_t host = rest.find(' ');
  if (host == std::string_view::npos || host == 0) return std::nullopt;
  rest.remove_prefix(host + 1);
  constexpr std::string_view kKernel = "kernel: ";
  if (rest.substr(0, kKernel.size()) != kKernel) return std::nullopt;
  rest.remove_prefix(kKernel.size());
  // "[   12.345678] ": the seconds since the kernel started, as printk stamps them.
  if (!rest.empty() && rest.front() == '[') {
    const std::size_t close = rest.find(']');
    std::int64_t seconds = 0, micros = 0, scale = 0;
    bool digits = false;
    bool valid = close != std::string_view::npos && close < 24;
    for (std::size_t i = 1; valid && i < close; ++i) {
      const char c = rest[i];
      if (c == ' ' && !digits) continue;
      if (c == '.' && scale == 0 && digits) {
        scale = 100000;
      } else if (IsAsciiDigit(c) && scale == 0) {
        valid = seconds < 100000000000;
        seconds = seconds * 10 + (c - '0'), digits = true;
      } else if (IsAsciiDigit(c)) {
        micros += (c - '0') * scale, scale /= 10;
      } else {
        valid = false;
      }
    }
    if (valid && digits) {
      out.uptimeMicroseconds = seconds * 1000000 + micros;
      rest.remove_prefix(close + 1);
      if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    }
  }
  out.text = rest;
  return out;
}

}  // namespace devlist::history
