// The model's values: relations made from links when read, text set as UTF-16 or as UTF-8, and equal values
// kept once, must hand out through SetupDiGetDevicePropertyW exactly what a stored UTF-16 value of the same
// text does; and a read hook belongs to its device and key.
#include "device_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_property_keys.h"
#include "platform.h"
#include "test_support.h"

namespace devlist {
namespace {

using testing::GuidFrom;

// What one read of a property hands out: the result, its error, type and required size, and the bytes.
struct Answer {
  BOOL ok = FALSE;
  DWORD error = 0;
  DEVPROPTYPE type = 0;
  DWORD required = 0;
  std::vector<BYTE> bytes;
  bool operator==(const Answer&) const = default;
};

class DeviceModelValueTest : public testing::DeviceModelTest {
 protected:
  // Reads a property of `id` through an all-classes set with a buffer of `size` bytes.
  static Answer Read(const std::string& id, const DEVPROPKEY& key, DWORD size) {
    const HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    SP_DEVINFO_DATA element{};
    element.cbSize = sizeof element;
    Answer a;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &element); ++i) {
      if (model::Devices()[element.Reserved - 1].instanceId != id) continue;
      a.bytes.assign(size, 0xEE);
      a.ok = SetupDiGetDevicePropertyW(set, &element, &key, &a.type, size == 0 ? nullptr : a.bytes.data(), size,
                                       &a.required, 0);
      a.error = a.ok ? 0 : GetLastError();
    }
    SetupDiDestroyDeviceInfoList(set);
    return a;
  }

  // Every way the report may read a value: sizing with no buffer, one byte short, exact, larger.
  void ExpectSameReads(const std::string& id, const std::string& storedId, const DEVPROPKEY& key,
                       const std::string& what) {
    const DWORD size = Read(storedId, key, 0).required;
    for (const DWORD buffer : {DWORD{0}, size == 0 ? 0 : size - 1, size, size + 64}) {
      EXPECT_EQ(Read(storedId, key, buffer), Read(id, key, buffer)) << what << ", buffer " << buffer;
    }
    // The value's own bytes, as tests and the fuzz target read them.
    const model::Property* derived = PropertyOf(id, key);
    const model::Property* stored = PropertyOf(storedId, key);
    ASSERT_EQ(stored == nullptr, derived == nullptr) << what;
    if (stored == nullptr) return;
    ASSERT_EQ(stored->value.size(), derived->value.size()) << what;
    for (std::size_t i = 0; i < stored->value.size(); ++i) ASSERT_EQ(stored->value[i], derived->value[i]) << what << i;
  }

  static const model::Property* PropertyOf(const std::string& id, const DEVPROPKEY& key) {
    for (const model::Property& p : model::FindDevice(id)->properties) {
      if (p.key.pid == key.pid && p.key.fmtid == key.fmtid) return &p;
    }
    return nullptr;
  }

  const GUID class_ = GuidFrom("{4d36e97d-e325-11ce-bfc1-08002be10318}");
};

// A root with three children, the first with one child of its own, and a device linked to nothing. One id
// is not ASCII, one is long enough to pass the report's 256-byte first read.
TEST_F(DeviceModelValueTest, LinkedRelationsReadAsTheStoredListsOfTheSameIds) {
  const std::string longId = "PCI\\VEN_8086&DEV_" + std::string(180, 'A') + "\\3&0";
  const std::vector<std::string> ids = {"ACPI_HAL\\PNP0C08\\0", "ACPI\\PNP0A08\\0", "ROOT\\caf\xC3\xA9\\0000", longId,
                                        "USB\\VID_1\\1", "SW\\ALONE\\0"};
  for (const std::string& id : ids) model::AddDevice(id, class_);
  const struct {
    std::size_t parent, child;
  } links[] = {{0, 1}, {0, 2}, {1, 4}, {0, 3}, {0, 1}, {2, 2}};  // the last two: a second parent, itself
  for (const auto& l : links) model::LinkChild(*model::FindDevice(ids[l.parent]), *model::FindDevice(ids[l.child]));

  const struct {
    std::size_t device;
    std::vector<std::size_t> parent, children, siblings;  // empty: no such property
  } expected[] = {
      {0, {}, {1, 2, 3}, {}}, {1, {0}, {4}, {2, 3}}, {2, {0}, {}, {1, 3}},
      {3, {0}, {}, {1, 2}},   {4, {1}, {}, {}},      {5, {}, {}, {}},
  };
  for (const auto& e : expected) {
    const std::string stored = "STORED\\" + std::to_string(e.device);
    model::Device& s = model::AddDevice(stored, class_);
    auto list = [&ids](const std::vector<std::size_t>& of) {
      std::vector<std::u16string> items;
      for (const std::size_t i : of) items.push_back(model::Utf8ToUtf16(ids[i]));
      return items;
    };
    if (!e.parent.empty()) model::SetStringProperty(s, DEVPKEY_Device_Parent, list(e.parent)[0]);
    if (!e.children.empty()) model::SetStringListProperty(s, DEVPKEY_Device_Children, list(e.children));
    if (!e.siblings.empty()) model::SetStringListProperty(s, DEVPKEY_Device_Siblings, list(e.siblings));
    for (const DEVPROPKEY& key : {DEVPKEY_Device_Parent, DEVPKEY_Device_Children, DEVPKEY_Device_Siblings}) {
      ExpectSameReads(ids[e.device], stored, key, ids[e.device] + " key " + std::to_string(key.pid));
    }
  }
  EXPECT_EQ(ERROR_NOT_FOUND, Read(ids[5], DEVPKEY_Device_Parent, 0).error);
}

