// What one run lists: the choices the arguments make, handed to the listers.
#pragma once

#include <optional>
#include <string>

namespace devlist {

enum class ListMode { setup, interface };

struct RunOptions {
  ListMode mode = ListMode::setup;
  bool presentOnly = true;                // PresenceFilter: true asks for present devices only
  std::optional<std::string> classGuid;  // the brace argument exactly as typed; none sweeps the catalogue
  bool json = false;                      // the `json` keyword: the same listing as a JSON document
};

}  // namespace devlist
