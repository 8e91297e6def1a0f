// File > Convert to wave in the window, offscreen: the save dialog and its
// questions, the page road through PageCodec into the Orvel double (which
// writes a marker and then each page's codes, so the file tells which pages
// arrived and in what order), the progress display, Cancel, Exit and the
// refusals.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>
#include <QTest>

#include <filesystem>
#include <functional>

#include "playback_harness.h"

using namespace zrc::player;
using namespace zrc::test;
using zrc::test::doubles::Call;
using zrc::test::doubles::CallLog;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;

constexpr char kMarker[] = "ORVELHDR";  // what the double writes as the header

// A recording of known codes: type-0 pages carry 1,360 3-bit codes, type-1
// pages 2,046 2-bit codes (the recorder's two sets), each page its own
// pattern so that a page out of place shows.
struct Recording {
    Bytes bytes;
    std::vector<Bytes> pageCodes;
    std::vector<bool> type1;
};

Recording makeRecording(int pages, const std::function<bool(int)>& isType1) {
    Recording r;
    ZrcBuilder builder;
    for (int p = 0; p < pages; ++p) {
        const bool one = isType1(p);
        Bytes codes(one ? 2046 : 1360);
        const int width = one ? 2 : 3;
        for (std::size_t i = 0; i < codes.size(); ++i) {
            codes[i] = static_cast<std::uint8_t>((static_cast<std::size_t>(p) * 5 + i / 3) % (1u << width));
        }
        builder.page(codes, width, one ? 0x01 : 0x00);
        r.pageCodes.push_back(codes);
        r.type1.push_back(one);
    }
    r.bytes = builder.bytes();
    return r;
}

// The double's file after pages 0 to n - 1.
Bytes expectedFile(const Recording& r, std::size_t n) {
    Bytes out(kMarker, kMarker + sizeof kMarker - 1);
    for (std::size_t p = 0; p < n; ++p) out.insert(out.end(), r.pageCodes[p].begin(), r.pageCodes[p].end());
    return out;
}

// The window at the moment a page reaches the decoder.
struct Snapshot {
    int page;
    int bar;
    int barMaximum;
    QString label;
    bool barShown, sliderShown, cancelUsable, transportShown;
    bool openEnabled, convert8Enabled, convert16Enabled;
};

struct Harness : PlayerHarness {
    explicit Harness(int libraries = LibraryFolder::All) : PlayerHarness(libraries) {
        form.setDiskSpaceFree([this](const QString& name) {
            spaceAskedFor.push_back(name);
            return freeSpace;
        });
        form.Form_Load();
    }

    // Writes the recording as memo.zrc, opens it and forgets the calls so far.
    std::filesystem::path openRecording(const Recording& r) {
        const auto path = write("memo.zrc", r.bytes);
        open(path);
        dialogs.clear();
        watchPages();
        return path;
    }

    // File > Convert to wave > Save As 8bit (1) or 16bit (2) wave, answered with `out`.
    void convert(int pcmBit, const std::optional<std::filesystem::path>& out) {
        dialogs.answerSave(out ? std::optional<QString>(qpath(*out)) : std::nullopt);
        const Form1Controls& c = form.controls();
        (pcmBit == 1 ? c.Trans_wav8bit : c.Trans_wav16bit)->trigger();
    }

    // Takes a snapshot at each page handed to the decoder and runs
    // `atPage(p)` then, if set.
    void watchPages() {
        CallLog::instance().setListener([this](const Call& call) {
            if (call.function == "AdpcmDecHeader") labelAtHeader = form.controls().PlayTimeLabel->text();
            if (call.function != "AdpcmDecx") return;
            if (call.args.at(6) == "1") {
                if (atOpening) atOpening();
                return;
            }
            const int page = static_cast<int>(snapshots.size());
            const Form1Controls& c = form.controls();
            snapshots.push_back({page, c.ProgressBar1->value(), c.ProgressBar1->maximum(), c.PlayTimeLabel->text(),
                                 !c.ProgressBar1->isHidden(), !c.PlaySlider->isHidden(),
                                 c.Cancelx->isEnabled() && !c.Cancelx->isHidden(), !c.PlayX->isHidden(),
                                 c.M_fileopen->isEnabled(), c.Trans_wav8bit->isEnabled(),
                                 c.Trans_wav16bit->isEnabled()});
            if (atPage) atPage(page);
        });
    }

