// Corvid through its C interface, played by SDL's disk driver into a file:
// what was queued is what was played, blocks count as they finish, stop and
// destroy cut the sound, every call is harmless in every state, and blocks
// are freed.
#include <gtest/gtest.h>

#include <malloc.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "corvid.h"
#include "orvel.h"
#include "test_files.h"
#include "wav_builder.h"

namespace zrc {
namespace {

using namespace std::chrono_literals;

void* blockOf(const std::vector<std::uint8_t>& bytes) {
    void* block = std::calloc(bytes.empty() ? 1 : bytes.size(), 1);
    if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
    return block;
}

void queue(void* block, std::int32_t length) {
    void* slot = block;
    EXPECT_EQ(WavAddPlayData(&slot, length), 0);
}

void queueBytes(const std::vector<std::uint8_t>& bytes) {
    queue(blockOf(bytes), static_cast<std::int32_t>(bytes.size()));
}

// The 100-byte header block a playback begins with: a streaming RIFF header
// (placeholder sizes), then zeros.
void* headerBlock(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
    auto bytes = test::WavBuilder().format(1, channels, rate, bits).data({}, 528000000).bytes();
    bytes.resize(100, 0);
    return blockOf(bytes);
}

void startPlayback(std::uint32_t rate = 11025, std::uint16_t channels = 1, std::uint16_t bits = 16) {
    WavStop();
    WavDestroy();
    WavCreate();
    queue(headerBlock(rate, channels, bits), 10000);
}

// Sound bytes that are never the silence byte, so that where the sound
// starts and ends in the played file is unambiguous.
std::vector<std::uint8_t> sound(std::size_t n, std::uint8_t silence = 0, unsigned seed = 1) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        auto b = static_cast<std::uint8_t>((i * 7 + seed) % 255 + 1);
        v[i] = b == silence ? static_cast<std::uint8_t>(b + 1) : b;
    }
    return v;
}

// Polls until the playback reports its end; returns the values seen before.
std::vector<std::int32_t> waitForEnd() {
    std::vector<std::int32_t> seen;
    const auto limit = std::chrono::steady_clock::now() + 60s;
    for (std::int32_t v = WavNowPlay(); v != -2; v = WavNowPlay()) {
        if (seen.empty() || seen.back() != v) seen.push_back(v);
        if (std::chrono::steady_clock::now() > limit) {
            ADD_FAILURE() << "the playback never ended";
            break;
        }
        std::this_thread::sleep_for(1ms);
    }
    return seen;
}

void waitForCount(std::int32_t count) {
    const auto limit = std::chrono::steady_clock::now() + 60s;
    while (WavNowPlay() < count && std::chrono::steady_clock::now() < limit) std::this_thread::sleep_for(1ms);
    ASSERT_GE(WavNowPlay(), count);
}

// Index of the first byte that is not silence (the size when there is none).
std::size_t soundStart(const std::vector<std::uint8_t>& file, std::uint8_t silence) {
    std::size_t i = 0;
    while (i < file.size() && file[i] == silence) ++i;
    return i;
}

bool allSilent(const std::vector<std::uint8_t>& file, std::size_t from, std::uint8_t silence) {
    for (std::size_t i = from; i < file.size(); ++i) {
        if (file[i] != silence) return false;
    }
    return true;
}

int countOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

class CorvidDisk : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", outPath().c_str(), 1);
        pace(1);
    }
    void TearDown() override {
        WavStop();
        WavDestroy();
    }
    // Milliseconds the disk driver waits after each device buffer.
    static void pace(int ms) { setenv("SDL_DISKAUDIODELAY", std::to_string(ms).c_str(), 1); }
    std::string outPath() const { return m_dir.file("played.raw").string(); }
    // Ends the playback (which closes and flushes the file) and reads it.
    std::vector<std::uint8_t> played() {
        WavDestroy();
        return test::readFile(outPath());
    }
    // Checks that the file is silence, exactly expected, then silence.
    void expectPlayed(const std::vector<std::uint8_t>& expected, std::uint8_t silence = 0) {
        const auto file = played();
        const std::size_t start = soundStart(file, silence);
        ASSERT_GE(file.size(), start + expected.size());
        const std::vector<std::uint8_t> heard(file.begin() + static_cast<std::ptrdiff_t>(start),
                                              file.begin() + static_cast<std::ptrdiff_t>(start + expected.size()));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(heard[i], expected[i]) << "first difference at played byte " << i;
        }
        EXPECT_TRUE(allSilent(file, start + expected.size(), silence)) << "sound after the queued data";
    }

    test::TempDir m_dir;
};

