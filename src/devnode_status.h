// The device-node status word spelled out as flag names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace devlist {

/// The names of the set bits, from bit 0 up ("DN_ROOT_ENUMERATED", ...); empty for a status of 0.
std::vector<const char*> DevNodeStatusFlags(std::uint32_t status);

/// For every set bit, from bit 0 up, a newline and then eight blanks and the bit's flag name. No newline at
/// the end; empty for a status of 0.
std::string DescribeDevNodeStatus(std::uint32_t status);
/// That text appended to `out`.
void AppendDevNodeStatus(std::uint32_t status, std::string& out);

/// The status word of the status property's text: the decimal digits at its start. Any other text (empty,
/// an error text, a number beyond 32 bits) reads as 0, a status with no flags.
std::uint32_t DevNodeStatusFromText(const std::string& text);

}  // namespace devlist
