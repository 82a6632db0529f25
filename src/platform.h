// The only door to the operating system. On Windows it is the SDK itself; elsewhere it declares the same
// Win32 subset, with the x64 Windows record layouts, and our own implementation answers the calls from the
// in-memory device model. Components call these names and nothing else, so call sites read the same on both.
#pragma once

namespace devlist {
/// What the listing about to run shows, for the machine's device source: vendor and model names (an
/// interface listing shows none), and devices that are not present now (not-present).
struct ListingShows {
  bool names = true;
  bool absentDevices = false;
};
}  // namespace devlist

#ifdef _WIN32

// The build sets the target Windows version (7: SetupDiGetDevicePropertyW is declared from Vista on) for
// every file, since a define here would come after the C++ headers that already fixed it.
#if !defined(_WIN32_WINNT) || _WIN32_WINNT != 0x0601
#error "_WIN32_WINNT must be 0x0601, set by the build for every translation unit"
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: the headers below rely on its types.
#include <cfgmgr32.h>
#include <devpropdef.h>
#include <objbase.h>
#include <setupapi.h>
#include <shlwapi.h>
// The C runtime's stream modes: standard output is switched to binary for the JSON document.
#include <fcntl.h>
#include <io.h>

// objbase.h defines `interface` as `struct` for COM declarations; we declare none, and the word is ours.
#undef interface

/// A 16-bit text literal: WCHAR is 16 bits on Windows already.
#define TEXT16(s) L##s

// Windows keeps its devices itself, so the two calls of the machine's device source below have nothing to do.
namespace devlist {
inline void ReadMachineDevices(const ListingShows&) {}
inline int MachineReadError() { return 0; }
}  // namespace devlist

#else  // not _WIN32

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using BOOL = int;
using HRESULT = std::int32_t;
using ULONG_PTR = std::uintptr_t;
using CHAR = char;
using WCHAR = char16_t;  // wchar_t is 32-bit here; Win32 text is 16-bit.
using PSTR = char*;
using PCSTR = const char*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPCCH = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPCWCH = const WCHAR*;
using LPCOLESTR = const WCHAR*;
using LPBOOL = BOOL*;
using PBYTE = BYTE*;
using PDWORD = DWORD*;
using PULONG = ULONG*;
using HWND = struct HWND__*;
using HMODULE = struct HINSTANCE__*;
using HDEVINFO = void*;
using DEVINST = DWORD;
using CONFIGRET = DWORD;
using DEVPROPTYPE = ULONG;
using DEVPROPID = ULONG;

/// A 16-bit text literal.
#define TEXT16(s) u##s

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
using IID = GUID;
static_assert(sizeof(GUID) == 16, "must match x64 Windows");

inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return true;
}

struct DEVPROPKEY {
  GUID fmtid;
  DEVPROPID pid;
};
static_assert(sizeof(DEVPROPKEY) == 20, "must match x64 Windows");

struct SP_DEVINFO_DATA {
  DWORD cbSize;
  GUID ClassGuid;
  DWORD DevInst;
  ULONG_PTR Reserved;
};
using PSP_DEVINFO_DATA = SP_DEVINFO_DATA*;
static_assert(sizeof(SP_DEVINFO_DATA) == 32, "must match x64 Windows");

struct SP_DEVICE_INTERFACE_DATA {
  DWORD cbSize;
  GUID InterfaceClassGuid;
  DWORD Flags;
  ULONG_PTR Reserved;
};
using PSP_DEVICE_INTERFACE_DATA = SP_DEVICE_INTERFACE_DATA*;
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 32, "must match x64 Windows");

struct SP_DEVICE_INTERFACE_DETAIL_DATA_A {
  DWORD cbSize;
  CHAR DevicePath[1];
};
using PSP_DEVICE_INTERFACE_DETAIL_DATA_A = SP_DEVICE_INTERFACE_DETAIL_DATA_A*;
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 8, "must match x64 Windows");

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
inline constexpr DWORD MAX_PATH = 260;
inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_UTF8 = 65001;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT CO_E_IIDSTRING = static_cast<HRESULT>(0x800401F4u);
inline const HDEVINFO INVALID_HANDLE_VALUE = reinterpret_cast<HDEVINFO>(static_cast<std::intptr_t>(-1));

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_INVALID_DATA = 13;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_INVALID_FLAGS = 1004;
inline constexpr DWORD ERROR_NOT_FOUND = 1168;
inline constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
inline constexpr DWORD ERROR_INVALID_USER_BUFFER = 0x6F8;
inline constexpr DWORD ERROR_INVALID_CLASS = 0xE0000209;
inline constexpr DWORD ERROR_NO_SUCH_DEVICE_INTERFACE = 0xE0000216;

inline constexpr DWORD DIGCF_PRESENT = 0x02;
inline constexpr DWORD DIGCF_ALLCLASSES = 0x04;
inline constexpr DWORD DIGCF_DEVICEINTERFACE = 0x10;

inline constexpr DWORD SPINT_ACTIVE = 0x1;

