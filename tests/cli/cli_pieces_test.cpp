// The pieces other subcommands reuse: output naming and safety (also as
// zrc decode and zrc encode apply them), the temporary file, parallel jobs
// and the progress bar.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "commands.h"
#include "output_paths.h"
#include "parallel_jobs.h"
#include "progress_bar.h"
#include "test_files.h"
#include "wav_builder.h"
#include "zrc_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;

TEST(OutputNames, DefaultReplacesTheExtension) {
    EXPECT_EQ(defaultOutputPath("rec.zrc", ".wav"), fs::path("rec.wav"));
    EXPECT_EQ(defaultOutputPath("dir/rec.ZRC", ".wav"), fs::path("dir/rec.wav"));
    EXPECT_EQ(defaultOutputPath("dir.v2/rec", ".wav"), fs::path("dir.v2/rec.wav"));
    EXPECT_EQ(defaultOutputPath("a.b.zrc", ".wav"), fs::path("a.b.wav"));
}

class OutputPlanTest : public ::testing::Test {
protected:
    fs::path touch(const std::string& name) {
        test::writeFile(m_dir.file(name), {0});
        return m_dir.file(name);
    }
    test::TempDir m_dir;
};

TEST_F(OutputPlanTest, AnOutputThatIsAnotherInputOfTheRunIsRefused) {
    const auto c = touch("c.wav");
    const auto d = touch("c.zrc");
    const auto withInput = planOutputs({d, c}, std::nullopt, true, ".wav");
    EXPECT_NE(withInput.targets[0].error.find("overwrite the input"), std::string::npos);
}

// Both commands, each with an input it takes, through the same rules.
struct Command {
    std::string name, inExt, outExt;
    std::vector<std::uint8_t> input;
    int (*run)(const std::vector<std::string>&, const std::optional<std::string>&, bool force);
};
void PrintTo(const Command& c, std::ostream* os) { *os << c.name; }

int decodeRun(const std::vector<std::string>& files, const std::optional<std::string>& output, bool force) {
    return runDecode({files, output, 16, 1, force});
}
int encodeRun(const std::vector<std::string>& files, const std::optional<std::string>& output, bool force) {
    EncodeOptions o;
    o.files = files;
    o.output = output;
    o.force = force;
    return runEncode(o);
}

class OutputRulesTest : public OutputPlanTest, public ::testing::WithParamInterface<Command> {
protected:
    struct Result {
        int status;
        std::string err;
    };
    Result run(const std::optional<std::string>& output, bool force) {
        ::testing::internal::CaptureStderr();
        ::testing::internal::CaptureStdout();
        const int status = GetParam().run({input().string()}, output, force);
        ::testing::internal::GetCapturedStdout();
        return {status, ::testing::internal::GetCapturedStderr()};
    }
    fs::path input() const { return m_dir.file("rec" + GetParam().inExt); }
    fs::path output() const { return m_dir.file("rec" + GetParam().outExt); }
    void SetUp() override { test::writeFile(input(), GetParam().input); }
};

TEST_P(OutputRulesTest, NeverOverwritesWithoutForceNorItsInput) {
    const std::vector<std::uint8_t> old{'o', 'l', 'd'};
    test::writeFile(output(), old);
    Result r = run(std::nullopt, false);
    EXPECT_EQ(r.status, kExitFileFailed);
    EXPECT_NE(r.err.find("exists (--force overwrites it)"), std::string::npos) << r.err;
    EXPECT_EQ(test::readFile(output()), old);

    ASSERT_EQ(run(m_dir.file("fresh" + GetParam().outExt).string(), false).status, kExitOk);
    r = run(std::nullopt, true);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(test::readFile(output()), test::readFile(m_dir.file("fresh" + GetParam().outExt)));

    // Not even with --force, and not through another spelling of the path.
    fs::create_symlink(input(), m_dir.file("link" + GetParam().outExt));
    for (const fs::path& same : {input(), m_dir.path() / "." / input().filename(), m_dir.file("link" + GetParam().outExt)}) {
        r = run(same.string(), true);
        EXPECT_EQ(r.status, kExitFileFailed) << same;
        EXPECT_NE(r.err.find("overwrite the input"), std::string::npos) << r.err;
        EXPECT_EQ(test::readFile(input()), GetParam().input);
    }
}

