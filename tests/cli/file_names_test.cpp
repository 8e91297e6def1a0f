// Where zrc decode and zrc encode write, one table for both (rows are written
// for decode; encode's swap .zrc and .wav), and the outputs they refuse. Every
// output gets the permissions of a newly created file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "batch_run.h"
#include "cli_run.h"
#include "output_paths.h"
#include "signals.h"
#include "wav_builder.h"
#include "zrc_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

struct NameRow {
    std::string name;
    Names inputs;
    std::optional<std::string> output;  // -o, relative to the test's folder
    int status = kExitOk;
    Names outputs = {};      // written by the run
    std::string words = "";  // on standard output and error
    Names absent = {};       // not there after the run
    bool force = false;
    std::string setUp = "";  // "old": a.wav exists; "out": a folder; "link" to the input; "plain" file; "locked" out
};
void PrintTo(const NameRow& r, std::ostream* os) { *os << r.name; }

// .zrc <-> .wav, as the same row reads for zrc encode.
std::string swapped(std::string s) {
    static const std::map<std::string, std::string> other{{".zrc", ".wav"}, {".wav", ".zrc"}, {".ZRC", ".WAV"}};
    for (std::size_t at = s.find('.'); at != std::string::npos; at = s.find('.', at + 1)) {
        if (const auto it = other.find(s.substr(at, 4)); it != other.end()) s.replace(at, 4, it->second);
    }
    return s;
}

class FileNames : public test::CliTest, public ::testing::WithParamInterface<std::tuple<NameRow, bool>> {};

