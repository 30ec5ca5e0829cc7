// make_bigbook FOLDER: makes the benchmarks' generated book (bench/big_book.h) in FOLDER
// when it is not there yet and prints its path.
#include "../big_book.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_bigbook FOLDER\n");
        return 2;
    }
    std::printf("%s\n", MakeBigBook(argv[1]).c_str());
    return 0;
}
