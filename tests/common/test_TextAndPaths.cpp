// The small shared pieces: UTF-8 decoding and encoding, the collapsing of path
// segments with each of its answers to ".." at the top, and colour numbers.
#include "u_Colors.h"
#include "u_PathSegments.h"
#include "u_Utf8.h"

#include <gtest/gtest.h>

TEST(Utf8, DecodingMarksEveryInvalidSequence) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    size_t at = 0;
    EXPECT_EQ(NextUtf8(text, at), U'a');
    EXPECT_EQ(NextUtf8(text, at), 0xE9u);
    EXPECT_EQ(NextUtf8(text, at), 0x20ACu);
    EXPECT_EQ(NextUtf8(text, at), 0x1F600u);
    EXPECT_EQ(at, text.size());
    // Overlong, surrogate, beyond U+10FFFF, cut short, a lone continuation byte: each
    // gives InvalidUtf8 and takes one byte.
    for (const std::string bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80"}) {
        size_t i = 0;
        EXPECT_EQ(NextUtf8(bad, i), InvalidUtf8) << bad;
        EXPECT_EQ(i, 1u) << bad;
    }
}

TEST(Utf8, EncodingAndUtf16) {
    std::string out;
    AppendUtf8(out, 0x7F);
    AppendUtf8(out, 0x7FF);
    AppendUtf8(out, 0xFFFF);
    AppendUtf8(out, 0x10FFFF);
    AppendUtf8(out, 0xD800);   // a surrogate
    AppendUtf8(out, 0x110000); // beyond Unicode
    EXPECT_EQ(out, "\x7F\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("\xC3\xA9\xF0\x9F\x98\x80\xFF"), (std::u16string{0xE9, 0xD83D, 0xDE00, 0xFFFD}));
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xE9, 0xD83D, 0xDE00, 0xDC00}), "\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

TEST(PathSegments, CollapsingWithEachAnswerAtTheTop) {
    TPathSegments segments;
    ASSERT_TRUE(CollapsePathSegments("a/./b/../c", "/", true, TDotDotAtTop::Fail, segments));
    EXPECT_EQ(JoinPathSegments(segments.Parts, '\\'), "a\\c");
    EXPECT_FALSE(segments.EndsInFolder);
    EXPECT_FALSE(CollapsePathSegments("a/../../b", "/", true, TDotDotAtTop::Fail, segments));
    ASSERT_TRUE(CollapsePathSegments("a/../../b", "/", true, TDotDotAtTop::Stay, segments));
    EXPECT_EQ(JoinPathSegments(segments.Parts, '/'), "b");
    // Empty parts are kept when asked, and a last "." or ".." names a folder.
    ASSERT_TRUE(CollapsePathSegments("a\\\\b/..", "\\/", false, TDotDotAtTop::Stay, segments));
    EXPECT_EQ(JoinPathSegments(segments.Parts, '/'), "a/");
    EXPECT_TRUE(segments.EndsInFolder);
    ASSERT_TRUE(CollapsePathSegments("", "/", false, TDotDotAtTop::Fail, segments));
    EXPECT_TRUE(segments.Parts.empty());
    EXPECT_EQ(NormalizeBookPath("../pics/./a.png", "\\ch\\one.htm"), "\\pics\\a.png");
    EXPECT_EQ(NormalizeBookPath("/..", "\\ch\\one.htm"), "\\");
}

TEST(Colors, NumbersAndSystemColours) {
    const TColorNumber rgb = DecodeColor(0x00804020);
    EXPECT_FALSE(rgb.IsSystem);
    EXPECT_EQ(rgb.Red, 0x20);
    EXPECT_EQ(rgb.Green, 0x40);
    EXPECT_EQ(rgb.Blue, 0x80);
    const TColorNumber face = DecodeColor(static_cast<int32_t>(0xFF00000F));
    EXPECT_TRUE(face.IsSystem);
    EXPECT_EQ(face.SystemIndex, ColorIndexBtnFace);
    // Only the index byte counts, as the platform reads it.
    EXPECT_EQ(SystemColorIndex(static_cast<int32_t>(0x80000008)), ColorIndexWindowText);
    EXPECT_TRUE(IsSystemColor(-1));
}
