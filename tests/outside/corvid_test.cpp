// Corvid through its C interface, played by SDL's disk driver into a file.
#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "corvid.h"
#include "signals.h"
#include "test_files.h"
#include "wav_builder.h"

namespace zrc {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

void queueBytes(const Bytes& bytes) {
    void* block = std::calloc(bytes.size() + 1, 1);
    if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
    EXPECT_EQ(WavAddPlayData(&block, static_cast<std::int32_t>(bytes.size())), 0);
}

// The player's 100-byte header block: a streaming RIFF header and zeros.
Bytes headerBlock(std::uint32_t rate = 11025, std::uint16_t channels = 1, std::uint16_t bits = 16, std::uint16_t tag = 1) {
    auto header = test::WavBuilder().format(tag, channels, rate, bits).data({}, 528000000).bytes();
    header.resize(100, 0);
    return header;
}
void startPlayback(std::uint32_t rate = 11025, std::uint16_t channels = 1, std::uint16_t bits = 16) {
    WavDestroy();
    WavCreate();
    queueBytes(headerBlock(rate, channels, bits));
}

// Polls until the playback ends, or has played `blocks`: the counts seen.
std::vector<std::int32_t> waitFor(std::int32_t blocks = INT32_MAX) {
    std::vector<std::int32_t> seen;
    const auto limit = std::chrono::steady_clock::now() + 60s;
    std::int32_t v = WavNowPlay();
    for (; v != -2 && v < blocks && std::chrono::steady_clock::now() < limit; v = WavNowPlay()) {
        if (seen.empty() || seen.back() != v) seen.push_back(v);
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(v == -2 || v >= blocks) << "the playback never got there";
    return seen;
}

class CorvidDisk : public ::testing::Test {
protected:
    void SetUp() override { pace(1); }
    void TearDown() override { WavDestroy(); }
    void pace(int ms) { test::playIntoFile(outPath().c_str(), ms); }  // a pause after each device buffer
    std::string outPath() const { return m_dir.file("played.raw").string(); }
    // Ends the playback (which closes and flushes the file): the sound in it.
    Bytes played(std::uint8_t silence = 0) {
        WavDestroy();
        return test::soundOf(test::readFile(outPath()), silence);
    }
    test::TempDir m_dir;
};

struct FormatRow {
    std::uint32_t rate;
    std::uint16_t channels, bits;
    std::uint8_t silence;  // what the device plays when the queue runs dry
};

class CorvidFormats : public CorvidDisk, public ::testing::WithParamInterface<FormatRow> {};

// The silence byte shows the device's format; forty small blocks show the count climbing.
TEST_P(CorvidFormats, PlayTheQueuedBytesInOrderAndCountBlocksAsTheyFinish) {
    const FormatRow& f = GetParam();
    pace(10);  // the first block outlasts the queueing of the rest on a loaded machine
    startPlayback(f.rate, f.channels, f.bits);
    EXPECT_EQ(WavNowPlay(), 0) << "the player polls once before it queues its first block";
    std::vector<std::size_t> sizes{10000, 1, 3, 0, 777, 4096};
    sizes.resize(sizes.size() + 40, 1024);
    Bytes all;
    for (std::size_t n : sizes) {
        const Bytes bytes = test::pattern(n, static_cast<unsigned>(all.size()), f.silence);
        all.insert(all.end(), bytes.begin(), bytes.end());
        queueBytes(bytes);
    }
    const auto seen = waitFor();
    ASSERT_GE(seen.size(), 7u) << "the count jumped instead of climbing";
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << "the count went back";
    EXPECT_TRUE(seen.front() >= 0 && seen.back() <= 46) << seen.front() << " to " << seen.back();
    EXPECT_TRUE(played(f.silence) == all);
}

INSTANTIATE_TEST_SUITE_P(Headers, CorvidFormats,
                         ::testing::Values(FormatRow{11025, 1, 16, 0}, FormatRow{8000, 1, 8, 0x80},
                                           FormatRow{22050, 2, 16, 0}, FormatRow{8000, 1, 32, 0}),
                         [](const auto& p) {
                             return std::to_string(p.param.rate) + "Hz" + std::to_string(p.param.bits) + "bit";
                         });

// Cut in the middle: a prefix of the queue, then silence only.
class CorvidCut : public CorvidDisk, public ::testing::WithParamInterface<bool> {};

TEST_P(CorvidCut, EndsThePlaybackAtOnce) {
    pace(2);
    startPlayback();
    const Bytes all = test::pattern(400 * 1024);
    for (std::ptrdiff_t i = 0; i < 400; ++i) queueBytes(Bytes(all.begin() + i * 1024, all.begin() + (i + 1) * 1024));
    waitFor(3);
    EXPECT_EQ(GetParam() ? WavDestroy() : WavStop(), 0);
    queueBytes(test::pattern(1000));  // no playback to go to: freed unplayed
    EXPECT_EQ(WavNowPlay(), -2);
    std::this_thread::sleep_for(20ms);
    const Bytes heard = played();
    EXPECT_GE(heard.size(), 3u * 1024);
    EXPECT_LT(heard.size(), all.size() / 2) << "the queue went on playing";
    EXPECT_TRUE(std::equal(heard.begin(), heard.end(), all.begin())) << "not a prefix, or sound after silence";
}

INSTANTIATE_TEST_SUITE_P(Calls, CorvidCut, ::testing::Bool(),
                         [](const auto& p) { return std::string(p.param ? "WavDestroy" : "WavStop"); });

// Before the first WavCreate (its own process), while playing, and after: no call harms.
TEST_F(CorvidDisk, EveryCallIsHarmlessInEveryState) {
    void* empty = nullptr;
    auto idle = [&] {
        EXPECT_EQ(WavStop() + WavDestroy() + WavDestroy() + WavAddPlayData(nullptr, 100) + WavAddPlayData(&empty, 100), 0);
        queueBytes(test::pattern(100));
        EXPECT_EQ(WavNowPlay(), -2);
    };
    idle();
    EXPECT_FALSE(std::filesystem::exists(outPath()));
    startPlayback();
    EXPECT_EQ(WavAddPlayData(nullptr, 10) + WavAddPlayData(&empty, 10), 0);
    queueBytes(test::pattern(1500));
    waitFor();
    EXPECT_EQ(WavStop() + WavStop(), 0);
    EXPECT_EQ(played(), test::pattern(1500));
    idle();
    startPlayback();  // a header alone
    EXPECT_EQ(WavNowPlay(), 0) << "not counted afresh";
    for (const std::int32_t v : waitFor()) EXPECT_EQ(v, 0);
    EXPECT_TRUE(played().empty());
}

// Each says so once, in its own words.
TEST_F(CorvidDisk, ABadHeaderOrNoDevicePlaysNothingAndSaysSoOnce) {
    auto saidOnce = [](const std::string& err, const char* start) {
        return err.rfind(start, 0) == 0 && std::count(err.begin(), err.end(), '\n') == 1;
    };
    ::testing::internal::CaptureStderr();
    // Not RIFF, float, 24-bit, no or nine channels, no rate, a "fmt " cut off.
    Bytes cut = headerBlock();
    cut.resize(30);
    for (const Bytes& header : {test::pattern(100), headerBlock(11025, 1, 32, 3), headerBlock(11025, 1, 24),
                                headerBlock(11025, 0), headerBlock(11025, 9), headerBlock(0), cut}) {
        WavCreate();
        queueBytes(header);
        queueBytes(test::pattern(2000));
        EXPECT_EQ(WavNowPlay(), -2);
        WavDestroy();
    }
    EXPECT_FALSE(std::filesystem::exists(outPath())) << "a device was opened";
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(saidOnce(err, "Corvid: the header block is not")) << err;
    ::testing::internal::CaptureStderr();
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    for (int run = 0; run < 2; ++run) {
        startPlayback();
        queueBytes(test::pattern(5000));
        EXPECT_EQ(WavNowPlay(), -2);
        EXPECT_EQ(WavStop() + WavDestroy(), 0);
    }
    err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(saidOnce(err, "Corvid: no audio device")) << err;
}

// A recording of hours would otherwise hold all its sound until it ends.
TEST_F(CorvidDisk, FreesPlayedBlocksAsItGoes) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "LeakSanitizer watches this build's blocks";
#else
    auto heapInUse = [] { return mallinfo2().uordblks + mallinfo2().hblkhd; };
    startPlayback();
    const std::size_t base = heapInUse();
    for (unsigned i = 0; i < 16; ++i) queueBytes(test::pattern(16 * 1024, i));
    EXPECT_GE(heapInUse(), base + 16 * 16 * 1024);
    waitFor();
    EXPECT_LT(heapInUse(), base + 64 * 1024) << "played blocks are still held";
#endif
}

}  // namespace
}  // namespace zrc
