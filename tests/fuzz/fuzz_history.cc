// The kernel message parser and the syslog line reader, for any lines: every record it keeps has a port of
// the USB shape, clean strings of bounded length, bounded lists, and times in order; the parser keeps at
// most its cap of records. A line starting with a byte below 0x08 moves on to the next boot.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "kernel_log_parser.h"
#include "kernel_log_text.h"
#include "syslog_line.h"

namespace {

using namespace devlist::history;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_history: %s\n", what);
  std::abort();
}

// Valid UTF-8 without control characters, at most the record's length.
void CheckText(const std::string& s) {
  if (s.size() > kMaxRecordText) Fail("a string longer than the cap");
  if (SanitizeLogText(s, kMaxRecordText + 1) != s) Fail("a string that is not clean");
}

void CheckRecord(const UsbDeviceRecord& r) {
  if (!IsUsbPort(r.port)) Fail("a record without a USB port");
  for (const std::string* s : {&r.product, &r.manufacturer, &r.serialNumber}) CheckText(*s);
  if (r.storage.size() > kMaxFunctions || r.hid.size() > kMaxFunctions || r.serial.size() > kMaxFunctions ||
      r.net.size() > kMaxFunctions || r.camera.size() > kMaxFunctions) {
    Fail("more functions than the cap");
  }
  for (const auto& s : r.storage) {
    for (const std::string* t : {&s.scsiAddress, &s.type, &s.vendor, &s.model, &s.revision, &s.disk}) CheckText(*t);
  }
  for (const auto& h : r.hid) CheckText(h.name), CheckText(h.kindText);
  for (const auto& s : r.serial) CheckText(s.tty), CheckText(s.driver);
  for (const auto& n : r.net) CheckText(n.interface), CheckText(n.driver);
  for (const auto& c : r.camera) CheckText(c.name);
  if (r.lastArrival < r.firstArrival) Fail("a last arrival before the first");
  if (r.removal != 0 && r.removal < r.lastArrival) Fail("a removal before the last arrival");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  KernelLogParser parser;
  std::uint32_t boot = 0;
  std::uint64_t second = 0;
  for (std::size_t at = 0; at <= input.size();) {
    const std::size_t end = std::min(input.find('\n', at), input.size());
    std::string_view line = input.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && static_cast<unsigned char>(line[0]) < 0x08) ++boot, line.remove_prefix(1);
    ++second;
    parser.Add({boot, FileTimeFromUnixMicroseconds(second * 1000000), line, line.substr(0, 40)});
    if (const auto parsed = ParseSyslogLine(line, 1796810400)) {
      if (parsed->text.size() > line.size()) Fail("a syslog text longer than its line");
      parser.Add({boot, FileTimeFromUnixMicroseconds(second * 1000000), parsed->text, {}});
    }
  }
  for (const BootRecord& b : parser.boots()) CheckText(b.bootId);
  const auto records = parser.Finish();
  if (records.size() > kMaxRecords) Fail("more records than the cap");
  for (const auto& r : records) CheckRecord(r);
  return 0;
}
