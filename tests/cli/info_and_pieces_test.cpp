// zrc info's report as text and JSON, the time display, the progress bar.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>

#include "cli_run.h"
#include "progress_bar.h"
#include "time_text.h"
#include "zrc_builder.h"

namespace zrc::cli {
namespace {

using InfoTest = test::CliTest;

// 50 type-0 pages (123 ms each) and 3 type-1 pages (292 ms): 7,026 ms. In JSON, bytes of Latin-1 in a name become
// U+FFFD: JSON carries Unicode only. A failure's message is the refusals' table's; here it has its place in JSON.
TEST_F(InfoTest, TextAndJsonReports) {
    test::ZrcBuilder b;
    for (int p = 0; p < 53; ++p) {
        const bool t1 = p % 20 == 19 || p == 52;
        b.page(std::vector<std::uint8_t>(t1 ? 2046 : 1360, 1), t1 ? 2 : 3, t1 ? 1 : 0);
    }
    const std::string mixed = write("r\xE9union.zrc", b.bytes());
    const test::Outcome text = info({mixed}, false);
    ASSERT_EQ(text.status, kExitOk) << text.err;
    for (const char* line : {"header mode    0", "rate code 11, 3-bit codes, 1360 codes per page",
                             "rate code 7, 2-bit codes, 2046 codes per page", "53 (type 0: 50, type 1: 3)",
                             "00 : 00 : 07 (7.026 s)"}) {
        EXPECT_NE(text.out.find(line), std::string::npos) << text.out;
    }
    const test::Outcome r =
        info({mixed, write("notes.txt", {'n', 'o'}), write("empty.zrc", test::ZrcBuilder().mode(1).bytes())}, true);
    EXPECT_EQ(r.status, kExitFileFailed);
    auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j.size(), 3u);
    EXPECT_EQ(j[1]["error"], "not a ZRC recording");
    EXPECT_TRUE(j[2]["pages"] == 0 && j[2]["headerMode"] == 1) << j[2];
    EXPECT_NE(j[0]["file"].get<std::string>().find("r\xEF\xBF\xBDunion.zrc"), std::string::npos);
    j[0].erase("file");
    EXPECT_EQ(j[0], nlohmann::json::parse(R"({"headerMode": 0, "pages": 53, "pagesByType": [50, 3],
        "playingTime": "00 : 00 : 07", "seconds": 7.026, "sets": [
        {"rateCode": 11, "codeWidth": 3, "payloadBytes": 510, "payloadBits": 0, "codesPerPage": 1360, "pageMs": 123},
        {"rateCode": 7, "codeWidth": 2, "payloadBytes": 511, "payloadBits": 4, "codesPerPage": 2046, "pageMs": 292}]})"));
}

// Seconds are cut, not rounded; hours beyond 99 keep their last two digits.
TEST(TimeText, AsThePlayerShowsIt) {
    for (const auto& [ms, text] : std::vector<std::pair<std::int64_t, std::string>>{
             {999, "00 : 00 : 00"}, {59999, "00 : 00 : 59"}, {3723000, "01 : 02 : 03"},
             {123LL * 3600000 + 4000, "23 : 00 : 04"}}) {
        EXPECT_EQ(formatPlayingTime(ms), text) << ms;
    }
}

// Off a terminal it draws nothing: the refusals' table reads standard error whole.
TEST(ProgressBarTest, DrawsOnATerminalAndClearsItsLineForAMessage) {
    std::ostringstream on, lines;
    ProgressBar p(on, true, 200, 2);
    p.advance(100);
    p.fileDone();
    p.print(lines, "a -> b");
    p.advance(100);
    p.fileDone();
    p.finish();
    EXPECT_EQ(lines.str(), "a -> b\n");
    const std::string s = on.str();
    EXPECT_NE(s.find("50%  1/2 files\r\033[K"), std::string::npos) << "a message clears the bar's line first: " << s;
    EXPECT_NE(s.find("[##############################] 100%  2/2 files\n"), std::string::npos) << s;
}

}  // namespace
}  // namespace zrc::cli
