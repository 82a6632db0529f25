// Test helper for the end-to-end runs under Wine: registers the devices, interfaces and typed properties of one
// scenario in the current prefix, for good, so that a later devlist.exe run finds them.
//
//   register_devices.exe settle      wait until Wine's own devices have all arrived, register nothing
//   register_devices.exe interfaces  devices with active and inactive interfaces
//   register_devices.exe properties  devices with a property of every type the report renders
//   register_devices.exe dbcs        a device with texts that test the conversion room in code page 932
//
// Every scenario settles first. Exit code 0 on success; otherwise the failing call is named on stderr.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
// windows.h first: the headers below rely on its types.
#include <devpropdef.h>
#include <setupapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// mingw-w64's setupapi.h does not declare it.
extern "C" WINSETUPAPI WINBOOL WINAPI SetupDiSetDevicePropertyW(HDEVINFO, PSP_DEVINFO_DATA, const DEVPROPKEY*,
                                                                DEVPROPTYPE, const BYTE*, DWORD, DWORD);

namespace {

using Bytes = std::vector<BYTE>;

class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& what) : std::runtime_error(what) {}
};

[[noreturn]] void Fail(const std::string& call) {
  const DWORD error = GetLastError();
  throw Failure(call + " failed with error " + std::to_string(error));
}

// ---- Values -------------------------------------------------------------------------------------------------

template <typename T>
Bytes Scalar(T value) {
  Bytes bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}

void AppendUtf16(Bytes& bytes, std::u16string_view text) {
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<BYTE>(unit & 0xFF));
    bytes.push_back(static_cast<BYTE>(unit >> 8));
  }
}

// A 16-bit string, with its NUL unless told otherwise (Wine hands values back raw, so a missing NUL stays missing).
Bytes Utf16(std::u16string_view text, bool terminated = true) {
  Bytes bytes;
  AppendUtf16(bytes, text);
  if (terminated) AppendUtf16(bytes, std::u16string_view(u"\0", 1));
  return bytes;
}

// A string list: every element with its NUL, then the empty string that ends the list.
Bytes Utf16List(std::initializer_list<std::u16string_view> elements) {
  Bytes bytes;
  for (const std::u16string_view element : elements) {
    const Bytes one = Utf16(element);
    bytes.insert(bytes.end(), one.begin(), one.end());
  }
  AppendUtf16(bytes, std::u16string_view(u"\0", 1));
  return bytes;
}

// "Maker-01Maker-02..." : long texts whose every part can be checked by eye.
std::u16string Numbered(std::u16string_view stem, int count) {
  std::u16string text;
  for (int i = 1; i <= count; ++i) {
    text += stem;
    text += static_cast<char16_t>(u'0' + i / 10);
    text += static_cast<char16_t>(u'0' + i % 10);
  }
  return text;
}

Bytes Filled(std::size_t size, BYTE value) { return Bytes(size, value); }

// ---- Keys and classes ---------------------------------------------------------------------------------------

constexpr GUID kNameSet{0xb725f130, 0x47ef, 0x101a, {0xa5, 0xf1, 0x02, 0x60, 0x8c, 0x9e, 0xeb, 0xac}};
constexpr GUID kDeviceSet{0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}};
constexpr GUID kInstanceSet{0x78c34fc8, 0x104a, 0x4aca, {0x9e, 0xa4, 0x52, 0x4d, 0x52, 0x99, 0x6e, 0x57}};
constexpr GUID kNodeSet{0x4340a6c5, 0x93fa, 0x4706, {0x97, 0x2c, 0x7b, 0x64, 0x80, 0x08, 0xa5, 0xa7}};
constexpr GUID kReportedSet{0x80497100, 0x8c73, 0x48b9, {0xaa, 0xd9, 0xce, 0x38, 0x7e, 0x19, 0xc5, 0x6e}};
constexpr GUID kContainerIdSet{0x8c7ed206, 0x3f8a, 0x4827, {0xb3, 0xab, 0xae, 0x9e, 0x1f, 0xae, 0xfc, 0x6c}};
constexpr GUID kModelIdSet{0x80d81ea6, 0x7473, 0x4b0c, {0x82, 0x16, 0xef, 0xc1, 0x1a, 0x2c, 0x4c, 0x8b}};
constexpr GUID kNumaSet{0x540b947e, 0x8b40, 0x45bc, {0xa8, 0xa2, 0x6a, 0x0b, 0x89, 0x4c, 0xbd, 0xa2}};
constexpr GUID kInstallSet{0x83da6326, 0x97a6, 0x4088, {0x94, 0x53, 0xa1, 0x92, 0x3f, 0x57, 0x3b, 0x29}};
constexpr GUID kDriverSet{0xa8b865dd, 0x2e3d, 0x4094, {0xad, 0x97, 0xe5, 0x93, 0xa7, 0x0c, 0x75, 0xd6}};
constexpr GUID kDrvPkgSet{0xcf73bb51, 0x3abf, 0x44a2, {0x85, 0xe0, 0x9a, 0x3d, 0xc7, 0xa1, 0x21, 0x32}};
constexpr GUID kClassFilterSet{0x4321918b, 0xf69e, 0x470d, {0xa5, 0xde, 0x4d, 0x88, 0xc7, 0x5a, 0xd2, 0x4b}};
constexpr GUID kClassNameSet{0x259abffc, 0x50a7, 0x47ce, {0xaf, 0x08, 0x68, 0xc9, 0xa7, 0xd7, 0x33, 0x66}};
constexpr GUID kInterfaceSet{0x026e516e, 0xb814, 0x414b, {0x83, 0xcd, 0x85, 0x6d, 0x6f, 0xef, 0x48, 0x22}};
constexpr GUID kContainerSet{0x656a3bb3, 0xecc0, 0x43fd, {0x84, 0x77, 0x4a, 0xe0, 0x40, 0x4a, 0x96, 0xcd}};

