// Writes a ZRC recording of the recorder's two page types for looking at the
// player: zrc_make_recording FILE [PAGES]. Every fifth page is of type 1.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "test_files.h"
#include "zrc_builder.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: zrc_make_recording FILE [PAGES]\n");
        return 2;
    }
    const long pages = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 500;
    if (pages < 0 || pages > 1'000'000) {
        std::fprintf(stderr, "zrc_make_recording: PAGES must be 0 to 1000000\n");
        return 2;
    }
    zrc::test::ZrcBuilder builder;
    for (long i = 0; i < pages; ++i) {
        // A quiet, slowly changing code pattern: nothing to listen to, but
        // not all one value either.
        if (i % 5 == 4) {
            builder.page(std::vector<std::uint8_t>(2046, static_cast<std::uint8_t>(i % 4)), 2, 0x01);
        } else {
            builder.page(std::vector<std::uint8_t>(1360, static_cast<std::uint8_t>(i % 8)), 3, 0x00);
        }
    }
    zrc::test::writeFile(argv[1], builder.bytes());
    return 0;
}
