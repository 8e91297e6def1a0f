// The window offscreen on the real PageCodec and the doubles of Corvid and
// Orvel: that its handlers reach the engines (open, play, convert, cancel),
// what it shows at start-up, the names File > Open takes, and how the
// program ends from every state.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "engine_harness.h"
#include "form1.h"

using namespace zrc::player;
using namespace zrc::test;

namespace {
const MessageTable kMsg = messageTable(buildLanguageCode());

struct Window {
    LibraryFolder folder{LibraryFolder::All};
    Binder binder{{folder.path()}, false};
    ScriptedDialogs dialogs;
    TempDir files;
    Form1 form{{&binder, &dialogs, qpath(files.file("lock")), QString()}};
    const Form1Controls& c = form.controls();
    int played = 0, polls = 0;
    std::map<int, std::function<void()>> atPlayed;  // clicked inside the pump, once

    Window() {
        form.Form_Load();
        CallLog::instance().reset();
        // One more block heard every 10 polls, -2 once all queued are heard.
        CallLog::instance().nowPlay = [this](const zrc::test::doubles::Wave& w) {
            if (++polls % 10 == 0 && played < w.dataBlocks) ++played;
            if (auto it = atPlayed.find(played); it != atPlayed.end()) {
                QTimer::singleShot(0, &form, it->second);
                atPlayed.erase(it);
            }
            return played >= w.dataBlocks && polls > 10 ? -2 : played;
        };
    }
    QString open(const std::string& name, const Bytes& bytes) {
        writeFile(files.file(name), bytes);
        dialogs.answerOpen(qpath(files.file(name)));
        form.M_fileopen_Click();
        return qpath(files.file(name));
    }
};
}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void startUp() {
        Window w;
        for (QPushButton* b : {w.c.PlayX, w.c.CueX, w.c.RevX, w.c.StopX}) QVERIFY(b->isEnabled() && !b->isHidden());
        QVERIFY(w.c.Cancelx->isHidden() && !w.c.Cancelx->isEnabled() && !w.c.PlaySlider->isEnabled());
        QVERIFY(w.c.ProgressBar1->isHidden() && !w.c.M_transwav->menuAction()->isEnabled() && !w.c.Timer1->isActive());
        QCOMPARE(w.form.windowTitle(), QStringLiteral("ZRC-PLAYER"));
        // A second player on the same lock only says so, and ends.
        ScriptedDialogs dialogs;
        Form1 second({&w.binder, &dialogs, qpath(w.files.file("lock")), QString()});
        second.Form_Load();
        QVERIFY(second.ended() && dialogs.boxes().size() == 1 && dialogs.boxes()[0].prompt == kMsg[14]);
    }

    // The save dialog comes back after No to the overwrite question, and
    // after the recording itself was chosen; a file is kept until Yes.
    void saveQuestions() {
        Window w;
        const QString zrc = w.open("memo.zrc", makeRecording(3).bytes);
        const QString out = qpath(w.files.file("out.wav"));
        writeFile(w.files.file("out.wav"), {1});
        for (const QString& name : {zrc, out, out}) w.dialogs.answerSave(name);
        for (int answer : {MsgBoxAnswer::Ok, MsgBoxAnswer::No, MsgBoxAnswer::Yes}) w.dialogs.answerBox(answer);
        w.c.Trans_wav8bit->trigger();
        const auto& boxes = w.dialogs.boxes();
        QVERIFY(w.dialogs.saves().size() == 3 && boxes.size() == 3);
        QVERIFY(boxes[0].prompt == kMsg[16] && boxes[2].prompt == kMsg[5]);
        QVERIFY(readFile(w.files.file("out.wav")).size() > 1 && readFile(w.files.file("memo.zrc")).size() > 92);
    }

    // File > Open by name: lower-case "zrc" is a recording, any other name
    // is measured by WavPlx, whose refusals have their own prompts.
    void openNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("wavPlx");
        QTest::addColumn<int>("prompt");  // -1: no box
        QTest::addColumn<bool>("convertible");
        QTest::newRow("recording") << "memo.zrc" << 0 << -1 << true;
        QTest::newRow("header only") << "empty.zrc" << 0 << 2 << true;
        QTest::newRow("upper-case ZRC") << "memo.ZRC" << 22050 << -1 << false;
        QTest::newRow("cannot open") << "a.wav" << -1 << 2 << false;
        QTest::newRow("wrong format") << "b.wav" << -10 << 3 << false;
        QTest::newRow("not 11/8 kHz mono") << "c.wav" << -20 << 6 << false;
        QTest::newRow("other format error") << "d.wav" << -30 << 3 << false;
        QTest::newRow("unknown code") << "e.wav" << -5 << -1 << false;
    }
    void openNames() {
        QFETCH(QString, name);
        QFETCH(int, wavPlx);
        QFETCH(int, prompt);
        QFETCH(bool, convertible);
        Window w;
        CallLog::instance().setResult("WavPlx", wavPlx);
        CallLog::instance().info()[50] = 11;
        CallLog::instance().info()[51] = 16;
        w.open(name.toStdString(), makeRecording(name == "empty.zrc" ? 0 : 10).bytes);
        QCOMPARE(w.c.M_transwav->menuAction()->isEnabled(), convertible);
        QCOMPARE(int(w.dialogs.boxes().size()), prompt < 0 ? 0 : 1);
        if (prompt >= 0) QCOMPARE(w.dialogs.boxes()[0].prompt, kMsg[std::size_t(prompt)]);
        if (wavPlx >= 0 && prompt < 0) QCOMPARE(w.form.windowTitle(), name);
        const QString oneSecond = QStringLiteral("[00 : 00 : 00 / 00 : 00 : 01]");
        if (name.startsWith("memo")) QCOMPARE(w.c.PlayTimeLabel->text(), oneSecond);
        if (name == "memo.zrc") QCOMPARE(w.c.PlaySlider->maximum(), 9);
    }

    // Stop keeps the position for the next Play; Cancel removes the file.
    void stopAndCancel() {
        Window w;
        w.open("memo.zrc", makeRecording(100).bytes);
        w.atPlayed[4] = [&] { w.c.StopX->click(); };
        w.c.PlayX->click();
        QVERIFY(w.form.state().StartPage >= 3 && w.form.state().StartPage == w.c.PlaySlider->value());
        QVERIFY(w.c.PlayX->isEnabled() && !w.form.playback().playing());

        bool cancelled = false;
        CallLog::instance().setListener([&](const auto& call) {
            if (call.function != "AdpcmDecx" || call.args.at(0) == "1" || std::exchange(cancelled, true)) return;
            QTimer::singleShot(0, w.c.Cancelx, &QPushButton::click);
        });
        w.dialogs.answerSave(qpath(w.files.file("out.wav")));
        w.c.Trans_wav8bit->trigger();
        QVERIFY(!QFile::exists(qpath(w.files.file("out.wav"))));
        QVERIFY(CallLog::instance().callsOf("AdpcmDecx").size() < 10);
    }

    // Every way out, from every state: the output is stopped and destroyed
    // last, the program ends once, no partial file stays.
    void exits_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("how");
        for (const char* state : {"idle", "playing", "converting"}) {
            for (const char* how : {"button", "menu", "close"}) {
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(state, how))) << state << how;
            }
        }
    }
    void exits() {
        QFETCH(QString, state);
        QFETCH(QString, how);
        Window w;
        w.form.show();
        w.open("memo.zrc", makeRecording(100).bytes);
        QSignalSpy ended(&w.form, &Form1::programEnded);
        bool left = false;
        const auto leave = [&] {
            if (std::exchange(left, true)) return;
            CallLog::instance().record("exit", {});
            if (how == "button") w.c.EXITX->click();
            if (how == "menu") w.c.EXIT0->trigger();
            if (how == "close") w.form.close();
        };
        if (state == "idle") leave();
        if (state == "playing") {
            w.atPlayed[4] = leave;
            w.c.PlayX->click();
        }
        if (state == "converting") {
            CallLog::instance().setListener([&](const auto& call) {
                if (call.function == "AdpcmDecx" && call.args.at(0) != "1") QTimer::singleShot(0, &w.form, leave);
            });
            w.dialogs.answerSave(qpath(w.files.file("out.wav")));
            w.c.Trans_wav16bit->trigger();
            QVERIFY(!QFile::exists(qpath(w.files.file("out.wav"))));
        }
        QVERIFY(w.form.ended() && w.form.isHidden());
        QCOMPARE(ended.count(), 1);
        const auto names = CallLog::instance().functions();
        const auto at = std::find(names.begin(), names.end(), "exit");
        QCOMPARE(std::vector<std::string>(at, names.end()), (std::vector<std::string>{"exit", "WavStop", "WavDestroy"}));
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
