// Names of the result codes the graphics device and its utility library
// return, for trace messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

namespace hr {
constexpr uint32_t Ok = 0;
constexpr uint32_t Fail = 0x80004005;
constexpr uint32_t OutOfMemory = 0x8007000E;
constexpr uint32_t InvalidArg = 0x80070057;
constexpr uint32_t OutOfVideoMemory = 0x8876017C;
constexpr uint32_t WrongTextureFormat = 0x88760818;
constexpr uint32_t TooManyOperations = 0x8876081D;
constexpr uint32_t DriverInternalError = 0x88760827;
constexpr uint32_t NotFound = 0x88760866;
constexpr uint32_t DeviceLost = 0x88760868;
constexpr uint32_t DeviceNotReset = 0x88760869;
constexpr uint32_t NotAvailable = 0x8876086A;
constexpr uint32_t InvalidCall = 0x8876086C;
constexpr uint32_t InvalidData = 0x88760B59;
} // namespace hr

// The code's name ("D3DERR_DEVICELOST"), or empty for a code not known here.
std::string_view ErrorName(uint32_t code);

// The name, or "Unknown error 0x8876ABCD", as a string.
std::string ErrorString(uint32_t code);

// The same written into a caller's buffer of size bytes, always terminated
// and cut to fit (nothing is written when size is 0).
void FormatErrorString(uint32_t code, char* buffer, size_t size);

} // namespace plat
