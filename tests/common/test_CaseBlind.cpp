#include "u_CaseBlind.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

TEST(CaseBlind, LettersDifferingOnlyInCaseAreEqual) {
    EXPECT_EQ(CompareTextCaseBlind("Index.html", "index.HTML"), 0);
    EXPECT_EQ(CompareTextCaseBlind("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"), 0); // Été / éTÉ
    EXPECT_EQ(CompareTextCaseBlind("\xD0\x9F\xD1\x80\xD0\xB8", "\xD0\xBF\xD0\xA0\xD0\x98"), 0); // Cyrillic
    EXPECT_TRUE(SameTextCaseBlind("", ""));
    EXPECT_FALSE(SameTextCaseBlind("a", "a "));
}

TEST(CaseBlind, OrderIsCodePointOrderOfFoldedText) {
    EXPECT_LT(CompareTextCaseBlind("a", "B"), 0); // case ignored: a < b
    EXPECT_GT(CompareTextCaseBlind("b", "A"), 0);
    EXPECT_LT(CompareTextCaseBlind("ab", "abc"), 0); // prefix is less
    EXPECT_LT(CompareTextCaseBlind("z", "\xC3\xA9"), 0); // ASCII before Latin-1 letters
    EXPECT_LT(CompareTextOrdinal("B", "a"), 0);          // byte order puts upper case first
    EXPECT_GT(CompareTextOrdinal("\xC3\xA9", "z"), 0);   // bytes compare unsigned
}

TEST(CaseBlind, InvalidBytesStayDistinct) {
    // Two different invalid sequences never compare equal, and differ from valid text.
    EXPECT_NE(CompareTextCaseBlind("\xC3", "\xC4"), 0);
    EXPECT_NE(CompareTextCaseBlind("\xFF", "\xFE"), 0);
    EXPECT_NE(CompareTextCaseBlind("\xE0\x80\x80", "\xE0\x80\x81"), 0);
    EXPECT_NE(CompareTextCaseBlind("\xC3", "\xC3\xA9"), 0);
    // Invalid bytes are kept around folded letters.
    EXPECT_EQ(CompareTextCaseBlind("A\xFFZ", "a\xFFz"), 0);
    // Overlong encodings and encoded surrogates are not letters.
    EXPECT_NE(CompareTextCaseBlind("\xC1\x81", "a"), 0);
    EXPECT_NE(CompareTextCaseBlind("\xED\xA0\x80", "\xED\xA0\x81"), 0);
}

TEST(CaseBlind, KeyAgreesWithComparison) {
    // A mix of ASCII, accented letters, invalid bytes and case variants.
    std::vector<std::string> words = {"",        "a",      "A",        "ab",       "aB",     "b",
                                      "\xC3\x89", "\xC3\xA9", "\xC3",     "\xC3\xA9x", "\xFF",   "z",
                                      "Z\xFF",   "\xE2\x84\xAA", "k", "K", "\xF0\x9F\x98\x80", "\xF4\x90\x80\x80"};
    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i) {
        std::string s;
        const int len = static_cast<int>(rng() % 5);
        for (int k = 0; k < len; ++k)
            s += words[rng() % words.size()];
        words.push_back(s);
    }
    for (const auto& a : words)
        for (const auto& b : words) {
            const int c = CompareTextCaseBlind(a, b);
            const int k = CaseBlindKey(a).compare(CaseBlindKey(b));
            ASSERT_EQ(c, k < 0 ? -1 : (k > 0 ? 1 : 0)) << a << " vs " << b;
            ASSERT_EQ(c, -CompareTextCaseBlind(b, a));
        }
    // Sorting is a strict weak order: sorted output is non-decreasing under the comparison.
    std::sort(words.begin(), words.end(), CaseBlindLess());
    for (size_t i = 1; i < words.size(); ++i)
        ASSERT_LE(CompareTextCaseBlind(words[i - 1], words[i]), 0);
}

TEST(CaseBlind, UpperAndLowerCaseMapping) {
    EXPECT_EQ(LowerCaseText("PICS\\A B.PNG"), "pics\\a b.png");
    EXPECT_EQ(UpperCaseText("caf\xC3\xA9"), "CAF\xC3\x89");
    EXPECT_EQ(LowerCaseText("X\xFFY"), "x\xFFy");
}