// Text set as UTF-16 units or as UTF-8, in and past Latin-1: the same bytes as raw UTF-16 either way.
TEST_F(DeviceModelValueTest, StringsReadAsTheirRawUtf16) {
  const DEVPROPKEY key = DEVPKEY_Device_FriendlyName;
  const struct {
    const char* what;
    std::vector<std::u16string> items;
    bool list;
  } cases[] = {
      {"empty", {u""}, false},
      {"ASCII", {u"Virtio network device"}, false},
      {"Latin-1 up to U+00FF", {u"caf\u00E9 \u00FF"}, false},
      {"past Latin-1", {u"\u0100 \u20AC \U0001F600"}, false},
      {"empty list", {}, true},
      {"list, one element past Latin-1", {u"PCI\\VEN_1", u"\u4E2D"}, true},
  };
  for (const auto& c : cases) {
    model::Device& units = model::AddDevice(std::string("SET\\") + c.what, class_);
    model::Device& raw = model::AddDevice(std::string("RAW\\") + c.what, class_);
    model::Device& utf8 = model::AddDevice(std::string("UTF8\\") + c.what, class_);
    std::string elements;  // the same text as the scan hands it over: UTF-8, each element ending in NUL
    for (const std::u16string& item : c.items) elements += model::Utf16ToUtf8(item) + '\0';
    std::vector<BYTE> bytes;
    for (const std::u16string& item : c.items) {
      for (const char16_t u : item + u'\0') bytes.insert(bytes.end(), {BYTE(u & 0xFF), BYTE(u >> 8)});
    }
    if (c.list) {
      model::SetStringListProperty(units, key, c.items);
      model::SetUtf8StringListProperty(utf8, key, elements);
      bytes.insert(bytes.end(), {0, 0});
    } else {
      model::SetStringProperty(units, key, c.items[0]);
      model::SetUtf8StringProperty(utf8, key, model::Utf16ToUtf8(c.items[0]));
    }
    model::SetProperty(raw, key, c.list ? DEVPROP_TYPE_STRING_LIST : DEVPROP_TYPE_STRING, bytes);
    ExpectSameReads(units.instanceId, raw.instanceId, key, c.what);
    ExpectSameReads(utf8.instanceId, raw.instanceId, key, std::string("from UTF-8, ") + c.what);
  }
}

// One set reading device after device and back, as the listers do: each read answers from the device asked
// for, a property added or a fill deferred after an earlier read included, and a device with more properties
// than a set indexes is read in full.
TEST_F(DeviceModelValueTest, OneSetFollowsTheDeviceOfEachRead) {
  const GUID fmtid = GuidFrom("{01234567-89ab-cdef-0123-456789abcdef}");
  model::Device& small = model::AddDevice("TEST\\SMALL\\0", class_);
  model::Device& large = model::AddDevice("TEST\\LARGE\\0", class_);
  for (DWORD pid = 1; pid <= 3; ++pid) model::SetUint32Property(small, {fmtid, pid}, pid);
  for (DWORD pid = 1; pid <= 300; ++pid) model::SetUint32Property(large, {fmtid, pid}, 1000 + pid);
  const HDEVINFO set = SetupDiGetClassDevsA(&class_, nullptr, nullptr, 0);
  SP_DEVINFO_DATA elements[2] = {{sizeof(SP_DEVINFO_DATA), {}, 0, 0}, {sizeof(SP_DEVINFO_DATA), {}, 0, 0}};
  ASSERT_TRUE(SetupDiEnumDeviceInfo(set, 0, &elements[0]) && SetupDiEnumDeviceInfo(set, 1, &elements[1]));
  const auto read = [&](int device, DWORD pid) {  // the value, or 0 when the read fails
    const DEVPROPKEY key{fmtid, pid};
    DEVPROPTYPE type = 0;
    DWORD value = 0;
    return SetupDiGetDevicePropertyW(set, &elements[device], &key, &type, reinterpret_cast<BYTE*>(&value),
                                     sizeof value, nullptr, 0)
               ? value
               : 0;
  };
  const struct {
    const char* what;
    int device;
    DWORD pid, value;
  } reads[] = {
      {"small", 0, 2, 2},          {"large", 1, 2, 1002},   {"large, last", 1, 300, 1300},
      {"large, lacking", 1, 301, 0}, {"small again", 0, 3, 3}, {"small, lacking", 0, 4, 0},
  };
  for (const auto& r : reads) EXPECT_EQ(r.value, read(r.device, r.pid)) << r.what;
  model::SetUint32Property(small, {fmtid, 4}, 4);
  EXPECT_EQ(4u, read(0, 4)) << "added after a read";
  model::DeferProperties(small, [fmtid](model::Device& d) { model::SetUint32Property(d, {fmtid, 5}, 5); });
  EXPECT_EQ(5u, read(0, 5)) << "filled after a read";
  SetupDiDestroyDeviceInfoList(set);
}

