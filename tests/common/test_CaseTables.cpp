// The case mapping tables written at build time agree with ICU for every code point:
// the comparison that the Windows build makes without ICU is the one Linux makes.
#include "u_CaseBlind.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

TEST(CaseTables, AgreeWithIcuForEveryCodePoint) {
    int differences = 0;
    for (UChar32 c = 0; c <= 0x10FFFF && differences < 10; ++c) {
        const auto cp = static_cast<char32_t>(c);
        if (FoldCaseCodePoint(cp) != static_cast<char32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT)) ||
            LowerCaseCodePoint(cp) != static_cast<char32_t>(u_tolower(c)) ||
            UpperCaseCodePoint(cp) != static_cast<char32_t>(u_toupper(c))) {
            ADD_FAILURE() << "U+" << std::hex << c;
            ++differences;
        }
    }
    UVersionInfo version;
    u_getUnicodeVersion(version);
    char text[U_MAX_VERSION_STRING_LENGTH];
    u_versionToString(version, text);
    EXPECT_STREQ(CaseMappingUnicodeVersion(), text);
}

TEST(CaseTables, KnownMappings) {
    EXPECT_EQ(FoldCaseCodePoint(U'A'), U'a');
    EXPECT_EQ(FoldCaseCodePoint(0x212A), U'k');     // Kelvin sign
    EXPECT_EQ(FoldCaseCodePoint(0x1E9E), 0xDFu);    // capital sharp s
    EXPECT_EQ(FoldCaseCodePoint(0x3C2), 0x3C3u);    // final sigma
    EXPECT_EQ(FoldCaseCodePoint(0x130), 0x130u);    // dotted capital I has no simple folding
    EXPECT_EQ(FoldCaseCodePoint(0x10400), 0x10428u); // Deseret, beyond the first plane
    EXPECT_EQ(UpperCaseCodePoint(0x1D79), 0xA77Du); // a difference above 32767
    EXPECT_EQ(LowerCaseCodePoint(0x1C90), 0x10D0u); // Georgian Mtavruli
    EXPECT_EQ(UpperCaseCodePoint(0xDF), 0xDFu);     // no one-to-one upper case
    EXPECT_EQ(FoldCaseCodePoint(0x110005), 0x110005u) << "beyond Unicode: kept";
    EXPECT_TRUE(SameTextCaseBlind("\xE2\x84\xAA", "k"));
}
