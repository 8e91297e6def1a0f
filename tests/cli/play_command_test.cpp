// zrc play through SDL's disk driver: what is heard is the playback blocks
// of the pages in playing order (PageCodec's, loaded privately, from a
// reset), the display follows the pages, Ctrl-C stops cleanly, and an
// output that ends early is a failure (bad inputs: play_bad_input_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <thread>

#include "commands.h"
#include "corvid.h"
#include "interruption.h"
#include "loaded_pagecodec.h"
#include "status_line.h"
#include "test_files.h"
#include "zrc_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ZrcBuilder;

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

struct Shown {
    std::string elapsed, total;
    std::uint32_t page, lastPage;
};

// "hh : mm : ss"
bool isTimeText(const std::string& t) {
    auto digit = [&](std::size_t i) { return std::isdigit(static_cast<unsigned char>(t[i])) != 0; };
    return t.size() == 12 && t.substr(2, 3) == " : " && t.substr(7, 3) == " : " && digit(0) && digit(1) &&
           digit(5) && digit(6) && digit(10) && digit(11);
}

// The display lines of the output: "[hh : mm : ss / hh : mm : ss]  page n/m".
std::vector<Shown> shownLines(const std::string& out) {
    std::vector<Shown> shown;
    std::istringstream in(out);
    for (std::string text; std::getline(in, text);) {
        if (text.size() < 39 || text[0] != '[' || text.substr(13, 3) != " / " || text.substr(28, 8) != "]  page ") {
            continue;
        }
        const std::string elapsed = text.substr(1, 12);
        const std::string total = text.substr(16, 12);
        const auto slash = text.find('/', 36);
        if (!isTimeText(elapsed) || !isTimeText(total) || slash == std::string::npos) continue;
        shown.push_back({elapsed, total, static_cast<std::uint32_t>(std::stoul(text.substr(36, slash - 36))),
                         static_cast<std::uint32_t>(std::stoul(text.substr(slash + 1)))});
    }
    return shown;
}

// The bytes between the leading and the trailing zero bytes.
std::vector<std::uint8_t> core(const std::vector<std::uint8_t>& v) {
    auto first = std::find_if(v.begin(), v.end(), [](std::uint8_t b) { return b != 0; });
    auto last = std::find_if(v.rbegin(), v.rend(), [](std::uint8_t b) { return b != 0; }).base();
    return first < last ? std::vector<std::uint8_t>(first, last) : std::vector<std::uint8_t>{};
}

std::size_t leadingZeros(const std::vector<std::uint8_t>& v) {
    return static_cast<std::size_t>(std::find_if(v.begin(), v.end(), [](std::uint8_t b) { return b != 0; }) -
                                    v.begin());
}

extern "C" void ignoreSignal(int) {}

class PlayCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", playedPath().c_str(), 1);
        // 25 ms per device buffer of 46 ms (92 ms at 22,050 Hz): faster
        // than real time, yet the four pages queued ahead last a quarter of
        // a second, which a busy machine's pauses do not use up.
        setenv("SDL_DISKAUDIODELAY", "25", 1);
    }

    fs::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        test::writeFile(m_dir.file(name), bytes);
        return m_dir.file(name);
    }
    fs::path playedPath() const { return m_dir.file("played.raw"); }
    std::vector<std::uint8_t> played() const { return test::readFile(playedPath()); }

    static RunResult run(const PlayOptions& options) {
        ::testing::internal::CaptureStderr();
        ::testing::internal::CaptureStdout();
        const int status = runPlay(options);
        std::string out = ::testing::internal::GetCapturedStdout();
        return {status, std::move(out), ::testing::internal::GetCapturedStderr()};
    }

    // The player's page road through PageCodec: from a reset, each page in
    // the order given read, unpacked with its own set and decoded.
    static std::vector<std::uint8_t> blocksOf(const fs::path& zrc, const std::vector<std::uint32_t>& order) {
        const auto& pc = test::loadedPageCodec();
        const RecordingInfo info = pc.play_splpget(zrc.c_str());
        EXPECT_EQ(pc.pb_adpcm_dec(11, 3, 0, nullptr, nullptr, 1), 0);
        std::vector<std::uint8_t> bytes;
        std::vector<std::uint8_t> page(528);
        std::vector<std::uint8_t> codes(2048);
        auto i16 = [](int v) { return static_cast<std::int16_t>(v); };
        for (std::uint32_t p : order) {
            const bool t1 = pc.play_1pagerd(zrc.c_str(), static_cast<std::int32_t>(p), page.data()) == 5;
            const std::int16_t n = pc.pb_exdata(i16(t1 ? info.bits1 : info.bits0),
                                                i16(t1 ? info.payloadBytes1 : info.payloadBytes0),
                                                i16(t1 ? info.payloadBits1 : info.payloadBits0), page.data(),
                                                codes.data());
            void* slot = nullptr;
            const std::int32_t s = pc.pb_adpcm_dec(t1 ? info.rate1 : info.rate0, t1 ? info.bits1 : info.bits0, n,
                                                   codes.data(), &slot, 0);
            const auto* block = static_cast<const std::uint8_t*>(slot);
            bytes.insert(bytes.end(), block, block + 2 * s);
            std::free(slot);
        }
        return bytes;
    }

    // The played file is silence, exactly the expected bytes, silence.
    void expectHeard(const std::vector<std::uint8_t>& expected) const {
        const auto file = played();
        ASSERT_GE(file.size(), expected.size());
        const auto heard = core(file);
        const auto wanted = core(expected);
        ASSERT_EQ(heard.size(), wanted.size()) << "heard " << heard.size() << " bytes of sound";
        for (std::size_t i = 0; i < heard.size(); ++i) ASSERT_EQ(heard[i], wanted[i]) << "first difference at " << i;
        EXPECT_GE(leadingZeros(file), leadingZeros(expected));
    }

    // A recording of both page types, every page different.
    fs::path mixedRecording(const std::vector<int>& types) {
        ZrcBuilder b;
        for (int t : types) {
            const int width = t == 0 ? 3 : 2;
            b.page(test::randomCodes(t == 0 ? 1360 : 2046, width, m_rng), width, static_cast<std::uint8_t>(t));
        }
        return write("mixed.zrc", b.bytes());
    }

    test::TempDir m_dir;
    std::mt19937 m_rng{777};
};

TEST_F(PlayCommandTest, TheSampleIsHeardAsItsPlaybackBlocks) {
    const fs::path zrc = fs::path(ZRC_SAMPLES_DIR) / "greet-11k16.zrc";
    const RunResult r = run({zrc.string(), std::nullopt, false, false});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    std::vector<std::uint32_t> all(61);
    for (std::uint32_t p = 0; p < 61; ++p) all[p] = p;
    expectHeard(blocksOf(zrc, all));

    // 61 pages of 123 ms: 7.503 s.
    const auto shown = shownLines(r.out);
    ASSERT_GE(shown.size(), 2u) << r.out;
    EXPECT_EQ(shown.front().page, 0u);
    EXPECT_EQ(shown.front().elapsed, "00 : 00 : 00");
    EXPECT_EQ(shown.back().page, 60u);
    EXPECT_EQ(shown.back().elapsed, "00 : 00 : 07");
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].total, "00 : 00 : 07");
        EXPECT_EQ(shown[i].lastPage, 60u);
        if (i > 0) {
            EXPECT_GT(shown[i].page, shown[i - 1].page) << "line " << i;
        }
    }
    // Position 1 and up show the time through the page: 16 pages are
    // 1.968 s, 17 pages 2.091 s.
    for (const Shown& s : shown) {
        if (s.page == 15) {
            EXPECT_EQ(s.elapsed, "00 : 00 : 01");
        }
        if (s.page == 16) {
            EXPECT_EQ(s.elapsed, "00 : 00 : 02");
        }
    }
}

struct OrderCase {
    std::string name;
    std::optional<std::uint32_t> from;
    bool cue, review;
    std::vector<std::uint32_t> pages;  // in the order heard
};

void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }

class PlayOrder : public PlayCommandTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(PlayOrder, PagesAreHeardInPlayingOrder) {
    const OrderCase& c = GetParam();
    const auto zrc = mixedRecording({0, 1, 1, 0, 1, 0, 0, 1});
    const RunResult r = run({zrc.string(), c.from, c.cue, c.review});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    expectHeard(blocksOf(zrc, c.pages));