constexpr DEVPROPKEY Key(const GUID& set, ULONG pid) { return DEVPROPKEY{set, pid}; }

// Setup classes. Ports and Biometric Device are catalogued and unused by Wine's own devices; the third is in no
// catalogue, so only a single setup class run reaches it.
constexpr GUID kPortsClass{0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
constexpr GUID kDiskDrivesClass{0x4d36e967, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
constexpr GUID kBiometricClass{0x53d29ef7, 0x377c, 0x4d14, {0x86, 0x4b, 0xeb, 0x3a, 0x85, 0x76, 0x93, 0x59}};
constexpr GUID kUncataloguedClass{0xd5e1c7a0, 0x6b2f, 0x4e8d, {0x9c, 0x3a, 0x0f, 0x1e, 0x2d, 0x3c, 0x4b, 0x5a}};

// Interface classes: three catalogued ones and one that no catalogue row names.
constexpr GUID kComPortInterface{0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};
constexpr GUID kDiskInterface{0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
constexpr GUID kVolumeInterface{0x53f5630d, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
constexpr GUID kUncataloguedInterface{0x8f0c2d4e, 0x1a3b, 0x4c5d, {0x9e, 0x6f, 0x7a, 0x8b, 0x9c, 0x0d, 0x1e, 0x2f}};

// Interfaces that Wine's own devices expose once they have all arrived.
constexpr GUID kHidInterface{0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr GUID kKeyboardInterface{0x884b96c3, 0x56ef, 0x11d1, {0xbc, 0x8c, 0x00, 0xa0, 0xc9, 0x14, 0x05, 0xdd}};
constexpr GUID kMouseInterface{0x378de44c, 0x56ef, 0x11d1, {0xbc, 0x8c, 0x00, 0xa0, 0xc9, 0x14, 0x05, 0xdd}};
constexpr GUID kDisplayAdapterInterface{0x5b45201d, 0xf2f2, 0x4f3b, {0x85, 0xbb, 0x30, 0xff, 0x1f, 0x95, 0x35, 0x99}};
constexpr GUID kMonitorInterface{0xe6f07b5f, 0xee97, 0x4a90, {0xb0, 0x76, 0x33, 0xf5, 0x7b, 0xf4, 0xea, 0xa7}};

// ---- Registration -------------------------------------------------------------------------------------------

class DeviceInfoSet {
 public:
  explicit DeviceInfoSet(HDEVINFO set) : set_(set) {}
  DeviceInfoSet(const DeviceInfoSet&) = delete;
  DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
  ~DeviceInfoSet() {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
  }
  HDEVINFO get() const { return set_; }

 private:
  HDEVINFO set_;
};

class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

void CreateKey(const std::string& path, RegistryKey& key) {
  const LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                      key.out(), nullptr);
  if (status != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(status));
    Fail("RegCreateKeyExA(" + path + ")");
  }
}

class Device {
 public:
  Device(HDEVINFO set, const char* instanceId, const GUID& setupClass) : set_(set), instanceId_(instanceId) {
    data_.cbSize = sizeof data_;
    if (!SetupDiCreateDeviceInfoA(set, instanceId, &setupClass, nullptr, nullptr, 0, &data_))
      Fail(std::string("SetupDiCreateDeviceInfoA(") + instanceId + ")");
    if (!SetupDiRegisterDeviceInfo(set, &data_, 0, nullptr, nullptr, nullptr))
      Fail(std::string("SetupDiRegisterDeviceInfo(") + instanceId + ")");
  }

  Device& Set(const DEVPROPKEY& key, DEVPROPTYPE type, const Bytes& value) {
    const BYTE* bytes = value.empty() ? nullptr : value.data();
    if (!SetupDiSetDevicePropertyW(set_, &data_, &key, type, bytes, static_cast<DWORD>(value.size()), 0))
      Fail("SetupDiSetDevicePropertyW(" + instanceId_ + ", pid " + std::to_string(key.pid) + ", type " +
           std::to_string(type) + ")");
    return *this;
  }

  // Wine refuses EMPTY and NULL with data, and EMPTY without data deletes the property. A platform that stores
  // such a property hands back the type with no bytes; write that record the way Wine keeps properties: the
  // default value of Properties\{set}\PPPP, of registry type 0xffff0000 | property type.
  Device& SetWithoutData(const DEVPROPKEY& key, DEVPROPTYPE type) {
    char path[200];
    std::snprintf(path, sizeof path,
                  "System\\CurrentControlSet\\Enum\\%s\\Properties\\{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}"
                  "\\%04lX",
                  instanceId_.c_str(), static_cast<unsigned long>(key.fmtid.Data1), key.fmtid.Data2,
                  key.fmtid.Data3, key.fmtid.Data4[0], key.fmtid.Data4[1], key.fmtid.Data4[2], key.fmtid.Data4[3],
                  key.fmtid.Data4[4], key.fmtid.Data4[5], key.fmtid.Data4[6], key.fmtid.Data4[7],
                  static_cast<unsigned long>(key.pid));
    RegistryKey property;
    CreateKey(path, property);
    const LONG status = RegSetValueExA(property.get(), nullptr, 0, 0xffff0000 | type, nullptr, 0);
    if (status != ERROR_SUCCESS) {
      SetLastError(static_cast<DWORD>(status));
      Fail(std::string("RegSetValueExA(") + path + ")");
    }
    return *this;
  }

  // Creates an interface; an active one is marked the way Wine's own drivers mark theirs, by Linked = 1 under the
  // interface's Control key. A created interface is otherwise inactive (Flags 0).
  Device& AddInterface(const GUID& interfaceClass, const char* reference, bool active) {
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    if (!SetupDiCreateDeviceInterfaceA(set_, &data_, &interfaceClass, reference, 0, &interfaceData))
      Fail("SetupDiCreateDeviceInterfaceA(" + instanceId_ + ")");
    if (active) Activate(interfaceData);
    return *this;
  }

 private:
  void Activate(SP_DEVICE_INTERFACE_DATA& interfaceData) {
    DWORD size = 0;
    SetupDiGetDeviceInterfaceDetailA(set_, &interfaceData, nullptr, 0, &size, nullptr);
    if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) Fail("SetupDiGetDeviceInterfaceDetailA (sizing)");
    std::vector<BYTE> buffer(size, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(set_, &interfaceData, detail, size, nullptr, nullptr))
      Fail("SetupDiGetDeviceInterfaceDetailA");

    // \\?\root#id#0000#{guid}[\reference]  ->  ##?#root#id#0000#{guid}\#[reference]
    const std::string path = detail->DevicePath;
    const std::string_view prefix = "\\\\?\\";
    if (path.compare(0, prefix.size(), prefix) != 0) throw Failure("unexpected device path " + path);
    const std::string rest = path.substr(prefix.size());
    const std::size_t slash = rest.find('\\');
    const std::string link = rest.substr(0, slash);
    const std::string reference = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
    char guid[64];
    const GUID& g = interfaceData.InterfaceClassGuid;
    std::snprintf(guid, sizeof guid, "{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    const std::string keyPath = std::string("System\\CurrentControlSet\\Control\\DeviceClasses\\") + guid +
                                "\\##?#" + link + "\\#" + reference + "\\Control";
    RegistryKey control;
    CreateKey(keyPath, control);
    const DWORD linked = 1;
    const LONG status = RegSetValueExA(control.get(), "Linked", 0, REG_DWORD,
                                       reinterpret_cast<const BYTE*>(&linked), sizeof linked);
    if (status != ERROR_SUCCESS) {
      SetLastError(static_cast<DWORD>(status));
      Fail("RegSetValueExA(" + keyPath + "\\Linked)");
    }
  }

  HDEVINFO set_;
  std::string instanceId_;
  SP_DEVINFO_DATA data_{};
};

// ---- Scenarios ----------------------------------------------------------------------------------------------

int CountPresentInterfaces(const GUID& interfaceClass) {
  const DeviceInfoSet set(
      SetupDiGetClassDevsA(&interfaceClass, nullptr, nullptr, DIGCF_DEVICEINTERFACE | DIGCF_PRESENT));
  if (set.get() == INVALID_HANDLE_VALUE) return 0;
  SP_DEVICE_INTERFACE_DATA interfaceData{};
  interfaceData.cbSize = sizeof interfaceData;
  int count = 0;
  while (SetupDiEnumDeviceInterfaces(set.get(), nullptr, &interfaceClass, static_cast<DWORD>(count),
                                     &interfaceData))
    ++count;
  return count;
}

// A new prefix brings its display adapter and monitor up first and its HID keyboard and mouse a few seconds
// later, while the first program already runs. Wait for all of them, so that every listing sees the same devices.
void Settle() {
  const struct {
    const GUID* interfaceClass;
    int count;
  } expected[] = {
      {&kDisplayAdapterInterface, 1}, {&kMonitorInterface, 1}, {&kHidInterface, 2},
      {&kKeyboardInterface, 1},       {&kMouseInterface, 1},
  };
  for (int waited = 0;; waited += 100) {
    bool complete = true;
    for (const auto& e : expected) complete = complete && CountPresentInterfaces(*e.interfaceClass) >= e.count;
    if (complete) return;
    if (waited >= 30000) throw Failure("Wine's own devices did not all arrive within 30 s");
    Sleep(100);
  }
}

void RegisterInterfaces(HDEVINFO set) {
  Device(set, "ROOT\\DEVLIST_PORT\\0000", kPortsClass).AddInterface(kComPortInterface, nullptr, false);
  Device(set, "ROOT\\DEVLIST_DISK\\0000", kDiskDrivesClass)
      .AddInterface(kDiskInterface, nullptr, true)
      .AddInterface(kVolumeInterface, "vol", true);
  Device(set, "ROOT\\DEVLIST_OTHER\\0000", kUncataloguedClass)
      .AddInterface(kUncataloguedInterface, "one", true)
      .AddInterface(kUncataloguedInterface, "two", false);
}

void RegisterProperties(HDEVINFO set) {
  // One device with a value of every type the report renders, and of several that it leaves out.
  Device(set, "ROOT\\DEVLIST_TYPES\\0000", kPortsClass)
      .Set(Key(kNameSet, 10), DEVPROP_TYPE_STRING, Utf16(u"DevList type test port"))
      .Set(Key(kDeviceSet, 2), DEVPROP_TYPE_STRING, Utf16(u"Test port M\u00fcller \u4e2d"))
      .Set(Key(kDeviceSet, 3), DEVPROP_TYPE_STRING_LIST,
           Utf16List({u"ROOT\\DEVLIST_TYPES", u"DEVLIST_TYPES", u"*PNP0501"}))
      .Set(Key(kDeviceSet, 4), DEVPROP_TYPE_STRING_LIST, Utf16List({}))  // empty list: no line
      .Set(Key(kDeviceSet, 6), DEVPROP_TYPE_STRING, Utf16(u""))          // empty string: no line
      .Set(Key(kDeviceSet, 9), DEVPROP_TYPE_STRING, Utf16(u"Ports"))
      .Set(Key(kDeviceSet, 10), DEVPROP_TYPE_GUID, Scalar(kPortsClass))
      .Set(Key(kDeviceSet, 11), DEVPROP_TYPE_STRING_INDIRECT, Utf16(u"@devlist.inf,%driver%;Test driver"))
      .Set(Key(kDeviceSet, 12), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0))
      // 128 characters: 258 bytes with the NUL, read in two calls.
      .Set(Key(kDeviceSet, 13), DEVPROP_TYPE_STRING, Utf16(Numbered(u"Maker-", 16)))
      // 130 characters and no NUL: the second read's buffer ends with the text.
      .Set(Key(kDeviceSet, 14), DEVPROP_TYPE_STRING, Utf16(Numbered(u"Friend", 16) + u"!!", false))
      // 127 characters: 256 bytes with the NUL, read in one call.
      .Set(Key(kDeviceSet, 15), DEVPROP_TYPE_STRING, Utf16(Numbered(u"Place-", 15) + u"Place-X"))
      .Set(Key(kDeviceSet, 16), DEVPROP_TYPE_STRING, Utf16(u"\\Device\\00000042"))
      .Set(Key(kDeviceSet, 17), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0xFFFFFFFF))
      .Set(Key(kDeviceSet, 18), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(7))
      .Set(Key(kDeviceSet, 19), DEVPROP_TYPE_STRING_LIST, Utf16List({u"devlistflt"}))
      // Five elements of 30 characters: 312 bytes, read in two calls.
      .Set(Key(kDeviceSet, 20), DEVPROP_TYPE_STRING_LIST,
           Utf16List({u"LowerFilter01-abcdefghijklmnop", u"LowerFilter02-abcdefghijklmnop",
                      u"LowerFilter03-abcdefghijklmnop", u"LowerFilter04-abcdefghijklmnop",
                      u"LowerFilter05-abcdefghijklmnop"}))
      .Set(Key(kDeviceSet, 21), DEVPROP_TYPE_GUID,
           Scalar(GUID{0x0000abcd, 0x0001, 0x0a0b, {0x0a, 0x0b, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05}}))
      .Set(Key(kDeviceSet, 22), DEVPROP_TYPE_INT32, Scalar<std::int32_t>(-1))
      .Set(Key(kDeviceSet, 23), DEVPROP_TYPE_INT32, Scalar<std::int32_t>(INT32_MIN))
      .Set(Key(kDeviceSet, 24), DEVPROP_TYPE_STRING, Utf16(u"ROOT"))
      .Set(Key(kDeviceSet, 25), DEVPROP_TYPE_SECURITY_DESCRIPTOR,
           Bytes{0x01, 0x00, 0x04, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
      .Set(Key(kDeviceSet, 26), DEVPROP_TYPE_SECURITY_DESCRIPTOR_STRING, Utf16(u"D:P(A;;GA;;;SY)"))
      .Set(Key(kDeviceSet, 27), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0x22))
      .Set(Key(kDeviceSet, 28), DEVPROP_TYPE_BOOLEAN, Bytes{0x00})
      .Set(Key(kDeviceSet, 29), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0x100))
      .Set(Key(kDeviceSet, 30), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(3))
      .SetWithoutData(Key(kDeviceSet, 31), DEVPROP_TYPE_EMPTY)
      .Set(Key(kDeviceSet, 32), DEVPROP_TYPE_BINARY, Bytes{0xde, 0xad, 0xbe, 0xef, 0x00, 0x01, 0x02, 0x03})
      .Set(Key(kDeviceSet, 33), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(1))
      .SetWithoutData(Key(kDeviceSet, 34), DEVPROP_TYPE_NULL)
      // Through the API, NULL takes the value away and leaves its key: the property reads as absent, no line.
      .Set(Key(kDeviceSet, 35), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(5))
      .Set(Key(kDeviceSet, 35), DEVPROP_TYPE_NULL, Bytes())
      .Set(Key(kDeviceSet, 36), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0))
      .Set(Key(kDeviceSet, 37), DEVPROP_TYPE_STRING_LIST,
           Utf16List({u"PCIROOT(0)#PCI(1F00)", u"ACPI(_SB_)#ACPI(PCI0)"}))
      .Set(Key(kDeviceSet, 38), DEVPROP_TYPE_GUID,
           Scalar(GUID{0x00000000, 0x0000, 0x0000, {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}}))
      .Set(Key(kInstanceSet, 256), DEVPROP_TYPE_STRING, Utf16(u"ROOT\\DEVLIST_TYPES\\0000"))
      .Set(Key(kNodeSet, 2), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(25174026))
      .Set(Key(kNodeSet, 3), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0))
      // Two elements of 70 characters, the second without its NUL and no closing empty string: 282 bytes.
      .Set(Key(kNodeSet, 4), DEVPROP_TYPE_STRING_LIST, [] {
        Bytes bytes = Utf16(Numbered(u"Eject", 10));
        const Bytes second = Utf16(Numbered(u"Relat", 10), false);
        bytes.insert(bytes.end(), second.begin(), second.end());
        return bytes;
      }())
      .Set(Key(kNodeSet, 8), DEVPROP_TYPE_STRING, Utf16(u"HTREE\\ROOT\\0"))
      // EMPTY without data deletes a property: no line.
      .Set(Key(kNodeSet, 10), DEVPROP_TYPE_STRING, Utf16(u"deleted again"))
      .Set(Key(kNodeSet, 10), DEVPROP_TYPE_EMPTY, Bytes())
      .Set(Key(kNodeSet, 12), DEVPROP_TYPE_NTSTATUS, Scalar<std::uint32_t>(0xC0000022))
      .Set(Key(kReportedSet, 2), DEVPROP_TYPE_BOOLEAN, Bytes{0xFF})
      .Set(Key(kReportedSet, 3), DEVPROP_TYPE_BOOLEAN, Bytes{0x01})
      .Set(Key(kContainerIdSet, 2), DEVPROP_TYPE_GUID,
           Scalar(GUID{0x12345678, 0x9abc, 0xdef0, {0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc, 0xde, 0xf0}}))
      .Set(Key(kContainerIdSet, 4), DEVPROP_TYPE_BOOLEAN, Bytes{0xFF})
      .Set(Key(kInstanceSet, 39), DEVPROP_TYPE_STRING, Utf16(u"DL-1000"))
      .Set(Key(kModelIdSet, 2), DEVPROP_TYPE_GUID,
           Scalar(GUID{0xfedcba98, 0x7654, 0x3210, {0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10}}))
      .Set(Key(kModelIdSet, 6), DEVPROP_TYPE_SBYTE, Bytes{0xFF})
      .Set(Key(kNumaSet, 1), DEVPROP_TYPE_BYTE, Bytes{0xFF})
      .Set(Key(kNumaSet, 2), DEVPROP_TYPE_SBYTE, Bytes{0x80})
      .Set(Key(kNumaSet, 3), DEVPROP_TYPE_INT16, Scalar<std::uint16_t>(0xFFFF))
      .Set(Key(kNumaSet, 4), DEVPROP_TYPE_UINT16, Scalar<std::uint16_t>(0xFFFF))
      .Set(Key(kNumaSet, 5), DEVPROP_TYPE_BOOLEAN, Bytes{0xFF})
      .Set(Key(kNumaSet, 6), DEVPROP_TYPE_BOOLEAN, Bytes{0x00})
      .Set(Key(kNumaSet, 7), DEVPROP_TYPE_INT16, Scalar<std::int16_t>(INT16_MIN))
      .Set(Key(kNumaSet, 8), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0x12345678))
      .Set(Key(kNumaSet, 10), DEVPROP_TYPE_INT64, Scalar<std::int64_t>(INT64_MIN))
      .Set(Key(kNumaSet, 11), DEVPROP_TYPE_UINT64, Scalar<std::uint64_t>(UINT64_MAX))
      .Set(Key(kNumaSet, 12), DEVPROP_TYPE_FLOAT, Scalar(0.1f))
      .Set(Key(kNumaSet, 13), DEVPROP_TYPE_DOUBLE, Scalar(1234567.0))
      .Set(Key(kNumaSet, 14), DEVPROP_TYPE_DOUBLE, Scalar(0.0000001))
      .Set(Key(kNumaSet, 15), DEVPROP_TYPE_DOUBLE, Scalar(0.5))
      .Set(Key(kNumaSet, 16), DEVPROP_TYPE_DOUBLE, Scalar(100.0))
      .Set(Key(kNumaSet, 17), DEVPROP_TYPE_FILETIME, Scalar<std::uint64_t>(132539798456780000))
      .Set(Key(kNumaSet, 18), DEVPROP_TYPE_UINT16, Scalar<std::uint16_t>(0))
      .Set(Key(kNumaSet, 19), DEVPROP_TYPE_FLOAT, Scalar(-2.5f))
      .Set(Key(kInstallSet, 6), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(1))
      .Set(Key(kInstallSet, 100), DEVPROP_TYPE_FILETIME, Scalar<std::uint64_t>(0))
      .Set(Key(kInstallSet, 101), DEVPROP_TYPE_FILETIME, Scalar<std::uint64_t>(0x8000000000000000))  // no line
      .Set(Key(kInstallSet, 102), DEVPROP_TYPE_FILETIME, Scalar<std::uint64_t>(0x7FFFFFFFFFFFFFFF))
      .Set(Key(kInstallSet, 103), DEVPROP_TYPE_FILETIME, Scalar<std::uint64_t>(132539798456789999))
      .Set(Key(kDriverSet, 2), DEVPROP_TYPE_FILETIME, Scalar<std::uint64_t>(116444736000000000))
      .Set(Key(kDriverSet, 3), DEVPROP_TYPE_STRING, Utf16(u"1.2.3.4"))
      .Set(Key(kDriverSet, 4), DEVPROP_TYPE_STRING, Utf16(u"Test port driver"))
      .Set(Key(kDriverSet, 14), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0xFF0000))
      .Set(Key(kDrvPkgSet, 2), DEVPROP_TYPE_DECIMAL, Filled(16, 0x11))
      .Set(Key(kDrvPkgSet, 3), DEVPROP_TYPE_CURRENCY, Filled(8, 0x22))
      .Set(Key(kDrvPkgSet, 4), DEVPROP_TYPE_DATE, Scalar(44197.5))
      .Set(Key(kClassFilterSet, 19), DEVPROP_TYPE_DEVPROPKEY, Bytes(sizeof(DEVPROPKEY), 0x33))
      .Set(Key(kClassFilterSet, 20), DEVPROP_TYPE_DEVPROPTYPE, Scalar<std::uint32_t>(DEVPROP_TYPE_STRING))
      .Set(Key(kClassNameSet, 2), DEVPROP_TYPE_ERROR, Scalar<std::uint32_t>(0))
      .Set(Key(kClassNameSet, 3), DEVPROP_TYPE_ERROR, Scalar<std::uint32_t>(0xFFFFFFFF))
      // Arrays and a list of another base type have no text: no lines.
      .Set(Key(kInterfaceSet, 2), DEVPROP_TYPE_UINT32 | DEVPROP_TYPEMOD_ARRAY, Filled(8, 0x01))
      .Set(Key(kInterfaceSet, 3), DEVPROP_TYPE_GUID | DEVPROP_TYPEMOD_ARRAY, Scalar(kPortsClass))
      .Set(Key(kInterfaceSet, 4), DEVPROP_TYPE_SECURITY_DESCRIPTOR_STRING | DEVPROP_TYPEMOD_LIST,
           Utf16List({u"D:P"}))
      .Set(Key(kInstanceSet, 51), DEVPROP_TYPE_STRING, Utf16(u"00:11:22:33:44:55"))
      // Stored in identifier order; the report prints the friendly name first all the same.
      .Set(Key(kContainerSet, 8192), DEVPROP_TYPE_STRING, Utf16(u"Container maker"))
      .Set(Key(kContainerSet, 8194), DEVPROP_TYPE_STRING, Utf16(u"Container model"))
      .Set(Key(kContainerSet, 8195), DEVPROP_TYPE_STRING, Utf16(u"CM-1"))
      .Set(Key(kContainerSet, 12288), DEVPROP_TYPE_STRING, Utf16(u"Container friendly"))
      .Set(Key(kInstallSet, 9), DEVPROP_TYPE_BOOLEAN, Bytes{0x00});

  // The status row is read back from its text: a string that begins with digits counts as that number.
  Device(set, "ROOT\\DEVLIST_TYPES\\0001", kPortsClass)
      .Set(Key(kNameSet, 10), DEVPROP_TYPE_STRING, Utf16(u"Second test port"))
      .Set(Key(kNodeSet, 2), DEVPROP_TYPE_STRING, Utf16(u"12 apples"))
      .Set(Key(kNodeSet, 3), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(28));
  Device(set, "ROOT\\DEVLIST_TYPES\\0002", kPortsClass)
      .Set(Key(kNameSet, 10), DEVPROP_TYPE_STRING, Utf16(u"Third test port"))
      .Set(Key(kNodeSet, 2), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0))
      .Set(Key(kNodeSet, 3), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0));

  Device(set, "ROOT\\DEVLIST_BIO\\0000", kBiometricClass)
      .Set(Key(kNameSet, 10), DEVPROP_TYPE_STRING, Utf16(u"Test fingerprint reader"))
      .Set(Key(kNodeSet, 2), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0x80000000));
  Device(set, "ROOT\\DEVLIST_BIO\\0001", kBiometricClass);  // no properties at all: an empty report

  Device(set, "ROOT\\DEVLIST_HIDDEN\\0000", kUncataloguedClass)
      .Set(Key(kNameSet, 10), DEVPROP_TYPE_STRING, Utf16(u"Uncatalogued test device"))
      .Set(Key(kNodeSet, 2), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0xFFFFFFFF))
      .Set(Key(kNodeSet, 3), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0));
}

