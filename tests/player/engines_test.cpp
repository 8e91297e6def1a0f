// The player's engines without a window: the recording session, playback
// runs, the conversion and test playback, on the real PageCodec and fakes.
#include <QDir>
#include <QFile>
#include <QTest>

#include "harness.h"
#include "sound_format.h"

using namespace zrc::player;
using namespace zrc::test;
using Load = RecordingSession::Load;

struct LoadRow { QString kind; Load load; int prompt, pagesAfter; };
struct RoadRow { int pages, from, mode; std::vector<int> queued; std::int32_t header; };
struct ExitRow { QString how; std::string file; int slider; std::string box; };
struct RefusalRow { QString what; std::string box; bool fileStays; };
struct ProgressRow { int pages, updates, step; QString third; };
struct TestPlayRow { int rate, length; std::vector<int> starts; };
struct ExportRow { zrc::sound::SoundFormat format; double within; int cancelAt; std::string box; };  // within -1: same samples

class EnginesTest : public QObject {
    Q_OBJECT

private slots:
    // Every file a load meets: what it says, which prompt reports it, what stays current after a refusal.
    void sessionLoads_data() {
        QTest::addColumn<LoadRow>("r");
        QTest::newRow("recording") << LoadRow{"recording", Load::Loaded, 2, 3};
        QTest::newRow("header only") << LoadRow{"header", Load::NoPages, 2, 0};
        QTest::newRow("missing") << LoadRow{"missing", Load::CannotOpen, 2, 5};
        QTest::newRow("no recording") << LoadRow{"garbage", Load::NotRecording, 3, 5};
    }
    void sessionLoads() {
        QFETCH(LoadRow, r);
        Engines e;
        QCOMPARE(e.session.load(e.write("1.zrc", makeRecording(5, [](int p) { return p == 4; }).bytes)), Load::Loaded);
        const Bytes table = e.session.pageTypes();
        QCOMPARE(table, (Bytes{0, 0, 0, 0, 1}));
        // A page's elapsed time counts the page itself; past the end, the last page's.
        for (auto [page, ms] : std::map<int, int>{{0, 0}, {3, 492}, {4, 784}, {9, 784}}) {
            QCOMPARE(e.session.elapsedMs(page).value_or(-1), ms);
        }
        QCOMPARE(e.session.totalMs().value_or(-1), 784);
        const Bytes bytes = r.kind == "garbage" ? Bytes(700, 0x55) : makeRecording(r.kind == "recording" ? 3 : 0).bytes;
        const Load got = e.session.load(r.kind == "missing" ? e.path("none.zrc") : e.write("n.zrc", bytes));
        QCOMPARE(got, r.load);
        QCOMPARE(RecordingSession::promptSlot(got), r.prompt);
        QCOMPARE(e.session.pageCount(), r.pagesAfter);
        if (got != Load::Loaded) QCOMPARE(e.session.pageTypes(), table);
    }

