// Coding a file in parts on several threads gives the bytes of one piece,
// whether each part's start is proven exact or has to be coded again.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "coding_parts.h"
#include "input_file.h"
#include "output_file.h"
#include "recording_to_wav.h"
#include "wav_to_recording.h"
#include "test_files.h"
#include "wav_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;

// A toy coder whose state after a page depends on the last `memory` pages
// only, and whose output for a page depends on the state it meets: a part
// that starts `memory` pages early is exact, one that starts later is not.
class ToyCoder {
public:
    ToyCoder(std::uint64_t pages, std::uint32_t memory) : m_output(pages), m_memory(memory) {}

    RunPages run() {
        return [this](AdpcmState& state, std::uint64_t first, std::uint64_t last, bool write, PartContext& part,
                      const std::function<void()>& tick) {
            for (std::uint64_t page = first; page <= last && !part.stop; ++page) {
                const std::uint32_t value = state.yl * 31 + state.yu;
                // yu: the newest page; yl: a hash of the last `memory` pages.
                state.yl = m_memory >= 2 ? state.yu : 0;
                state.yu = static_cast<std::uint32_t>(page) + 1;
                if (write) {
                    std::lock_guard lock(m_mutex);
                    m_output[page] = value;
                    ++part.counted;
                }
                tick();
            }
            return true;
        };
    }
    const std::vector<std::uint32_t>& output() const { return m_output; }

private:
    std::vector<std::uint32_t> m_output;
    std::uint32_t m_memory;
    std::mutex m_mutex;
};

struct ToyRun {
    std::vector<std::uint32_t> output;
    PartsOutcome outcome;
    std::uint64_t progressed = 0;
};

ToyRun runToy(std::uint64_t pages, const PartsOptions& options, std::uint64_t stopAfter = 0) {
    ToyCoder coder(pages, 2);
    ToyRun r;
    r.outcome = codeInParts(pages, options, coder.run(), [&](std::uint64_t n) {
        r.progressed += n;
        return stopAfter == 0 || r.progressed < stopAfter;
    });
    r.output = coder.output();
    return r;
}

TEST(CodingParts, EveryPartGivesTheBytesOfOnePieceProvenOrCodedAgain) {
    const ToyRun serial = runToy(1000, {1, 16, 10});
    ASSERT_EQ(serial.outcome.report.parts, 1u);
    ASSERT_EQ(serial.progressed, 1000u);

    for (unsigned threads : {2u, 3u, 7u}) {
        // Two pages of warm-up are enough for this coder: every start proven.
        const ToyRun proven = runToy(1000, {threads, 2, 10});
        EXPECT_EQ(proven.outcome.report.parts, threads);
        EXPECT_EQ(proven.outcome.report.redone, 0u);
        EXPECT_EQ(proven.output, serial.output) << threads;
        EXPECT_EQ(proven.progressed, 1000u);
        EXPECT_TRUE(proven.outcome.ok);

        // One page is not: every part after the first is coded again.
        const ToyRun redone = runToy(1000, {threads, 1, 10});
        EXPECT_EQ(redone.outcome.report.redone, threads - 1);
        EXPECT_EQ(redone.output, serial.output) << threads;
        EXPECT_EQ(redone.progressed, 1000u) << "pages coded twice are counted once";
    }
}

TEST(CodingParts, ShortFilesStayInOnePieceAndProgressCanStopTheWork) {
    EXPECT_EQ(runToy(19, {4, 2, 10}).outcome.report.parts, 1u);
    EXPECT_EQ(runToy(20, {4, 2, 10}).outcome.report.parts, 2u);
    EXPECT_EQ(runToy(0, {4, 2, 10}).progressed, 0u);

    const ToyRun stopped = runToy(100000, {2, 2, 10}, 100);
    EXPECT_TRUE(stopped.outcome.interrupted);
    EXPECT_LT(stopped.progressed, 100000u);
}

