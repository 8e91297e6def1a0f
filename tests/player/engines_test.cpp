// The player's engines without a window: the recording session, playback
// runs, the conversion and test playback, on the real PageCodec and the
// doubles of Corvid and Orvel.
#include <QFile>
#include <QTest>

#include "engine_harness.h"

using namespace zrc::player;
using namespace zrc::test;
using Load = RecordingSession::Load;

class EnginesTest : public QObject {
    Q_OBJECT

private slots:
    // One table for every file a load meets: what it says, which prompt
    // reports it, and what stays current after a refusal.
    void sessionLoads_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("load");
        QTest::addColumn<int>("prompt");
        QTest::addColumn<int>("pagesAfter");
        QTest::newRow("recording") << "recording" << int(Load::Loaded) << 2 << 3;
        QTest::newRow("header only") << "header" << int(Load::NoPages) << 2 << 0;
        QTest::newRow("missing") << "missing" << int(Load::CannotOpen) << 2 << 5;
        QTest::newRow("no recording") << "garbage" << int(Load::NotRecording) << 3 << 5;
    }
    void sessionLoads() {
        QFETCH(QString, kind);
        QFETCH(int, load);
        QFETCH(int, prompt);
        QFETCH(int, pagesAfter);
        Engines e;
        QCOMPARE(e.session.load(e.write("first.zrc", makeRecording(5, [](int p) { return p == 4; }).bytes)),
                 Load::Loaded);
        const Bytes table = e.session.pageTypes();
        QCOMPARE(table, (Bytes{0, 0, 0, 0, 1}));
        Bytes bytes = kind == "recording" ? makeRecording(3).bytes : makeRecording(0).bytes;
        if (kind == "garbage") bytes.assign(700, 0x55);
        const QString name = kind == "missing" ? qpath(e.files.file("none.zrc")) : e.write("next.zrc", bytes);
        const Load got = e.session.load(name);
        QCOMPARE(int(got), load);
        QCOMPARE(RecordingSession::promptSlot(got), prompt);
        QCOMPARE(e.session.pageCount(), pagesAfter);
        if (got != Load::Loaded) QCOMPARE(e.session.pageTypes(), table);
    }

    void sessionTimes() {
        Engines e;
        e.session.load(e.write("m.zrc", makeRecording(4, [](int p) { return p == 1; }).bytes));
        const RecordingInfo& i = e.session.info();
        QCOMPARE(i.pageMs0 * 1000 + i.pageMs1, 123292);
        QCOMPARE(e.session.elapsedMs(0).value_or(-1), 0);
        QCOMPARE(e.session.elapsedMs(1).value_or(-1), 415);  // page 1 itself counts
        QCOMPARE(e.session.elapsedMs(9).value_or(-1), 661);  // past the end: the last page
        QCOMPARE(e.session.totalMs().value_or(-1), 661);
    }

    // The page road of a run, by where it starts and in which mode, and
    // where it leaves the slider.
    void pageRoad_data() {
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("mode");
        QTest::addColumn<std::vector<int>>("queued");
        QTest::addColumn<QString>("header");
        QTest::newRow("play from 0") << 7 << 0 << 0 << std::vector<int>{0, 1, 2, 3, 4, 5, 6} << "11";
        QTest::newRow("play from 4") << 7 << 4 << 0 << std::vector<int>{4, 5, 6} << "11";
        QTest::newRow("play the last page") << 7 << 6 << 0 << std::vector<int>{6} << "11";
        QTest::newRow("one page") << 1 << 0 << 0 << std::vector<int>{0} << "11";
        QTest::newRow("slider past a shrunk end") << 7 << 9 << 0 << std::vector<int>{6} << "11";
        QTest::newRow("cue") << 10 << 0 << 1 << std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0, 1} << "22";
        QTest::newRow("review from 5") << 7 << 5 << -1 << std::vector<int>{5, 4, 3, 2, 1, 0} << "22";
        QTest::newRow("review from 0") << 7 << 0 << -1 << std::vector<int>{} << "22";
    }
    void pageRoad() {
        QFETCH(int, pages);
        QFETCH(int, from);
        QFETCH(int, mode);
        QFETCH(std::vector<int>, queued);
        QFETCH(QString, header);
        Engines e;
        const QString name = e.write("m.zrc", makeRecording(pages).bytes);
        EngineView v;
        v.sliderMaximum = 9;
        v.slider = from;
        std::int32_t start = -1;
        e.playback.run(v, name, start, static_cast<std::int16_t>(mode));
        QCOMPARE(pagesQueued(), queued);
        QCOMPARE(CallLog::instance().callsOf("SoundSet11k16bit").at(0).args.at(0), header.toStdString());
        QCOMPARE(start, std::min(from, pages - 1));
        QVERIFY(!e.playback.playing());
        QVERIFY(v.boxes.empty());
        QCOMPARE(v.slider, 0);
        if (queued.empty()) {
            QVERIFY(v.allModes && v.idles == 0);
            return;
        }
        // Forward, the last page is heard before the output goes, and the
        // slider stands on it for half a second.
        QCOMPARE(v.idles, 1);
        QCOMPARE(v.playedAtIdle, mode < 0 ? from : pages - 1 - std::min(from, pages - 1));
        if (mode >= 0) QCOMPARE(v.waits, std::vector<float>{0.5f});
    }

    // Forward, a block of three is decoded once at most one queued page is
    // left unheard: never more than four pages wait.
    void queueAhead() {
        Engines e;
        EngineView v;
        std::int32_t start = 0;
        e.playback.run(v, e.write("m.zrc", makeRecording(30).bytes), start, 0);
        QCOMPARE(pagesQueued().size(), std::size_t{30});
        QCOMPARE(v.mostAhead, 4);
    }

    // How a run ends when something other than its last page ends it, or
    // why it does not start.
    void exits_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("slider");
        QTest::addColumn<QString>("box");
        // A stop leaves the slider on the last page the run showed.
        QTest::newRow("stop") << "stop" << 2 << "";
        QTest::newRow("stop in the end wait") << "stop late" << 10 << "";
        QTest::newRow("output ends first") << "runs out" << 0 << "";
        // Found at the next page decoded, with 5 heard.
        QTest::newRow("file removed") << "remove" << 5 << "playback 2/0";
        QTest::newRow("empty name") << "" << 0 << "playback 0/0";
        QTest::newRow("missing") << "none.zrc" << 0 << "playback 1/1";
        QTest::newRow("no pages") << "empty.zrc" << 0 << "playback 1/3";
    }
    void exits() {
        QFETCH(QString, how);
        QFETCH(int, slider);
        QFETCH(QString, box);
        Engines e;
        QString name = e.write("m.zrc", makeRecording(12).bytes);
        e.write("empty.zrc", makeRecording(0).bytes);
        if (how.isEmpty() || how.endsWith(".zrc")) name = how.isEmpty() ? how : qpath(e.files.file(how.toStdString()));
        EngineView v;
        v.sliderMaximum = 11;
        if (how == "runs out") v.runsOutAt = 11;  // never showing the last page
        if (how.startsWith("stop") || how == "remove") {
            v.atPlayed[how == "stop late" ? 11 : 3] = [&] {
                how == "remove" ? void(QFile::remove(name)) : e.playback.requestStop();
            };
        }
        std::int32_t start = 0;
        e.playback.run(v, name, start, 0);
        QCOMPARE(v.slider, slider);
        QCOMPARE(v.boxes, box.isEmpty() ? std::vector<std::string>{} : std::vector<std::string>{box.toStdString()});
        QCOMPARE(v.idles, how.isEmpty() ? 0 : 1);
        QVERIFY(!CallLog::instance().wave().playing && !e.playback.playing());
        QCOMPARE(v.waits.size(), std::size_t{how == "runs out"});
        if (how.isEmpty() || how.endsWith(".zrc")) QVERIFY(pagesQueued().empty());
    }

    // The converted file holds every page's codes in order (the Orvel
    // double writes codes as samples), announced by the counted page types.
    void conversion_data() {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<std::string>("mode");
        QTest::newRow("type 0 only") << "type0" << std::string("0");
        QTest::newRow("both types") << "mixed" << std::string("2");
    }
    void conversion() {
        QFETCH(QString, layout);
        QFETCH(std::string, mode);
        Engines e;
        const Recording r = makeRecording(12, [&](int p) { return layout == "mixed" && p % 3 == 1; });
        const QString out = qpath(e.files.file("out.wav"));
        EngineView v;
        QVERIFY(e.conversion.run(v, e.write("m.zrc", r.bytes), out, 2));
        Bytes expected{'O', 'R', 'V', 'E', 'L', 'H', 'D', 'R'};
        for (const Bytes& codes : r.pageCodes) expected.insert(expected.end(), codes.begin(), codes.end());
        QCOMPARE(readFile(e.files.file("out.wav")), expected);
        const auto header = CallLog::instance().callsOf("AdpcmDecHeader").at(0).args;
        QCOMPARE(header.at(0), std::string(layout == "mixed" ? "8" : "12"));
        QCOMPARE(CallLog::instance().callsOf("AdpcmDecx").back().args.at(0), mode);
        QVERIFY(v.finishedRun && v.boxes.empty());
    }

    // Updates every 2nd page, every 15th above 100 pages, and at the last.
    void progress_data() {
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("updates");
        QTest::addColumn<int>("step");
        QTest::newRow("100 pages") << 100 << 51 << 2;
        QTest::newRow("101 pages") << 101 << 8 << 15;
    }
    void progress() {
        QFETCH(int, pages);
        QFETCH(int, step);
        QFETCH(int, updates);
        Engines e;
        EngineView v;
        e.conversion.run(v, e.write("m.zrc", makeRecording(pages).bytes), qpath(e.files.file("o.wav")), 1);
        QCOMPARE(int(v.progressPages.size()), updates);
        QCOMPARE(v.progressPages.at(1), step);
        QCOMPARE(v.progressPages.back(), pages - 1);
        QCOMPARE(v.texts.at(0), QStringLiteral("0 %"));
        QCOMPARE(v.texts.at(1), QStringLiteral("0 %   "));
        QCOMPARE(v.texts.at(2), QString::number(100 * step / (pages - 1)) + QStringLiteral(" %  ."));
        QCOMPARE(v.texts.back().left(5), QStringLiteral("100 %"));
    }

    // The refusals of a conversion, and what stays of the output.
    void conversionRefusals_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<std::string>("box");
        QTest::addColumn<bool>("fileStays");
        QTest::newRow("no pages") << "empty" << std::string("convert 2") << false;
        QTest::newRow("decoder busy") << "busy" << std::string("convert 14") << false;
        QTest::newRow("one byte short of space") << "short" << std::string("convert 15") << false;
        QTest::newRow("space not measurable") << "unmeasured" << std::string("convert 15") << false;
        QTest::newRow("exactly the space") << "exact" << std::string() << true;
        QTest::newRow("a page not written") << "write fails" << std::string("convert 2") << false;
        QTest::newRow("cancel at page 4") << "cancel" << std::string() << false;
    }
    void conversionRefusals() {
        QFETCH(QString, what);
        QFETCH(std::string, box);
        QFETCH(bool, fileStays);
        Engines e;
        const QString zrc = e.write("m.zrc", makeRecording(what == "empty" ? 0 : 10).bytes);
        const QString out = qpath(e.files.file("o.wav"));
        EngineView v;
        CallLog::instance().setResult("AdpcmDecHeader", what == "busy" ? -1 : 44 + 1000);
        if (what == "short") v.free = 1043;
        if (what == "exact") v.free = 1044;
        if (what == "unmeasured") v.free.reset();
        if (what == "write fails") CallLog::instance().setResult("AdpcmDecx", -1);
        e.conversion.setOutput(out);
        int pagesAtCancel = -1;
        if (what == "cancel") {
            v.onPump = [&] {
                if (v.progressPages.size() != 3 || pagesAtCancel >= 0) return;
                pagesAtCancel = int(CallLog::instance().callsOf("AdpcmDecx").size()) - 1;
                e.conversion.cancel();
            };
        }
        QVERIFY(e.conversion.run(v, zrc, out, 2));
        QCOMPARE(v.boxes, box.empty() ? std::vector<std::string>{} : std::vector<std::string>{box});
        QCOMPARE(QFile::exists(out), fileStays);
        QVERIFY(v.finishedRun && !e.conversion.running());
        if (what == "cancel") QCOMPARE(pagesAtCancel, 4);
    }

    // Test playback plays the whole data in stretches of 1,000 bytes.
    void testPlayback_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("stretches");
        QTest::newRow("999 bytes") << 11 << 999 << 1;
        QTest::newRow("2,500 bytes at 8 kHz") << 8 << 2500 << 3;
        QTest::newRow("no data") << 11 << 0 << 0;
        QTest::newRow("22 kHz refused") << 22 << 2500 << -1;
    }
    void testPlayback() {
        QFETCH(int, rate);
        QFETCH(int, length);
        QFETCH(int, stretches);
        Engines e;
        EngineView v;
        auto& info = CallLog::instance().info();
        info[0] = static_cast<std::uint8_t>(rate);
        info[2] = 43;
        CallLog::instance().setResult("GetWavType", length);
        e.testPlayback.play(v, QStringLiteral("t.wav"));
        QCOMPARE(v.boxes, stretches < 0 ? std::vector<std::string>{"test"} : std::vector<std::string>{});
        const auto calls = CallLog::instance().callsOf("PcmWavPlay");
        QCOMPARE(int(calls.size()), std::max(stretches, 0));
        for (std::size_t k = 0; k < calls.size(); ++k) QCOMPARE(calls[k].args.at(0), std::to_string(1000 * k + 44));
        QVERIFY(!CallLog::instance().wave().playing);
    }
};

QTEST_GUILESS_MAIN(EnginesTest)
#include "engines_test.moc"
