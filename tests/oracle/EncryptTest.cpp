#include "oracle/uEncrypt.h"

#include <gtest/gtest.h>

#include <set>

namespace tarvex {
namespace {

TEST(PasswordScrambling, RoundTripsEveryLengthUpTo31) {
  std::string password;
  for (int n = 0; n <= 31; ++n) {
    EXPECT_EQ(UnscramblePass(ScramblePass(password)), password) << "length " << n;
    password += static_cast<char>('!' + (n * 7) % 90);
  }
  EXPECT_EQ(UnscramblePass(ScramblePass("  tiger  ")), "tiger");  // stored trimmed
  EXPECT_EQ(UnscramblePass(ScramblePass("Zoë-Ü")), "Zoë-Ü");      // any bytes
}

TEST(PasswordScrambling, StoredFormDiffersOnlyInItsLastCharacter) {
  std::set<std::string> bodies;
  std::set<char> endings;
  for (int i = 0; i < 200; ++i) {
    std::string s = ScramblePass("secret1");
    bodies.insert(s.substr(0, s.size() - 1));
    endings.insert(s.back());
  }
  EXPECT_EQ(bodies.size(), 1u);
  // 7 + 32, 7 + 64, 7 + 96: all three endings turn up in 200 tries.
  EXPECT_EQ(endings, (std::set<char>{'\x27', 'G', 'g'}));
  for (char e : endings) EXPECT_EQ(UnscramblePass(*bodies.begin() + e), "secret1");
}

TEST(PasswordScrambling, StoredLengthAndAlphabet) {
  struct Case {
    const char* password;
    size_t stored;  // body characters + 1
  } cases[] = {{"", 1}, {"a", 3}, {"ab", 4}, {"abc", 5}, {"abcd", 7}, {"abcdefghij", 15}};
  for (const Case& c : cases) {
    std::string s = ScramblePass(c.password);
    EXPECT_EQ(s.size(), c.stored) << c.password;
    for (size_t i = 0; i + 1 < s.size(); ++i) {
      EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '+' || s[i] == '/');
    }
  }
  // An empty password is one character: a blank, "@" or the grave accent.
  const char empty_end = ScramblePass("").back();
  EXPECT_TRUE(empty_end == ' ' || empty_end == '@' || empty_end == '`');
}

TEST(PasswordScrambling, LengthFactorChangesAtTen) {
  // The stream starts at key + n * 10001 below ten characters and key + n * 1001 from ten on.
  // Worked by hand for the key 47291 and a first letter "a" (97):
  //   n = 9:  47291 + 90009 = 137300 = 6228 (mod 65536), high byte 24, 97 ^ 24 = 121,
  //           first character: 121 mod 64 = 57 -> "5"
  //   n = 10: 47291 + 10010 = 57301, high byte 223, 97 ^ 223 = 190, 190 mod 64 = 62 -> "+"
  EXPECT_EQ(ScramblePass("aaaaaaaaa", 47291)[0], '5');
  EXPECT_EQ(ScramblePass("aaaaaaaaaa", 47291)[0], '+');
  // The key matters.
  EXPECT_NE(UnscramblePass(ScramblePass("tiger", 1), 2), "tiger");
  EXPECT_EQ(UnscramblePass(ScramblePass("tiger", 1), 1), "tiger");
}

TEST(PasswordScrambling, LongPasswordsDoNotComeBack) {
  const std::string long_password(32, 'x');
  EXPECT_NE(UnscramblePass(ScramblePass(long_password)), long_password);
}

}  // namespace
}  // namespace tarvex
