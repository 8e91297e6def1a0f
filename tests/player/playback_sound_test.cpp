// ZrcPlayer as a user starts it, with a recording on its command line and
// the real libraries beside it: SDL's disk driver writes what Corvid plays
// to a file, which must hold the recording's playback blocks, in order, and
// nothing else but silence around them.
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "pagecodec.h"
#include "test_files.h"

using zrc::test::TempDir;

namespace {

QString qpath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// Whether process `pid` holds `file` open.
bool holdsOpen(qint64 pid, const QString& file) {
    const QFileInfoList fds = QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryInfoList(QDir::Files | QDir::System);
    return std::any_of(fds.begin(), fds.end(), [&](const QFileInfo& fd) { return fd.symLinkTarget() == file; });
}

// Polls `done` every 50 ms for at most `ms`.
template <typename Done>
bool waitFor(Done done, int ms) {
    for (int waited = 0; waited < ms; waited += 50) {
        if (done()) return true;
        QTest::qWait(50);
    }
    return done();
}

}  // namespace

class PlaybackSoundTest : public QObject {
    Q_OBJECT

private slots:
    void playsTheCommandLineRecordingThroughCorvid() {
        // What the player should hear: every page of the sample through the
        // codec's page road, from the decoder's reset state.
        QLibrary codec(QStringLiteral(ZRC_PAGECODEC_FILE));
        QLibrary orvel(QStringLiteral(ZRC_ORVEL_FILE));
        QStringList missing;
        for (const char* name : {"SoundSet11k16bit", "pb_adpcm_dec"}) {
            if (orvel.resolve(name) == nullptr) missing << QStringLiteral("Orvel's %1").arg(QLatin1String(name));
        }
        const auto decode = reinterpret_cast<decltype(&::pb_exdata)>(codec.resolve("pb_exdata"));
        const auto readPage = reinterpret_cast<decltype(&::play_1pagerd)>(codec.resolve("play_1pagerd"));
        const auto inspect = reinterpret_cast<decltype(&::play_splpget)>(codec.resolve("play_splpget"));
        using PageDecoder = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*, void**,
                                             std::int32_t);
        const auto decodePage = reinterpret_cast<PageDecoder>(codec.resolve("pb_adpcm_dec"));
        if (decodePage == nullptr) missing << QStringLiteral("PageCodec's pb_adpcm_dec");
        if (!missing.isEmpty()) {
            QSKIP(qPrintable(QStringLiteral("the playback decoder is not built yet: no %1")
                                 .arg(missing.join(QStringLiteral(", no ")))));
        }
        QVERIFY(decode != nullptr && readPage != nullptr && inspect != nullptr);

        const QByteArray sample = QByteArrayLiteral(ZRC_SAMPLE_FILE);
        const RecordingInfo info = inspect(sample.constData());
        QCOMPARE(info.pageCount, 61u);
        std::vector<std::uint8_t> expected;
        std::uint8_t page[528];
        std::uint8_t codes[2048];
        decodePage(info.rate0, info.bits0, 0, codes, nullptr, 1);
        for (std::int32_t k = 0; k < static_cast<std::int32_t>(info.pageCount); ++k) {
            const bool type1 = readPage(sample.constData(), k, page) == 5;
            const auto width = static_cast<std::int16_t>(type1 ? info.bits1 : info.bits0);
            const std::int16_t n =
                decode(width, static_cast<std::int16_t>(type1 ? info.payloadBytes1 : info.payloadBytes0),
                       static_cast<std::int16_t>(type1 ? info.payloadBits1 : info.payloadBits0), page, codes);
            void* block = nullptr;
            const std::int32_t samples = decodePage(type1 ? info.rate1 : info.rate0, width, n, codes, &block, 0);
            QVERIFY(block != nullptr && samples > 0);
            const auto* bytes = static_cast<const std::uint8_t*>(block);
            expected.insert(expected.end(), bytes, bytes + 2 * samples);
            std::free(block);
        }

        TempDir dir;
        const QString played = qpath(dir.file("played.raw"));
        const auto runtime = dir.file("run");
        std::filesystem::create_directory(runtime);
        ::chmod(runtime.c_str(), 0700);  // the instance lock's folder, this run's own
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("ZRC_PLAYER_LIBRARY_DIR"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), qpath(runtime));
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("disk"));
        env.insert(QStringLiteral("SDL_DISKAUDIOFILE"), played);
        // 20 ms for every device buffer of 46 ms: about twice real time.
        env.insert(QStringLiteral("SDL_DISKAUDIODELAY"), QStringLiteral("20"));

        QProcess player;
        player.setProcessEnvironment(env);
        player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        player.start(QStringLiteral(ZRC_PLAYER_FILE), {QString::fromLatin1(sample)});
        QVERIFY(player.waitForStarted());
        const qint64 pid = player.processId();

        // The device, and with it the file, is open from the header to the
        // end of the run.
        QVERIFY2(waitFor([&] { return holdsOpen(pid, played); }, 30'000), "the playback never started");
        QVERIFY2(waitFor([&] { return !holdsOpen(pid, played); }, 60'000), "the playback never ended");
        QCOMPARE(player.state(), QProcess::Running);

        player.terminate();
        QVERIFY2(player.waitForFinished(10'000), "the player did not end when asked");
        QCOMPARE(player.exitStatus(), QProcess::NormalExit);
        QCOMPARE(player.exitCode(), 0);

        const std::vector<std::uint8_t> heard = zrc::test::readFile(dir.file("played.raw"));
        qInfo("captured %zu bytes; the sample's playback blocks are %zu bytes", heard.size(), expected.size());
        const auto at = std::search(heard.begin(), heard.end(), expected.begin(), expected.end());
        QVERIFY2(at != heard.end(), "the playback blocks are not in the captured sound, whole and in order");
        const auto silent = [](std::uint8_t b) { return b == 0; };
        QVERIFY2(std::all_of(heard.begin(), at, silent), "sound before the playback blocks");
        QVERIFY2(std::all_of(at + static_cast<std::ptrdiff_t>(expected.size()), heard.end(), silent),
                 "sound after the playback blocks");
    }
};

QTEST_MAIN(PlaybackSoundTest)
#include "playback_sound_test.moc"
