// The device-node status word spelled out as flag names.
#pragma once

#include <cstdint>
#include <string>

namespace devlist {

/// For every set bit, from bit 0 up, a newline and then eight blanks and the bit's flag name. No newline at
/// the end; empty for a status of 0.
std::string DescribeDevNodeStatus(std::uint32_t status);

}  // namespace devlist
