// The playback engine and the transport offscreen: the real PageCodec reads
// numbered recordings, the Orvel double turns each page's codes into a block
// that names its page, and the Corvid double plays at the pace of the
// engine's own polls (see Sound).
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "playback_harness.h"
#include "playback_rules.h"

using namespace zrc::player;
using namespace zrc::test;
using zrc::test::doubles::CallLog;

namespace {

using Names = std::vector<std::string>;

std::vector<int> headerSelectors() {
    std::vector<int> selectors;
    for (const auto& call : CallLog::instance().callsOf("SoundSet11k16bit")) selectors.push_back(std::stoi(call.args[1]));
    return selectors;
}

// The mode argument of every pb_adpcm_dec call, in order.
std::vector<int> decoderModes() {
    std::vector<int> modes;
    for (const auto& call : CallLog::instance().callsOf("pb_adpcm_dec")) modes.push_back(std::stoi(call.args[5]));
    return modes;
}

// Calls to the wave output from the last one named `marker` on.
Names callsSince(const std::string& marker) {
    const Names all = CallLog::instance().functions();
    const auto from = std::find(all.rbegin(), all.rend(), marker);
    return from == all.rend() ? Names{} : Names(from.base() - 1, all.end());
}

Names lastCalls(std::size_t n) {
    const Names all = CallLog::instance().functions();
    return Names(all.end() - static_cast<std::ptrdiff_t>(std::min(n, all.size())), all.end());
}

bool idle(const Form1Controls& c) {
    for (QPushButton* b : {c.PlayX, c.CueX, c.RevX, c.StopX}) {
        if (!b->isEnabled() || b->isHidden()) return false;
    }
    return c.Cancelx->isHidden();
}

// Which of PlayX, CueX, RevX and StopX are enabled.
std::vector<bool> enabledButtons(const Form1Controls& c) {
    return {c.PlayX->isEnabled(), c.CueX->isEnabled(), c.RevX->isEnabled(), c.StopX->isEnabled()};
}

// A run in progress with nothing left to stop it would never return: after
// `ms` this presses Stop, and the test fails.
class Deadline {
public:
    Deadline(Form1& form, int ms) {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, &form, [&form, this] {
            m_expired = true;
            form.StopX_Click();
        });
        m_timer.start(ms);
    }
    bool expired() const { return m_expired; }

private:
    QTimer m_timer;
    bool m_expired = false;
};

}  // namespace

class PlaybackTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CallLog::instance().reset(); }

    // --- Runs to the end -----------------------------------------------

    void runsToTheEnd_data() {
        QTest::addColumn<int>("mode");  // 0 play, 1 cue, -1 review
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("start");
        QTest::newRow("play from page 0") << 0 << 14 << 0;
        QTest::newRow("cue from page 4") << 1 << 14 << 4;
        QTest::newRow("play from the last page") << 0 << 14 << 13;
        QTest::newRow("play a recording of one page") << 0 << 1 << 0;
        QTest::newRow("review from page 5") << -1 << 12 << 5;
    }
    void runsToTheEnd() {
        QFETCH(int, mode);
        QFETCH(int, pages);
        QFETCH(int, start);
        PlayerHarness h;
        h.started();
        h.open(h.write("memo.zrc", numberedRecording(pages)));
        const Form1Controls c = h.controls();
        c.PlaySlider->setValue(start);
        Sound sound;
        std::vector<bool> during;
        sound.atPlayed(0, [&] { during = enabledButtons(c); });
        Deadline deadline(h.form, 10'000);

        (mode == 0 ? c.PlayX : mode == 1 ? c.CueX : c.RevX)->click();

        QVERIFY(!deadline.expired());
        QCOMPARE(pagesQueued(), pageRange(start, mode < 0 ? 0 : pages - 1));
        QCOMPARE(headerSelectors(), std::vector<int>{mode == 0 ? 11 : 22});
        const auto& first = CallLog::instance().queued().front();
        QVERIFY(first.header);
        QCOMPARE(first.length, 10000);
        // Forward, one block of three is queued when at most one queued page
        // is left unheard: four at most, and four when the recording is long
        // enough.
        if (mode >= 0) QVERIFY(sound.mostAhead() <= 4);
        if (mode >= 0 && pages - start >= 6) QCOMPARE(sound.mostAhead(), 4);
        // A reset before the first page, none after.
        const std::vector<int> modes = decoderModes();
        QCOMPARE(modes.size(), pagesQueued().size() + 1);
        QCOMPARE(modes.front(), 1);
        QCOMPARE(std::count(modes.begin(), modes.end(), 1), 1);

        // The running mode's own button is the one disabled.
        QCOMPARE(during, (std::vector<bool>{mode != 0, mode != 1, mode != -1, true}));
        // Finished: the slider is back at page 0.
        QCOMPARE(lastCalls(2), (Names{"WavStop", "WavDestroy"}));
        QCOMPARE(c.PlaySlider->value(), 0);
        QVERIFY(h.form.controls().PlayTimeLabel->text().startsWith(QStringLiteral("[00 : 00 : 00 / ")));
        QVERIFY(idle(c));
        QVERIFY(!h.form.playback().playing());
        QCOMPARE(h.form.state().PlayMode, std::int16_t(mode));
        QCOMPARE(h.form.state().StartPage, start);
        QVERIFY(h.dialogs.boxes().empty());
    }

    void reviewAtPageZeroPlaysNothing() {
        PlayerHarness h;
        h.started();
        h.open(h.write("memo.zrc", numberedRecording(12)));
        const Form1Controls c = h.controls();
        Sound sound;

        c.RevX->click();

        QVERIFY(pagesQueued().empty());
        QVERIFY(CallLog::instance().callsOf("pb_adpcm_dec").empty());
        QCOMPARE(lastCalls(2), (Names{"WavStop", "WavDestroy"}));
        QVERIFY(c.PlayX->isEnabled() && c.CueX->isEnabled() && c.RevX->isEnabled());
        QVERIFY(h.dialogs.boxes().empty());
    }

    // The two end waits also end when the sound has run out, which the
    // count need not show on its way.
    void endWaitsEndWhenTheSoundIsOver_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("blocks");
        QTest::newRow("end of recording") << 0 << 0 << 10;
        QTest::newRow("start of recording") << -1 << 5 << 6;
    }
    void endWaitsEndWhenTheSoundIsOver() {
        QFETCH(int, mode);
        QFETCH(int, start);
        QFETCH(int, blocks);
        PlayerHarness h;
        h.started();
        h.open(h.write("memo.zrc", numberedRecording(10)));
        const Form1Controls c = h.controls();
        c.PlaySlider->setValue(start);
        Sound sound;
        sound.runsOutAfter(blocks);
        Deadline deadline(h.form, 3'000);

        (mode == 0 ? c.PlayX : c.RevX)->click();

        QVERIFY(!deadline.expired());
        QCOMPARE(static_cast<int>(pagesQueued().size()), blocks);
        QCOMPARE(c.PlaySlider->value(), 0);
        QVERIFY(idle(c));
    }

    void shrunkRecordingPlaysToItsNewEnd() {
        PlayerHarness h;
        h.started();
        const auto path = h.write("memo.zrc", numberedRecording(20));
        h.open(path);
        h.controls().PlaySlider->setValue(15);
        writeFile(path, numberedRecording(10));
        Sound sound;
        Deadline deadline(h.form, 3'000);

        h.controls().PlayX->click();

        QVERIFY(!deadline.expired());
        QCOMPARE(pagesQueued(), std::vector<int>{9});
        QCOMPARE(h.controls().PlaySlider->maximum(), 9);
        QCOMPARE(h.form.state().StartPage, 9);
    }

    void pagesDecodeWithTheirOwnParameterSet() {
        PlayerHarness h;
        h.started();
        ZrcBuilder builder;
        const std::vector<int> types{0, 1, 1, 0, 1};
        for (int type : types) {
            if (type == 1) {
                builder.page(std::vector<std::uint8_t>(2046, 1), 2, 0x01);
            } else {
                builder.page(std::vector<std::uint8_t>(1360, 2), 3, 0x00);
            }
        }
        h.open(h.write("mixed.zrc", builder.bytes()));
        Sound sound;

        h.controls().PlayX->click();

        std::vector<Names> decoded;
        for (const auto& call : CallLog::instance().callsOf("pb_adpcm_dec")) {
            if (call.args[5] == "0") decoded.push_back({call.args[0], call.args[1], call.args[2]});
        }
        std::vector<Names> expected;
        for (int type : types) expected.push_back(type == 1 ? Names{"7", "2", "2046"} : Names{"11", "3", "1360"});
        QCOMPARE(decoded, expected);
    }

    void parameterSetOfAPage_data() {
        QTest::addColumn<int>("result");    // -100: the reader could not be called
        QTest::addColumn<int>("previous");  // -1: first page of the run
        QTest::addColumn<int>("set");
        QTest::newRow("type-0 page") << 0 << 1 << 0;
        QTest::newRow("type-1 page") << 5 << 0 << 1;
        QTest::newRow("unreadable page keeps set 1") << 1 << 1 << 1;
        QTest::newRow("unreadable page keeps set 0") << 1 << 0 << 0;
        QTest::newRow("unreadable first page takes set 0") << 1 << -1 << 0;
        QTest::newRow("no reader, first page") << -100 << -1 << 0;
        QTest::newRow("no reader keeps set 1") << -100 << 1 << 1;
    }
    void parameterSetOfAPage() {
        QFETCH(int, result);
        QFETCH(int, previous);
        QFETCH(int, set);
        const auto read = result == -100 ? std::nullopt : std::optional<std::int16_t>(static_cast<std::int16_t>(result));
        QCOMPARE(parameterSetOf(read, previous < 0 ? std::nullopt : std::optional<int>(previous)), set);
    }

    // --- Runs that stop ------------------------------------------------

    void stopKeepsThePosition_data() {
        QTest::addColumn<bool>("inEndWait");
        QTest::newRow("while playing") << false;
        QTest::newRow("in the end-of-recording wait") << true;
    }
    void stopKeepsThePosition() {
        QFETCH(bool, inEndWait);
        PlayerHarness h;
        h.started();
        h.open(h.write("memo.zrc", numberedRecording(20)));
        const Form1Controls c = h.controls();
        auto sound = std::make_unique<Sound>();
        int stoppedAt = -1;
        const auto stop = [&] {
            stoppedAt = c.PlaySlider->value();
            CallLog::instance().record("Stop pressed", {});
            c.StopX->click();
        };
        if (inEndWait) {
            sound->when([](const auto& w, int) { return w.dataBlocks == 20; }, stop);
        } else {
            sound->atPlayed(5, stop);
        }

        c.PlayX->click();

        QVERIFY(stoppedAt > 0);
        QVERIFY(!pagesQueued().empty());
        QCOMPARE(pagesQueued(), pageRange(0, static_cast<int>(pagesQueued().size()) - 1));
        // Stop shuts the output, waits, polls once; the run then takes its
        // stop exit, and queues nothing more.
        QCOMPARE(callsSince("Stop pressed"),
                 (Names{"Stop pressed", "WavStop", "WavDestroy", "WavNowPlay", "WavStop", "WavDestroy"}));
        QCOMPARE(c.PlaySlider->value(), stoppedAt);
        QCOMPARE(h.form.state().StartPage, stoppedAt);
        QVERIFY(!h.form.playback().playing());
        QVERIFY(idle(c));

        // A second Stop only stops the output again.
        CallLog::instance().record("Stop pressed", {});
        c.StopX->click();
        QCOMPARE(callsSince("Stop pressed"), (Names{"Stop pressed", "WavStop", "WavDestroy", "WavNowPlay"}));

        // Play goes on from there.
        sound.reset();
        sound = std::make_unique<Sound>();
        c.PlayX->click();
        QCOMPARE(pagesQueued(2), pageRange(stoppedAt, 19));
    }

    void sliderPressStopsTheSoundAtOnce() {
        PlayerHarness h;
        h.started();
        h.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.form));
        h.open(h.write("memo.zrc", numberedRecording(20)));
        const Form1Controls c = h.controls();
        Sound sound;
        int afterPress = -1;
        sound.atPlayed(4, [&] {
            CallLog::instance().record("slider pressed", {});
            QTest::mousePress(c.PlaySlider, Qt::LeftButton, {}, QPoint(c.PlaySlider->width() * 3 / 4, 5));
            afterPress = c.PlaySlider->value();
            QTest::mouseRelease(c.PlaySlider, Qt::LeftButton, {}, QPoint(c.PlaySlider->width() * 3 / 4, 5));
        });

        c.PlayX->click();

        // The press stops the sound before anything else happens; the run
        // then destroys the output and queues nothing more.
        QCOMPARE(callsSince("slider pressed"),
                 (Names{"slider pressed", "WavStop", "WavNowPlay", "WavStop", "WavDestroy"}));
        QVERIFY(afterPress > 0);
        QCOMPARE(c.PlaySlider->value(), afterPress);
        QCOMPARE(h.form.state().StartPage, afterPress);
        QVERIFY(c.Timer1->isActive());
        QVERIFY(idle(c));

        // The display follows the slider while the timer runs: page 10 ends
        // at 11 × 123 ms.
        c.PlaySlider->setValue(10);
        QTRY_COMPARE(h.form.state().StartPage, 10);
        QCOMPARE(c.PlayTimeLabel->text(), QStringLiteral("[00 : 00 : 01 / 00 : 00 : 02]"));

        // Play starts from the slider's new page and turns the timer off.
        c.PlayX->click();
        QVERIFY(!c.Timer1->isActive());
        QCOMPARE(pagesQueued(2), pageRange(10, 19));
    }

    void secondPlayNestsAndTheFirstRunStops() {
        PlayerHarness h;
        h.started();
        h.open(h.write("memo.zrc", numberedRecording(20)));
        const Form1Controls c = h.controls();
        Sound sound;
        int from = -1;
        sound.atPlayed(3, [&] {
            from = c.PlaySlider->value();
            c.PlayX->click();
        });
        Deadline deadline(h.form, 10'000);

        c.CueX->click();

        QVERIFY(!deadline.expired());
        QCOMPARE(headerSelectors(), (std::vector<int>{22, 11}));
        QVERIFY(from > 0);
        const std::vector<int> outer = pagesQueued(1);
        QCOMPARE(outer, pageRange(0, static_cast<int>(outer.size()) - 1));
        QVERIFY(outer.size() < 20);
        QCOMPARE(pagesQueued(2), pageRange(from, 19));
        // Nothing of the first run comes after the second began.
        const auto& queued = CallLog::instance().queued();
        QVERIFY(std::is_sorted(queued.begin(), queued.end(),
                               [](const auto& a, const auto& b) { return a.generation < b.generation; }));
        // The inner run finishes, then the outer takes its stop exit.
        QCOMPARE(lastCalls(5), (Names{"WavNowPlay", "WavStop", "WavDestroy", "WavStop", "WavDestroy"}));
        const std::vector<int> modes = decoderModes();
        QCOMPARE(modes.size(), outer.size() + static_cast<std::size_t>(20 - from) + 2);
        QCOMPARE(std::count(modes.begin(), modes.end(), 1), 2);
        QCOMPARE(c.PlaySlider->value(), 0);
        QCOMPARE(h.form.state().PlayMode, std::int16_t{0});
        QVERIFY(idle(c));
    }

    void deletingTheRecordingStopsTheRun() {
        PlayerHarness h;
        h.started();
        const auto path = h.write("memo.zrc", numberedRecording(20));
        h.open(path);
        const Form1Controls c = h.controls();
        Sound sound;
        sound.atPlayed(1, [&] { std::filesystem::remove(path); });

        c.PlayX->click();

        const std::vector<int> pages = pagesQueued();
        QVERIFY(!pages.empty() && pages.size() < 20);
        QCOMPARE(pages, pageRange(0, static_cast<int>(pages.size()) - 1));
        QVERIFY(h.shownOneBox(kMsg[2], MsgBoxStyle::YesNo, kMsg[4]));
        QCOMPARE(lastCalls(2), (Names{"WavStop", "WavDestroy"}));
        QVERIFY(!h.form.playback().playing());
        QVERIFY(idle(c));
    }

    void exitDuringARunEndsIt() {
        PlayerHarness h;
        h.started();
        h.open(h.write("memo.zrc", numberedRecording(20)));
        Sound sound;
        sound.atPlayed(2, [&] {
            CallLog::instance().record("Exit pressed", {});
            h.controls().EXITX->click();
        });

        h.controls().PlayX->click();

        QVERIFY(h.form.ended());
        QCOMPARE(callsSince("Exit pressed"), (Names{"Exit pressed", "WavStop", "WavDestroy"}));
    }

    // --- Runs that do not start -----------------------------------------

    void refusedRuns_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("title");
        QTest::newRow("no file chosen") << "none" << "play" << kMsg[12] << kMsg[4];
        QTest::newRow("missing file") << "missing" << "play" << kMsg[2] << "FileOpenError";
        QTest::newRow("no recording") << "wav" << "play" << kMsg[3] << "FileOpenError";
        QTest::newRow("no pages") << "empty" << "play" << kMsg[2] << "FileOpenError";
        for (const char* button : {"play", "cue", "review"}) {
            QTest::addRow("%s before any recording is opened", button)
                << "start-up" << button << kMsg[12] << kMsg[4];
        }
    }
    void refusedRuns() {
        QFETCH(QString, kind);
        QFETCH(QString, button);
        QFETCH(QString, prompt);
        QFETCH(QString, title);
        PlayerHarness h;
        h.started();
        if (kind != QLatin1String("start-up")) h.open(h.write("memo.zrc", numberedRecording(7)));
        PlayerState& s = h.form.state();
        if (kind == QLatin1String("none")) {
            s.FileName.clear();
        } else if (kind == QLatin1String("missing")) {
            s.FileName = qpath(h.files.file("gone.zrc"));
        } else if (kind == QLatin1String("wav")) {
            s.FileName = qpath(h.write("talk.zrc", {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E'}));
        } else if (kind == QLatin1String("empty")) {
            s.FileName = qpath(h.write("empty.zrc", ZrcBuilder().bytes()));
        }
        Sound sound;

        const Form1Controls c = h.controls();
        (button == QLatin1String("cue") ? c.CueX : button == QLatin1String("review") ? c.RevX : c.PlayX)->click();

        QVERIFY(h.shownOneBox(prompt, MsgBoxStyle::CancelTryAgainContinue, title));
        QVERIFY(CallLog::instance().callsOf("SoundSet11k16bit").empty());
        QVERIFY(CallLog::instance().callsOf("pb_adpcm_dec").empty());
        QVERIFY(idle(h.controls()));
        // The failure records never count as pages.
        QCOMPARE(h.form.session().pageCount(), kind == QLatin1String("empty") || kind == QLatin1String("start-up") ? 0 : 7);
    }

    void noWaveOutputNoRun() {
        PlayerHarness h(LibraryFolder::PageCodec | LibraryFolder::Orvel);
        h.started();
        h.open(h.write("memo.zrc", numberedRecording(7)));

        h.controls().PlayX->click();

        QCOMPARE(CallLog::instance().callsOf("SoundSet11k16bit").size(), std::size_t{1});
        QCOMPARE(CallLog::instance().callsOf("pb_adpcm_dec").size(), std::size_t{1});  // the reset
        QVERIFY(idle(h.controls()));
        QVERIFY(h.dialogs.boxes().empty());
    }

    // --- The command line ----------------------------------------------

    void commandLineRecordingPlaysAtStart() {
        TempDir dir;
        const auto path = dir.file("greeting.zrc");
        writeFile(path, numberedRecording(12));
        PlayerHarness h(LibraryFolder::All, qpath(path));
        Sound sound;
        h.form.Form_Load();
        const Form1Controls c = h.controls();
        QVERIFY(c.Timer1->isActive());

        QTRY_VERIFY_WITH_TIMEOUT(pagesQueued().size() == 12 && !c.Timer1->isActive() && idle(c), 10'000);

        QCOMPARE(pagesQueued(), pageRange(0, 11));
        QCOMPARE(headerSelectors(), std::vector<int>{11});
        QCOMPARE(h.form.windowTitle(), QStringLiteral("greeting.zrc"));
        QVERIFY(c.M_transwav->menuAction()->isEnabled());
        QVERIFY(c.PlaySlider->isEnabled());
        QCOMPARE(c.PlaySlider->maximum(), 11);
        QCOMPARE(c.PlaySlider->value(), 0);
        const PlayerState& s = h.form.state();
        QCOMPARE(s.AutoPlay, std::int16_t{0});
        QCOMPARE(h.form.session().pageCount(), 12);
        // 12 × 123 ms.
        QCOMPARE(h.form.session().totalTimeText(), QStringLiteral("00 : 00 : 01"));
        QCOMPARE(c.PlayTimeLabel->text(), QStringLiteral("[00 : 00 : 00 / 00 : 00 : 01]"));
        QVERIFY(h.dialogs.boxes().empty());
    }

    void commandLineNamingNoFile() {
        TempDir dir;
        PlayerHarness h(LibraryFolder::All, qpath(dir.file("gone.zrc")));
        Sound sound;
        h.form.Form_Load();

        QTRY_VERIFY_WITH_TIMEOUT(!h.dialogs.boxes().empty(), 5'000);

        QCOMPARE(h.form.windowTitle(), QString());
        QVERIFY(h.shownOneBox(kMsg[2], MsgBoxStyle::CancelTryAgainContinue, QStringLiteral("FileOpenError")));
        QVERIFY(CallLog::instance().callsOf("SoundSet11k16bit").empty());
        QCOMPARE(h.form.session().pageCount(), 0);
        QVERIFY(!h.controls().Timer1->isActive());
        QVERIFY(idle(h.controls()));
    }
};

QTEST_MAIN(PlaybackTest)
#include "playback_test.moc"
