#include "quarvel_version.h"
#include "u_Version.h"

#include <gtest/gtest.h>

TEST(Version, NumbersComeFromTheBuildVersion) {
    const std::string expected = std::to_string(VersionMajor()) + "." + std::to_string(VersionMinor()) + "." +
                                 std::to_string(VersionRelease()) + "." + std::to_string(VersionBuild());
    EXPECT_EQ(VersionText(0, 4), expected);
    EXPECT_EQ(VersionMajor(), static_cast<unsigned>(QUARVEL_VERSION_MAJOR));
    EXPECT_EQ(VersionMinor(), static_cast<unsigned>(QUARVEL_VERSION_MINOR));
    // The project version string is a prefix of the four numbers ("1.0" of "1.0.0.0").
    EXPECT_EQ(expected.rfind(QUARVEL_VERSION_STRING, 0), 0u);
}

TEST(Version, TextTakesTheChosenRange) {
    const std::string major = std::to_string(VersionMajor());
    const std::string minor = std::to_string(VersionMinor());
    const std::string build = std::to_string(VersionBuild());
    EXPECT_EQ(VersionText(0, 2), major + "." + minor);
    EXPECT_EQ(VersionText(3, 1), build);
    EXPECT_EQ(VersionText(0, 0), "");
    EXPECT_EQ(VersionText(2, 10), std::to_string(VersionRelease()) + "." + build) << "count past the end";
    EXPECT_EQ(VersionText(4, 1), "");
    EXPECT_EQ(VersionText(-1, 2), major) << "positions before 0 are left out";
    EXPECT_EQ(VersionText(1, 2147483647), VersionText(1, 3));
    EXPECT_EQ(VersionNumber(7), 0u);
}
