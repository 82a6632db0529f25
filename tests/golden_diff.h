// How a listing differs from its golden text, by class and device, so that a failed comparison or a
// rewritten golden says which devices changed rather than only which line.
#pragma once

#include <cstddef>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace devlist::testing {

/// The lines of a text, without their line ends; a last line without one counts.
inline std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

/// The place of line `at`: the class heading ("*** ...") above it and the device of the block of lines
/// (between blank lines and headings) that holds it, by its instance id ("Device_InstanceId : " in the setup
/// listing, "DeviceID: " in the interface listing), else by the block's first line.
inline std::string PlaceOfLine(const std::vector<std::string>& lines, std::size_t at) {
  auto boundary = [&lines](std::size_t i) { return lines[i].empty() || lines[i].starts_with("*** "); };
  std::string heading = "(before any class)";
  for (std::size_t i = at + 1; i-- > 0;) {
    if (i < lines.size() && lines[i].starts_with("*** ")) {
      heading = lines[i];
      break;
    }
  }
  if (at >= lines.size() || boundary(at)) return heading;
  std::size_t first = at, end = at;
  while (first > 0 && !boundary(first - 1)) --first;
  while (end < lines.size() && !boundary(end)) ++end;
  for (std::size_t i = first; i < end; ++i) {
    for (const std::string_view label : {"Device_InstanceId : ", "DeviceID: "}) {
      if (lines[i].starts_with(label)) return heading + ", device " + lines[i].substr(label.size());
    }
  }
  return heading + ", block \"" + lines[first] + "\"";
}

/// Empty when the texts are equal. Otherwise the first line where they part (its number, class and device,
/// both versions of it) and then every device block that differs, was added or went, by its place.
inline std::string DescribeListingDifference(const std::string& expected, const std::string& actual) {
  if (expected == actual) return std::string();
  const std::vector<std::string> e = LinesOf(expected), a = LinesOf(actual);
  std::ostringstream out;
  std::size_t line = 0;
  while (line < e.size() && line < a.size() && e[line] == a[line]) ++line;
  if (line == e.size() && line == a.size()) return "the texts differ only in their last line end\n";
  out << "line " << line + 1 << " (" << PlaceOfLine(line < e.size() ? e : a, line) << "): expected \""
      << (line < e.size() ? e[line] : "<end>") << "\", got \"" << (line < a.size() ? a[line] : "<end>") << "\"\n";

  // Each block's text by its place; a place met again (a device in two classes) is told apart by its count.
  auto blocks = [](const std::vector<std::string>& lines) {
    std::map<std::string, std::string> byPlace;
    std::map<std::string, int> seen;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].empty() || lines[i].starts_with("*** ")) continue;
      if (i > 0 && !lines[i - 1].empty() && !lines[i - 1].starts_with("*** ")) continue;  // not a block's first
      std::string place = PlaceOfLine(lines, i);
      if (const int n = seen[place]++; n > 0) place += " #" + std::to_string(n + 1);
      std::string& text = byPlace[place];
      for (std::size_t j = i; j < lines.size() && !lines[j].empty() && !lines[j].starts_with("*** "); ++j) {
        text += lines[j] + '\n';
      }
    }
    return byPlace;
  };
  const auto before = blocks(e), after = blocks(a);
  for (const auto& [place, text] : before) {
    const auto found = after.find(place);
    if (found == after.end()) {
      out << "  gone: " << place << '\n';
    } else if (found->second != text) {
      out << "  changed: " << place << '\n';
    }
  }
  for (const auto& [place, text] : after) {
    if (before.find(place) == before.end()) out << "  added: " << place << '\n';
  }
  return out.str();
}

}  // namespace devlist::testing
