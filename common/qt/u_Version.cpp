#include "u_Version.h"

#include "quarvel_version.h"

#include <cstring>
#include <iostream>

namespace {
// A part the project version leaves out is empty in the generated header; "+ 0" makes it 0.
constexpr unsigned KNumbers[4] = {QUARVEL_VERSION_MAJOR + 0u, QUARVEL_VERSION_MINOR + 0u,
                                  QUARVEL_VERSION_RELEASE + 0u, QUARVEL_VERSION_BUILD + 0u};
} // namespace

unsigned VersionNumber(int Position) {
    return Position >= 0 && Position < 4 ? KNumbers[Position] : 0;
}

unsigned VersionMajor() {
    return KNumbers[0];
}
unsigned VersionMinor() {
    return KNumbers[1];
}
unsigned VersionRelease() {
    return KNumbers[2];
}
unsigned VersionBuild() {
    return KNumbers[3];
}

std::string VersionText(int First, int Count) {
    std::string text;
    if (Count <= 0)
        return text;
    const long long last = static_cast<long long>(First) + Count; // no overflow for large counts
    for (long long i = First < 0 ? 0 : First; i < last && i < 4; ++i) {
        if (!text.empty())
            text += '.';
        text += std::to_string(KNumbers[i]);
    }
    return text;
}

bool AnswerHelpOrVersion(int argc, char** argv, const char* Program, const char* Usage) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << Usage;
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << Program << " " << VersionText(0, 4) << "\n";
            return true;
        }
    }
    return false;
}