struct FormatCase {
    std::uint32_t rate;
    std::uint16_t channels;
    std::uint16_t bits;
    std::uint8_t silence;
};

class CorvidFormats : public CorvidDisk, public ::testing::WithParamInterface<FormatCase> {};

// The disk driver takes any format as it is, so the played file shows the
// format the header opened the device with: its silence byte and its bytes.
TEST_P(CorvidFormats, TheHeaderChoosesTheFormat) {
    const FormatCase& f = GetParam();
    // The first block lasts several device buffers, paced, so that the
    // second is queued before the first runs out even on a loaded machine.
    pace(10);
    startPlayback(f.rate, f.channels, f.bits);
    const auto bytes = sound(20000, f.silence);
    queueBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 10000));
    queueBytes(std::vector<std::uint8_t>(bytes.begin() + 10000, bytes.end()));
    waitForEnd();
    expectPlayed(bytes, f.silence);
}

INSTANTIATE_TEST_SUITE_P(Headers, CorvidFormats,
                         ::testing::Values(FormatCase{11025, 1, 16, 0}, FormatCase{8000, 1, 8, 0x80},
                                           FormatCase{22050, 2, 16, 0}, FormatCase{8000, 1, 32, 0}),
                         [](const auto& param) {
                             const FormatCase& f = param.param;
                             return std::to_string(f.rate) + "Hz" + std::to_string(f.channels) + "ch" +
                                    std::to_string(f.bits) + "bit";
                         });

// Blocks of odd sizes (empty, one byte) and then forty of 1 KiB: every byte
// plays in order, and the count climbs block by block as they finish.
TEST_F(CorvidDisk, PlaysTheQueuedBytesInOrderAndCountsBlocksAsTheyFinish) {
    pace(5);
    startPlayback();
    std::vector<std::size_t> sizes{2000, 1, 3, 1024, 5000, 0, 777, 4096};
    sizes.resize(sizes.size() + 40, 1024);
    const int blocks = static_cast<int>(sizes.size());
    std::vector<std::uint8_t> all;
    unsigned seed = 1;
    for (std::size_t n : sizes) {
        const auto bytes = sound(n, 0, seed++);
        all.insert(all.end(), bytes.begin(), bytes.end());
        queueBytes(bytes);
    }
    const auto seen = waitForEnd();
    ASSERT_FALSE(seen.empty());
    int between = 0;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_GE(seen[i], 0);
        EXPECT_LE(seen[i], blocks);
        if (i > 0) {
            EXPECT_GT(seen[i], seen[i - 1]) << "the count went back";
        }
        between += seen[i] > 0 && seen[i] < blocks ? 1 : 0;
    }
    // Forty blocks at five ms each: the count is seen climbing, not jumping.
    EXPECT_GE(between, 5);
    EXPECT_EQ(WavNowPlay(), -2);
    expectPlayed(all);
}

TEST_F(CorvidDisk, APlaybackWithOnlyItsHeaderIsNotOverAtOnce) {
    pace(20);
    startPlayback();
    // The player polls once before it queues its first block.
    EXPECT_EQ(WavNowPlay(), 0);
    const auto bytes = sound(3000);
    queueBytes(bytes);
    waitForEnd();
    expectPlayed(bytes);

    // Nothing ever queued: it ends all the same.
    pace(1);
    startPlayback();
    for (const std::int32_t v : waitForEnd()) EXPECT_EQ(v, 0);
    expectPlayed({});
}