    // The page road of a run by where it starts and its mode, the header's rate, where it leaves the slider.
    void pageRoad_data() {
        QTest::addColumn<RoadRow>("r");
        QTest::newRow("play from 0") << RoadRow{7, 0, 0, {0, 1, 2, 3, 4, 5, 6}, 11};
        QTest::newRow("play from 4") << RoadRow{7, 4, 0, {4, 5, 6}, 11};
        QTest::newRow("play the last page") << RoadRow{7, 6, 0, {6}, 11};
        QTest::newRow("one page") << RoadRow{1, 0, 0, {0}, 11};
        QTest::newRow("slider past a shrunk end") << RoadRow{7, 9, 0, {6}, 11};
        QTest::newRow("cue") << RoadRow{10, 0, 1, {0, 1, 2, 3, 4, 5, 6, 7, 0, 1}, 22};
        QTest::newRow("review from 5") << RoadRow{7, 5, -1, {5, 4, 3, 2, 1, 0}, 22};
        QTest::newRow("review from 0") << RoadRow{7, 0, -1, {}, 22};
    }
    void pageRoad() {
        QFETCH(RoadRow, r);
        Engines e;
        e.v.sliderMaximum = 9;
        e.v.slider = r.from;
        std::int32_t start = -1;
        e.playback.run(e.v, e.write("m.zrc", makeRecording(r.pages).bytes), start, std::int16_t(r.mode));
        QCOMPARE(e.fakes.pagesQueued, r.queued);
        QCOMPARE(e.fakes.args["SoundSet11k16bit"].at(0), r.header);
        QCOMPARE(start, std::min(r.from, r.pages - 1));
        QVERIFY(!e.playback.playing() && e.v.boxes.empty());
        QCOMPARE(e.v.slider, 0);
        // The last page is heard before the output goes; forward, the slider stands on it for half a second.
        QCOMPARE(e.v.idles, r.queued.empty() ? 0 : 1);
        QCOMPARE(e.v.playedAtIdle, int(r.queued.size()) - 1);
        if (r.queued.empty()) QVERIFY(e.v.allModes);
        if (r.mode >= 0) QCOMPARE(e.v.waits, std::vector<float>{0.5f});
        // Forward, a block of three is decoded once at most one queued page is left unheard: never more than four wait.
        if (r.mode >= 0) QCOMPARE(e.fakes.mostAhead, std::min(int(r.queued.size()), 4));
    }

    // How a run ends when something other than its last page ends it, or why it does not start.
    void exits_data() {
        QTest::addColumn<ExitRow>("r");
        // A stop leaves the slider on the last page the run showed.
        QTest::newRow("stop") << ExitRow{"stop", "m.zrc", 2, ""};
        QTest::newRow("stop in the end wait") << ExitRow{"stop late", "m.zrc", 10, ""};
        QTest::newRow("output ends first") << ExitRow{"runs out", "m.zrc", 0, ""};
        QTest::newRow("file removed") << ExitRow{"remove", "m.zrc", 5, "playback 2/0"};  // seen at the next page
        QTest::newRow("empty name") << ExitRow{"", "", 0, "playback 0/0"};
        QTest::newRow("missing") << ExitRow{"", "none.zrc", 0, "playback 1/1"};
        QTest::newRow("no pages") << ExitRow{"", "empty.zrc", 0, "playback 1/3"};
    }
    void exits() {
        QFETCH(ExitRow, r);
        Engines e;
        e.write("m.zrc", makeRecording(12).bytes);
        e.write("empty.zrc", makeRecording(0).bytes);
        const QString name = r.file.empty() ? QString() : e.path(r.file);
        e.v.sliderMaximum = 11;
        if (r.how == "runs out") e.fakes.atPlayed[10] = [&] { e.fakes.playing = false; };  // before the last page
        if (r.how == "remove") e.fakes.atPlayed[3] = [&] { QFile::remove(name); };
        if (r.how.startsWith("stop")) e.fakes.atPlayed[r.how == "stop" ? 3 : 11] = [&] { e.playback.requestStop(); };
        std::int32_t start = 0;
        e.playback.run(e.v, name, start, 0);
        QCOMPARE(e.v.slider, r.slider);
        QCOMPARE(e.v.boxes, r.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{r.box});
        QCOMPARE(e.v.idles, r.file.empty() ? 0 : 1);
        QVERIFY(!e.fakes.playing && !e.playback.playing());
        QCOMPARE(e.v.waits.size(), std::size_t{r.how == "runs out"});
        if (r.how.isEmpty()) QVERIFY(e.fakes.pagesQueued.empty());
    }

