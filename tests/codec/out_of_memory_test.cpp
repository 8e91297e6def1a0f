// Running out of memory inside an export gives that export's failure code:
// an exception reaching a C caller would end its program instead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "pagecodec.h"
#include "test_files.h"

namespace {

// Armed, every allocation of the process fails, the library's included
// (its operator new resolves to this one).
bool allocationsFail = false;

}  // namespace

// GCC pairs the malloc inside this operator new with the free of the
// operator delete below and takes them for a mismatch.
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

namespace {

using zrc::test::TempDir;

const std::string kRecording = std::string(ZRC_SAMPLES_DIR) + "/greet-11k16.zrc";
const std::string kWav = std::string(ZRC_SAMPLES_DIR) + "/greet-11k16.wav";

struct Row {
    const char* name;
    long (*call)(const char* output);  // allocates nothing of its own
    long failure;
};

class OutOfMemoryTest : public ::testing::TestWithParam<Row> {};

TEST_P(OutOfMemoryTest, GivesTheFailureCode) {
    const TempDir dir;
    const std::string output = dir.file("out").string();
    allocationsFail = true;
    const long result = GetParam().call(output.c_str());
    allocationsFail = false;
    EXPECT_EQ(result, GetParam().failure);
}

INSTANTIATE_TEST_SUITE_P(
    Exports, OutOfMemoryTest,
    ::testing::Values(
        Row{"wav_zrc_encoder_f",
            [](const char* out) { return long{wav_zrc_encoder_f(kWav.c_str(), out, 0, 4, 510, 0, 3)}; },
            PAGECODEC_ENCODE_WRITE_FAILED},
        Row{"wav_zrc_encoder",
            [](const char* out) { return long{wav_zrc_encoder(kWav.c_str(), out, 0, 4)}; },
            PAGECODEC_ENCODE_WRITE_FAILED},
        Row{"AdpcmDec1",
            [](const char* out) { return long{AdpcmDec1(kRecording.c_str(), out, 2, 0, 0, nullptr, 0)}; },
            PAGECODEC_DECODE_WAV_FAILED}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