// The recorder's sample decoded in parts: the real decoder forgets its start
// within a few thousand codes, so eight pages of warm-up prove every part.
class DecodeInPartsTest : public ::testing::Test {
protected:
    std::vector<std::uint8_t> decode(const PartsOptions& parts, PartsReport& report) {
        InputFile in((fs::path(ZRC_SAMPLES_DIR) / "greet-11k16.zrc").c_str());
        const PlanOrError planned = planDecode(in, 2);
        const auto& plan = std::get<DecodePlan>(planned);
        const fs::path wav = m_dir.file("out.wav");
        OutputFile out = OutputFile::create(wav.c_str());
        std::uint64_t progressed = 0;
        const std::string failure = writeWav(in, out, plan, [&](std::uint64_t n) {
            progressed += n;
            return true;
        }, parts, &report);
        EXPECT_TRUE(out.close());
        EXPECT_EQ(failure, "");
        EXPECT_EQ(progressed, plan.pages);
        return test::readFile(wav);
    }
    test::TempDir m_dir;
};

TEST_F(DecodeInPartsTest, GivesTheBytesOfOnePiece) {
    PartsReport report;
    const auto whole = decode({1, 8, 10}, report);
    ASSERT_GT(whole.size(), 44u);
    EXPECT_EQ(report.parts, 1u);

    const auto proven = decode({3, 8, 10}, report);
    EXPECT_EQ(report.parts, 3u);
    EXPECT_EQ(report.redone, 0u);
    EXPECT_EQ(proven, whole);

    // Without warm-up a part starts from the reset state at its first page,
    // which the decoder there is not in: coded again, same bytes.
    const auto redone = decode({3, 0, 10}, report);
    EXPECT_EQ(report.redone, 2u);
    EXPECT_EQ(redone, whole);
}

// Speech encoded in parts: a memo said four times over, 224 pages. The
// encoder takes longer than the decoder to forget its start.
class EncodeInPartsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto memo = test::readFile(test::dataPath("speech/memo-11k16.wav"));
        std::vector<std::int16_t> samples;
        for (int repeat = 0; repeat < 4; ++repeat) {
            for (std::size_t at = 44; at + 1 < memo.size(); at += 2) {
                samples.push_back(static_cast<std::int16_t>(memo[at] | memo[at + 1] << 8));
            }
        }
        test::writeFile(m_wav, test::WavFile::pcm16(11025, samples).bytes());
    }
    std::vector<std::uint8_t> encode(const PartsOptions& parts, PartsReport& report) {
        InputFile in(m_wav.c_str());
        const EncodePlanOrError planned = planEncode(in, {});
        const auto& plan = std::get<EncodePlan>(planned);
        const fs::path zrc = m_dir.file("out.zrc");
        OutputFile out = OutputFile::create(zrc.c_str());
        std::uint64_t progressed = 0;
        const EncodeOutcome outcome = writeRecording(in, out, plan, [&](std::uint64_t n) {
            progressed += n;
            return true;
        }, parts, &report);
        EXPECT_TRUE(out.close());
        EXPECT_EQ(outcome.error, "");
        EXPECT_EQ(progressed, plan.pages);
        return test::readFile(zrc);
    }
    test::TempDir m_dir;
    fs::path m_wav = m_dir.file("memo4.wav");
};

TEST_F(EncodeInPartsTest, GivesTheBytesOfOnePiece) {
    PartsReport report;
    const auto whole = encode({1, 0, 10}, report);
    ASSERT_GT(whole.size(), 92u + 528u);
    EXPECT_EQ(report.parts, 1u);

    const auto proven = encode({2, kEncoderWarmUpPages / 2, 10}, report);
    EXPECT_EQ(report.parts, 2u);
    EXPECT_EQ(report.redone, 0u);
    EXPECT_EQ(proven, whole);

    const auto redone = encode({3, 0, 10}, report);
    EXPECT_EQ(report.parts, 3u);
    EXPECT_EQ(report.redone, 2u);
    EXPECT_EQ(redone, whole);
}

}  // namespace
}  // namespace zrc::cli
