#include "device_model.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <utility>

namespace devlist::model {
namespace {

struct State {
  std::deque<Device> devices;
  std::deque<Interface> interfaces;
  std::vector<GUID> failingClasses;
  std::function<void()> loader;
  std::size_t openSets = 0;
};

State& TheState() {
  static State state;
  return state;
}

bool SameIdIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

bool SameKey(const DEVPROPKEY& a, const DEVPROPKEY& b) { return a.pid == b.pid && a.fmtid == b.fmtid; }

std::vector<BYTE> BytesOf(const std::u16string& text) {
  std::vector<BYTE> bytes((text.size() + 1) * 2, 0);
  std::memcpy(bytes.data(), text.data(), text.size() * 2);
  return bytes;
}

}  // namespace

void Clear() {
  State& s = TheState();
  s.devices.clear();
  s.interfaces.clear();
  s.failingClasses.clear();
  s.loader = nullptr;
}

Device& AddDevice(const std::string& instanceId, const GUID& setupClass, bool present) {
  if (Device* existing = FindDevice(instanceId)) return *existing;
  Device& device = TheState().devices.emplace_back();
  device.instanceId = instanceId;
  device.setupClass = setupClass;
  device.present = present;
  return device;
}

Device* FindDevice(const std::string& instanceId) {
  for (Device& device : TheState().devices) {
    if (SameIdIgnoringCase(device.instanceId, instanceId)) return &device;
  }
  return nullptr;
}

void SetProperty(Device& device, const DEVPROPKEY& key, DEVPROPTYPE type, std::vector<BYTE> value) {
  for (Property& p : device.properties) {
    if (SameKey(p.key, key)) {
      p.type = type;
      p.value = std::move(value);
      return;
    }
  }
  Property& p = device.properties.emplace_back();
  p.key = key;
  p.type = type;
  p.value = std::move(value);
}

void SetStringProperty(Device& device, const DEVPROPKEY& key, const std::u16string& text) {
  SetProperty(device, key, DEVPROP_TYPE_STRING, BytesOf(text));
}

void SetStringListProperty(Device& device, const DEVPROPKEY& key, const std::vector<std::u16string>& items) {
  std::u16string joined;
  for (const std::u16string& item : items) {
    joined += item;
    joined.push_back(u'\0');
  }
  // The list ends with an empty string: one more NUL after the last element's own.
  SetProperty(device, key, DEVPROP_TYPE_STRING_LIST, BytesOf(joined));
}

void SetUint32Property(Device& device, const DEVPROPKEY& key, DWORD value) {
  std::vector<BYTE> bytes(4);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
  SetProperty(device, key, DEVPROP_TYPE_UINT32, std::move(bytes));
}

void SetBoolProperty(Device& device, const DEVPROPKEY& key, bool value) {
  SetProperty(device, key, DEVPROP_TYPE_BOOLEAN, {static_cast<BYTE>(value ? 0xFF : 0x00)});
}

void SetGuidProperty(Device& device, const DEVPROPKEY& key, const GUID& value) {
  std::vector<BYTE> bytes(sizeof(GUID));
  std::memcpy(bytes.data(), &value, sizeof(GUID));
  SetProperty(device, key, DEVPROP_TYPE_GUID, std::move(bytes));
}

bool AddInterface(const Interface& interface) {
  if (FindDevice(interface.deviceInstanceId) == nullptr) return false;
  TheState().interfaces.push_back(interface);
  return true;
}

void FailClass(const GUID& classGuid) { TheState().failingClasses.push_back(classGuid); }

void SetLoader(std::function<void()> loader) { TheState().loader = std::move(loader); }

std::size_t OpenSetCount() { return TheState().openSets; }

const std::deque<Device>& Devices() { return TheState().devices; }
const std::deque<Interface>& Interfaces() { return TheState().interfaces; }

bool ClassFails(const GUID& classGuid) {
  const auto& failing = TheState().failingClasses;
  return std::find(failing.begin(), failing.end(), classGuid) != failing.end();
}

void RunLoaderOnce() {
  // Taken out before it runs, so a loader that opens sets itself cannot recurse.
  std::function<void()> loader = std::move(TheState().loader);
  TheState().loader = nullptr;
  if (loader) loader();
}

void NoteSetOpened() { ++TheState().openSets; }
void NoteSetClosed() { --TheState().openSets; }

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char lead = p[i];
    std::size_t need = 0;
    char32_t cp = lead;
    char32_t min = 0;
    if (lead >= 0xF0 && lead <= 0xF4) {
      need = 3, cp = lead & 0x07, min = 0x10000;
    } else if ((lead & 0xF0) == 0xE0) {
      need = 2, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xE0) == 0xC0) {
      need = 1, cp = lead & 0x1F, min = 0x80;
    } else if (lead >= 0x80) {
      need = SIZE_MAX;  // a stray continuation byte or an invalid lead byte
    }
    bool ok = need != SIZE_MAX && n - i > need;
    for (std::size_t k = 1; ok && k <= need; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (!ok) {
      // Malformed input becomes one replacement character per byte, so nothing valid after it is lost.
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    i += need + 1;
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      out.push_back('?');  // an unpaired surrogate has no UTF-8 form
      continue;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace devlist::model