    // Updates every 2nd page, every 15th above 100 pages, and at the last.
    void progress_data() {
        QTest::addColumn<ProgressRow>("r");
        QTest::newRow("100 pages") << ProgressRow{100, 51, 2, "2 %  ."};
        QTest::newRow("101 pages") << ProgressRow{101, 8, 15, "15 %  ."};
    }
    void progress() {
        QFETCH(ProgressRow, r);
        Engines e;
        e.conversion.run(e.v, e.write("m.zrc", makeRecording(r.pages).bytes), e.path("o.wav"), 1);
        QCOMPARE(int(e.v.progressPages.size()), r.updates);
        QCOMPARE(e.v.progressPages.at(1), r.step);
        QCOMPARE(e.v.progressPages.back(), r.pages - 1);
        const QStringList texts{e.v.texts.at(0), e.v.texts.at(1), e.v.texts.at(2), e.v.texts.back().left(5)};
        QCOMPARE(texts, (QStringList{"0 %", "0 %   ", r.third, "100 %"}));
    }

    // What a conversion writes, its refusals, and what stays of the output: every page's codes in order,
    // announced by the counted page types and the mode of both, or no file.
    void conversion_data() {
        QTest::addColumn<RefusalRow>("r");
        QTest::newRow("type 0 only") << RefusalRow{"type 0", "", true};
        QTest::newRow("both types") << RefusalRow{"mixed", "", true};
        QTest::newRow("exactly the space") << RefusalRow{"exact", "", true};
        QTest::newRow("no pages") << RefusalRow{"empty", "convert 2", false};
        QTest::newRow("decoder busy") << RefusalRow{"busy", "convert 14", false};
        QTest::newRow("one byte short of space") << RefusalRow{"short", "convert 15", false};
        QTest::newRow("space not measurable") << RefusalRow{"unmeasured", "convert 15", false};
        QTest::newRow("a page not written") << RefusalRow{"write fails", "convert 2", false};
        QTest::newRow("cancel at page 4") << RefusalRow{"cancel", "", false};
    }
    void conversion() {
        QFETCH(RefusalRow, r);
        Engines e;
        const bool mixed = r.what == "mixed";
        const Recording rec = makeRecording(r.what == "empty" ? 0 : 12, [&](int p) { return mixed && p % 3 == 1; });
        const QString out = e.path("o.wav");
        e.fakes.results["AdpcmDecHeader"] = r.what == "busy" ? -1 : 44 + 1000;
        if (r.what == "short" || r.what == "exact") e.v.free = r.what == "short" ? 1043 : 1044;
        if (r.what == "unmeasured") e.v.free.reset();
        if (r.what == "write fails") e.fakes.results["AdpcmDecx"] = -1;
        e.conversion.setOutput(out);
        if (r.what == "cancel") {
            e.fakes.onCall = [&](const std::string& f, int mode) {
                if (f == "AdpcmDecx" && mode != 1 && e.fakes.args[f].size() == 5) e.conversion.cancel();
            };
        }
        QVERIFY(e.conversion.run(e.v, e.write("m.zrc", rec.bytes), out, 2));
        QCOMPARE(e.v.boxes, r.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{r.box});
        QCOMPARE(QFile::exists(out), r.fileStays);
        QVERIFY(e.v.finishedRun && !e.conversion.running());
        if (r.what == "cancel") QVERIFY(e.fakes.args["AdpcmDecx"].size() < 13);  // not all 12 pages and the first call
        if (!r.fileStays) return;
        Bytes expected;
        for (const Bytes& codes : rec.pageCodes) expected.insert(expected.end(), codes.begin(), codes.end());
        QCOMPARE(readFile(e.files.file("o.wav")), expected);
        QCOMPARE(e.fakes.args["AdpcmDecHeader"].at(0), mixed ? 8 : 12);
        QCOMPARE(e.fakes.args["AdpcmDecx"].back(), mixed ? 2 : 0);
    }

