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
#include <optional>
#include <vector>

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

using Block = std::vector<std::uint8_t>;

// Where each block stands in `heard`, in order amid silence; empty when
// they do not. Silence between blocks only moves when a page is heard.
std::optional<std::vector<std::size_t>> placeBlocks(const Block& heard, const std::vector<Block>& blocks) {
    std::vector<std::size_t> starts;
    std::size_t at = 0;
    for (const Block& block : blocks) {
        const auto lead = static_cast<std::size_t>(std::find_if(block.begin(), block.end(), [](auto b) { return b != 0; }) -
                                                   block.begin());
        std::size_t nonzero = at;
        while (nonzero < heard.size() && heard[nonzero] == 0) ++nonzero;
        // A silent block stands right where the previous one ended.
        const std::size_t start = lead == block.size() ? at : nonzero - std::min(lead, nonzero);
        if (start < at || start + block.size() > heard.size() ||
            !std::equal(block.begin(), block.end(), heard.begin() + static_cast<std::ptrdiff_t>(start))) {
            return std::nullopt;
        }
        starts.push_back(start);
        at = start + block.size();
    }
    if (std::any_of(heard.begin() + static_cast<std::ptrdiff_t>(at), heard.end(), [](auto b) { return b != 0; })) {
        return std::nullopt;
    }
    return starts;
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
        const auto decode = reinterpret_cast<decltype(&::pb_exdata)>(codec.resolve("pb_exdata"));
        const auto readPage = reinterpret_cast<decltype(&::play_1pagerd)>(codec.resolve("play_1pagerd"));
        const auto inspect = reinterpret_cast<decltype(&::play_splpget)>(codec.resolve("play_splpget"));
        using PageDecoder = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*, void**,
                                             std::int32_t);
        const auto decodePage = reinterpret_cast<PageDecoder>(codec.resolve("pb_adpcm_dec"));
        QVERIFY(decode != nullptr && readPage != nullptr && inspect != nullptr && decodePage != nullptr);
        const QByteArray sample = QByteArrayLiteral(ZRC_SAMPLE_FILE);
        const RecordingInfo info = inspect(sample.constData());
        QCOMPARE(info.pageCount, 61u);
        std::vector<Block> expected;
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
            expected.emplace_back(bytes, bytes + 2 * samples);
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
        // At the driver's own pace, real time, as a user hears it.
        env.remove(QStringLiteral("SDL_DISKAUDIODELAY"));

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

        const Block heard = zrc::test::readFile(dir.file("played.raw"));
        const std::optional<std::vector<std::size_t>> starts = placeBlocks(heard, expected);
        QVERIFY2(starts, "the captured sound is not the playback blocks, whole and in order, amid silence");
    }
};

QTEST_MAIN(PlaybackSoundTest)
#include "playback_sound_test.moc"