TEST_P(OutputRulesTest, UnwritableOutputFolderFails) {
    // A "folder" that is a file cannot take a new file, whoever runs this.
    test::writeFile(m_dir.file("plain"), {1, 2, 3});
    Result r = run(m_dir.file("plain").string() + "/out" + GetParam().outExt, false);
    EXPECT_EQ(r.status, kExitFileFailed);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;

    if (::geteuid() != 0) {  // root writes anywhere
        fs::create_directory(m_dir.file("locked"));
        fs::permissions(m_dir.file("locked"), fs::perms::owner_read | fs::perms::owner_exec);
        r = run(m_dir.file("locked").string(), false);
        EXPECT_EQ(r.status, kExitFileFailed);
        EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
        EXPECT_TRUE(fs::is_empty(m_dir.file("locked")));
        fs::permissions(m_dir.file("locked"), fs::perms::owner_all);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, OutputRulesTest,
    ::testing::Values(Command{"decode", ".zrc", ".wav",
                              test::ZrcBuilder().page(std::vector<std::uint8_t>(1360, 1), 3, 0).bytes(), decodeRun},
                      Command{"encode", ".wav", ".zrc",
                              test::WavFile::pcm16(11025, std::vector<std::int16_t>(3000, 700)).bytes(), encodeRun}),
    [](const auto& p) { return p.param.name; });

TEST_F(OutputPlanTest, AFolderThatIsNotThereIsAUsageError) {
    // Several inputs and one file: decode_command_test.cpp.
    const auto a = touch("a.zrc");
    EXPECT_FALSE(planOutputs({a}, fs::path(m_dir.file("nowhere").string() + "/"), false, ".wav").error.empty());
}

TEST_F(OutputPlanTest, PendingFileAppearsOnlyOnCommit) {
    const auto target = m_dir.file("out.wav");
    {
        PendingFile pending(target);
        ASSERT_TRUE(pending.isOpen()) << pending.error();
        EXPECT_EQ(pending.temporaryPath().parent_path(), m_dir.path());
        EXPECT_TRUE(fs::exists(pending.temporaryPath()));
        EXPECT_FALSE(fs::exists(target));
    }
    EXPECT_TRUE(fs::is_empty(m_dir.path())) << "dropped uncommitted, nothing stays";

    PendingFile pending(target);
    const auto temporary = pending.temporaryPath();
    ASSERT_TRUE(pending.commit(false)) << pending.error();
    EXPECT_TRUE(fs::exists(target));
    EXPECT_FALSE(fs::exists(temporary));
    // A newly created file's permissions, not the temporary file's 0600.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(target).permissions()), 0666 & ~mask);
}

TEST_F(OutputPlanTest, CommitKeepsAFileThatAppearedMeanwhile) {
    const auto target = m_dir.file("out.wav");
    PendingFile pending(target);
    ASSERT_TRUE(pending.isOpen());
    test::writeFile(target, {'m', 'i', 'n', 'e'});
    EXPECT_FALSE(pending.commit(false));
    EXPECT_NE(pending.error().find("exists"), std::string::npos);
    EXPECT_EQ(test::readFile(target), (std::vector<std::uint8_t>{'m', 'i', 'n', 'e'}));

    PendingFile forced(target);
    ASSERT_TRUE(forced.commit(true));
    EXPECT_EQ(fs::file_size(target), 0u);
}

TEST(ParallelJobs, EveryIndexOnceOnSeveralThreads) {
    for (unsigned workers : {1u, 3u, 64u}) {
        std::vector<std::atomic<int>> hits(500);
        std::mutex m;
        std::set<std::thread::id> threads;
        runParallel(hits.size(), workers, [&](std::size_t i) {
            ++hits[i];
            std::lock_guard lock(m);
            threads.insert(std::this_thread::get_id());
        });
        for (std::size_t i = 0; i < hits.size(); ++i) ASSERT_EQ(hits[i].load(), 1) << i;
        EXPECT_LE(threads.size(), workers);
    }
    runParallel(0, 4, [](std::size_t) { FAIL() << "no job to run"; });
}

TEST(ParallelJobs, AnExceptionComesBackAfterTheOthersRan) {
    std::atomic<int> ran{0};
    EXPECT_THROW(runParallel(20, 3,
                             [&](std::size_t i) {
                                 ++ran;
                                 if (i == 5) throw std::runtime_error("job failed");
                             }),
                 std::runtime_error);
    EXPECT_EQ(ran.load(), 20);
}

TEST(ProgressBarTest, DrawsOnlyWhenEnabled) {
    std::ostringstream bar, lines;
    {
        ProgressBar off(bar, false, 100, 2);
        off.advance(50);
        off.print(lines, "a -> b");
        off.fileDone();
    }
    EXPECT_EQ(bar.str(), "");
    EXPECT_EQ(lines.str(), "a -> b\n");

    std::ostringstream on;
    {
        ProgressBar p(on, true, 200, 2);
        p.advance(100);
        p.fileDone();
        p.print(lines, "message");
        p.advance(100);
        p.fileDone();
        p.finish();
    }
    const std::string s = on.str();
    EXPECT_NE(s.find("50%  1/2 files"), std::string::npos) << s;
    EXPECT_NE(s.find("\r\033[K"), std::string::npos) << "a message clears the bar's line first";
    EXPECT_NE(s.find("[##############################] 100%  2/2 files\n"), std::string::npos) << s;
    EXPECT_EQ(s.back(), '\n');
}

}  // namespace
}  // namespace zrc::cli
