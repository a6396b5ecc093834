#include "oracle/uEncrypt.h"

#include <random>

#include "common/TextUtil.h"

namespace tarvex {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int alphabetValue(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 0;
}

// The starting value of the byte stream for a password of length n.
uint16_t streamStart(uint16_t key, size_t n) {
  return static_cast<uint16_t>(key + n * (n < 10 ? 10001u : 1001u));
}

uint16_t streamStep(uint16_t k, uint8_t scrambled) {
  return static_cast<uint16_t>((k + scrambled) * kScrambleMultiplier + kScrambleIncrement);
}

}  // namespace

std::string ScramblePass(std::string_view password, uint16_t key) {
  const std::string_view t = trimView(password);
  const size_t n = t.size();
  std::string bytes;
  uint16_t k = streamStart(key, n);
  for (char ch : t) {
    const auto c = static_cast<uint8_t>(static_cast<uint8_t>(ch) ^ (k >> 8));
    bytes += static_cast<char>(c);
    k = streamStep(k, c);
  }
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t group = std::min<size_t>(3, bytes.size() - i);
    uint32_t v = 0;
    for (size_t j = 0; j < group; ++j) v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + j])) << (8 * j);
    for (size_t j = 0; j < group + 1; ++j) out += kAlphabet[(v >> (6 * j)) & 63];
  }
  static constexpr int kEndings[] = {32, 64, 96};
  std::random_device seed;
  std::uniform_int_distribution<int> pick(0, 2);
  out += static_cast<char>(static_cast<int>(n) + kEndings[pick(seed)]);
  return out;
}

std::string UnscramblePass(std::string_view stored, uint16_t key) {
  const std::string_view t = trimView(stored);
  if (t.empty()) return {};
  const size_t n = static_cast<uint8_t>(t.back()) % 32;
  const std::string_view body = t.substr(0, t.size() - 1);
  std::string password;
  uint16_t k = streamStart(key, n);
  for (size_t i = 0; i < body.size(); i += 4) {
    const size_t group = std::min<size_t>(4, body.size() - i);
    uint32_t v = 0;
    for (size_t j = 0; j < group; ++j) v |= static_cast<uint32_t>(alphabetValue(body[i + j])) << (6 * j);
    for (size_t j = 0; j + 1 < group; ++j) {
      const auto c = static_cast<uint8_t>((v >> (8 * j)) & 0xFF);
      password += static_cast<char>(c ^ (k >> 8));
      k = streamStep(k, c);
    }
  }
  return password;
}

}  // namespace tarvex
