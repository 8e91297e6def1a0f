// The main window offscreen: start-up, exit, File > Open and the time
// display, with scripted dialogs, the real PageCodec and doubles of Corvid
// and Orvel.
#include <QAction>
#include <QElapsedTimer>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <memory>

#include "playback_harness.h"

using namespace zrc::player;
using namespace zrc::test;
using zrc::test::doubles::CallLog;

namespace {

using Names = std::vector<std::string>;
using Harness = PlayerHarness;

// 500 pages of the recorder's sets, every fifth of type 1: 400 × 123 ms +
// 100 × 292 ms = 78,400 ms.
std::vector<std::uint8_t> fiveHundredPages() {
    ZrcBuilder builder;
    for (int i = 0; i < 500; ++i) {
        if (i % 5 == 4) {
            builder.page(std::vector<std::uint8_t>(2046, 1), 2, 0x01);
        } else {
            builder.page(std::vector<std::uint8_t>(1360, 2), 3, 0x00);
        }
    }
    return builder.bytes();
}

// File > Open of memo.zrc, the 500 pages above.
std::filesystem::path openMemo(Harness& h) {
    const auto path = h.write("memo.zrc", fiveHundredPages());
    h.open(path);
    return path;
}

QString shownTime(const Harness& h) { return h.controls().PlayTimeLabel->text(); }

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT

private slots:
    void init() { CallLog::instance().reset(); }

    // --- Start-up ------------------------------------------------------

    void startUpState() {
        Harness h;
        h.form.Form_Load();
        const Form1Controls& c = h.form.controls();

        QVERIFY(!h.form.ended());
        QCOMPARE(CallLog::instance().functions(), (Names{"WavStop", "WavDestroy"}));
        QVERIFY(h.dialogs.boxes().empty());

        const std::vector<std::pair<QString, int>> captions{
            {h.form.windowTitle(), 4},        {c.EXITX->text(), 0},          {c.Cancelx->text(), 1},
            {c.F1->title(), 7},               {c.M_fileopen->text(), 8},     {c.M_transwav->title(), 9},
            {c.Trans_wav8bit->text(), 10},    {c.Trans_wav16bit->text(), 11}, {c.EXIT0->text(), 0}};
        for (const auto& [caption, slot] : captions) QCOMPARE(caption, kMsg[static_cast<std::size_t>(slot)]);
        QCOMPARE(c.TestWavPlay->text(), QStringLiteral("WavPlay"));
        QCOMPARE(c.Text1->text(), QStringLiteral("OC11k16b.wav"));
        for (int i = 0; i < kMessageSlots; ++i) QCOMPARE(h.form.Msg(i), kMsg[static_cast<std::size_t>(i)]);
        QVERIFY(h.form.Msg(21).isEmpty());
        QVERIFY(h.form.Msg(-1).isEmpty());
        // The menu in its order.
        QCOMPARE(c.F1->actions(), (QList<QAction*>{c.M_fileopen, c.M_transwav->menuAction(), c.sepa1, c.EXIT0}));
        QVERIFY(c.sepa1->isSeparator());
        QCOMPARE(c.M_transwav->actions(), (QList<QAction*>{c.Trans_wav8bit, c.Trans_wav16bit}));

        for (QPushButton* b : {c.PlayX, c.CueX, c.RevX, c.StopX, c.EXITX, c.TestWavPlay}) {
            QVERIFY2(b->isEnabled() && !b->isHidden(), qPrintable(b->objectName()));
        }
        QVERIFY(!c.Cancelx->isEnabled());
        QVERIFY(c.Cancelx->isHidden());
        for (QPushButton* b : {c.PlayX, c.CueX, c.RevX, c.StopX}) {
            QVERIFY2(!b->icon().isNull(), qPrintable(b->objectName()));
        }

        QVERIFY(!c.PlaySlider->isEnabled());
        QCOMPARE(c.PlaySlider->value(), 0);
        QCOMPARE(c.PlaySlider->pageStep(), 1);
        QVERIFY(c.ProgressBar1->isHidden());
        QCOMPARE(c.ProgressBar1->value(), 0);
        QVERIFY(!c.M_transwav->menuAction()->isEnabled());
        QVERIFY(c.M_fileopen->isEnabled());
        QCOMPARE(c.PlayTimeLabel->text(), QStringLiteral(" "));
        QVERIFY(!c.Timer1->isActive());
        QCOMPARE(c.Timer1->interval(), 100);

        const PlayerState& s = h.form.state();
        QCOMPARE(s.FileName, QString());
        QCOMPARE(s.OpenErrorText, kMsg[2]);
        QCOMPARE(s.AutoPlay, std::int16_t{0});
    }

