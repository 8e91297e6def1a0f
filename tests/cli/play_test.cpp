// zrc play through SDL's disk driver: what is heard is PageCodec's playback blocks of the pages in playing order, the
// display follows the pages.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>
#include <thread>

#include "cli_run.h"
#include "corvid.h"
#include "interruption.h"
#include "page_road.h"
#include "recording_player.h"
#include "signals.h"
#include "zrc_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

struct Shown { unsigned elapsed, total, page, lastPage; };  // times in seconds, as shown

// The display lines, "[hh : mm : ss / hh : mm : ss]  page n/m"; the digits' form is TimeText's.
std::vector<Shown> shownLines(const std::string& out) {
    std::vector<Shown> shown;
    std::istringstream lines(out);
    unsigned t[6], page, last;
    for (std::string l; std::getline(lines, l);) {
        if (std::sscanf(l.c_str(), "[%u : %u : %u / %u : %u : %u]  page %u/%u", &t[0], &t[1], &t[2], &t[3], &t[4], &t[5],
                        &page, &last) == 8) {
            shown.push_back({t[0] * 3600 + t[1] * 60 + t[2], t[3] * 3600 + t[4] * 60 + t[5], page, last});
        }
    }
    return shown;
}

extern "C" void ignoreSignal(int) {}

class PlayTest : public test::CliTest {
protected:
    // 25 ms per device buffer of 46 ms: faster than real time, yet the queue ahead outlasts a busy machine's pauses.
    void SetUp() override { test::playIntoFile(path("played.raw").c_str(), 25); }
    test::Outcome play(const PlayOptions& options) { return test::captured([&] { return runPlay(options); }); }
    Bytes heard() const { return test::soundOf(read("played.raw")); }
    static Bytes blocksOf(const std::string& zrc, const std::vector<std::uint32_t>& order) {
        const std::vector<std::int16_t> samples = test::playbackBlocks(zrc, order);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples.data());
        return test::soundOf(Bytes(bytes, bytes + 2 * samples.size()));
    }
    static bool startsWith(const Bytes& whole, const Bytes& start) {
        return start.size() <= whole.size() && std::equal(start.begin(), start.end(), whole.begin());
    }
    std::string recording(const std::vector<int>& types) {  // every page different
        test::ZrcBuilder b;
        for (int t : types) b.page(test::randomCodes(t ? 2046 : 1360, t ? 2 : 3, m_rng), t ? 2 : 3, static_cast<std::uint8_t>(t));
        return write("rec.zrc", b.bytes());
    }
    std::mt19937 m_rng{777};
};

struct OrderRow {
    std::string name;
    std::optional<std::uint32_t> from;
    bool cue, review;
    std::vector<std::uint32_t> pages;  // in the order heard
};
void PrintTo(const OrderRow& c, std::ostream* os) { *os << c.name; }

class PlayOrder : public PlayTest, public ::testing::WithParamInterface<OrderRow> {};

// Pages of 123 and 292 ms: through page 3 are 830 ms, through page 4 1,122 ms, through page 7 1,660 ms. The time
// shown runs through the page.
TEST_P(PlayOrder, PagesAreHeardInPlayingOrderAndTheTimeFollows) {
    const OrderRow& c = GetParam();
    const std::string zrc = recording({0, 1, 1, 0, 1, 0, 0, 1});
    const test::Outcome r = play({zrc, c.from, c.cue, c.review});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_TRUE(heard() == blocksOf(zrc, c.pages)) << heard().size() << " bytes heard";
    const auto shown = shownLines(r.out);
    ASSERT_FALSE(shown.empty()) << r.out;
    EXPECT_TRUE(shown.front().page == c.pages.front() && shown.back().page == c.pages.back()) << r.out;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(i == 0 || (shown[i].page < shown[i - 1].page) == c.review) << r.out;
        EXPECT_TRUE(shown[i].elapsed == (shown[i].page >= 4 ? 1u : 0u) && shown[i].total == 1 && shown[i].lastPage == 7)
            << r.out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PlayOrder,
    ::testing::Values(OrderRow{"play", std::nullopt, false, false, {0, 1, 2, 3, 4, 5, 6, 7}},
                      OrderRow{"playFrom5", 5, false, false, {5, 6, 7}}, OrderRow{"playFromTheLastPage", 7, false, false, {7}},
                      OrderRow{"cueFrom2", 2, true, false, {2, 3, 4, 5, 6, 7}}, OrderRow{"reviewFrom0", 0, false, true, {0}},
                      OrderRow{"reviewFrom5", 5, false, true, {5, 4, 3, 2, 1, 0}},
                      OrderRow{"reviewFromTheEnd", std::nullopt, false, true, {7, 6, 5, 4, 3, 2, 1, 0}}),
    [](const auto& p) { return p.param.name; });

TEST_F(PlayTest, CtrlCStopsTheSoundAndEndsWell) {
    const std::string zrc = recording(std::vector<int>(150, 0));
    const auto before = std::signal(SIGINT, ignoreSignal);  // what a SIGINT after the run finds, not the default
    std::thread presser([&] {
        std::error_code ec;
        for (auto end = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < end;) {
            if (fs::exists(path("played.raw"), ec) && fs::file_size(path("played.raw"), ec) >= 16384) break;
            std::this_thread::sleep_for(2ms);
        }
        std::raise(SIGINT);
    });
    const test::Outcome r = play({zrc, std::nullopt, false, false});
    presser.join();
    std::signal(SIGINT, before);
    clearInterruptRequest();
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("stopped at page "), std::string::npos) << r.out;
    EXPECT_EQ(WavNowPlay(), -2) << "the output is still there";
    // What was queued, and not much after the stop.
    const Bytes wanted = blocksOf(zrc, test::allPages(zrc)), h = heard();
    EXPECT_TRUE(h.size() >= 8192 && h.size() < wanted.size() / 2 && startsWith(wanted, h)) << h.size() << " bytes heard";
}

// Pages past a cut would play as noise: what is heard is the start. (A file whose name goes plays on: the converters'
// test of the same input file.)
TEST_F(PlayTest, ARecordingCutWhilePlayedEndsThere) {
    const std::string zrc = recording(std::vector<int>(12, 0));
    const Bytes whole = blocksOf(zrc, test::allPages(zrc));
    const PlayResult r = RecordingPlayer(zrc).play(0, PlayMode::Play, nullptr, [&](const PlayPosition& p) {
        if (p.page >= 1 && fs::file_size(zrc) > 92 + 528 * 8) fs::resize_file(zrc, 92 + 528 * 8);
    });
    EXPECT_EQ(r.end, PlayEnd::RecordingCut);
    EXPECT_TRUE(r.page < 8 && heard().size() < whole.size() && startsWith(whole, heard())) << r.page;
}

TEST_F(PlayTest, AnOutputThatEndsEarlyIsAFailure) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const std::string zrc = recording({0, 0, 1, 1, 0, 1});
    const test::Outcome r = play({zrc, std::nullopt, false, false});
    EXPECT_EQ(r.status, kExitFileFailed);
    EXPECT_NE(r.err.find("zrc: " + zrc + ": the sound output ended"), std::string::npos) << r.err;
    EXPECT_EQ(WavNowPlay(), -2);
}

}  // namespace
}  // namespace zrc::cli
