// The calling thread's last-error code, as GetLastError reports it; set by every call of our platform layer.
#pragma once

#include "platform.h"

namespace devlist::platform {

inline thread_local DWORD lastError = ERROR_SUCCESS;

/// Records `error` for GetLastError and returns FALSE, the failure result of a BOOL call.
inline BOOL Fail(DWORD error) {
  lastError = error;
  return FALSE;
}

}  // namespace devlist::platform