// Texts for a run in a double-byte ANSI code page (932): every U+3042 takes two bytes there, and a text converts
// in full whatever its length: 127 and 128 characters (on both sides of where a buffer of the text's length plus
// 128 bytes would end) and 1,000, in a string and in each element of a string list.
void RegisterDoubleByteTexts(HDEVINFO set) {
  const std::u16string short127(127, u'\u3042');   // 254 bytes and the NUL
  const std::u16string long128(128, u'\u3042');    // 256 bytes and the NUL
  const std::u16string long1000(1000, u'\u3042');  // 2,000 bytes and the NUL
  const std::u16string mixed = std::u16string(100, u'a') + std::u16string(100, u'\u3042');  // 300 bytes
  Device(set, "ROOT\\DEVLIST_DBCS\\0000", kPortsClass)
      .Set(Key(kNameSet, 10), DEVPROP_TYPE_STRING, Utf16(short127))
      .Set(Key(kDeviceSet, 2), DEVPROP_TYPE_STRING, Utf16(long128))
      .Set(Key(kDeviceSet, 3), DEVPROP_TYPE_STRING_LIST,
           Utf16List({long128, u"\u3044\u308d\u306f", short127, long1000}))
      .Set(Key(kDeviceSet, 13), DEVPROP_TYPE_STRING, Utf16(mixed))
      .Set(Key(kDeviceSet, 14), DEVPROP_TYPE_STRING, Utf16(u"Test \u65e5\u672c"))
      .Set(Key(kDeviceSet, 15), DEVPROP_TYPE_STRING, Utf16(long1000));
}

