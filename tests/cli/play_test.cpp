// zrc play through SDL's disk driver: what is heard is PageCodec's playback
// blocks of the pages in playing order, the display follows the pages.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <thread>

#include "cli_run.h"
#include "corvid.h"
#include "interruption.h"
#include "page_road.h"
#include "signals.h"
#include "status_line.h"
#include "zrc_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

struct Shown {
    std::string elapsed, total;
    std::uint32_t page, lastPage;
};

// The display lines: "[hh : mm : ss / hh : mm : ss]  page n/m".
std::vector<Shown> shownLines(const std::string& out) {
    // No std::regex: GCC 12 warns inside it under the sanitizers.
    std::vector<Shown> shown;
    const std::string mark = "]  page ";
    for (std::size_t at = out.find(mark); at != std::string::npos; at = out.find(mark, at + 1)) {
        unsigned page = 0, lastPage = 0;
        if (at < 28 || out[at - 28] != '[' || out.compare(at - 15, 3, " / ") != 0 ||
            std::sscanf(out.c_str() + at + mark.size(), "%u/%u", &page, &lastPage) != 2) {
            continue;
        }
        shown.push_back({out.substr(at - 27, 12), out.substr(at - 12, 12), page, lastPage});
    }
    return shown;
}

extern "C" void ignoreSignal(int) {}

class PlayTest : public test::CliTest {
protected:
    // 25 ms per device buffer of 46 ms: faster than real time, yet the queue
    // ahead outlasts a busy machine's pauses.
    void SetUp() override { test::playIntoFile(path("played.raw").c_str(), 25); }
    test::Outcome play(const PlayOptions& options) { return test::captured([&] { return runPlay(options); }); }
    static Bytes blocksOf(const std::string& zrc, const std::vector<std::uint32_t>& order) {
        const std::vector<std::int16_t> samples = test::playbackBlocks(zrc, order);
        Bytes bytes(2 * samples.size());
        std::memcpy(bytes.data(), samples.data(), bytes.size());
        return test::soundOf(bytes);
    }
    void expectHeard(const Bytes& wanted) {
        const Bytes heard = test::soundOf(read("played.raw"));
        ASSERT_EQ(heard.size(), wanted.size()) << "heard " << heard.size() << " bytes of sound";
        EXPECT_TRUE(heard == wanted) << "not the blocks of the pages";
    }
    std::string recording(const std::vector<int>& types, const std::string& name = "mixed.zrc") {  // every page different
        test::ZrcBuilder b;
        for (int t : types) b.page(test::randomCodes(t ? 2046 : 1360, t ? 2 : 3, m_rng), t ? 2 : 3, static_cast<std::uint8_t>(t));
        return write(name, b.bytes());
    }
    std::mt19937 m_rng{777};
};

// 61 pages of 123 ms: 7.503 s. The time runs through the page: 16 pages are
// 1.968 s, 17 pages 2.091 s.
TEST_F(PlayTest, TheSampleIsHeardAsItsPlaybackBlocksAndTheTimeFollows) {
    const std::string zrc = (fs::path(ZRC_SAMPLES_DIR) / "greet-11k16.zrc").string();
    const test::Outcome r = play({zrc, std::nullopt, false, false});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    expectHeard(blocksOf(zrc, test::allPages(zrc)));
    const auto shown = shownLines(r.out);
    ASSERT_GE(shown.size(), 2u) << r.out;
    EXPECT_EQ(shown.front().elapsed, "00 : 00 : 00");
    EXPECT_EQ(shown.back().elapsed, "00 : 00 : 07");
    for (const Shown& s : shown) {
        EXPECT_EQ(s.total, "00 : 00 : 07");
        EXPECT_EQ(s.lastPage, 60u);
        if (s.page == 15 || s.page == 16) { EXPECT_EQ(s.elapsed, s.page == 15 ? "00 : 00 : 01" : "00 : 00 : 02"); }
    }
}

struct OrderRow {
    std::string name;
    std::optional<std::uint32_t> from;
    bool cue, review;
    std::vector<std::uint32_t> pages;  // in the order heard
};
void PrintTo(const OrderRow& c, std::ostream* os) { *os << c.name; }

class PlayOrder : public PlayTest, public ::testing::WithParamInterface<OrderRow> {};