    // Runs `action` at the window's next event pump.
    void atNextPump(std::function<void()> action) {
        QMetaObject::invokeMethod(&form, std::move(action), Qt::QueuedConnection);
    }

    std::vector<Call> pageCalls() const {
        std::vector<Call> pages;
        for (const Call& call : CallLog::instance().callsOf("AdpcmDecx")) {
            if (call.args.at(6) != "1") pages.push_back(call);
        }
        return pages;
    }

    // The window is back at rest after a conversion.
    bool atRest() const {
        const Form1Controls& c = form.controls();
        const bool ok = c.ProgressBar1->isHidden() && c.ProgressBar1->value() == 0 && !c.PlaySlider->isHidden() &&
                        c.PlayTimeLabel->text() == QStringLiteral(" ") && !c.Cancelx->isEnabled() &&
                        c.Cancelx->isHidden() && c.PlayX->isEnabled() && !c.PlayX->isHidden() &&
                        c.StopX->isEnabled() && c.M_fileopen->isEnabled() && c.Trans_wav8bit->isEnabled() &&
                        c.Trans_wav16bit->isEnabled();
        if (!ok) qWarning("window not at rest; label \"%s\"", qPrintable(c.PlayTimeLabel->text()));
        return ok;
    }

    bool shownOneBox(int slot, int style) const {
        return PlayerHarness::shownOneBox(kMsg[static_cast<std::size_t>(slot)], style, kMsg[4]);
    }

    std::optional<std::int64_t> freeSpace = std::numeric_limits<std::int32_t>::max();
    std::vector<QString> spaceAskedFor;
    std::vector<Snapshot> snapshots;
    QString labelAtHeader;
    std::function<void(int)> atPage;
    std::function<void()> atOpening;
};

Recording typeZeroOnly(int pages) {
    return makeRecording(pages, [](int) { return false; });
}

}  // namespace

class ConvertTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CallLog::instance().reset(); }

    // --- The page road ---------------------------------------------------

    void convertsEveryPage_data() {
        QTest::addColumn<int>("pcmBit");
        QTest::addColumn<QString>("layout");
        QTest::addColumn<int>("mode");
        QTest::newRow("8-bit, type 0 only") << 1 << "type0" << 0;
        QTest::newRow("16-bit, type 0 only") << 2 << "type0" << 0;
        QTest::newRow("16-bit, type 1 only") << 2 << "type1" << 0;
        QTest::newRow("8-bit, mixed") << 1 << "mixed" << 2;
        QTest::newRow("16-bit, mixed") << 2 << "mixed" << 2;
    }
    void convertsEveryPage() {
        QFETCH(int, pcmBit);
        QFETCH(QString, layout);
        QFETCH(int, mode);
        Harness h;
        // Every third page of type 1 in the mixed one: 8 of type 0, 4 of type 1.
        const Recording r = makeRecording(12, [&](int p) {
            return layout == QLatin1String("type1") || (layout == QLatin1String("mixed") && p % 3 == 1);
        });
        const auto zrc = h.openRecording(r);
        const auto out = h.files.file("out.wav");
        h.convert(pcmBit, out);

        // The save dialog offered the recording's name as a WAV file.
        QCOMPARE(h.dialogs.saves().size(), std::size_t{1});
        QCOMPARE(h.dialogs.saves()[0].fileName, qpath(h.files.file("memo.wav")));
        QCOMPARE(h.dialogs.saves()[0].filter, QStringLiteral("wav file(*.wav)|*.wav"));
        QVERIFY(h.dialogs.boxes().empty());

        // Playback stopped first; the header gets the counted pages of each
        // type, not the header's stored counts (all 12 as type 0).
        const std::size_t ones = layout == QLatin1String("type1") ? 12 : layout == QLatin1String("mixed") ? 4 : 0;
        const Names functions = CallLog::instance().functions();
        QCOMPARE(Names(functions.begin(), functions.begin() + 4),
                 (Names{"WavStop", "WavDestroy", "AdpcmDecHeader", "AdpcmDecx"}));
        QCOMPARE(functions.size(), std::size_t{4 + 12});
        const std::string wav = out.string();
        QCOMPARE(CallLog::instance().callsOf("AdpcmDecHeader").at(0).args,
                 (Names{wav, std::to_string(pcmBit), "11", "7", "3", "2", std::to_string(12 - ones),
                        std::to_string(ones), "address"}));
        QCOMPARE(CallLog::instance().callsOf("AdpcmDecx").at(0).args,
                 (Names{wav, "address", "0", "0", "0", "0", "1"}));
        const auto pages = h.pageCalls();
        for (std::size_t p = 0; p < pages.size(); ++p) {
            const bool one = r.type1[p];
            QCOMPARE(pages[p].args, (Names{wav, "address", one ? "7" : "11", one ? "2" : "3", one ? "2046" : "1360",
                                           std::to_string(pcmBit), std::to_string(mode)}));
        }
        // Every page's codes, in page order.
        QCOMPARE(readFile(out), expectedFile(r, 12));
        QCOMPARE(readFile(zrc), r.bytes);

        QVERIFY(!h.form.playback().playing());
        QCOMPARE(h.form.session().info().storedPages0, static_cast<std::uint32_t>(12 - ones));
        QCOMPARE(h.form.session().info().storedPages1, static_cast<std::uint32_t>(ones));
        QVERIFY(h.atRest());
        for (QLabel* image : h.form.controls().Image1) QVERIFY(image->isHidden());
        QVERIFY(h.spaceAskedFor == std::vector<QString>{qpath(out)});
    }

    void progressUpdates_data() {
        QTest::addColumn<int>("pageCount");
        QTest::addColumn<int>("interval");
        // Labels at the first updates and the last two, worked by hand.
        QTest::addColumn<QStringList>("firstLabels");
        QTest::addColumn<QStringList>("lastLabels");
        QTest::newRow("100 pages") << 100 << 2 << QStringList{"0 %   ", "2 %  .", "4 %   "}
                                   << QStringList{"98 %  .", "100 %   "};
        QTest::newRow("101 pages") << 101 << 15 << QStringList{"0 %   ", "15 %  .", "30 %   "}
                                   << QStringList{"90 %   ", "100 %  ."};
    }
    void progressUpdates() {
        QFETCH(int, pageCount);
        QFETCH(int, interval);
        QFETCH(QStringList, firstLabels);
        QFETCH(QStringList, lastLabels);
        Harness h;
        h.openRecording(typeZeroOnly(pageCount));
        h.convert(2, h.files.file("out.wav"));
        QCOMPARE(h.snapshots.size(), static_cast<std::size_t>(pageCount));

        // An update moved the bar to its page and changed the label; pages
        // in between left both as they were.
        std::vector<int> updates;
        QStringList labels;
        QString previous;
        for (const Snapshot& s : h.snapshots) {
            QVERIFY(s.barShown && !s.sliderShown && s.cancelUsable && !s.transportShown);
            QVERIFY2(!s.openEnabled && !s.convert8Enabled && !s.convert16Enabled, "menus usable during a run");
            QCOMPARE(s.barMaximum, pageCount - 1);
            if (s.label != previous) {
                updates.push_back(s.page);
                labels << s.label;
                QCOMPARE(s.bar, s.page);
            }
            previous = s.label;
        }
        std::vector<int> expected;
        for (int p = 0; p < pageCount - 1; p += interval) expected.push_back(p);
        expected.push_back(pageCount - 1);
        QCOMPARE(updates, expected);
        // Before the first update, the percentage alone.
        QCOMPARE(h.labelAtHeader, QStringLiteral("0 %"));
        QCOMPARE(labels.mid(0, 3), firstLabels);
        QCOMPARE(labels.mid(labels.size() - 2), lastLabels);
        for (qsizetype i = 0; i < labels.size(); ++i) {
            QVERIFY2(labels[i].endsWith(i % 2 == 0 ? QStringLiteral(" %   ") : QStringLiteral(" %  .")),
                     qPrintable(labels[i]));
        }
        QVERIFY(h.atRest());
    }

    // A slider press leaves Timer1 running; its ticks during a conversion
    // must not put the time display over the percentage.
    void timerLeftRunningLeavesThePercentage() {
        Harness h;
        h.openRecording(typeZeroOnly(40));
        h.form.controls().Timer1->start(0);  // a tick at every pump
        h.convert(2, h.files.file("out.wav"));
        QCOMPARE(h.snapshots.size(), std::size_t{40});
        for (const Snapshot& s : h.snapshots) {
            QVERIFY2(s.label.contains(QStringLiteral(" %")), qPrintable(s.label));
        }
        h.form.controls().Timer1->stop();
    }

    void onePageRecording() {
        Harness h;
        const Recording r = typeZeroOnly(1);
        h.openRecording(r);
        const QString before = h.form.controls().PlayTimeLabel->text();
        const auto out = h.files.file("one.wav");
        h.convert(1, out);
        QCOMPARE(h.snapshots.size(), std::size_t{1});
        // No percentage can be worked out: the label keeps its text.
        QCOMPARE(h.snapshots[0].label, before);
        QVERIFY(h.snapshots[0].barShown);
        QCOMPARE(readFile(out), expectedFile(r, 1));
        QVERIFY(h.dialogs.boxes().empty());
        QVERIFY(h.atRest());
    }

    // --- Cancel and Exit ---------------------------------------------------

    void cancelAtAnUpdate_data() {
        QTest::addColumn<int>("pageCount");
        QTest::addColumn<int>("cancelAt");
        QTest::newRow("100 pages, at page 0") << 100 << 0;
        QTest::newRow("100 pages, at page 50") << 100 << 50;
        QTest::newRow("100 pages, at the last page") << 100 << 99;
        QTest::newRow("101 pages, at page 15") << 101 << 15;
    }
    void cancelAtAnUpdate() {
        QFETCH(int, pageCount);
        QFETCH(int, cancelAt);
        Harness h;
        const Recording r = typeZeroOnly(pageCount);
        h.openRecording(r);
        const auto out = h.files.file("out.wav");
        Bytes atCancel;
        const auto cancel = [&] {
            atCancel = readFile(out);
            h.form.controls().Cancelx->click();
        };
        // The next pump after the page before the update is the update's.
        if (cancelAt == 0) {
            h.atOpening = [&] { h.atNextPump(cancel); };
        } else {
            h.atPage = [&](int page) {
                if (page == cancelAt - 1) h.atNextPump(cancel);
            };
        }
        h.convert(2, out);

        QCOMPARE(h.snapshots.size(), static_cast<std::size_t>(cancelAt));
        QCOMPARE(atCancel, expectedFile(r, static_cast<std::size_t>(cancelAt)));
        QVERIFY(!std::filesystem::exists(out));
        QVERIFY(h.dialogs.boxes().empty());
        QVERIFY(h.atRest());
    }

    void cancelBeforeTheFileExists() {
        Harness h;
        h.openRecording(typeZeroOnly(10));
        const auto out = h.files.file("out.wav");
        // Cancel becomes usable just before the pump that precedes the
        // header; clicked there, no file is made at all.
        std::function<void()> clickWhenUsable = [&] {
            if (h.form.controls().Cancelx->isEnabled()) {
                h.form.controls().Cancelx->click();
            } else {
                h.atNextPump(clickWhenUsable);
            }
        };
        h.atNextPump(clickWhenUsable);
        h.convert(2, out);
        QVERIFY(CallLog::instance().callsOf("AdpcmDecHeader").empty());
        QVERIFY(CallLog::instance().callsOf("AdpcmDecx").empty());
        QVERIFY(!std::filesystem::exists(out));
        QVERIFY(h.atRest());
    }

    void exitDuringAConversion_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("EXITX") << "button";
        QTest::newRow("EXIT0") << "menu";
        QTest::newRow("window closed") << "close";
    }
    void exitDuringAConversion() {
        QFETCH(QString, how);
        Harness h;
        h.openRecording(typeZeroOnly(100));
        h.form.show();
        const auto out = h.files.file("out.wav");
        QSignalSpy ended(&h.form, &Form1::programEnded);
        std::size_t callsAtExit = 0;
        h.atPage = [&](int page) {
            if (page != 40) return;
            h.atNextPump([&] {
                callsAtExit = CallLog::instance().calls().size();
                if (how == QLatin1String("button")) h.form.controls().EXITX->click();
                if (how == QLatin1String("menu")) h.form.controls().EXIT0->trigger();
                if (how == QLatin1String("close")) h.form.close();
            });
        };
        h.convert(2, out);

        QVERIFY(h.form.ended());
        QCOMPARE(ended.count(), 1);
        QVERIFY(!std::filesystem::exists(out));
        // Nothing but stopping the wave output after the exit.
        QCOMPARE(h.snapshots.size(), std::size_t{42});
        const Names functions = CallLog::instance().functions();
        QCOMPARE(Names(functions.begin() + static_cast<std::ptrdiff_t>(callsAtExit), functions.end()),
                 (Names{"WavStop", "WavDestroy"}));
    }

    void afterAConversionCancelAndExitKeepTheFile() {
        Harness h;
        const Recording r = typeZeroOnly(5);
        h.openRecording(r);
        const auto out = h.files.file("out.wav");
        h.convert(1, out);
        h.form.Cancelx_Click();
        h.form.controls().EXITX->click();
        QVERIFY(h.form.ended());
        QCOMPARE(readFile(out), expectedFile(r, 5));
    }

    void menuDuringAConversionStartsNothing() {
        Harness h;
        const Recording r = typeZeroOnly(40);
        h.openRecording(r);
        const auto out = h.files.file("out.wav");
        h.dialogs.answerOpen(qpath(h.files.file("other.zrc")));
        h.atPage = [&](int page) {
            if (page != 10) return;
            h.atNextPump([&] {
                h.form.controls().M_fileopen->trigger();
                h.form.controls().Trans_wav8bit->trigger();
                h.form.controls().Trans_wav16bit->trigger();
            });
        };
        h.convert(2, out);
        QVERIFY(h.dialogs.opens().empty());
        QCOMPARE(h.dialogs.saves().size(), std::size_t{1});
        QCOMPARE(CallLog::instance().callsOf("AdpcmDecHeader").size(), std::size_t{1});
        QCOMPARE(readFile(out), expectedFile(r, 40));
        QVERIFY(h.atRest());
    }

    // --- The save dialog and its questions ---------------------------------

    void dialogCancelled() {
        Harness h;
        h.openRecording(typeZeroOnly(5));
        h.form.ComControl(kConversionButtonState);
        h.convert(2, std::nullopt);
        QCOMPARE(CallLog::instance().functions(), (Names{"WavStop", "WavDestroy"}));
        QVERIFY(!h.form.playback().playing());
        const Form1Controls& c = h.form.controls();
        QVERIFY(c.PlayX->isEnabled() && !c.PlayX->isHidden() && c.Cancelx->isHidden());
        QVERIFY(c.ProgressBar1->isHidden());
    }

    void overwriteQuestion_data() {
        QTest::addColumn<QString>("existing");  // "empty" or "full"
        QTest::addColumn<int>("answer");        // to the question, when asked
        QTest::newRow("non-empty, No reopens the dialog") << "full" << MsgBoxAnswer::No;
        QTest::newRow("non-empty, Yes deletes it") << "full" << MsgBoxAnswer::Yes;
        QTest::newRow("empty file is not asked about") << "empty" << MsgBoxAnswer::No;
    }
    void overwriteQuestion() {
        QFETCH(QString, existing);
        QFETCH(int, answer);
        Harness h;
        const Recording r = typeZeroOnly(5);
        h.openRecording(r);
        const auto out = h.files.file("memo.wav");
        const bool asked = existing == QLatin1String("full");
        const bool yes = answer == MsgBoxAnswer::Yes;
        const Bytes old = asked ? Bytes{'o', 'l', 'd'} : Bytes{};
        writeFile(out, old);
        // After Yes the decoder refuses, so what the player deleted before
        // it stays deleted.
        if (asked && yes) CallLog::instance().setResult("AdpcmDecHeader", -1);
        h.dialogs.answerBox(answer);
        // After No, the dialog again, answered with another name.
        const auto other = h.files.file("other.wav");
        h.dialogs.answerSave(qpath(out));
        h.convert(2, other);

        const auto& boxes = h.dialogs.boxes();
        if (!asked) {
            QVERIFY(boxes.empty());
            QCOMPARE(readFile(out), expectedFile(r, 5));
            return;
        }
        QVERIFY(!boxes.empty());
        QCOMPARE(boxes[0].prompt, kMsg[5]);
        QCOMPARE(boxes[0].style, MsgBoxStyle::YesNo);
        QCOMPARE(boxes[0].title, kMsg[4]);
        if (yes) {
            QCOMPARE(boxes.size(), std::size_t{2});
            QCOMPARE(boxes[1].prompt, kMsg[14]);
            QCOMPARE(CallLog::instance().callsOf("AdpcmDecHeader").size(), std::size_t{1});
            QVERIFY(!std::filesystem::exists(out));
        } else {
            // The dialog again, with the default name; the file untouched.
            QCOMPARE(boxes.size(), std::size_t{1});
            QCOMPARE(h.dialogs.saves().size(), std::size_t{2});
            QCOMPARE(h.dialogs.saves()[1].fileName, qpath(out));
            QCOMPARE(readFile(out), old);
            QCOMPARE(readFile(other), expectedFile(r, 5));
        }
    }

    void recordingItselfIsRefused_data() {
        QTest::addColumn<QString>("spelling");
        QTest::newRow("its own path") << "same";
        QTest::newRow("another spelling") << "dot";
        QTest::newRow("a hard link") << "hardlink";
    }
    void recordingItselfIsRefused() {
        QFETCH(QString, spelling);
        Harness h;
        const Recording r = typeZeroOnly(5);
        const auto zrc = h.openRecording(r);
        QString chosen = qpath(zrc);
        if (spelling == QLatin1String("dot")) chosen = qpath(h.files.path()) + QStringLiteral("/./memo.zrc");
        if (spelling == QLatin1String("hardlink")) {
            std::filesystem::create_hard_link(zrc, h.files.file("hard.wav"));
            chosen = qpath(h.files.file("hard.wav"));
        }
        h.dialogs.answerSave(chosen);
        // Answered Yes, the overwrite question would delete the recording.
        h.dialogs.answerBox(MsgBoxAnswer::Yes);
        h.dialogs.answerBox(MsgBoxAnswer::Yes);
        const auto out = h.files.file("memo.wav");
        h.convert(2, out);

        QVERIFY(h.dialogs.boxes().size() >= 1);
        QCOMPARE(h.dialogs.boxes()[0].prompt, kMsg[16]);
        QCOMPARE(h.dialogs.boxes()[0].style, MsgBoxStyle::OkOnly);
        QCOMPARE(h.dialogs.boxes()[0].title, kMsg[4]);
        QCOMPARE(h.dialogs.boxes().size(), std::size_t{1});
        QCOMPARE(h.dialogs.saves().size(), std::size_t{2});
        QCOMPARE(readFile(zrc), r.bytes);
        QCOMPARE(readFile(out), expectedFile(r, 5));
    }

    // --- Refusals ----------------------------------------------------------

    void refusedBeforeTheFirstPage_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("slot");
        QTest::newRow("a recording of no pages") << "empty" << 2;
        QTest::newRow("gone: the all-1 record") << "gone" << 2;
        QTest::newRow("overwritten by a WAV file: the all-13 record") << "wav" << 2;
        QTest::newRow("AdpcmDecHeader answers -1") << "refused" << 14;
        QTest::newRow("no Orvel to call") << "no Orvel" << 14;
    }
    void refusedBeforeTheFirstPage() {
        QFETCH(QString, what);
        QFETCH(int, slot);
        Harness h(what == QLatin1String("no Orvel") ? LibraryFolder::PageCodec | LibraryFolder::Corvid
                                                    : LibraryFolder::All);
        const auto zrc = h.openRecording(typeZeroOnly(what == QLatin1String("empty") ? 0 : 5));
        if (what == QLatin1String("gone")) std::filesystem::remove(zrc);
        if (what == QLatin1String("wav")) writeFile(zrc, Bytes{'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E'});
        CallLog::instance().setResult("AdpcmDecHeader", -1);
        h.convert(2, h.files.file("out.wav"));
        QVERIFY(h.shownOneBox(slot, MsgBoxStyle::CancelTryAgainContinue));
        if (slot == 2) QVERIFY(CallLog::instance().callsOf("AdpcmDecHeader").empty());
        QVERIFY(CallLog::instance().callsOf("AdpcmDecx").empty());
        QVERIFY(!std::filesystem::exists(h.files.file("out.wav")));
        // The failure records' 1s or 13s are not taken as the recording's.
        if (what != QLatin1String("empty")) QCOMPARE(h.form.session().pageCount(), 5);
        QVERIFY(h.atRest());
    }

    void freeSpace_data() {
        using Free = std::optional<std::int64_t>;
        QTest::addColumn<int>("needed");  // AdpcmDecHeader's result
        // The data size of the header it copies; empty: as its result says.
        QTest::addColumn<std::optional<std::uint32_t>>("dataBytes");
        QTest::addColumn<Free>("free");
        QTest::addColumn<bool>("converts");
        const std::optional<std::uint32_t> asResult;
        QTest::newRow("one byte short") << 100'000 << asResult << Free(99'999) << false;
        QTest::newRow("exactly enough") << 100'000 << asResult << Free(100'000) << true;
        QTest::newRow("plenty") << 100'000 << asResult << Free(2'147'483'647) << true;
        QTest::newRow("free space unknown") << 44 << asResult << Free() << false;
        // Beyond what the result can say: the header's 3,000,000,000 data
        // bytes need 3,000,000,044, while the result stops at 2,147,483,647.
        const std::optional<std::uint32_t> threeBillion(3'000'000'000u);
        QTest::newRow("over 2^31 - 1: one byte short")
            << 2'147'483'647 << threeBillion << Free(3'000'000'043) << false;
        QTest::newRow("over 2^31 - 1: exactly enough")
            << 2'147'483'647 << threeBillion << Free(3'000'000'044) << true;
    }
    void freeSpace() {
        QFETCH(int, needed);
        QFETCH(std::optional<std::uint32_t>, dataBytes);
        QFETCH(std::optional<std::int64_t>, free);
        QFETCH(bool, converts);
        Harness h;
        const Recording r = typeZeroOnly(5);
        h.openRecording(r);
        h.freeSpace = free;
        CallLog::instance().setResult("AdpcmDecHeader", needed);
        CallLog::instance().headerDataBytes = dataBytes;
        const auto out = h.files.file("out.wav");
        h.convert(2, out);
        QVERIFY(h.spaceAskedFor == std::vector<QString>{qpath(out)});
        if (converts) {
            QVERIFY(h.dialogs.boxes().empty());
            QCOMPARE(readFile(out), expectedFile(r, 5));
        } else {
            QVERIFY(h.shownOneBox(15, MsgBoxStyle::CancelTryAgainContinue));
            QVERIFY(h.pageCalls().empty());
            // The header alone is not left behind as a WAV file.
            QVERIFY(!std::filesystem::exists(out));
        }
        QVERIFY(h.atRest());
    }

    // At page 6 of 20 the recording goes away, or from page 7 on Orvel
    // answers `failure` with `freeAfter` bytes then left on the disk.
    void failedPageStopsTheConversion_data() {
        using Free = std::optional<std::int64_t>;
        QTest::addColumn<int>("failure");  // 0: the recording goes away instead
        QTest::addColumn<Free>("freeAfter");
        QTest::addColumn<int>("slot");
        const Free plenty(2'147'483'647);
        QTest::newRow("the recording goes away") << 0 << plenty << 2;
        QTest::newRow("write failed, disk full") << -3 << Free(1'000) << 15;
        QTest::newRow("write failed, room left") << -3 << plenty << 2;
        QTest::newRow("file gone, room left") << -2 << plenty << 2;
        QTest::newRow("write failed, free space unknown") << -3 << Free() << 2;
    }
    void failedPageStopsTheConversion() {
        QFETCH(int, failure);
        QFETCH(std::optional<std::int64_t>, freeAfter);
        QFETCH(int, slot);
        Harness h;
        const auto zrc = h.openRecording(typeZeroOnly(20));
        CallLog::instance().setResult("AdpcmDecHeader", 1'000'000);
        const auto out = h.files.file("out.wav");
        h.atPage = [&](int page) {
            if (failure == 0 && page == 6) std::filesystem::remove(zrc);
            if (failure != 0 && page == 7) {
                CallLog::instance().setResult("AdpcmDecx", failure);
                h.freeSpace = freeAfter;
            }
        };
        h.convert(2, out);
        QVERIFY(h.shownOneBox(slot, MsgBoxStyle::CancelTryAgainContinue));
        // Nothing past the page that failed; the bar never reached the end.
        QCOMPARE(h.pageCalls().size(), std::size_t{failure == 0 ? 7u : 8u});
        QVERIFY(!std::filesystem::exists(out));
        QVERIFY(h.atRest());
    }
};

QTEST_MAIN(ConvertTest)
#include "convert_test.moc"
