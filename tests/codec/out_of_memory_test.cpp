// Out of memory inside an export gives its failure code: an exception reaching a C caller would end its program.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <new>
#include <string>

#include "pagecodec.h"
#include "test_files.h"

namespace { bool allocationsFail = false; }  // armed, every allocation of the process fails, the library's included

// GCC takes the malloc inside this operator new and the free of the operator delete below for a mismatched pair.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    if (allocationsFail) throw std::bad_alloc();
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

TEST(OutOfMemory, EachExportGivesItsFailureCode) {
    const zrc::test::TempDir dir;
    const std::string wav = ZRC_SAMPLES_DIR "/greet-11k16.wav", zrc = ZRC_SAMPLES_DIR "/greet-11k16.zrc",
                      out = dir.file("out").string();
    allocationsFail = true;
    const std::array<std::int32_t, 3> got = {wav_zrc_encoder_f(wav.c_str(), out.c_str(), 0, 4, 510, 0, 3),
                                             wav_zrc_encoder(wav.c_str(), out.c_str(), 0, 4),
                                             AdpcmDec1(zrc.c_str(), out.c_str(), 2, 0, 0, nullptr, 0)};
    allocationsFail = false;
    EXPECT_EQ(got, (std::array<std::int32_t, 3>{PAGECODEC_ENCODE_WRITE_FAILED, PAGECODEC_ENCODE_WRITE_FAILED,
                                                PAGECODEC_DECODE_WAV_FAILED}));
}
