// The window offscreen on the real PageCodec and fakes: that its handlers
// reach the engines (open, play, convert, cancel), what it shows at start-up,
// the names File > Open takes, and how the program ends from every state.
#include <QSignalSpy>
#include <QTest>
#include <QtWidgets>

#include "harness.h"

using namespace zrc::player;
using namespace zrc::test;

const MessageTable kMsg = messageTable(buildLanguageCode());

struct OpenRow { QString name; int wavPlx, prompt; bool convertible; };  // prompt -1: no box

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void startUp() {
        Window w;
        for (QPushButton* b : {w.c.PlayX, w.c.CueX, w.c.RevX, w.c.StopX}) QVERIFY(b->isEnabled() && !b->isHidden());
        QVERIFY(w.c.Cancelx->isHidden() && !w.c.Cancelx->isEnabled() && !w.c.PlaySlider->isEnabled());
        QVERIFY(w.c.ProgressBar1->isHidden() && !w.c.M_transwav->menuAction()->isEnabled() && !w.c.Timer1->isActive());
        const QList<QAction*> file = w.c.F1->actions();
        QVERIFY(file.indexOf(w.c.M_export) == file.indexOf(w.c.M_transwav->menuAction()) + 1 && !w.c.M_export->isEnabled());
        // A second player on the same lock only says so, and ends.
        ScriptedDialogs dialogs;
        Form1 second({&w.binder, &dialogs, w.path("lock"), QString()});
        second.Form_Load();
        QVERIFY(second.ended() && dialogs.boxes().size() == 1 && dialogs.boxes()[0].prompt == kMsg[14]);
    }

    // The save dialog comes back after No to the overwrite question, and
    // after the recording itself was chosen; a file is kept until Yes.
    void saveQuestions() {
        Window w;
        const QString zrc = w.open("memo.zrc", makeRecording(3).bytes);
        const QString out = w.write("out.wav", {1});
        for (const QString& name : {zrc, out, out}) w.dialogs.answerSave(name);
        for (int answer : {MsgBoxAnswer::Ok, MsgBoxAnswer::No, MsgBoxAnswer::Yes}) w.dialogs.answerBox(answer);
        w.c.Trans_wav8bit->trigger();
        const auto& boxes = w.dialogs.boxes();
        QVERIFY(w.dialogs.saves().size() == 3 && boxes.size() == 3);
        QVERIFY(boxes[0].prompt == kMsg[16] && boxes[2].prompt == kMsg[5]);
        QVERIFY(readFile(w.files.file("out.wav")).size() > 1 && readFile(w.files.file("memo.zrc")).size() > 92);
    }

    // File > Open by name: lower-case "zrc" is a recording, any other name
    // is measured by WavPlx, whose refusals have their own prompts (rules_test).
    void openNames_data() {
        QTest::addColumn<OpenRow>("r");
        QTest::newRow("recording") << OpenRow{"memo.zrc", 0, -1, true};
        QTest::newRow("header only") << OpenRow{"empty.zrc", 0, 2, true};
        QTest::newRow("upper-case ZRC") << OpenRow{"memo.ZRC", 22050, -1, false};
        QTest::newRow("wrong format") << OpenRow{"b.wav", -10, 3, false};
    }
    void openNames() {
        QFETCH(OpenRow, r);
        Window w;
        w.fakes.results["WavPlx"] = r.wavPlx;
        w.fakes.info[50] = 11;
        w.fakes.info[51] = 16;
        w.open(r.name.toStdString(), makeRecording(r.name == "empty.zrc" ? 0 : 10).bytes);
        QCOMPARE(w.c.M_transwav->menuAction()->isEnabled(), r.convertible);
        QCOMPARE(w.c.M_export->isEnabled(), r.convertible);
        QCOMPARE(int(w.dialogs.boxes().size()), r.prompt < 0 ? 0 : 1);
        if (r.prompt >= 0) QCOMPARE(w.dialogs.boxes()[0].prompt, kMsg[std::size_t(r.prompt)]);
        if (r.wavPlx >= 0 && r.prompt < 0) QCOMPARE(w.form.windowTitle(), r.name);
        if (r.name.startsWith("memo")) QCOMPARE(w.c.PlayTimeLabel->text(), "[00 : 00 : 00 / 00 : 00 : 01]");
        if (r.name == "memo.zrc") QCOMPARE(w.c.PlaySlider->maximum(), 9);
    }

    // Stop keeps the position for the next Play; Cancel removes the file.
    void stopAndCancel() {
        Window w;
        w.open("memo.zrc", makeRecording(100).bytes);
        w.fakes.atPlayed[4] = [&] { w.c.StopX->click(); };
        w.c.PlayX->click();
        QVERIFY(w.form.state().StartPage >= 3 && w.form.state().StartPage == w.c.PlaySlider->value());
        QVERIFY(w.c.PlayX->isEnabled() && !w.form.playback().playing());
        bool locked = false;
        w.atFirstPage([&] { locked = !w.c.M_export->isEnabled(), w.c.Cancelx->click(); });
        w.dialogs.answerSave(qpath(w.files.file("out.wav")));
        w.c.Trans_wav8bit->trigger();
        QVERIFY(!QFile::exists(qpath(w.files.file("out.wav"))) && w.fakes.args["AdpcmDecx"].size() < 10);
        QVERIFY(locked && w.c.M_export->isEnabled());
    }

    // Export offers FLAC first, then the format chosen last; a name without an extension gets the filter's;
    // the recording itself is refused.
    void exportFormats() {
        Window w(true);
        w.dialogs.answerSave(w.open("memo.zrc", makeRecording(20).bytes));
        w.dialogs.answerSave(w.path("x"), 2);
        w.c.M_export->trigger();
        w.dialogs.answerSave(std::nullopt);
        w.c.M_export->trigger();
        QCOMPARE(w.dialogs.saves().size(), std::size_t{3});
        const auto offered = [&](std::size_t i) {
            const ScriptedDialogs::FileRequest& s = w.dialogs.saves().at(i);
            return QFileInfo(s.fileName).fileName() + " " + s.filter.split('|').value(2 * s.filterIndex);
        };
        QCOMPARE(offered(0), "memo.flac FLAC file(*.flac)");
        QCOMPARE(offered(2), "memo.ogg Ogg Vorbis file(*.ogg)");
        QVERIFY(w.dialogs.boxes().size() == 1 && w.dialogs.boxes()[0].prompt == kMsg[16]);
        QVERIFY(readSound(w.path("x.ogg")).samples.size() > 20 * 1300);
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
        const auto leave = [&] {
            w.fakes.calls.clear();
            if (how == "button") w.c.EXITX->click();
            if (how == "menu") w.c.EXIT0->trigger();
            if (how == "close") w.form.close();
        };
        if (state == "idle") leave();
        if (state == "playing") w.fakes.atPlayed[4] = leave, w.c.PlayX->click();
        if (state == "converting") {
            w.atFirstPage(leave);
            w.dialogs.answerSave(qpath(w.files.file("out.wav")));
            w.c.Trans_wav16bit->trigger();
            QVERIFY(!QFile::exists(qpath(w.files.file("out.wav"))));
        }
        QVERIFY(w.form.ended() && w.form.isHidden());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(w.fakes.calls, (std::vector<std::pair<std::string, std::int32_t>>{{"WavStop", 0}, {"WavDestroy", 0}}));
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
