// Linux: where the running executable lives, for the module path that the usage line is named after.
#pragma once

#include <string>

namespace devlist {

/// The real path of the running executable (symbolic links resolved), at any length; empty when the
/// system does not say.
std::string ExecutablePath();

}  // namespace devlist