TEST_P(FileNames, GoWhereTheRulesSay) {
    const bool encoding = std::get<1>(GetParam());
    auto name = [&](const std::string& n) { return path(encoding ? swapped(n) : n); };
    const NameRow& row = std::get<0>(GetParam());
    const auto input = encoding ? test::WavFile::pcm16(11025, test::saw(3000)).bytes()
                                : test::ZrcBuilder().page(std::vector<std::uint8_t>(1360, 1), 3, 0).bytes();
    std::vector<std::string> inputs;
    for (const std::string& in : row.inputs) {
        fs::create_directories(fs::path(name(in)).parent_path());
        inputs.push_back(name(in));
        test::writeFile(inputs.back(), input);
    }
    const std::vector<std::uint8_t> old{'o', 'l', 'd'};
    if (row.setUp == "old") test::writeFile(name("a.wav"), old);
    if (row.setUp == "out" || row.setUp == "locked") fs::create_directory(m_dir.file("out"));
    if (row.setUp == "link") fs::create_symlink(inputs[0], name("link.wav"));
    if (row.setUp == "plain") test::writeFile(m_dir.file("plain"), old);
    if (row.setUp == "locked") {
        if (::geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
        fs::permissions(m_dir.file("out"), fs::perms::owner_read | fs::perms::owner_exec);
    }
    std::optional<std::string> output;
    if (row.output) output = m_dir.path().string() + "/" + (encoding ? swapped(*row.output) : *row.output);
    EncodeOptions o = test::encodeOptions(inputs);
    o.output = output;
    o.force = row.force;
    const test::Outcome r = encoding ? encode(o) : decode(inputs, output, 16, 1, row.force);
    if (row.setUp == "locked") fs::permissions(m_dir.file("out"), fs::perms::owner_all);

    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_NE((r.out + r.err).find(encoding ? swapped(row.words) : row.words), std::string::npos) << r.out << r.err;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    for (const std::string& out : row.outputs) {
        ASSERT_TRUE(fs::exists(name(out))) << out;
        EXPECT_NE(test::readFile(name(out)), old) << out;
        EXPECT_EQ(static_cast<mode_t>(fs::status(name(out)).permissions()), 0666 & ~mask) << out;
    }
    for (const std::string& gone : row.absent) EXPECT_FALSE(fs::exists(name(gone))) << gone;
    if (row.setUp == "old" && row.status != kExitOk) { EXPECT_EQ(test::readFile(name("a.wav")), old); }
    for (const std::string& in : inputs) EXPECT_EQ(test::readFile(in), input) << in;
}

const Names kStrangeNames{"voice memo 1.zrc", "Besprechung \xC3\xBC.zrc", "\xE9\x8C\xB2\xE9\x9F\xB3.zrc",
                          "r\xE9union.zrc"};

INSTANTIATE_TEST_SUITE_P(
    Rows, FileNames,
    ::testing::Combine(
        ::testing::Values(
            NameRow{"BesideTheInput", {"d.v2/a.b.ZRC", "d.v2/rec"}, {}, kExitOk, {"d.v2/a.b.wav", "d.v2/rec.wav"}},
            // UTF-8 names, and Latin-1 bytes as an old card's file system gives them.
            NameRow{"SpacesAndNonAsciiBytes", kStrangeNames, {}, kExitOk,
                    {"voice memo 1.wav", "Besprechung \xC3\xBC.wav", "\xE9\x8C\xB2\xE9\x9F\xB3.wav", "r\xE9union.wav"},
                    "r\xE9union.zrc -> "},
            NameRow{"IntoAFolder", {"a.zrc", "b.zrc"}, "out", kExitOk, {"out/a.wav", "out/b.wav"}, "", {"a.wav"}, false,
                    "out"},
            NameRow{"IntoANamedFile", {"a.zrc"}, "named.wav", kExitOk, {"named.wav"}, "", {"a.wav"}},
            NameRow{"SeveralInputsAndOneFile", {"a.zrc", "b.zrc"}, "one.wav", kExitUsage, {}, "", {"one.wav", "a.wav"}},
            NameRow{"AFolderThatIsNotThere", {"a.zrc"}, "nowhere/", kExitUsage, {}, "", {"a.wav", "nowhere"}},
            NameRow{"TwoInputsOfOneNameIntoOneFolder", {"a.zrc", "other/a.zrc"}, "out", kExitFileFailed, {"out/a.wav"},
                    "already writes", {}, false, "out"},
            NameRow{"ExistsWithoutForce", {"a.zrc"}, {}, kExitFileFailed, {}, "exists (--force overwrites it)", {},
                    false, "old"},
            NameRow{"ExistsWithForce", {"a.zrc"}, {}, kExitOk, {"a.wav"}, "", {}, true, "old"},
            NameRow{"TheInputItself", {"a.zrc"}, "a.zrc", kExitFileFailed, {}, "overwrite the input", {}, true},
            NameRow{"TheInputThroughDot", {"a.zrc"}, "./a.zrc", kExitFileFailed, {}, "overwrite the input", {}, true},
            NameRow{"TheInputThroughALink", {"a.zrc"}, "link.wav", kExitFileFailed, {}, "overwrite the input", {}, true,
                    "link"},
            NameRow{"AnotherInputOfTheRun", {"c.zrc", "c.wav"}, {}, kExitFileFailed, {}, "overwrite the input", {},
                    true},
            NameRow{"AFileForAFolder", {"a.zrc"}, "plain/out.wav", kExitFileFailed, {}, "cannot write", {}, false,
                    "plain"},
            NameRow{"AnUnwritableFolder", {"a.zrc"}, "out", kExitFileFailed, {}, "Permission denied", {"out/a.wav"},
                    false, "locked"}),
        ::testing::Bool()),
    [](const auto& p) { return std::get<0>(p.param).name + (std::get<1>(p.param) ? "_encode" : "_decode"); });

// The output takes its name only when whole: a file that took the name
// while every file of a run was written is kept, unless forced.
TEST(PendingFileTest, CommitKeepsAFileThatAppearedMeanwhile) {
    test::TempDir dir;
    const OutputTarget target{dir.file("in.zrc"), dir.file("out.wav"), {}};
    test::writeFile(target.input, {1});
    const std::vector<std::uint8_t> mine{'m', 'i', 'n', 'e'};
    std::ostringstream bar;
    ProgressBar progress(bar, false, 1, 1);
    FileSteps steps;
    steps.plan = [](InputFile&, std::vector<std::string>&) { return std::string(); };
    steps.write = [&](InputFile&, OutputFile&, std::string&) {
        test::writeFile(target.output, mine);
        return std::string();
    };
    const FileOutcome kept = runFileSteps(target, false, progress, steps);
    EXPECT_NE(kept.error.find("exists"), std::string::npos) << kept.error;
    EXPECT_EQ(test::readFile(target.output), mine);
    EXPECT_EQ(runFileSteps(target, true, progress, steps).error, "");
    EXPECT_EQ(fs::file_size(target.output), 0u);
    EXPECT_EQ(test::fileNames(dir.path()), (std::vector<std::string>{"in.zrc", "out.wav"}));
}

}  // namespace
}  // namespace zrc::cli