TEST_P(PlayOrder, PagesAreHeardInPlayingOrder) {
    const OrderRow& c = GetParam();
    const std::string zrc = recording({0, 1, 1, 0, 1, 0, 0, 1});
    const test::Outcome r = play({zrc, c.from, c.cue, c.review});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    expectHeard(blocksOf(zrc, c.pages));
    const auto shown = shownLines(r.out);
    ASSERT_FALSE(shown.empty()) << r.out;
    EXPECT_EQ(shown.front().page, c.pages.front());
    EXPECT_EQ(shown.back().page, c.pages.back());
    for (std::size_t i = 1; i < shown.size(); ++i) EXPECT_EQ(shown[i].page < shown[i - 1].page, c.review) << "line " << i;
    if (c.review) { EXPECT_EQ(shown.back().elapsed, "00 : 00 : 00"); }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PlayOrder,
    ::testing::Values(OrderRow{"play", std::nullopt, false, false, {0, 1, 2, 3, 4, 5, 6, 7}},
                      OrderRow{"playFrom5", 5, false, false, {5, 6, 7}},
                      OrderRow{"playFromTheLastPage", 7, false, false, {7}},
                      OrderRow{"cueFrom2", 2, true, false, {2, 3, 4, 5, 6, 7}},
                      OrderRow{"reviewFrom5", 5, false, true, {5, 4, 3, 2, 1, 0}},
                      OrderRow{"reviewFromTheEnd", std::nullopt, false, true, {7, 6, 5, 4, 3, 2, 1, 0}},
                      OrderRow{"reviewFrom0", 0, false, true, {0}}),
    [](const auto& p) { return p.param.name; });

TEST_F(PlayTest, CtrlCStopsTheSoundAndEndsWell) {
    const std::string zrc = recording(std::vector<int>(150, 0), "long.zrc");
    const Bytes wanted = blocksOf(zrc, test::allPages(zrc));
    // A SIGINT that came after the run would find this, not the default.
    struct sigaction ignore {};
    ignore.sa_handler = ignoreSignal;
    struct sigaction before {};
    sigaction(SIGINT, &ignore, &before);
    std::thread presser([&] {
        const auto limit = std::chrono::steady_clock::now() + 60s;
        std::error_code ec;
        while (std::chrono::steady_clock::now() < limit &&
               (!fs::exists(path("played.raw"), ec) || fs::file_size(path("played.raw"), ec) < 16384)) {
            std::this_thread::sleep_for(2ms);
        }
        std::raise(SIGINT);
    });
    const test::Outcome r = play({zrc, std::nullopt, false, false});
    presser.join();
    sigaction(SIGINT, &before, nullptr);
    clearInterruptRequest();

    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("stopped at page "), std::string::npos) << r.out;
    EXPECT_EQ(WavNowPlay(), -2) << "the output is still there";
    const Bytes heard = test::soundOf(read("played.raw"));
    EXPECT_GE(heard.size(), 8192u);
    EXPECT_LT(heard.size(), wanted.size() / 2) << "the sound went on after the stop";
    ASSERT_LE(heard.size(), wanted.size());
    EXPECT_TRUE(std::equal(heard.begin(), heard.end(), wanted.begin())) << "not what was queued";
}

TEST_F(PlayTest, AnOutputThatEndsEarlyIsAFailure) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const std::string zrc = recording({0, 0, 1, 1, 0, 1});
    const test::Outcome r = play({zrc, std::nullopt, false, false});
    EXPECT_EQ(r.status, kExitFileFailed);
    EXPECT_NE(r.err.find("zrc: " + zrc + ": the sound output ended"), std::string::npos) << r.err;
    EXPECT_EQ(WavNowPlay(), -2);
}

// On a terminal the shorter line covers what is left of the longer one; a
// line never shown writes nothing. Elsewhere every line is kept (the tests above).
TEST(StatusLineTest, RewritesInPlaceOnATerminal) {
    std::ostringstream tty, nothing;
    {
        StatusLine onTty(tty, true), unused(nothing, true);
        for (const char* text : {"page 10/12", "page 9/12", "page 12/12"}) onTty.show(text);
    }
    EXPECT_EQ(tty.str(), "\rpage 10/12\rpage 9/12 \rpage 12/12\n");
    EXPECT_EQ(nothing.str(), "");
}

}  // namespace
}  // namespace zrc::cli
