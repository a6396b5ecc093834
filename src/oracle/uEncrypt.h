// Scrambling of the passwords a project keeps (column PAROLA): an obfuscation with a fixed key so
// that the project table does not show them in clear. It is not protection against a determined
// reader.
//
// Stored form: the scrambled bytes in the Base64 alphabet (four characters per three bytes,
// three for a final two, two for a final one; no filler), then one character whose code is the
// password's length + 32, 64 or 96 (chosen at random on every call).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

// The program's fixed 16-bit values of the scrambling: the key passed by every caller, and the
// multiplier and increment of the byte stream. Changing any of them makes stored passwords
// unreadable.
inline constexpr uint16_t kPasswordKey = 47291;
inline constexpr uint16_t kScrambleMultiplier = 52845;
inline constexpr uint16_t kScrambleIncrement = 22719;

// The stored text of a password (trimmed first).
std::string ScramblePass(std::string_view password, uint16_t key = kPasswordKey);

// The password of a stored text (trimmed first). Only the length modulo 32 is stored, so a
// password longer than 31 characters does not come back; characters outside the alphabet count
// as 0, and a final group of a single character gives no byte.
std::string UnscramblePass(std::string_view stored, uint16_t key = kPasswordKey);

}  // namespace tarvex