// Equal values are kept once; a property given new bytes leaves a copy of it, and the other properties of
// the old value, as they were.
TEST_F(DeviceModelValueTest, AValueReplacedLeavesItsCopiesAndEqualValuesAlone) {
  const DEVPROPKEY key = DEVPKEY_Device_FriendlyName;
  model::Device& first = model::AddDevice("TEST\\FIRST\\0", class_);
  model::Device& second = model::AddDevice("TEST\\SECOND\\0", class_);
  model::SetUtf8StringProperty(first, key, "same");
  model::SetStringProperty(second, key, u"same");
  const model::Property copy = first.properties.back();
  model::SetUtf8StringProperty(first, key, "other text");
  const std::vector<BYTE> same = {'s', 0, 'a', 0, 'm', 0, 'e', 0, 0, 0};
  const auto bytes = [](const model::PropertyValue& v) {
    std::vector<BYTE> out(v.size());
    v.CopyTo(out.data(), out.size());
    return out;
  };
  EXPECT_EQ(same, bytes(copy.value));
  EXPECT_EQ(same, bytes(second.properties.back().value));
  EXPECT_EQ(22u, first.properties.back().value.size());
  model::SetProperty(second, key, DEVPROP_TYPE_BINARY, std::vector<BYTE>{});
  EXPECT_TRUE(second.properties.back().value.empty());
  EXPECT_EQ(same, bytes(copy.value));
}

// A hook set on one property of one device runs on every read of that property alone, however the device's
// list of properties grows, is trimmed or is handed properties put together aside; an empty hook, or
// Clear, removes it.
TEST_F(DeviceModelValueTest, AReadHookBelongsToItsDeviceAndKey) {
  const DEVPROPKEY key = DEVPKEY_Device_FriendlyName;
  const GUID fmtid = GuidFrom("{01234567-89ab-cdef-0123-456789abcdef}");
  model::Device& hooked = model::AddDevice("TEST\\HOOKED\\0", class_);
  model::Device& other = model::AddDevice("TEST\\OTHER\\0", class_);
  model::SetUtf8StringProperty(hooked, key, "hooked");
  model::SetUtf8StringProperty(other, key, "other");
  model::SetUint32Property(hooked, {fmtid, 1}, 1);
  int runs = 0;
  model::SetReadHook(hooked, key, [&runs](model::Property&) {
    ++runs;
    return DWORD{31};
  });
  const auto check = [&](const std::string& when) {
    runs = 0;
    EXPECT_EQ(DWORD{31}, Read("TEST\\HOOKED\\0", key, 64).error) << when;
    EXPECT_EQ(DWORD{0}, Read("TEST\\OTHER\\0", key, 64).error) << when;
    EXPECT_EQ(DWORD{0}, Read("TEST\\HOOKED\\0", {fmtid, 1}, 64).error) << when;
    EXPECT_EQ(1, runs) << when;
  };
  check("set");
  for (DWORD pid = 2; pid < 200; ++pid) model::SetUint32Property(hooked, {fmtid, pid}, pid);
  check("after the list grew");
  model::Device aside;
  for (DWORD pid = 200; pid < 400; ++pid) model::SetUint32Property(aside, {fmtid, pid}, pid);
  model::MoveProperties(hooked, aside);
  check("after properties were moved in");
  model::TrimProperties(hooked);
  check("after the list was trimmed");
  model::SetReadHook(hooked, key, {});
  EXPECT_EQ(DWORD{0}, Read("TEST\\HOOKED\\0", key, 64).error) << "removed";
  model::SetReadHook(hooked, key, [](model::Property&) { return DWORD{31}; });
  model::Clear();
  model::AddDevice("TEST\\HOOKED\\0", class_);
  model::SetUtf8StringProperty(*model::FindDevice("TEST\\HOOKED\\0"), key, "hooked");
  EXPECT_EQ(DWORD{0}, Read("TEST\\HOOKED\\0", key, 64).error) << "after Clear";
}

}  // namespace
}  // namespace devlist