// Stopping or destroying in the middle: the sound heard is a prefix of what
// was queued, then silence only; the rest of the queue never plays.
class CorvidCut : public CorvidDisk, public ::testing::WithParamInterface<bool> {};

TEST_P(CorvidCut, EndsThePlaybackAtOnce) {
    const bool destroy = GetParam();
    pace(2);
    startPlayback();
    constexpr int kBlocks = 400;
    const auto all = sound(kBlocks * 1024);
    for (int i = 0; i < kBlocks; ++i) {
        queueBytes(std::vector<std::uint8_t>(all.begin() + i * 1024, all.begin() + (i + 1) * 1024));
    }
    waitForCount(3);
    EXPECT_EQ(destroy ? WavDestroy() : WavStop(), 0);
    EXPECT_EQ(WavNowPlay(), -2);
    queueBytes(sound(1000));  // no playback to go to: freed unplayed
    EXPECT_EQ(WavNowPlay(), -2);
    std::this_thread::sleep_for(20ms);

    const auto file = played();
    const std::size_t start = soundStart(file, 0);
    std::size_t end = start;
    while (end < file.size() && file[end] != 0) ++end;
    EXPECT_GE(end - start, 3u * 1024);
    EXPECT_LT(end - start, all.size() / 2) << "the queue went on playing";
    EXPECT_TRUE(std::equal(file.begin() + static_cast<std::ptrdiff_t>(start),
                           file.begin() + static_cast<std::ptrdiff_t>(end), all.begin()));
    EXPECT_TRUE(allSilent(file, end, 0));
}

INSTANTIATE_TEST_SUITE_P(Calls, CorvidCut, ::testing::Bool(),
                         [](const auto& param) { return std::string(param.param ? "WavDestroy" : "WavStop"); });

TEST_F(CorvidDisk, EveryCallIsHarmlessInEveryState) {
    // Before any playback (in its own process this is before the first
    // WavCreate).
    EXPECT_EQ(WavNowPlay(), -2);
    EXPECT_EQ(WavStop(), 0);
    EXPECT_EQ(WavDestroy(), 0);
    EXPECT_EQ(WavDestroy(), 0);
    EXPECT_EQ(WavStop(), 0);
    queueBytes(sound(100));  // nothing to play it: freed
    EXPECT_EQ(WavAddPlayData(nullptr, 100), 0);
    void* empty = nullptr;
    EXPECT_EQ(WavAddPlayData(&empty, 100), 0);
    EXPECT_EQ(WavNowPlay(), -2);
    EXPECT_FALSE(std::filesystem::exists(outPath()));

    // Created twice, a null block where the header should be: the header is
    // still the next real block.
    EXPECT_EQ(WavCreate(), 0);
    EXPECT_EQ(WavCreate(), 0);
    EXPECT_EQ(WavNowPlay(), -2);
    EXPECT_EQ(WavAddPlayData(&empty, 10000), 0);
    queue(headerBlock(11025, 1, 16), 10000);
    const auto bytes = sound(1500);
    queueBytes(bytes);
    EXPECT_EQ(WavAddPlayData(&empty, 10), 0);
    EXPECT_EQ(WavAddPlayData(nullptr, 10), 0);
    waitForEnd();
    EXPECT_EQ(WavStop(), 0);
    EXPECT_EQ(WavStop(), 0);
    EXPECT_EQ(WavNowPlay(), -2);
    expectPlayed(bytes);

    EXPECT_EQ(WavDestroy(), 0);
    EXPECT_EQ(WavNowPlay(), -2);
    queueBytes(sound(100));  // freed again
    EXPECT_EQ(WavStop(), 0);
    EXPECT_EQ(WavNowPlay(), -2);
}

TEST_F(CorvidDisk, ABadHeaderPlaysNothingAndSaysSoOnce) {
    ::testing::internal::CaptureStderr();
    WavCreate();
    queueBytes(sound(100));  // not RIFF: taken as the header and refused
    EXPECT_EQ(WavNowPlay(), -2);
    queueBytes(sound(2000));
    EXPECT_EQ(WavNowPlay(), -2);
    startPlayback(11025, 1, 24);
    queueBytes(sound(2000));
    EXPECT_EQ(WavNowPlay(), -2);
    WavDestroy();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(err, "Corvid: the header block is not"), 1) << err;
    EXPECT_FALSE(std::filesystem::exists(outPath())) << "a device was opened";
}