    void windowHeightAndButtonRow() {
        Harness h;
        h.form.Form_Load();
        h.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.form));
        const Form1Controls& c = h.form.controls();
        const int height = qRound(2400 * h.form.logicalDpiY() / 1440.0);
        QCOMPARE(h.form.height(), height);
        // The row stands at 85/115 of the height below the menu bar, as the
        // shown window has it.
        const int inner = h.form.centralWidget()->height();
        QCOMPARE(inner, height - h.form.menuBar()->height());
        const int top = static_cast<int>(static_cast<float>(inner) * 85.0f / 115.0f);
        for (QPushButton* b : {c.PlayX, c.RevX, c.CueX, c.StopX, c.EXITX, c.Cancelx}) {
            QCOMPARE(b->y(), top);
            QVERIFY2(b->geometry().bottom() < inner, qPrintable(b->objectName()));
        }
        // The transport buttons stand side by side, the test controls out of sight.
        QVERIFY(c.RevX->geometry().right() < c.PlayX->x());
        QVERIFY(c.PlayX->geometry().right() < c.CueX->x());
        QVERIFY(c.CueX->geometry().right() < c.StopX->x());
        QVERIFY(c.StopX->geometry().right() < c.EXITX->x());
        QVERIFY(c.TestWavPlay->y() >= inner);
        QVERIFY(c.Text1->y() >= inner);
    }

    void commandLine_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("autoPlay");
        QTest::newRow("lower case") << "/rec/MEMO01.zrc" << true;
        QTest::newRow("upper case") << "/rec/MEMO01.ZRC" << true;
        QTest::newRow("mixed case") << "/rec/MEMO01.Zrc" << false;
        QTest::newRow("quoted") << "\"/rec/MEMO01.zrc\"" << false;
        QTest::newRow("blank inside") << "/rec/my memo.zrc" << true;
        QTest::newRow("wav") << "/rec/talk.wav" << false;
    }
    void commandLine() {
        QFETCH(QString, commandLine);
        QFETCH(bool, autoPlay);
        Harness h(LibraryFolder::All, commandLine);
        h.form.Form_Load();
        QCOMPARE(h.form.state().FileName, commandLine);
        QCOMPARE(h.form.state().AutoPlay, std::int16_t(autoPlay ? -1 : 0));
        QCOMPARE(h.form.controls().Timer1->isActive(), autoPlay);
        QCOMPARE(h.form.controls().Timer1->interval(), 100);
    }

    void secondInstanceIsRefused() {
        Harness h;
        InstanceLock running(qpath(h.files.file("ZrcPlayer.lock")));
        QCOMPARE(running.tryLock(), InstanceLock::Result::Acquired);
        QSignalSpy ended(&h.form, &Form1::programEnded);

        h.form.Form_Load();

        QVERIFY(h.form.ended());
        QCOMPARE(ended.count(), 1);
        QVERIFY(h.shownOneBox(kMsg[14], MsgBoxStyle::OkOnly, kMsg[4]));
        // Ended before touching the wave output.
        QVERIFY(CallLog::instance().calls().empty());
    }

    void instanceLockReleasedWithTheWindow() {
        TempDir dir;
        const QString lock = qpath(dir.file("ZrcPlayer.lock"));
        {
            Harness h;
            Form1 first({&h.binder, &h.dialogs, lock, QString()});
            first.Form_Load();
            QVERIFY(!first.ended());
            InstanceLock other(lock);
            QCOMPARE(other.tryLock(), InstanceLock::Result::HeldByOther);
        }
        InstanceLock after(lock);
        QCOMPARE(after.tryLock(), InstanceLock::Result::Acquired);
    }

    void startsAnyway_data() {
        QTest::addColumn<bool>("lockPossible");
        QTest::addColumn<int>("libraries");
        QTest::newRow("where no lock can be made") << false << int(LibraryFolder::All);
        QTest::newRow("without any library") << true << 0;
    }
    void startsAnyway() {
        QFETCH(bool, lockPossible);
        QFETCH(int, libraries);
        Harness h(libraries);
        Form1 form({&h.binder, &h.dialogs, qpath(h.files.file(lockPossible ? "ZrcPlayer.lock" : "no/folder/x.lock")),
                    QString()});
        form.Form_Load();
        QVERIFY(!form.ended());
        QVERIFY(h.dialogs.boxes().empty());
        QCOMPARE(form.windowTitle(), kMsg[4]);
        QVERIFY(form.controls().PlayX->isEnabled());
    }

    // --- Helpers -------------------------------------------------------

    void comControl_data() {
        QTest::addColumn<int>("button");  // 0 PlayX, 1 CueX, 2 RevX, 3 StopX, 4 Cancelx
        QTest::addColumn<int>("enabledFlag");
        QTest::addColumn<int>("visibleFlag");
        for (int button = 0; button < 5; ++button) {
            const QByteArray name = QByteArray::number(button);
            QTest::newRow(name + " 0 0: enabled, shown") << button << 0 << 0;
            QTest::newRow(name + " 1 0: disabled, shown") << button << 1 << 0;
            QTest::newRow(name + " 0 1: enabled, hidden") << button << 0 << 1;
            QTest::newRow(name + " 255 7: disabled, hidden") << button << 255 << 7;
        }
    }
    void comControl() {
        QFETCH(int, button);
        QFETCH(int, enabledFlag);
        QFETCH(int, visibleFlag);
        Harness h;
        h.started();
        const Form1Controls& c = h.form.controls();
        const std::array<QPushButton*, 5> buttons{c.PlayX, c.CueX, c.RevX, c.StopX, c.Cancelx};
        // Every other pair says the opposite, so a flag that reaches the
        // wrong button shows.
        std::array<std::uint8_t, 10> flags{};
        for (std::size_t i = 0; i < 5; ++i) {
            const bool mine = static_cast<int>(i) == button;
            flags[2 * i] = mine ? static_cast<std::uint8_t>(enabledFlag) : (enabledFlag == 0 ? 1 : 0);
            flags[2 * i + 1] = mine ? static_cast<std::uint8_t>(visibleFlag) : (visibleFlag == 0 ? 1 : 0);
        }
        h.form.ComControl(flags[0], flags[1], flags[2], flags[3], flags[4], flags[5], flags[6], flags[7], flags[8],
                          flags[9]);
        for (std::size_t i = 0; i < 5; ++i) {
            const bool mine = static_cast<int>(i) == button;
            const bool enabled = mine == (enabledFlag == 0);
            const bool shown = mine == (visibleFlag == 0);
            QCOMPARE(buttons[i]->isEnabled(), enabled);
            QCOMPARE(!buttons[i]->isHidden(), shown);
        }
        QVERIFY(c.EXITX->isEnabled() && !c.EXITX->isHidden());
        QVERIFY(c.TestWavPlay->isEnabled() && !c.TestWavPlay->isHidden());
    }

    void waitZeroPumpsNothing() {
        Harness h;
        bool ran = false;
        QTimer::singleShot(0, &h.form, [&] { ran = true; });
        h.form.Wait(0.0f);
        QVERIFY(!ran);
        QElapsedTimer clock;
        clock.start();
        h.form.Wait(0.05f);
        QVERIFY(ran);
        QVERIFY(clock.elapsed() >= 50);
    }

    void qtMessageBoxes_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QString>("click");
        QTest::addColumn<int>("answer");
        const QStringList three{QStringLiteral("Cancel"), QStringLiteral("Try Again"), QStringLiteral("Continue")};
        QTest::newRow("OK only") << MsgBoxStyle::OkOnly << QStringList{"OK"} << "OK" << MsgBoxAnswer::Ok;
        QTest::newRow("yes") << MsgBoxStyle::YesNo << QStringList{"Yes", "No"} << "Yes" << MsgBoxAnswer::Yes;
        QTest::newRow("no") << MsgBoxStyle::YesNo << QStringList{"Yes", "No"} << "No" << MsgBoxAnswer::No;
        QTest::newRow("cancel") << MsgBoxStyle::CancelTryAgainContinue << three << "Cancel" << MsgBoxAnswer::Cancel;
        QTest::newRow("try again") << MsgBoxStyle::CancelTryAgainContinue << three << "Try Again"
                                   << MsgBoxAnswer::TryAgain;
        QTest::newRow("continue") << MsgBoxStyle::CancelTryAgainContinue << three << "Continue"
                                  << MsgBoxAnswer::Continue;
    }
    void qtMessageBoxes() {
        QFETCH(int, style);
        QFETCH(QStringList, buttons);
        QFETCH(QString, click);
        QFETCH(int, answer);
        QStringList shown;
        QString title;
        QString text;
        // The box is modal: a timer inside its event loop reads and answers it.
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            poll.stop();
            title = box->windowTitle();
            text = box->text();
            QAbstractButton* chosen = nullptr;
            for (QAbstractButton* b : box->buttons()) {
                const QString label = b->text().remove(QLatin1Char('&'));
                shown << label;
                if (label == click) chosen = b;
            }
            if (chosen != nullptr) chosen->click();
            else box->reject();
        });
        poll.start(10);
        QtDialogs dialogs;
        const int result = dialogs.msgBox(nullptr, QStringLiteral("Replace existing file?"), style,
                                          QStringLiteral("ZRC-PLAYER"));
        QCOMPARE(title, QStringLiteral("ZRC-PLAYER"));
        QCOMPARE(text, QStringLiteral("Replace existing file?"));
        shown.sort();
        buttons.sort();
        QCOMPARE(shown, buttons);
        QCOMPARE(result, answer);
    }

    // --- Exit ----------------------------------------------------------

    void exit_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("EXITX button") << "button";
        QTest::newRow("EXIT0 menu item") << "menu";
        QTest::newRow("window closed") << "close";
    }
    void exit() {
        QFETCH(QString, how);
        Harness h;
        h.started();
        h.form.show();
        QSignalSpy ended(&h.form, &Form1::programEnded);
        if (how == QLatin1String("menu")) h.form.controls().EXIT0->trigger();
        if (how == QLatin1String("button")) h.form.controls().EXITX->click();
        if (how == QLatin1String("close")) QVERIFY(h.form.close());
        QVERIFY(h.form.isHidden());
        QVERIFY(h.form.ended());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(CallLog::instance().functions(), (Names{"WavStop", "WavDestroy"}));
    }

    void exitEndsAWaitFurtherUp() {
        Harness h;
        h.started();
        QTimer::singleShot(20, h.form.controls().EXITX, &QPushButton::click);
        QElapsedTimer clock;
        clock.start();
        h.form.Wait(30.0f);
        QVERIFY(clock.elapsed() < 10'000);
        QVERIFY(h.form.ended());
        QVERIFY(!h.form.pumpEvents());
    }

    // --- File > Open ---------------------------------------------------

    void openRecording() {
        Harness h;
        h.started();
        const auto path = h.write("memo.zrc", fiveHundredPages());
        h.dialogs.answerOpen(qpath(path));
        h.form.controls().M_fileopen->trigger();

        const Form1Controls& c = h.form.controls();
        const PlayerState& s = h.form.state();
        QCOMPARE(CallLog::instance().functions(), (Names{"WavStop", "WavDestroy"}));
        QCOMPARE(h.dialogs.opens().size(), std::size_t{1});
        QCOMPARE(h.dialogs.opens()[0].filter, QStringLiteral("Navo IC recorder file(*.zrc)|*.zrc"));
        QVERIFY(h.dialogs.boxes().empty());

        QCOMPARE(s.FileName, qpath(path));
        QCOMPARE(h.form.windowTitle(), QStringLiteral("memo.zrc"));
        QCOMPARE(h.form.session().pageCount(), 500);
        QCOMPARE(h.form.session().info().rate0, std::uint16_t{11});
        QCOMPARE(h.form.session().info().pageMs1, 292);
        QCOMPARE(h.form.session().pageTypes().size(), std::size_t{500});
        for (std::size_t i = 0; i < 500; ++i) QCOMPARE(h.form.session().pageTypes()[i], std::uint8_t(i % 5 == 4 ? 1 : 0));
        QCOMPARE(h.form.session().totalTimeText(), QStringLiteral("00 : 01 : 18"));
        QCOMPARE(shownTime(h), QStringLiteral("[00 : 00 : 00 / 00 : 01 : 18]"));
        QCOMPARE(s.PlayMode, std::int16_t{0});
        QVERIFY(c.PlaySlider->isEnabled());
        QCOMPARE(c.PlaySlider->minimum(), 0);
        QCOMPARE(c.PlaySlider->maximum(), 499);
        QCOMPARE(c.PlaySlider->value(), 0);
        QVERIFY(c.M_transwav->menuAction()->isEnabled());

        // The next dialog starts in the recording's folder.
        h.form.M_fileopen_Click();
        QCOMPARE(h.dialogs.opens()[1].folder, qpath(h.files.path()));
    }

    void timeDisplay_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("clamped");
        QTest::addColumn<int>("ms");
        QTest::addColumn<QString>("label");
        QTest::newRow("start") << 0 << 0 << 0 << "[00 : 00 : 00 / 00 : 01 : 18]";
        QTest::newRow("negative clamps to 0") << -7 << 0 << 0 << "[00 : 00 : 00 / 00 : 01 : 18]";
        QTest::newRow("page 1 counts pages 0 and 1") << 1 << 1 << 246 << "[00 : 00 : 00 / 00 : 01 : 18]";
        QTest::newRow("first type-1 page") << 4 << 4 << 784 << "[00 : 00 : 00 / 00 : 01 : 18]";
        // Pages 0 to 249: 200 of type 0, 50 of type 1.
        QTest::newRow("middle") << 249 << 249 << 39200 << "[00 : 00 : 39 / 00 : 01 : 18]";
        QTest::newRow("last page") << 499 << 499 << 78400 << "[00 : 01 : 18 / 00 : 01 : 18]";
        QTest::newRow("past the table counts as the last page")
            << 10000 << 10000 << 78400 << "[00 : 01 : 18 / 00 : 01 : 18]";
    }
    void timeDisplay() {
        QFETCH(int, page);
        QFETCH(int, clamped);
        QFETCH(int, ms);
        QFETCH(QString, label);
        Harness h;
        h.started();
        openMemo(h);
        h.form.state().TimeMs = -1;

        std::int32_t npage = page;
        h.form.TimeDisplay(npage);
        QCOMPARE(npage, clamped);
        QCOMPARE(h.form.state().TimeMs, ms);
        QCOMPARE(shownTime(h), label);
        QCOMPARE(h.form.state().NowTimeStr, label.mid(1, 12));
    }

    void timeDisplayWithoutARecording() {
        Harness h;
        h.started();
        std::int32_t npage = 3;
        h.form.TimeDisplay(npage);
        QCOMPARE(shownTime(h), QStringLiteral("[00 : 00 : 00 / ]"));
    }

    void cancelledOpenKeepsTheRecording() {
        Harness h;
        h.started();
        const auto path = openMemo(h);
        h.form.ComControl(kConversionButtonState);

        h.form.M_fileopen_Click();  // no answer: cancelled

        const PlayerState& s = h.form.state();
        QCOMPARE(CallLog::instance().functions(), (Names{"WavStop", "WavDestroy"}));
        QCOMPARE(s.FileName, qpath(path));
        QCOMPARE(h.form.session().pageCount(), 500);
        QCOMPARE(h.form.windowTitle(), QStringLiteral("memo.zrc"));
        QVERIFY(h.form.controls().PlayX->isEnabled() && !h.form.controls().PlayX->isHidden());
        QVERIFY(h.form.controls().Cancelx->isHidden());
        QCOMPARE(h.form.controls().PlaySlider->maximum(), 499);
    }

    void recordingWithoutPages() {
        Harness h;
        h.started();
        const auto path = h.write("empty.zrc", ZrcBuilder().bytes());
        h.open(path);

        QVERIFY(h.shownOneBox(kMsg[2], MsgBoxStyle::CancelTryAgainContinue, QStringLiteral("FileOpenError")));
        QCOMPARE(h.form.session().pageCount(), 0);
        QCOMPARE(h.form.state().FileName, qpath(path));
        QCOMPARE(h.form.windowTitle(), QStringLiteral("empty.zrc"));
        QVERIFY(h.form.controls().M_transwav->menuAction()->isEnabled());
    }

    void failureRecordsAreNoRecording_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("promptSlot");
        QTest::newRow("missing file: the all-1 record") << "missing" << 2;
        QTest::newRow("WAV named .zrc: the all-13 record") << "wav" << 3;
    }
    void failureRecordsAreNoRecording() {
        QFETCH(QString, kind);
        QFETCH(int, promptSlot);
        Harness h;
        h.started();
        openMemo(h);
        const RecordingInfo beforeInfo = h.form.session().info();
        const std::vector<std::uint8_t> beforeTypes = h.form.session().pageTypes();
        const QString beforeTotal = h.form.session().totalTimeText();

        const auto bad = h.files.file("bad.zrc");
        if (kind == QLatin1String("wav")) {
            writeFile(bad, {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0});
        }
        h.open(bad);

        QVERIFY(h.shownOneBox(kMsg[static_cast<std::size_t>(promptSlot)], MsgBoxStyle::CancelTryAgainContinue,
                              QStringLiteral("FileOpenError")));
        // Neither 1 nor 13 pages: the previous recording stays current.
        QCOMPARE(h.form.session().pageCount(), 500);
        QCOMPARE(h.form.session().info().rate0, beforeInfo.rate0);
        QCOMPARE(h.form.session().info().pageCount, 500u);
        QCOMPARE(h.form.session().pageTypes(), beforeTypes);
        QCOMPARE(h.form.session().totalTimeText(), beforeTotal);
        QCOMPARE(h.form.controls().PlaySlider->maximum(), 499);
        QVERIFY(h.form.controls().PlayX->isEnabled());
    }

    void inspectionMissingMeansCannotOpen() {
        Harness h(LibraryFolder::Corvid | LibraryFolder::Orvel);
        h.started();
        openMemo(h);
        QVERIFY(h.shownOneBox(kMsg[2], MsgBoxStyle::CancelTryAgainContinue, QStringLiteral("FileOpenError")));
        QCOMPARE(h.form.session().pageCount(), 0);
        QVERIFY(h.form.session().pageTypes().empty());
    }

    void tableHoldsEveryPage() {
        // A page size of 1 byte makes a 70 kB file a recording of 70,224
        // pages: every one of them gets an entry, past the 133 whose flags
        // the file holds (the rest read as type 1).
        Harness h;
        h.started();
        ZrcBuilder builder;
        builder.pageSize(1);
        for (int i = 0; i < 133; ++i) builder.page(std::vector<std::uint8_t>(1360, 0), 3, 0x00);
        h.open(h.write("long.zrc", builder.bytes()));

        QVERIFY(h.dialogs.boxes().empty());
        QCOMPARE(h.form.session().pageCount(), 70224);
        QCOMPARE(h.form.session().pageTypes().size(), std::size_t{70224});
        QCOMPARE(h.form.session().pageTypes()[132], std::uint8_t{0});
        QCOMPARE(h.form.session().pageTypes()[133], std::uint8_t{1});
        QCOMPARE(h.form.session().pageTypes().back(), std::uint8_t{1});
        QCOMPARE(h.form.controls().PlaySlider->maximum(), 70223);
        // 133 × 123 ms + 70,091 × 292 ms = 20,482,931 ms.
        QCOMPARE(h.form.session().totalTimeText(), QStringLiteral("05 : 41 : 22"));
    }

    void openWavFile() {
        Harness h;
        h.started();
        CallLog::instance().setResult("WavPlx", 22050);
        CallLog::instance().info()[50] = 11;
        CallLog::instance().info()[51] = 16;
        const auto path = h.files.file("talk.wav");
        h.dialogs.answerOpen(qpath(path));
        h.form.M_fileopen_Click();

        QCOMPARE(CallLog::instance().functions(), (Names{"WavStop", "WavDestroy", "WavPlx"}));
        const Names args = CallLog::instance().callsOf("WavPlx").at(0).args;
        QCOMPARE(args, (Names{path.string(), "2", "0", "address", "0", "0", "address"}));
        const PlayerState& s = h.form.state();
        QVERIFY(h.dialogs.boxes().empty());
        QCOMPARE(s.WavLength, 22050);
        QCOMPARE(h.form.session().totalTimeText(), QStringLiteral("00 : 00 : 01"));
        QCOMPARE(shownTime(h), QStringLiteral("[00 : 00 : 00 / 00 : 00 : 01]"));
        QCOMPARE(h.form.windowTitle(), QStringLiteral("talk.wav"));
        QVERIFY(!h.form.controls().M_transwav->menuAction()->isEnabled());
        QCOMPARE(h.form.controls().PlaySlider->value(), 0);
    }

    void upperCaseRecordingIsMeasuredAsWav() {
        Harness h;
        h.started();
        openMemo(h);  // enables the conversion menu
        CallLog::instance().setResult("WavPlx", -10);
        h.dialogs.answerOpen(qpath(h.write("MEMO.ZRC", fiveHundredPages())));
        h.form.M_fileopen_Click();
        QCOMPARE(CallLog::instance().callsOf("WavPlx").size(), std::size_t{1});
        QVERIFY(!h.form.controls().M_transwav->menuAction()->isEnabled());
    }

    void wavPlxErrors_data() {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("promptSlot");  // -1: no box
        QTest::newRow("-1 cannot open") << -1 << 2;
        QTest::newRow("-10 wrong format") << -10 << 3;
        QTest::newRow("-20 not 11 or 8 kHz mono") << -20 << 6;
        QTest::newRow("-30 wrong format") << -30 << 3;
        QTest::newRow("-5 no box") << -5 << -1;
    }
    void wavPlxErrors() {
        QFETCH(int, result);
        QFETCH(int, promptSlot);
        Harness h;
        h.started();
        CallLog::instance().setResult("WavPlx", result);
        h.form.ComControl(kConversionButtonState);
        h.open(h.files.file("noise.wav"));

        if (promptSlot < 0) {
            QVERIFY(h.dialogs.boxes().empty());
        } else {
            QVERIFY(h.shownOneBox(kMsg[static_cast<std::size_t>(promptSlot)], MsgBoxStyle::CancelTryAgainContinue,
                                  kMsg[4]));
        }
        QCOMPARE(h.form.state().WavLength, result);
        QCOMPARE(h.form.windowTitle(), kMsg[4]);
        QVERIFY(h.form.controls().PlayX->isEnabled() && !h.form.controls().PlayX->isHidden());
        QVERIFY(h.form.controls().Cancelx->isHidden());
        QCOMPARE(shownTime(h), QStringLiteral(" "));
    }

    void missingOrvelDoesNotStopTheOpen() {
        Harness h(LibraryFolder::PageCodec | LibraryFolder::Corvid);
        h.started();
        h.open(h.files.file("talk.wav"));
        QVERIFY(h.dialogs.boxes().empty());
        QCOMPARE(h.form.state().WavLength, 0);
        QCOMPARE(h.form.windowTitle(), QStringLiteral("talk.wav"));
        QCOMPARE(shownTime(h), QStringLiteral("[00 : 00 : 00 / 00 : 00 : 00]"));
        QVERIFY(!h.form.controls().M_transwav->menuAction()->isEnabled());

        // PageCodec is there: recordings still open.
        openMemo(h);
        QCOMPARE(h.form.session().totalTimeText(), QStringLiteral("00 : 01 : 18"));
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
