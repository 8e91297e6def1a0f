// Test playback of a WAV file (the hidden "WavPlay" button) on the doubles:
// which stretches of the file become blocks, in what order everything is
// queued, how long the run waits, and which files it refuses.
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "playback_harness.h"

using namespace zrc::player;
using namespace zrc::test;
using zrc::test::doubles::CallLog;

namespace {

using Names = std::vector<std::string>;

// What GetWavType reports: data length, rate code, sample size and the
// start of the data less one.
void describe(std::int32_t length, std::uint8_t rate, std::uint8_t sampleSize, std::uint8_t startLessOne) {
    CallLog::instance().setResult("GetWavType", length);
    auto& info = CallLog::instance().info();
    info[0] = rate;
    info[1] = sampleSize;
    info[2] = startLessOne;
}

}  // namespace

class TestPlayTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CallLog::instance().reset(); }

    void stretchesOfTheWholeData_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("startLessOne");
        QTest::addColumn<QList<int>>("stretches");  // start, length pairs
        QTest::newRow("no data") << 0 << 11 << 43 << QList<int>{};
        QTest::newRow("less than one stretch") << 999 << 11 << 43 << QList<int>{44, 999};
        QTest::newRow("2,500 bytes: the tail of 500 too") << 2500 << 11 << 43
                                                          << QList<int>{44, 1000, 1044, 1000, 2044, 500};
        QTest::newRow("3,500 bytes") << 3500 << 8 << 43
                                     << QList<int>{44, 1000, 1044, 1000, 2044, 1000, 3044, 500};
        QTest::newRow("whole stretches, data at 100") << 3000 << 8 << 99
                                                      << QList<int>{100, 1000, 1100, 1000, 2100, 1000};
    }
    void stretchesOfTheWholeData() {
        QFETCH(int, length);
        QFETCH(int, rate);
        QFETCH(int, startLessOne);
        QFETCH(QList<int>, stretches);
        PlayerHarness h;
        h.started();
        h.controls().Text1->setText(QStringLiteral("speech.wav"));
        const PlayerState before = h.form.state();
        describe(length, static_cast<std::uint8_t>(rate), 2, static_cast<std::uint8_t>(startLessOne));
        Sound sound;

        h.controls().TestWavPlay->click();

        const std::size_t blocks = static_cast<std::size_t>(stretches.size() / 2);
        Names expected{"WavStop", "WavDestroy", "WavCreate", "GetWavType", "SoundSet11k16bit", "WavAddPlayData"};
        for (std::size_t k = 0; k < blocks; ++k) {
            expected.push_back("PcmWavPlay");
            expected.push_back("WavAddPlayData");
        }
        Names calls = CallLog::instance().functions();
        // The wait polls until the sound is over, then shuts the output.
        QCOMPARE(Names(calls.end() - 3, calls.end()), (Names{"WavNowPlay", "WavStop", "WavDestroy"}));
        calls.erase(std::remove(calls.begin(), calls.end(), "WavNowPlay"), calls.end());
        expected.push_back("WavStop");
        expected.push_back("WavDestroy");
        QCOMPARE(calls, expected);
        QCOMPARE(sound.played(), static_cast<int>(blocks));

        QCOMPARE(CallLog::instance().callsOf("GetWavType")[0].args[0], std::string("speech.wav"));
        QCOMPARE(CallLog::instance().callsOf("SoundSet11k16bit")[0].args[1], std::to_string(rate));
        const auto reads = CallLog::instance().callsOf("PcmWavPlay");
        const auto& queued = CallLog::instance().queued();
        QCOMPARE(queued.size(), blocks + 1);
        QVERIFY(queued[0].header);
        QCOMPARE(queued[0].length, 10000);
        for (std::size_t k = 0; k < blocks; ++k) {
            const Names args = reads[k].args;
            QCOMPARE(args[0], std::string("speech.wav"));
            QCOMPARE(args[1], std::string("2"));
            QCOMPARE(args[2], std::to_string(stretches[static_cast<qsizetype>(2 * k)]));
            QCOMPARE(args[3], std::to_string(stretches[static_cast<qsizetype>(2 * k + 1)]));
            // Each block is queued with the size PcmWavPlay gave it (the
            // double makes 2 bytes per byte asked for).
            QCOMPARE(queued[k + 1].length, 2 * stretches[static_cast<qsizetype>(2 * k + 1)]);
        }

        // Nothing of the window's playback state is touched.
        const PlayerState& after = h.form.state();
        QCOMPARE(after.FileName, before.FileName);
        QCOMPARE(after.StartPage, before.StartPage);
        QVERIFY(h.dialogs.boxes().empty());
    }

    void refusedFiles_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("rate");
        QTest::newRow("cannot open") << -1 << 0;
        QTest::newRow("not 11 or 8 kHz mono PCM") << -20 << 0;
        QTest::newRow("data beyond offset 256") << -40 << 0;
        QTest::newRow("a rate code without a header") << 5000 << 9;
    }
    void refusedFiles() {
        QFETCH(int, length);
        QFETCH(int, rate);
        PlayerHarness h;
        h.started();
        describe(length, static_cast<std::uint8_t>(rate), 2, 43);
        Sound sound;

        h.controls().TestWavPlay->click();

        QVERIFY(h.shownOneBox(kMsg[6], MsgBoxStyle::CancelTryAgainContinue, kMsg[4]));
        QCOMPARE(CallLog::instance().functions(),
                 (Names{"WavStop", "WavDestroy", "WavCreate", "GetWavType", "WavStop", "WavDestroy"}));
        QCOMPARE(CallLog::instance().callsOf("GetWavType")[0].args[0], std::string("OC11k16b.wav"));
    }

    void stopEndsTheWait() {
        PlayerHarness h;
        h.started();
        describe(50'000, 11, 2, 43);
        Sound sound(1'000'000);
        sound.atPlayed(0, [&] {
            CallLog::instance().record("Stop pressed", {});
            h.controls().StopX->click();
        });

        h.controls().TestWavPlay->click();

        QCOMPARE(CallLog::instance().callsOf("PcmWavPlay").size(), std::size_t{50});
        QCOMPARE(sound.played(), 0);
        // Stop shuts the output and polls once; the wait's next poll sees the
        // end.
        const Names calls = CallLog::instance().functions();
        const auto stop = std::find(calls.begin(), calls.end(), "Stop pressed");
        QCOMPARE(Names(stop, calls.end()), (Names{"Stop pressed", "WavStop", "WavDestroy", "WavNowPlay", "WavNowPlay",
                                                  "WavStop", "WavDestroy"}));
    }
};

QTEST_MAIN(TestPlayTest)
#include "testplay_test.moc"