TEST_F(CorvidDisk, WithoutADeviceEveryCallSucceedsAndNothingHangs) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    ::testing::internal::CaptureStderr();
    for (int run = 0; run < 2; ++run) {
        startPlayback();
        queueBytes(sound(5000));
        EXPECT_EQ(WavNowPlay(), -2);
        EXPECT_EQ(WavStop(), 0);
        EXPECT_EQ(WavDestroy(), 0);
    }
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(err, "Corvid: no audio device"), 1) << err;
}

TEST_F(CorvidDisk, TheDummyDriverPlaysIntoNothingAndEnds) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    startPlayback(8000, 1, 16);
    queueBytes(sound(800));  // 50 ms
    const auto seen = waitForEnd();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 0);
    EXPECT_FALSE(std::filesystem::exists(outPath()));
}

#if !defined(__SANITIZE_ADDRESS__)
std::size_t heapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}
#endif

TEST_F(CorvidDisk, FreesPlayedBlocksAsItGoesAndTheRestOnDestroy) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "LeakSanitizer watches this build's blocks";
#else
    startPlayback();
    const std::size_t base = heapInUse();
    for (int i = 0; i < 16; ++i) queueBytes(sound(16 * 1024, 0, static_cast<unsigned>(i)));
    EXPECT_GE(heapInUse(), base + 16 * 16 * 1024);
    waitForEnd();
    EXPECT_LT(heapInUse(), base + 64 * 1024) << "played blocks are still held";

    pace(100);
    startPlayback();
    const std::size_t base2 = heapInUse();
    for (int i = 0; i < 64; ++i) {
        queue(std::calloc(256 * 1024, 1), 256 * 1024);  // 16 MiB that will not play in time
    }
    EXPECT_GE(heapInUse(), base2 + 16 * 1024 * 1024);
    EXPECT_EQ(WavDestroy(), 0);
    EXPECT_LT(heapInUse(), base2 + 64 * 1024) << "blocks leaked by WavDestroy";
#endif
}

TEST_F(CorvidDisk, PlaysAVoiceFileInTheBlocksOfTheCompanionDecoder) {
    const auto path = test::dataPath("wav/greet-11k16.wav");
    const auto file = test::readFile(path);
    std::vector<std::uint8_t> info(100, 0);
    const std::int32_t r = GetWavType(path.string().c_str(), info.data());
    ASSERT_EQ(r, static_cast<std::int32_t>(file.size()) - 44);
    ASSERT_EQ(info[0], 11);
    // The blocks are made before the playback starts: made while it plays,
    // a slow build (sanitizers, a loaded machine) lets the fast disk output
    // run dry, and the gap of silence is no fault of either library.
    std::vector<std::pair<void*, std::int32_t>> made;
    for (std::int32_t start = info[2] + 1;; start += 1000) {
        void* slot = nullptr;
        const std::int32_t c = PcmWavPlay(path.string().c_str(), info[1], start, 1000, &slot);
        if (c <= 0) break;
        made.emplace_back(slot, c);
    }
    const int blocks = static_cast<int>(made.size());
    EXPECT_EQ(blocks, 165);
    startPlayback(11025, 1, 16);
    // Speech may begin with silence: a marker shows where the file starts.
    const std::vector<std::uint8_t> marker(64, 0x55);
    queueBytes(marker);
    for (auto& [slot, length] : made) EXPECT_EQ(WavAddPlayData(&slot, length), 0);
    const auto seen = waitForEnd();
    ASSERT_FALSE(seen.empty());
    EXPECT_LE(seen.back(), blocks + 1);
    std::vector<std::uint8_t> expected = marker;
    expected.insert(expected.end(), file.begin() + 44, file.end());
    expectPlayed(expected);
}

}  // namespace
}  // namespace zrc
