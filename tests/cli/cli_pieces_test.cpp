// The pieces other subcommands reuse: output naming and safety, the
// temporary file, parallel jobs and the progress bar.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "output_paths.h"
#include "parallel_jobs.h"
#include "progress_bar.h"
#include "test_files.h"

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

TEST_F(OutputPlanTest, RefusalsPerInput) {
    const auto a = touch("a.zrc");
    const auto b = touch("b.zrc");
    touch("b.wav");
    const auto plan = planOutputs({a, b}, std::nullopt, false, ".wav");
    ASSERT_TRUE(plan.error.empty());
    EXPECT_EQ(plan.targets[0].output, m_dir.file("a.wav"));
    EXPECT_TRUE(plan.targets[0].error.empty());
    EXPECT_NE(plan.targets[1].error.find("exists"), std::string::npos);
    EXPECT_TRUE(planOutputs({b}, std::nullopt, true, ".wav").targets[0].error.empty());

    // An output that is another input of the run is refused too.
    const auto c = touch("c.wav");
    const auto d = touch("c.zrc");
    const auto withInput = planOutputs({d, c}, std::nullopt, true, ".wav");
    EXPECT_NE(withInput.targets[0].error.find("overwrite the input"), std::string::npos);
}

TEST_F(OutputPlanTest, UsageErrors) {
    const auto a = touch("a.zrc");
    const auto b = touch("b.zrc");
    EXPECT_FALSE(planOutputs({a, b}, m_dir.file("x.wav"), false, ".wav").error.empty());
    EXPECT_FALSE(planOutputs({a}, fs::path(m_dir.file("nowhere").string() + "/"), false, ".wav").error.empty());
    EXPECT_TRUE(planOutputs({a, b}, m_dir.path(), true, ".wav").error.empty());
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
