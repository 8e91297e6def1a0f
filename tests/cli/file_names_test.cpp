// Where zrc decode writes and the outputs it refuses; every output gets the permissions of a newly created file. zrc
// encode names its outputs through the same steps: its tables write beside the input and into a folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "batch_run.h"
#include "cli_run.h"
#include "output_paths.h"
#include "sound_files.h"
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
    std::string setUp = "";  // "old": a.wav exists; "link" to the input (always there: a folder "out", a file "plain")
    std::optional<std::string> format = {};
};
void PrintTo(const NameRow& r, std::ostream* os) { *os << r.name; }

class FileNames : public test::CliTest, public ::testing::WithParamInterface<NameRow> {};

TEST_P(FileNames, GoWhereTheRulesSay) {
    const NameRow& row = GetParam();
    const auto input = test::ZrcBuilder().page(std::vector<std::uint8_t>(1360, 1), 3, 0).bytes();
    std::vector<std::string> inputs;
    for (const std::string& in : row.inputs) {
        fs::create_directories(fs::path(path(in)).parent_path());
        inputs.push_back(write(in, input));
    }
    const std::vector<std::uint8_t> old{'o', 'l', 'd'};
    fs::create_directory(m_dir.file("out"));
    write("plain", old);
    if (row.setUp == "old") write("a.wav", old);
    if (row.setUp == "link") fs::create_symlink(inputs[0], path("link.wav"));
    const test::Outcome r =
        decode(inputs, row.output ? std::optional(path(*row.output)) : std::nullopt, 16, 1, row.force, row.format);
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_NE((r.out + r.err).find(row.words), std::string::npos) << r.out << r.err;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    for (const std::string& out : row.outputs) {
        ASSERT_TRUE(fs::exists(path(out))) << out;
        EXPECT_NE(read(out), old) << out;
        EXPECT_EQ(static_cast<mode_t>(fs::status(path(out)).permissions()), 0666 & ~mask) << out;
        std::string extension = fs::path(out).extension().string().substr(1);
        for (char& c : extension) c = static_cast<char>(std::tolower(c));
        EXPECT_EQ(test::formatNameOf(test::readSound(path(out))), row.format.value_or(extension)) << out;
    }
    for (const std::string& gone : row.absent) EXPECT_FALSE(fs::exists(path(gone))) << gone;
    if (row.setUp == "old" && row.status != kExitOk) { EXPECT_EQ(read("a.wav"), old); }
    for (const std::string& in : inputs) EXPECT_EQ(test::readFile(in), input) << in;
}

const Names kStrangeNames{"voice memo 1.zrc", "Besprechung \xC3\xBC.zrc", "\xE9\x8C\xB2\xE9\x9F\xB3.zrc", "r\xE9union.zrc"};

INSTANTIATE_TEST_SUITE_P(
    Rows, FileNames,
    ::testing::Values(
        NameRow{"BesideTheInput", {"d.v2/a.b.ZRC", "d.v2/rec"}, {}, kExitOk, {"d.v2/a.b.wav", "d.v2/rec.wav"}},
        // UTF-8 names, and Latin-1 bytes as an old card's file system gives them.
        NameRow{"SpacesAndNonAsciiBytes", kStrangeNames, {}, kExitOk,
                {"voice memo 1.wav", "Besprechung \xC3\xBC.wav", "\xE9\x8C\xB2\xE9\x9F\xB3.wav", "r\xE9union.wav"},
                "r\xE9union.zrc -> "},
        NameRow{"IntoAFolder", {"a.zrc", "b.zrc"}, "out", kExitOk, {"out/a.wav", "out/b.wav"}, "", {"a.wav"}},
        NameRow{"IntoANamedFile", {"a.zrc"}, "named.wav", kExitOk, {"named.wav"}, "", {"a.wav"}},
        NameRow{"SeveralInputsAndOneFile", {"a.zrc", "b.zrc"}, "one.wav", kExitUsage, {}, "", {"one.wav", "a.wav"}},
        NameRow{"AFolderThatIsNotThere", {"a.zrc"}, "nowhere/", kExitUsage, {}, "", {"a.wav", "nowhere"}},
        NameRow{"TwoInputsOfOneNameIntoOneFolder", {"a.zrc", "other/a.zrc"}, "out", kExitFileFailed, {"out/a.wav"},
                "already writes"},
        NameRow{"ExistsWithoutForce", {"a.zrc"}, {}, kExitFileFailed, {}, "exists (--force overwrites it)", {},
                false, "old"},
        NameRow{"ExistsWithForce", {"a.zrc"}, {}, kExitOk, {"a.wav"}, "", {}, true, "old"},
        NameRow{"TheInputItself", {"a.zrc"}, "a.zrc", kExitFileFailed, {}, "overwrite the input", {}, true},
        NameRow{"TheInputThroughDot", {"a.zrc"}, "./a.zrc", kExitFileFailed, {}, "overwrite the input", {}, true},
        NameRow{"TheInputThroughALink", {"a.zrc"}, "link.wav", kExitFileFailed, {}, "overwrite the input", {}, true,
                "link"},
        NameRow{"AnotherInputOfTheRun", {"c.zrc", "c.wav"}, {}, kExitFileFailed, {}, "overwrite the input", {}, true},
        NameRow{"AFileForAFolder", {"a.zrc"}, "plain/out.wav", kExitFileFailed, {}, "cannot write"},
        // The format names the outputs; a named file's extension names the format, and --format wins over it.
        NameRow{"AFormatNamesTheOutputs", {"a.zrc", "b.zrc"}, {}, kExitOk, {"a.opus", "b.opus"}, "", {"a.wav"}, false,
                "", "opus"},
        NameRow{"AnUpperCaseExtension", {"a.zrc"}, "a.FLAC", kExitOk, {"a.FLAC"}},
        NameRow{"FormatOverExtension", {"a.zrc"}, "named.flac", kExitOk, {"named.flac"}, "", {}, false, "", "mp3"},
        NameRow{"AFlacForAFolder", {"a.zrc"}, "plain/out.flac", kExitFileFailed, {}, "cannot write"}),
    [](const auto& p) { return p.param.name; });

// The output takes its name only when whole: a file that took the name while every file of a run was written is kept,
// unless forced.
TEST(PendingFileTest, CommitKeepsAFileThatAppearedMeanwhile) {
    test::TempDir dir;
    const OutputTarget target{dir.file("in.zrc"), dir.file("out.wav"), {}};
    test::writeFile(target.input, {1});
    const std::vector<std::uint8_t> mine{'m'};
    std::ostringstream bar;
    ProgressBar progress(bar, false, 1, 1);
    FileSteps steps;
    steps.plan = [](InputFile&, std::vector<std::string>&) { return std::string(); };
    steps.write = [&](InputFile&, OutputFile&, std::string&) {
        test::writeFile(target.output, mine);
        return std::string();
    };
    EXPECT_NE(runFileSteps(target, false, progress, steps).error.find("exists"), std::string::npos);
    EXPECT_EQ(test::readFile(target.output), mine);
    EXPECT_EQ(runFileSteps(target, true, progress, steps).error, "");
    EXPECT_EQ(fs::file_size(target.output), 0u);
    EXPECT_EQ(test::fileNames(dir.path()), (std::vector<std::string>{"in.zrc", "out.wav"}));
}

}  // namespace
}  // namespace zrc::cli