// Texts whose JSON must be the same UTF-8 in every code page: letters outside ASCII (some in 1252, some only in
// 932, some in neither), a surrogate without its partner, and values over 300 characters, in a class of its own.
void RegisterJsonTexts(HDEVINFO set) {
  const GUID jsonClass = {0x6a3f1c2e, 0x7b4d, 0x4e5f, {0x90, 0xa1, 0xb2, 0xc3, 0xd4, 0xe5, 0xf6, 0x07}};
  std::u16string lone = u"half ";
  lone.push_back(char16_t(0xD800));
  lone += u" pair";
  std::u16string longText;
  for (int i = 0; i < 32; ++i) longText += u"M\u00fcller-\u65e5";  // 32 x 10 = 320 characters
  Device(set, "ROOT\\DEVLIST_JSON\\0000", jsonClass)
      .Set(Key(kNameSet, 10), DEVPROP_TYPE_STRING, Utf16(u"Caf\u00e9 \u65e5\u672c \u0101 \U0001F600"))
      .Set(Key(kDeviceSet, 2), DEVPROP_TYPE_STRING, Utf16(lone))
      .Set(Key(kDeviceSet, 3), DEVPROP_TYPE_STRING_LIST, Utf16List({u"JSON\\\u00c9T\u00c9", lone, longText}))
      .Set(Key(kDeviceSet, 13), DEVPROP_TYPE_STRING, Utf16(longText))
      .Set(Key(kDeviceSet, 14), DEVPROP_TYPE_STRING, Utf16(std::u16string(310, u'x')))
      .Set(Key(kNodeSet, 2), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0x0A))
      .Set(Key(kNodeSet, 3), DEVPROP_TYPE_UINT32, Scalar<std::uint32_t>(0));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string scenario = argc == 2 ? argv[1] : "";
  if (scenario != "settle" && scenario != "interfaces" && scenario != "properties" && scenario != "dbcs" &&
      scenario != "json") {
    std::fprintf(stderr, "usage: register_devices settle|interfaces|properties|dbcs|json\n");
    return 2;
  }
  try {
    Settle();
    if (scenario == "settle") return 0;
    const DeviceInfoSet set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
    if (set.get() == INVALID_HANDLE_VALUE) Fail("SetupDiCreateDeviceInfoList");
    if (scenario == "interfaces") RegisterInterfaces(set.get());
    if (scenario == "properties") RegisterProperties(set.get());
    if (scenario == "dbcs") RegisterDoubleByteTexts(set.get());
    if (scenario == "json") RegisterJsonTexts(set.get());
  } catch (const Failure& failure) {
    std::fprintf(stderr, "register_devices %s: %s\n", scenario.c_str(), failure.what());
    return 1;
  }
  return 0;
}