    // An export holds the samples of the 16-bit conversion: the same in FLAC and WAV, as long within one codec
    // frame in the lossy formats. Cancel in either step and a disk short of the estimate leave only what was there.
    void exports_data() {
        using zrc::sound::SoundFormat;
        QTest::addColumn<ExportRow>("r");
        QTest::newRow("WAV") << ExportRow{SoundFormat::Wav, -1, -1, ""};
        QTest::newRow("FLAC") << ExportRow{SoundFormat::Flac, -1, -1, ""};
        QTest::newRow("Ogg Opus") << ExportRow{SoundFormat::Opus, 960 / 48000.0, -1, ""};
        QTest::newRow("MP3") << ExportRow{SoundFormat::Mp3, 576 / 11025.0, -1, ""};
        QTest::newRow("cancel in the pages") << ExportRow{SoundFormat::Flac, -1, 4, ""};
        QTest::newRow("cancel in the encoding") << ExportRow{SoundFormat::Mp3, -1, 40, ""};
        QTest::newRow("room for the WAV file only") << ExportRow{SoundFormat::Flac, -1, -1, "convert 15"};
    }
    void exports() {
        QFETCH(ExportRow, r);
        Engines e(true);
        const QString zrc = e.write("m.zrc", makeRecording(30).bytes), wav = e.path("16.wav"), out = e.path("out.x");
        QVERIFY(e.conversion.run(e.v, zrc, wav, 2) && e.v.boxes.empty());
        const ReadSound expected = readSound(wav);
        QVERIFY(expected.samples.size() == 30 * 1360 && expected.rate == 11025);
        if (!r.box.empty()) e.v.free = QFileInfo(wav).size();
        e.v.atProgress = [&](int step) { if (r.cancelAt >= 0 && step >= r.cancelAt) e.conversion.cancel(); };
        e.v.progressPages.clear();
        e.conversion.setOutput(out);
        QVERIFY(e.conversion.exportTo(e.v, zrc, out, r.format) && !e.conversion.running());
        QCOMPARE(e.v.boxes, r.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{r.box});
        const bool written = r.box.empty() && r.cancelAt < 0;
        const QStringList left = QDir(e.path("")).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, (written ? QStringList{"16.wav", "m.zrc", "out.x"} : QStringList{"16.wav", "m.zrc"}));
        if (!written) return;
        if (r.format != zrc::sound::SoundFormat::Wav) QCOMPARE(e.v.progressPages.back(), 59);  // the pages, then as many steps
        const ReadSound got = readSound(out);
        if (r.within < 0) QVERIFY(got.rate == expected.rate && got.samples == expected.samples);
        const double seconds = double(got.samples.size()) / got.rate, wanted = double(expected.samples.size()) / 11025;
        QVERIFY2(std::abs(seconds - wanted) <= std::max(r.within, 0.0), qPrintable(QString::number(seconds)));
    }

    // Test playback plays the whole data in stretches of 1,000 bytes after the 44 of the header.
    void testPlayback_data() {
        QTest::addColumn<TestPlayRow>("r");
        QTest::newRow("999 bytes") << TestPlayRow{11, 999, {44}};
        QTest::newRow("2,500 bytes at 8 kHz") << TestPlayRow{8, 2500, {44, 1044, 2044}};
        QTest::newRow("no data") << TestPlayRow{11, 0, {}};
        QTest::newRow("22 kHz refused") << TestPlayRow{22, 2500, {}};
    }
    void testPlayback() {
        QFETCH(TestPlayRow, r);
        Engines e;
        e.fakes.info[0] = std::uint8_t(r.rate);
        e.fakes.info[2] = 43;
        e.fakes.results["GetWavType"] = r.length;
        e.testPlayback.play(e.v, QStringLiteral("t.wav"));
        QCOMPARE(e.v.boxes, r.rate == 22 ? std::vector<std::string>{"test"} : std::vector<std::string>{});
        QCOMPARE(e.fakes.args["PcmWavPlay"], r.starts);
        QVERIFY(!e.fakes.playing);
    }
};

QTEST_GUILESS_MAIN(EnginesTest)
#include "engines_test.moc"
