#include "json_listing.h"

#include <optional>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

#include "device_json.h"
#include "devlist_version.h"
#include "interface_classes.h"
#include "interface_listing.h"
#include "setup_classes.h"
#include "setup_listing.h"
#include "text.h"

namespace devlist {

namespace {

using nlohmann::ordered_json;

#ifdef _WIN32
constexpr const char* kPlatform = "windows";
#else
constexpr const char* kPlatform = "linux";
#endif

// Compact, UTF-8 as it is; a text that is not UTF-8 (an ANSI text from the system) gets U+FFFD where it breaks
// rather than an exception.
std::string Dump(const ordered_json& value) { return value.dump(-1, ' ', false, ordered_json::error_handler_t::replace); }

// An object whose last member is an array that its items follow: its dump without the closing brace, then the
// array's key and opening bracket.
std::string OpenObject(const ordered_json& fields, const char* arrayKey) {
  std::string text = Dump(fields);
  text.pop_back();
  if (text.size() > 1) text.push_back(',');
  return text + Dump(arrayKey) + ":[";
}

// The items of one array of the document, each on a line of its own.
class ArrayWriter {
 public:
  explicit ArrayWriter(std::ostream& out) : out_(out) {}
  void Item(const std::string& text) {
    out_ << (any_ ? ",\n" : "\n") << text;
    any_ = true;
  }
  // Closes the array and the object it is the last member of.
  void Close() { out_ << (any_ ? "\n" : "") << "]}"; }

 private:
  std::ostream& out_;
  bool any_ = false;
};

// The document: its head, then the one array the listing fills (`classes` or `groups`) through `fill`, then
// the close, flushed.
template <typename Fill>
void WriteDocument(std::ostream& out, const RunOptions& options, const char* listing, const char* arrayKey, Fill fill) {
  const ordered_json head = {{"devlist", DEVLIST_VERSION},
                             {"schema", 1},
                             {"platform", kPlatform},
                             {"listing", listing},
                             {"presentOnly", options.presentOnly}};
  out << OpenObject(head, arrayKey);
  ArrayWriter items(out);
  fill(items);
  items.Close();
  out << "\n";
  out.flush();
}

ordered_json ClassFields(const std::string& name, const std::string& guid, ListingOutcome outcome,
                         const char* failureText) {
  ordered_json fields = {{"name", name}, {"guid", guid}};
  if (outcome != ListingOutcome::listed) fields["error"] = failureText;
  return fields;
}

// One setup class as the text shows it: opened at its first device, so that a class without devices leaves no
// trace unless `always`; a class that cannot be listed shows its failure.
void WriteSetupClass(ArrayWriter& classes, std::ostream& out, const std::string& name, const WideText& guidText,
                     bool presentOnly, bool always) {
  const std::string guid = Utf16ToUtf8(guidText);
  std::optional<ArrayWriter> devices;
  const auto open = [&](ListingOutcome outcome) {
    classes.Item(OpenObject(ClassFields(name, guid, outcome, SetupListingFailureText(outcome)), "devices"));
    devices.emplace(out);
  };
  const ListingOutcome outcome =
      VisitSetupClassDevices(guidText, presentOnly, [&](HDEVINFO set, SP_DEVINFO_DATA* device) {
        if (!devices) open(ListingOutcome::listed);
        devices->Item(Dump(BuildDeviceJson(set, device)));
        // A device at a time reaches a pipe while the listing goes on.
        out.flush();
      });
  if (!devices && (always || outcome != ListingOutcome::listed)) open(outcome);
  if (devices) devices->Close();
}

ordered_json InterfaceJson(const DeviceInterfaceEntry& entry) {
  return {{"deviceId", Utf16ToUtf8(AnsiToUnicode(entry.deviceId))},
          {"interfaceClass", GuidToText(entry.interfaceClass)},
          {"flags", entry.flags},
          {"setupClass", GuidToText(entry.setupClass)},
          {"devicePath", Utf16ToUtf8(AnsiToUnicode(entry.devicePath))}};
}

// One interface class inside its group, opened (the group too, through `openGroup`) at its first interface.
template <typename OpenGroup>
void WriteInterfaceClass(OpenGroup& openGroup, std::ostream& out, const std::string& name, const WideText& guidText,
                         bool presentOnly, bool always) {
  const std::string guid = Utf16ToUtf8(guidText);
  std::optional<ArrayWriter> interfaces;
  const auto open = [&](ListingOutcome outcome) {
    openGroup().Item(OpenObject(ClassFields(name, guid, outcome, "Unable to convert to guid."), "interfaces"));
    interfaces.emplace(out);
  };
  const ListingOutcome outcome =
      VisitDeviceInterfaces(guidText, presentOnly, [&](const DeviceInterfaceEntry& entry) {
        if (!interfaces) open(ListingOutcome::listed);
        interfaces->Item(Dump(InterfaceJson(entry)));
        out.flush();
      });
  // The text shows a class that cannot be opened as nothing at all, and an unparsable GUID as its failure.
  if (!interfaces && (always || outcome == ListingOutcome::badGuid)) {
    open(outcome == ListingOutcome::badGuid ? outcome : ListingOutcome::listed);
  }
  if (interfaces) interfaces->Close();
}

}  // namespace

void RunJsonSetupSweep(const RunOptions& options, std::ostream& out) {
  WriteDocument(out, options, "setup", "classes", [&](ArrayWriter& classes) {
    for (const SetupClassRow& row : SetupClassCatalogue) {
      WriteSetupClass(classes, out, row.displayName, WidenAscii(row.guidText), options.presentOnly, false);
    }
  });
}

void RunJsonSetupSingle(const RunOptions& options, std::ostream& out) {
  WriteDocument(out, options, "setup", "classes", [&](ArrayWriter& classes) {
    WriteSetupClass(classes, out, "setup", WidenGuidArgument(options.classGuid.value_or(std::string())),
                    options.presentOnly, true);
  });
}

void RunJsonInterfaceSweep(const RunOptions& options, std::ostream& out) {
  WriteDocument(out, options, "interface", "groups", [&](ArrayWriter& groups) {
    for (const InterfaceClassGroup& group : InterfaceClassCatalogue) {
      std::optional<ArrayWriter> classes;
      auto openGroup = [&]() -> ArrayWriter& {
        if (!classes) {
          groups.Item(OpenObject({{"name", group.heading}}, "classes"));
          classes.emplace(out);
        }
        return *classes;
      };
      for (const InterfaceClassRow& row : group.rows) {
        WriteInterfaceClass(openGroup, out, row.className, row.guidText, options.presentOnly, false);
      }
      if (classes) classes->Close();
    }
  });
}

void RunJsonInterfaceSingle(const RunOptions& options, std::ostream& out) {
  WriteDocument(out, options, "interface", "groups", [&](ArrayWriter& groups) {
    groups.Item(OpenObject({{"name", nullptr}}, "classes"));
    ArrayWriter classes(out);
    auto openGroup = [&]() -> ArrayWriter& { return classes; };
    const WideText guidText = WidenGuidArgument(options.classGuid.value_or(std::string()));
    WriteInterfaceClass(openGroup, out, InterfaceClassName(guidText), guidText, options.presentOnly, true);
    classes.Close();
  });
}

}  // namespace devlist
