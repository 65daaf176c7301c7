// Benchmark driver: unpacks one archive with the extraction engine, as the
// installer's Extract does (no progress handler). Builds for Windows and, with
// the POSIX side of the file seam, natively.
// Usage: extract_engine ARCHIVE DESTINATION
#include <cstdio>

#include "unzip/zip_extractor.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: extract_engine ARCHIVE DESTINATION\n");
        return 2;
    }
    ZipExtractor extractor;
    int32_t result = extractor.Run(argv[1], argv[2]);
    if (result != 1) std::fprintf(stderr, "extraction answered %d\n", static_cast<int>(result));
    return result == 1 ? 0 : 1;
}
