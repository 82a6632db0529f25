// The value formatter, for any type code and any bytes: each value lies in a buffer of exactly its size, so
// a read past the end is caught; the same value stored in the model and read back through the property read
// must give the same text and the same JSON.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "device_model.h"
#include "platform.h"
#include "property_format.h"
#include "property_json.h"
#include "property_read.h"

namespace {

using namespace devlist;

constexpr GUID kClass = {0x6a3f1c2e, 0x7b4d, 0x4e5f, {0x90, 0xa1, 0xb2, 0xc3, 0xd4, 0xe5, 0xf6, 0x07}};
constexpr DEVPROPKEY kKey = {{0x540b947e, 0x8b40, 0x45bc, {0xa8, 0xa2, 0x6a, 0x0b, 0x89, 0x4c, 0xbd, 0xa2}}, 4};

// The types the formatter knows, with and without the list and array modifiers, so that most inputs hit a
// real row; a second selector byte gives any code at all.
constexpr DEVPROPTYPE kTypes[] = {
    DEVPROP_TYPE_EMPTY,   DEVPROP_TYPE_NULL,      DEVPROP_TYPE_SBYTE,   DEVPROP_TYPE_BYTE,
    DEVPROP_TYPE_INT16,   DEVPROP_TYPE_UINT16,    DEVPROP_TYPE_INT32,   DEVPROP_TYPE_UINT32,
    DEVPROP_TYPE_INT64,   DEVPROP_TYPE_UINT64,    DEVPROP_TYPE_FLOAT,   DEVPROP_TYPE_DOUBLE,
    DEVPROP_TYPE_DECIMAL, DEVPROP_TYPE_GUID,      DEVPROP_TYPE_CURRENCY, DEVPROP_TYPE_DATE,
    DEVPROP_TYPE_FILETIME, DEVPROP_TYPE_BOOLEAN,  DEVPROP_TYPE_STRING,  DEVPROP_TYPE_STRING_LIST,
    DEVPROP_TYPE_SECURITY_DESCRIPTOR, DEVPROP_TYPE_SECURITY_DESCRIPTOR_STRING, DEVPROP_TYPE_DEVPROPKEY,
    DEVPROP_TYPE_DEVPROPTYPE, DEVPROP_TYPE_BINARY, DEVPROP_TYPE_ERROR,    DEVPROP_TYPE_NTSTATUS,
    DEVPROP_TYPE_STRING_INDIRECT,
};

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_format: %s\n", what);
  std::abort();
}

DEVPROPTYPE TypeFrom(const std::uint8_t*& data, std::size_t& size) {
  if (size == 0) return DEVPROP_TYPE_EMPTY;
  const std::uint8_t selector = *data++;
  --size;
  if (selector == 0xFF && size >= 4) {  // any code
    DEVPROPTYPE code;
    std::memcpy(&code, data, 4);
    data += 4;
    size -= 4;
    return code;
  }
  const DEVPROPTYPE base = kTypes[(selector & 0x3F) % (sizeof kTypes / sizeof kTypes[0])];
  switch (selector >> 6) {
    case 1:
      return base | DEVPROP_TYPEMOD_ARRAY;
    case 2:
      return base | DEVPROP_TYPEMOD_LIST;
    default:
      return base;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const DEVPROPTYPE type = TypeFrom(data, size);
  // Exactly sized: a copy on the heap whose end is the end of the value.
  std::unique_ptr<BYTE[]> exact(new BYTE[size == 0 ? 1 : size]);
  if (size != 0) std::memcpy(exact.get(), data, size);
  const std::string direct = FormatPropertyValue(exact.get(), size, type);
  (void)WideStringOf(exact.get(), size);
  (void)WideStringListOf(exact.get(), size);

  // Through the model and the property read: the read renders from a zero-filled buffer at least as large as
  // its first read, so the direct text to compare is that of the value followed by zeros up to that size.
  model::Clear();
  model::Device& device = model::AddDevice("FUZZ\\FORMAT\\0", kClass, true);
  model::SetProperty(device, kKey, type, exact.get(), size);
  HDEVINFO set = SetupDiGetClassDevsA(&kClass, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) Fail("no device information set");
  SP_DEVINFO_DATA info{};
  info.cbSize = sizeof info;
  if (!SetupDiEnumDeviceInfo(set, 0, &info)) Fail("the device is not listed");
  const RawDeviceProperty raw = ReadRawDeviceProperty(set, &info, kKey);
  SetupDiDestroyDeviceInfoList(set);

  if (raw.error != 0) Fail("the sized re-read failed");
  if (raw.type != type) Fail("the type read back is not the type stored");
  if (raw.size != size) Fail("the size read back is not the size stored");
  if (raw.value.size() < size || std::memcmp(raw.value.data(), exact.get(), size) != 0) {
    Fail("the bytes read back are not the bytes stored");
  }
  for (std::size_t i = size; i < raw.value.size(); ++i) {
    if (raw.value[i] != 0) Fail("the read buffer is not zero past the value");
  }
  std::vector<BYTE> padded(exact.get(), exact.get() + size);
  padded.resize(raw.value.size(), 0);
  const std::string read = DevicePropertyText(raw);
  if (read != FormatPropertyValue(padded, type)) Fail("the property read and the formatter disagree");
  if (raw.value.size() == size && read != direct) Fail("an exactly sized read and the formatter disagree");
  if (!read.empty()) {
    const std::string json = PropertyValueJson(raw, read).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    if (json.empty()) Fail("no JSON value");
  }
  return 0;
}
