// ZrcPlayer as a user starts it, a recording on its command line, the real libraries beside it: SDL's disk
// driver writes what Corvid plays to a file, whose sound must be the recording's playback blocks, in order,
// with nothing but silence added.
#include <QDir>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <numeric>

#include "page_road.h"
#include "test_files.h"

namespace {
bool holdsOpen(qint64 pid, const QString& file) {
    const QFileInfoList fds = QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryInfoList(QDir::Files | QDir::System);
    return std::any_of(fds.begin(), fds.end(), [&](const QFileInfo& fd) { return fd.symLinkTarget() == file; });
}

// The samples that are not silence: the driver plays silence whenever the
// queue runs dry, so only these are the player's.
std::vector<std::int16_t> sounding(std::vector<std::int16_t> samples) {
    samples.erase(std::remove(samples.begin(), samples.end(), 0), samples.end());
    return samples;
}
}  // namespace

class PlaybackSoundTest : public QObject {
    Q_OBJECT

private slots:
    void playsTheCommandLineRecordingThroughCorvid() {
        const QString sample = QStringLiteral(ZRC_SAMPLE_FILE);
        std::vector<std::uint32_t> pages(61);
        std::iota(pages.begin(), pages.end(), 0u);
        const auto expected = sounding(zrc::test::playbackBlocks(sample.toStdString(), pages));

        zrc::test::TempDir dir;
        const QString played = QString::fromStdString(dir.file("played.raw").string());
        std::filesystem::create_directory(dir.file("run"));
        ::chmod(dir.file("run").c_str(), 0700);  // the instance lock's folder, this run's own
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("ZRC_PLAYER_LIBRARY_DIR");
        env.remove("SDL_DISKAUDIODELAY");  // at the driver's own pace, as a user hears it
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.file("run").string()));
        env.insert("SDL_AUDIODRIVER", "disk");
        env.insert("SDL_DISKAUDIOFILE", played);
        QProcess player;
        player.setProcessEnvironment(env);
        player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        player.start(QStringLiteral(ZRC_PLAYER_FILE), {sample});
        QVERIFY(player.waitForStarted());

        // The device, and with it the file, is open from the header to the
        // end of the run, and the player lives on after it.
        QTRY_VERIFY_WITH_TIMEOUT(holdsOpen(player.processId(), played), 30'000);
        QTRY_VERIFY_WITH_TIMEOUT(!holdsOpen(player.processId(), played), 60'000);
        QCOMPARE(player.state(), QProcess::Running);
        player.terminate();
        QVERIFY(player.waitForFinished(10'000) && player.exitStatus() == QProcess::NormalExit && !player.exitCode());

        const auto bytes = zrc::test::readFile(dir.file("played.raw"));
        QVERIFY(bytes.size() % 2 == 0 && expected.size() > 10'000);
        std::vector<std::int16_t> heard(bytes.size() / 2);
        std::memcpy(heard.data(), bytes.data(), bytes.size());
        QVERIFY2(sounding(heard) == expected, "the sound heard is not the playback blocks, whole and in order");
    }
};

QTEST_MAIN(PlaybackSoundTest)
#include "playback_sound_test.moc"