inline constexpr CONFIGRET CR_SUCCESS = 0x00;
inline constexpr CONFIGRET CR_INVALID_POINTER = 0x03;
inline constexpr CONFIGRET CR_INVALID_FLAG = 0x04;
inline constexpr CONFIGRET CR_INVALID_DEVNODE = 0x05;
inline constexpr CONFIGRET CR_NO_SUCH_DEVNODE = 0x0D;
inline constexpr CONFIGRET CR_BUFFER_SMALL = 0x1A;

// Device node status flags and problem codes that our device model reports (cfg.h on Windows).
inline constexpr ULONG DN_ROOT_ENUMERATED = 0x00000001;
inline constexpr ULONG DN_DRIVER_LOADED = 0x00000002;
inline constexpr ULONG DN_STARTED = 0x00000008;
inline constexpr ULONG DN_HAS_PROBLEM = 0x00000400;
inline constexpr ULONG DN_DISABLEABLE = 0x00002000;
inline constexpr ULONG DN_REMOVABLE = 0x00004000;
inline constexpr ULONG DN_NT_ENUMERATOR = 0x00800000;
inline constexpr ULONG DN_NT_DRIVER = 0x01000000;
inline constexpr ULONG CM_PROB_DISABLED = 0x00000016;
inline constexpr ULONG CM_PROB_FAILED_INSTALL = 0x0000001C;

inline constexpr DEVPROPTYPE DEVPROP_TYPEMOD_ARRAY = 0x1000;
inline constexpr DEVPROPTYPE DEVPROP_TYPEMOD_LIST = 0x2000;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_EMPTY = 0x00;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_NULL = 0x01;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_SBYTE = 0x02;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_BYTE = 0x03;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_INT16 = 0x04;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_UINT16 = 0x05;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_INT32 = 0x06;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_UINT32 = 0x07;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_INT64 = 0x08;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_UINT64 = 0x09;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_FLOAT = 0x0A;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_DOUBLE = 0x0B;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_DECIMAL = 0x0C;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_GUID = 0x0D;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_CURRENCY = 0x0E;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_DATE = 0x0F;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_FILETIME = 0x10;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_BOOLEAN = 0x11;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_STRING = 0x12;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_SECURITY_DESCRIPTOR = 0x13;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_SECURITY_DESCRIPTOR_STRING = 0x14;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_DEVPROPKEY = 0x15;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_DEVPROPTYPE = 0x16;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_ERROR = 0x17;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_NTSTATUS = 0x18;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_STRING_INDIRECT = 0x19;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_BINARY = DEVPROP_TYPEMOD_ARRAY | DEVPROP_TYPE_BYTE;
inline constexpr DEVPROPTYPE DEVPROP_TYPE_STRING_LIST = DEVPROP_TYPEMOD_LIST | DEVPROP_TYPE_STRING;

// SetupAPI.
HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, PCSTR enumerator, HWND parent, DWORD flags);
BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD memberIndex, PSP_DEVINFO_DATA deviceInfoData);
BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA deviceInfoData, const GUID* interfaceClassGuid,
                                 DWORD memberIndex, PSP_DEVICE_INTERFACE_DATA deviceInterfaceData);
BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA deviceInterfaceData,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD detailSize,
                                      PDWORD requiredSize, PSP_DEVINFO_DATA deviceInfoData);
BOOL SetupDiGetDevicePropertyW(HDEVINFO set, PSP_DEVINFO_DATA deviceInfoData, const DEVPROPKEY* propertyKey,
                               DEVPROPTYPE* propertyType, PBYTE buffer, DWORD bufferSize, PDWORD requiredSize,
                               DWORD flags);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set);

// Configuration Manager.
CONFIGRET CM_Get_Device_ID_Size(PULONG length, DEVINST devInst, ULONG flags);
CONFIGRET CM_Get_Device_IDA(DEVINST devInst, PSTR buffer, ULONG bufferLength, ULONG flags);

// OLE.
HRESULT IIDFromString(LPCOLESTR text, IID* iid);

// Kernel. The ANSI code page here is UTF-8.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH text, int textLength, LPWSTR wide, int wideLength);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int wideLength, LPSTR text, int textLength,
                        LPCCH defaultChar, LPBOOL usedDefaultChar);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
DWORD GetLastError();

// Shell path helpers.
LPSTR PathFindFileNameA(LPCSTR path);
LPSTR PathFindExtensionA(LPCSTR path);

// The C runtime's low-level write (io.h on Windows): at most `count` bytes to the descriptor; the number
// written, or -1 with errno set.
int _write(int fd, const void* buffer, unsigned int count);

// Not Win32: Windows keeps its devices itself, while here they are read from the machine (the sysfs tree at
// /sys) into the device model. The tool says so before its listing; tests fill the model themselves.
namespace devlist {
/// Makes the first SetupDiGetClassDevsA read the machine's devices, no more of them than `shows` needs: no
/// database of names for a listing without names, and of the kernel's record of devices only what dates the
/// present ones when absent devices are not listed.
void ReadMachineDevices(const ListingShows& shows);
/// 0 when the devices were read, or were not asked for yet; otherwise why the machine could not be read (an
/// errno value: no devices directory, an unreadable root, out of descriptors), whatever the listing showed.
int MachineReadError();
}  // namespace devlist

#endif  // _WIN32
