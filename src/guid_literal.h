// GUIDs written as the catalogues write them: braced text, turned into the binary GUID at compile time, so a
// GUID that a table holds as text is declared once and code can still use its value.
#pragma once

#include "platform.h"

namespace devlist {

/// The value of one hexadecimal digit; 0 for anything else (the texts are written by us, in the tables).
template <class Char>
constexpr unsigned HexDigitValue(Char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  return 0;
}

/// The GUID of a 38-character braced text ("{4d36e972-e325-11ce-bfc1-08002be10318}"), in either letter case.
template <class Char>
constexpr GUID GuidFromBracedText(const Char* text) {
  auto hex = [text](int pos, int count) {
    unsigned long long value = 0;
    for (int i = 0; i < count; ++i) value = (value << 4) | HexDigitValue(text[pos + i]);
    return value;
  };
  GUID guid{};
  guid.Data1 = static_cast<DWORD>(hex(1, 8));
  guid.Data2 = static_cast<WORD>(hex(10, 4));
  guid.Data3 = static_cast<WORD>(hex(15, 4));
  constexpr int kBytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<BYTE>(hex(kBytePositions[i], 2));
  return guid;
}

/// Reached only when a compile-time catalogue lookup finds nothing; it is never defined, so such a lookup
/// does not compile.
void NameNotInCatalogue();

}  // namespace devlist
