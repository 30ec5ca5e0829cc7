// The program's four version numbers (major, minor, release, build). They come from
// the version the build gives the project, so every program of one build carries the
// same numbers.
#pragma once

#include <string>

unsigned VersionMajor();
unsigned VersionMinor();
unsigned VersionRelease();
unsigned VersionBuild();

// The number at position 0 (major) to 3 (build); 0 outside that range.
unsigned VersionNumber(int Position);

// The numbers from position First on, Count of them, in decimal joined by ".":
// (0, 4) gives for example "1.0.0.7", (0, 2) "1.0". Positions outside 0..3 are left out.
std::string VersionText(int First, int Count);

// A program's answer to "--help" (or "-h") and "--version" among its arguments, before
// anything needs a display: Usage, or Program, a blank and the four version numbers, on
// standard output. True when one of them was given; the program then ends.
bool AnswerHelpOrVersion(int argc, char** argv, const char* Program, const char* Usage);