    const auto shown = shownLines(r.out);
    ASSERT_FALSE(shown.empty()) << r.out;
    EXPECT_EQ(shown.front().page, c.pages.front());
    EXPECT_EQ(shown.back().page, c.pages.back());
    for (std::size_t i = 1; i < shown.size(); ++i) {
        if (c.review) {
            EXPECT_LT(shown[i].page, shown[i - 1].page) << "line " << i;
        } else {
            EXPECT_GT(shown[i].page, shown[i - 1].page) << "line " << i;
        }
    }
    if (c.review) {
        EXPECT_EQ(shown.back().elapsed, "00 : 00 : 00");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PlayOrder,
    ::testing::Values(OrderCase{"play", std::nullopt, false, false, {0, 1, 2, 3, 4, 5, 6, 7}},
                      OrderCase{"playFrom5", 5, false, false, {5, 6, 7}},
                      OrderCase{"playFromTheLastPage", 7, false, false, {7}},
                      OrderCase{"cueFrom2", 2, true, false, {2, 3, 4, 5, 6, 7}},
                      OrderCase{"reviewFrom5", 5, false, true, {5, 4, 3, 2, 1, 0}},
                      OrderCase{"reviewFromTheEnd", std::nullopt, false, true, {7, 6, 5, 4, 3, 2, 1, 0}},
                      OrderCase{"reviewFrom0", 0, false, true, {0}}),
    [](const auto& p) { return p.param.name; });

TEST_F(PlayCommandTest, CtrlCStopsTheSoundAndEndsWell) {
    ZrcBuilder b;
    for (int p = 0; p < 150; ++p) b.page(test::randomCodes(1360, 3, m_rng), 3, 0);
    const auto zrc = write("long.zrc", b.bytes());
    std::vector<std::uint32_t> all(150);
    for (std::uint32_t p = 0; p < 150; ++p) all[p] = p;
    const auto expected = blocksOf(zrc, all);

    // A SIGINT that came after the run would find this, not the default.
    struct sigaction ignore {};
    ignore.sa_handler = ignoreSignal;
    struct sigaction before {};
    sigaction(SIGINT, &ignore, &before);
    std::thread presser([&] {
        const auto limit = std::chrono::steady_clock::now() + 60s;
        std::error_code ec;
        while (std::chrono::steady_clock::now() < limit &&
               (!fs::exists(playedPath(), ec) || fs::file_size(playedPath(), ec) < 16384)) {
            std::this_thread::sleep_for(2ms);
        }
        std::raise(SIGINT);
    });
    const RunResult r = run({zrc.string(), std::nullopt, false, false});
    presser.join();
    sigaction(SIGINT, &before, nullptr);
    clearInterruptRequest();

    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("stopped at page "), std::string::npos) << r.out;
    EXPECT_EQ(WavNowPlay(), -2) << "the output is still there";
    // What was heard is the beginning of the recording, cut off.
    const auto heard = core(played());
    const auto wanted = core(expected);
    EXPECT_GE(heard.size(), 8192u);
    EXPECT_LT(heard.size(), wanted.size() / 2) << "the sound went on after the stop";
    ASSERT_LE(heard.size(), wanted.size());
    EXPECT_TRUE(std::equal(heard.begin(), heard.end(), wanted.begin())) << "not what was queued";
    const auto shown = shownLines(r.out);
    ASSERT_FALSE(shown.empty());
    EXPECT_LT(shown.back().page, 149u);
}

TEST_F(PlayCommandTest, AnOutputThatEndsEarlyIsAFailure) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const auto zrc = mixedRecording({0, 0, 1, 1, 0, 1});
    const RunResult r = run({zrc.string(), std::nullopt, false, false});
    EXPECT_EQ(r.status, kExitFileFailed);
    EXPECT_NE(r.err.find("zrc: " + zrc.string() + ": the sound output ended"), std::string::npos) << r.err;
    EXPECT_EQ(WavNowPlay(), -2);
}

TEST(StatusLineTest, RewritesInPlaceOnATerminalAndKeepsEveryLineElsewhere) {
    std::ostringstream tty;
    {
        StatusLine line(tty, true);
        line.show("page 10/12");
        line.show("page 9/12");
        line.show("page 12/12");
    }
    EXPECT_EQ(tty.str(), "\rpage 10/12\rpage 9/12 \rpage 12/12\n");

    std::ostringstream pipe;
    {
        StatusLine line(pipe, false);
        line.show("page 1/2");
        line.show("page 2/2");
        line.finish();
    }
    EXPECT_EQ(pipe.str(), "page 1/2\npage 2/2\n");

    std::ostringstream nothing;
    { StatusLine line(nothing, true); }
    EXPECT_EQ(nothing.str(), "");
}

}  // namespace
}  // namespace zrc::cli
