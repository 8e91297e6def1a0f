// Makes a ZRC recording from a WAV file through the library's exports, the
// way a client of the library does: check, header, then every page in one
// encoder call. Used to make the bundled sample recordings.
#include <cstdio>

#include "pagecodec.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s INPUT.wav OUTPUT.zrc\n", argv[0]);
        return 2;
    }
    const char* wav = argv[1];
    const char* zrc = argv[2];
    const int32_t size = wav_zrc_check(wav);
    if (size < 92) {
        std::fprintf(stderr, "%s: not encoder input (check result %d)\n", wav, size);
        return 1;
    }
    const auto pages = (static_cast<uint32_t>(size) - 92) / 528;
    if (const int32_t r = wav_zrc_mkheader(wav, zrc, static_cast<uint32_t>(size)); r != 0) {
        std::fprintf(stderr, "%s: header not written (result %d)\n", zrc, r);
        return 1;
    }
    if (const int32_t r = wav_zrc_encoder(wav, zrc, 0, pages); r != 0) {
        std::fprintf(stderr, "%s: pages not written (result %d)\n", zrc, r);
        return 1;
    }
    std::printf("%s: %d bytes, %u pages\n", zrc, size, pages);
    return 0;
}
