#pragma once
#include <cstdint>

namespace hexedit {

extern const uint8_t kAnsiToOem[256];
extern const uint8_t kOemToAnsi[256];
extern const uint8_t kAnsiToMac[256];
extern const uint8_t kMacToAnsi[256];
extern const uint8_t kAnsiToEbcdic[256];
extern const uint8_t kEbcdicToAnsi[256];

// ANSI lower case: A-Z and the accented capitals of Windows-1252.
uint8_t ansiLower(uint8_t c);

} // namespace hexedit
