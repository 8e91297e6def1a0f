// zrc info: the report of a recording as text and JSON, and its errors.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "commands.h"
#include "test_files.h"
#include "time_text.h"
#include "zrc_builder.h"

namespace zrc::cli {
namespace {

using test::ZrcBuilder;

struct Output {
    int status;
    std::string out;
    std::string err;
};

class InfoCommandTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        test::writeFile(m_dir.file(name), bytes);
        return m_dir.file(name).string();
    }
    Output run(const InfoOptions& options) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int status = runInfo(options);
        std::string out = ::testing::internal::GetCapturedStdout();
        return {status, out, ::testing::internal::GetCapturedStderr()};
    }
    // 50 type-0 pages (123 ms each) and 3 type-1 pages (292 ms): 7,026 ms.
    std::string mixed() {
        ZrcBuilder b;
        for (int p = 0; p < 53; ++p) {
            const bool t1 = p % 20 == 19 || p == 52;
            b.page(std::vector<std::uint8_t>(t1 ? 2046 : 1360, 1), t1 ? 2 : 3, t1 ? 1 : 0);
        }
        return write("mixed.zrc", b.bytes());
    }
    test::TempDir m_dir;
};

TEST_F(InfoCommandTest, TextReport) {
    const Output o = run({{mixed()}, false});
    ASSERT_EQ(o.status, kExitOk) << o.err;
    EXPECT_NE(o.out.find("header mode    0"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("rate code 11, 3-bit codes, 1360 codes per page"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("rate code 7, 2-bit codes, 2046 codes per page"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("53 (type 0: 50, type 1: 3)"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("00 : 00 : 07 (7.026 s)"), std::string::npos) << o.out;
}

TEST_F(InfoCommandTest, JsonReportAndErrorsThatLetTheOthersGoOn) {
    write("notes.txt", {'n', 'o'});
    const Output o = run({{m_dir.file("absent.zrc").string(), mixed(), m_dir.file("notes.txt").string()}, true});
    EXPECT_EQ(o.status, kExitFileFailed);
    const auto j = nlohmann::json::parse(o.out);
    ASSERT_EQ(j.size(), 3u);
    EXPECT_NE(j[0]["error"].get<std::string>().find("cannot open"), std::string::npos);
    EXPECT_EQ(j[2]["error"], "not a ZRC recording");
    const auto& r = j[1];
    EXPECT_EQ(r["headerMode"], 0);
    EXPECT_EQ(r["pages"], 53);
    EXPECT_EQ(r["pagesByType"], nlohmann::json({50, 3}));
    EXPECT_EQ(r["sets"][0]["rateCode"], 11);
    EXPECT_EQ(r["sets"][1]["codesPerPage"], 2046);
    EXPECT_EQ(r["sets"][1]["pageMs"], 292);
    EXPECT_EQ(r["playingTime"], "00 : 00 : 07");
    EXPECT_DOUBLE_EQ(r["seconds"].get<double>(), 7.026);

    // One line per failed file on standard error, naming it and the reason.
    EXPECT_NE(o.err.find("absent.zrc: cannot open"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("notes.txt: not a ZRC recording"), std::string::npos) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 2);
}

TEST_F(InfoCommandTest, FolderAndEmptyRecording) {
    const Output o = run({{m_dir.path().string(), write("empty.zrc", ZrcBuilder().mode(1).bytes())}, true});
    EXPECT_EQ(o.status, kExitFileFailed);
    const auto j = nlohmann::json::parse(o.out);
    EXPECT_EQ(j[0]["error"], "cannot open: is a folder");
    EXPECT_EQ(j[1]["pages"], 0);
    EXPECT_EQ(j[1]["headerMode"], 1);
    EXPECT_EQ(j[1]["playingTime"], "00 : 00 : 00");
}

TEST(TimeText, AsThePlayerShowsIt) {
    EXPECT_EQ(formatPlayingTime(3723000), "01 : 02 : 03");
    EXPECT_EQ(formatPlayingTime(999), "00 : 00 : 00");
    EXPECT_EQ(formatPlayingTime(7011), "00 : 00 : 07");
    EXPECT_EQ(formatPlayingTime(59999), "00 : 00 : 59");
    EXPECT_EQ(formatPlayingTime(60000), "00 : 01 : 00");
    // Hours beyond 99 keep their last two digits.
    EXPECT_EQ(formatPlayingTime(123LL * 3600000 + 4000), "23 : 00 : 04");
}

}  // namespace
}  // namespace zrc::cli
