// The WAV input checks and field readers through the library's C exports:
// result codes in their order of testing, and the size predictions worked
// by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "pagecodec.h"
#include "test_files.h"
#include "wav_builder.h"

namespace zrc {
namespace {

using test::WavFile;

// A WAV file whose data chunk claims dataSize bytes (the samples are not
// needed by the checks: only the size field is read).
WavFile claiming(std::uint32_t rate, std::uint16_t bits, std::uint32_t dataSize) {
    WavFile w;
    w.sampleRate = rate;
    w.bitsPerSample = bits;
    w.data.assign(dataSize, 0);
    return w;
}

class WavCheckTest : public ::testing::Test {
protected:
    std::string write(const std::vector<std::uint8_t>& bytes) {
        const auto path = m_dir.file("in" + std::to_string(m_count++) + ".wav");
        test::writeFile(path, bytes);
        return path.string();
    }
    std::int32_t check(const std::vector<std::uint8_t>& bytes) { return wav_zrc_check(write(bytes).c_str()); }
    std::int32_t checkF(const std::vector<std::uint8_t>& bytes, int32_t payloadBytes, int32_t extra, int32_t width) {
        return wav_zrc_check_f(write(bytes).c_str(), payloadBytes, extra, width);
    }
    test::TempDir m_dir;
    int m_count = 0;
};

TEST_F(WavCheckTest, WorkedSizes) {
    // 13,600 16-bit samples at 11,025 Hz: q = 40,800, r = 0, 10 pages.
    EXPECT_EQ(check(claiming(11025, 16, 27200).bytes()), 5372);
    // 2,046 8-bit samples at 8,000 Hz: q = 4,092, r = 4, 2 pages.
    EXPECT_EQ(check(claiming(8000, 8, 2046).bytes()), 1148);
    // 1,359 8-bit samples at 11,025 Hz need 4,077 code bits, one page, but
    // r = 4,077 mod 8 = 5 lifts the count to two.
    EXPECT_EQ(check(claiming(11025, 8, 1359).bytes()), 1148);
    EXPECT_EQ(check(claiming(11025, 8, 1360).bytes()), 620);
    // No samples: the header alone, or one page for the caller's layout.
    EXPECT_EQ(check(claiming(11025, 16, 0).bytes()), 92);
    EXPECT_EQ(checkF(claiming(11025, 16, 0).bytes(), 512, 0, 3), 620);
}

TEST_F(WavCheckTest, CallersLayoutCutsThePayloadToWholeCodes) {
    // 1,365 samples: 4,095 bits of 3-bit codes fill the 4,095 usable bits of
    // a 512-byte payload exactly, and one more page is always added.
    const auto wav = claiming(8000, 16, 2730).bytes();
    EXPECT_EQ(checkF(wav, 512, 0, 3), 1148);
    // At width 2 the payload is 4,096 bits: 2,730 bits fit in the one page.
    EXPECT_EQ(checkF(wav, 512, 0, 2), 620);
    // 13,600 samples at width 4 in 4,096-bit pages: 13 full pages, plus one.
    EXPECT_EQ(checkF(claiming(11025, 16, 27200).bytes(), 512, 0, 4), 92 + 14 * 528);
    // Only the low 16 bits of each layout argument count.
    EXPECT_EQ(checkF(wav, 0x10000 + 512, 0x20000, 0x30003), 1148);
}

TEST_F(WavCheckTest, LargeDataSizesDoNotWrap) {
    // A data size of 0xFFFFFFFF (as streaming writers leave it): 32-bit
    // arithmetic would predict 34,739,324 bytes, a fraction of the pages.
    auto wav = claiming(11025, 16, 0).bytes();
    std::memset(wav.data() + 40, 0xFF, 4);
    EXPECT_EQ(check(wav), 833729516);
    // 2^32 - 1 8-bit samples at width 4 need more than 2 GB of pages.
    auto wide = claiming(8000, 8, 0).bytes();
    std::memset(wide.data() + 40, 0xFF, 4);
    EXPECT_EQ(checkF(wide, 512, 0, 4), 9);
    EXPECT_GT(checkF(wide, 512, 0, 2), 92);
}

TEST_F(WavCheckTest, ResultCodesInTheirOrder) {
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> change;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        {"valid", [](auto&) {}, 5372},
        {"RIFF tag not examined", [](auto& b) { std::memcpy(b.data(), "XXXX", 4); }, 5372},
        {"not WAVE", [](auto& b) { b[10] = 'v'; }, 2},
        {"22,050 Hz", [](auto& b) { b[24] = 0x22, b[25] = 0x56; }, 3},
        {"22,050 Hz stereo: the rate is tested first", [](auto& b) { b[24] = 0x22, b[25] = 0x56, b[22] = 2; }, 3},
        {"11,025 plus a high byte", [](auto& b) { b[27] = 1; }, 3},
        {"stereo", [](auto& b) { b[22] = 2; }, 4},
        {"channel count high byte not read", [](auto& b) { b[23] = 1; }, 5372},
        {"stereo and float", [](auto& b) { b[22] = 2, b[20] = 3; }, 4},
        {"float", [](auto& b) { b[20] = 3; }, 5},
        {"format high byte", [](auto& b) { b[21] = 1; }, 5},
        {"no data tag", [](auto& b) { b[36] = 'D'; }, 6},
        {"no data tag and 24 bits", [](auto& b) { b[36] = 'D', b[34] = 24; }, 6},
        {"24 bits", [](auto& b) { b[34] = 24; }, 7},
        {"0 bits", [](auto& b) { b[34] = 0; }, 7},
    };
    for (const auto& c : cases) {
        auto bytes = claiming(11025, 16, 27200).bytes();
        c.change(bytes);
        EXPECT_EQ(check(bytes), c.expected) << c.what;
        EXPECT_EQ(checkF(bytes, 510, 0, 3), c.expected == 5372 ? 92 + 11 * 528 : c.expected) << c.what;
    }
    EXPECT_EQ(wav_zrc_check(m_dir.file("absent.wav").string().c_str()), 1);
    EXPECT_EQ(wav_zrc_check(m_dir.path().string().c_str()), 1) << "a folder";
    EXPECT_EQ(wav_zrc_check_f(m_dir.path().string().c_str(), 512, 0, 3), 1);
    EXPECT_EQ(check({}), 2) << "an empty file";
}

TEST_F(WavCheckTest, CallersLayoutIsTestedLast) {
    const auto wav = claiming(11025, 16, 27200).bytes();
    for (int width : {0, 1, 5, 16}) EXPECT_EQ(checkF(wav, 512, 0, width), 8) << "width " << width;
    EXPECT_EQ(checkF(wav, 0, 0, 2), 8);
    EXPECT_EQ(checkF(wav, 0, 2, 3), 8) << "2 bits hold no 3-bit code";
    EXPECT_EQ(checkF(wav, 512, 1, 3), 8) << "4,097 bits";
    EXPECT_EQ(checkF(wav, 0, 3, 3), 92 + (13600 + 1) * 528) << "one code a page";
    auto stereo = wav;
    stereo[22] = 2;
    EXPECT_EQ(checkF(stereo, 512, 1, 5), 4);
}

TEST_F(WavCheckTest, TheFirstDataTagAnywhereIsTaken) {
    // A LIST chunk before the data chunk holds the text "data" and four
    // bytes that then count as the data size (16).
    auto bytes = claiming(11025, 16, 27200).bytes();
    const std::vector<std::uint8_t> list = {'L', 'I', 'S', 'T', 8, 0, 0, 0, 'd', 'a', 't', 'a', 16, 0, 0, 0};
    bytes.insert(bytes.begin() + 36, list.begin(), list.end());
    EXPECT_EQ(check(bytes), 620);

    // A tag across the end of the reader's first 16 KiB block is found too.
    std::vector<std::uint8_t> far = claiming(8000, 8, 0).bytes();
    far.resize(36);
    far.resize(16384 - 2, 0);
    const std::vector<std::uint8_t> tail = {'d', 'a', 't', 'a', 0xFE, 0x07, 0, 0};
    far.insert(far.end(), tail.begin(), tail.end());
    EXPECT_EQ(check(far), 1148);  // 2,046 8-bit samples at 8,000 Hz

    // A tag cut by the end of the file: its missing size bytes are 0.
    auto cut = claiming(11025, 16, 0).bytes();
    cut.resize(42);
    cut[40] = 0x40, cut[41] = 0x6A;  // 27,200 in two bytes
    EXPECT_EQ(check(cut), 5372);
}

TEST_F(WavCheckTest, FieldReaders) {
    auto bytes = claiming(22050, 24, 10).bytes();
    bytes[22] = 2;
    const auto path = write(bytes);
    EXPECT_EQ(wav_samplef(path.c_str()), 22050u);
    EXPECT_EQ(wav_bitmode(path.c_str()), 24);
    bytes[27] = 0x80;
    EXPECT_EQ(wav_samplef(write(bytes).c_str()), 0x80005622u);

    const auto absent = m_dir.file("absent.wav").string();
    EXPECT_EQ(wav_samplef(absent.c_str()), 0u);
    EXPECT_EQ(wav_bitmode(absent.c_str()), 0);
    bytes[27] = 0;
    bytes.resize(30);
    EXPECT_EQ(wav_samplef(write(bytes).c_str()), 22050u);
    EXPECT_EQ(wav_bitmode(write(bytes).c_str()), 0) << "no byte 34";
    bytes.resize(27);
    EXPECT_EQ(wav_samplef(write(bytes).c_str()), 0u) << "no whole rate field";
}

}  // namespace
}  // namespace zrc
