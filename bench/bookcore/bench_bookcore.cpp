// Opening a book and reading every page with the reader core: the book is opened
// (resources, both cabinets, system files) and every story page and every picture it
// shows is read as the reader gives it out (variables expanded). The same source builds
// for Linux and for Windows (run under wine64), and against any version of the core
// whose reader book has this interface. Prints one line a round and the median.
//
//   bench_bookcore BOOK [ROUNDS]
//
// bench/bookcore_ratio.sh makes the generated book and runs it on both hosts.
#include "u_ReaderBook.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

double Milliseconds(TClock::time_point from, TClock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Peak resident memory in MB where the host tells it (Linux), else 0.
double PeakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_bookcore BOOK [ROUNDS]\n");
        return 2;
    }
    const std::string file = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::vector<double> totals;
    for (int round = 0; round < rounds; ++round) {
        const auto start = TClock::now();
        TReaderBook book(file);
        const auto opened = TClock::now();
        size_t bytes = 0, files = 0;
        std::string data;
        for (const TStoryPage& page : book.Story().Pages()) {
            if (book.ReadPage(page.Path, data) == TPageStatus::Ok) {
                bytes += data.size();
                ++files;
            }
            // The page's picture, "pics\pN.bin" beside a page "\pN.htm".
            const size_t slash = page.Path.find_last_of('\\');
            const std::string picture = "\\pics" + page.Path.substr(slash, page.Path.rfind('.') - slash) + ".bin";
            if (book.ReadPage(picture, data) == TPageStatus::Ok) {
                bytes += data.size();
                ++files;
            }
        }
        const auto read = TClock::now();
        totals.push_back(Milliseconds(start, read));
        std::printf("round %d: open %.1f ms, read %.1f ms (%zu files, %.1f MB), total %.1f ms\n", round + 1,
                    Milliseconds(start, opened), Milliseconds(opened, read), files, bytes / 1048576.0,
                    Milliseconds(start, read));
    }
    std::sort(totals.begin(), totals.end());
    std::printf("median total %.1f ms, peak memory %.0f MB\n", totals[totals.size() / 2], PeakMegabytes());
    return 0;
}
