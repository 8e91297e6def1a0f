// The player's free functions: time texts, the message table, the decisions
// of opening a file and the dialog filters.
#include <QTest>

#include <limits>

#include "dialogs.h"
#include "messages.h"
#include "open_rules.h"
#include "time_text.h"

using namespace zrc::player;

class TextTest : public QObject {
    Q_OBJECT

private slots:
    void formatLong_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QString>("text");
        QTest::newRow("padded") << 5 << 2 << "05";
        QTest::newRow("last two digits") << 123 << 2 << "23";
        QTest::newRow("no digits") << 7 << 0 << "";
        QTest::newRow("negative count") << 7 << -1 << "";
        QTest::newRow("zero") << 0 << 2 << "00";
        QTest::newRow("one digit") << 99 << 1 << "9";
        QTest::newRow("four of seven") << 1234567 << 4 << "4567";
        QTest::newRow("all ten") << 2147483647 << 10 << "2147483647";
        QTest::newRow("beyond ten") << 2147483647 << 12 << "002147483647";
        // Each place keeps the sign of the remainder: -5 is "0" then "-5".
        QTest::newRow("negative") << -5 << 2 << "0-5";
    }
    void formatLong() {
        QFETCH(int, number);
        QFETCH(int, digits);
        QFETCH(QString, text);
        QCOMPARE(strFormatLong(number, static_cast<std::int16_t>(digits)), text);
    }

    void formatTime_data() {
        QTest::addColumn<int>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0 << "00 : 00 : 00";
        QTest::newRow("under a second") << 999 << "00 : 00 : 00";
        QTest::newRow("one second") << 1000 << "00 : 00 : 01";
        QTest::newRow("last second of a minute") << 59999 << "00 : 00 : 59";
        QTest::newRow("one minute") << 60000 << "00 : 01 : 00";
        QTest::newRow("h m s") << 3723000 << "01 : 02 : 03";
        QTest::newRow("99 hours") << 99 * 3600000 + 59 * 60000 + 59000 << "99 : 59 : 59";
        QTest::newRow("101 hours keep two digits") << 363723000 << "01 : 02 : 03";
        QTest::newRow("largest") << std::numeric_limits<int>::max() << "96 : 31 : 23";
    }
    void formatTime() {
        QFETCH(int, ms);
        QFETCH(QString, text);
        QCOMPARE(strFormatTime(ms), text);
    }

    void wavTime_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("ms");
        QTest::newRow("11 kHz 16-bit, one second") << 22050 << 11 << 16 << 1000;
        QTest::newRow("11 kHz 8-bit, one second") << 11025 << 11 << 8 << 1000;
        QTest::newRow("8 kHz 16-bit, one second") << 16000 << 8 << 16 << 1000;
        QTest::newRow("8 kHz 8-bit, one second") << 8000 << 8 << 8 << 1000;
        // 1/8000 in single precision lies a hair above 0.000125: what would
        // be an exact half (0.5 ms, 2.5 ms) comes out just above it and
        // rounds up, not to the even neighbour.
        QTest::newRow("8 kHz 8-bit, just above 0.5 ms") << 4 << 8 << 8 << 1;
        QTest::newRow("8 kHz 8-bit, just above 2.5 ms") << 20 << 8 << 8 << 3;
        QTest::newRow("11 kHz 8-bit, a minute") << 661500 << 11 << 8 << 60000;
        QTest::newRow("11 kHz 16-bit, rounded") << 100 << 11 << 16 << 5;
        QTest::newRow("empty") << 0 << 11 << 16 << 0;
        QTest::newRow("unknown rate keeps the previous time") << 22050 << 7 << 16 << 4242;
        QTest::newRow("unknown width keeps the previous time") << 22050 << 11 << 12 << 4242;
        QTest::newRow("nothing known keeps the previous time") << 22050 << 0 << 0 << 4242;
    }
    void wavTime() {
        QFETCH(int, length);
        QFETCH(int, rate);
        QFETCH(int, bits);
        QFETCH(int, ms);
        QCOMPARE(wavPlayTimeMs(length, rate, bits, 4242), ms);
    }

    void messageTable_data() {
        QTest::addColumn<char>("language");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("text");
        QTest::newRow("E exit") << 'E' << 0 << "Exit";
        QTest::newRow("E wrong format repeats slot 2") << 'E' << 3 << "Can't open file";
        QTest::newRow("E not 11 or 8 kHz repeats slot 2") << 'E' << 6 << "Can't open file";
        QTest::newRow("E convert keeps its blank") << 'E' << 9 << "Convert to wave ";
        QTest::newRow("E capacity keeps its blank") << 'E' << 15 << "Short of capacity ";
        QTest::newRow("E the recording is no output") << 'E' << 16 << "The recording itself cannot be the output file.";
        QTest::newRow("E slot 17 empty") << 'E' << 17 << "";
        QTest::newRow("J wrong format differs from slot 2") << 'J' << 3 << QString::fromUtf8("ファイル形式が違います。");
        QTest::newRow("J caption is the same") << 'J' << 4 << "ZRC-PLAYER";
        QTest::newRow("J not 11 or 8 kHz")
            << 'J' << 6 << QString::fromUtf8("PCM 11kHzまたは8kHz MONOのWaveサウンドではありません。");
        QTest::newRow("J the recording is no output") << 'J' << 16 << QString::fromUtf8("録音ファイル自身には保存できません。");
        QTest::newRow("J slot 20 empty") << 'J' << 20 << "";
        QTest::newRow("lower-case j is English") << 'j' << 0 << "Exit";
        QTest::newRow("any other letter is English") << 'X' << 12 << "Select file!";
    }
    void messageTable() {
        QFETCH(char, language);
        QFETCH(int, slot);
        QFETCH(QString, text);
        QCOMPARE(zrc::player::messageTable(language)[static_cast<std::size_t>(slot)], text);
    }

    void recordingNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("menu");
        QTest::addColumn<bool>("commandLine");
        QTest::newRow("lower case") << "/rec/MEMO01.zrc" << true << true;
        QTest::newRow("upper case") << "/rec/MEMO01.ZRC" << false << true;
        QTest::newRow("mixed case") << "/rec/MEMO01.Zrc" << false << false;
        QTest::newRow("quoted") << "\"/rec/MEMO01.zrc\"" << false << false;
        QTest::newRow("no dot needed") << "memozrc" << true << true;
        QTest::newRow("wav") << "talk.wav" << false << false;
        QTest::newRow("short") << "rc" << false << false;
        QTest::newRow("empty") << "" << false << false;
    }
    void recordingNames() {
        QFETCH(QString, name);
        QFETCH(bool, menu);
        QFETCH(bool, commandLine);
        QCOMPARE(isRecordingNameForMenu(name), menu);
        QCOMPARE(isRecordingNameForCommandLine(name), commandLine);
    }

    void recordingStatus_data() {
        QTest::addColumn<int>("fill");
        QTest::addColumn<int>("rate0");
        QTest::addColumn<qint64>("pageCount");
        QTest::addColumn<int>("status");
        const auto ok = static_cast<int>(RecordingStatus::Recording);
        const auto cannot = static_cast<int>(RecordingStatus::CannotOpen);
        const auto notRecording = static_cast<int>(RecordingStatus::NotRecording);
        QTest::newRow("all 1") << 1 << 1 << qint64{1} << cannot;
        QTest::newRow("all 13") << 13 << 13 << qint64{13} << notRecording;
        QTest::newRow("11 kHz") << 0 << 11 << qint64{500} << ok;
        QTest::newRow("8 kHz") << 0 << 8 << qint64{1} << ok;
        QTest::newRow("7 kHz") << 0 << 7 << qint64{2} << ok;
        QTest::newRow("no pages is still a recording") << 0 << 11 << qint64{0} << ok;
        QTest::newRow("largest page count") << 0 << 11 << qint64{2147483647} << ok;
        QTest::newRow("page count past 32-bit pages") << 0 << 11 << qint64{2147483648} << notRecording;
        QTest::newRow("unknown rate code") << 0 << 12 << qint64{5} << notRecording;
    }
    void recordingStatus() {
        QFETCH(int, fill);
        QFETCH(int, rate0);
        QFETCH(qint64, pageCount);
        QFETCH(int, status);
        const auto f16 = static_cast<std::uint16_t>(fill);
        RecordingInfo info{f16, f16, f16, f16, f16, f16, f16, f16, 0, f16, f16, 0, 0, fill, fill};
        info.rate0 = static_cast<std::uint16_t>(rate0);
        info.pageCount = static_cast<std::uint32_t>(pageCount);
        QCOMPARE(static_cast<int>(zrc::player::recordingStatus(info)), status);
    }

    void nameFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qt");
        QTest::newRow("recordings")
            << "Navo IC recorder file(*.zrc)|*.zrc" << "Navo IC recorder file(*.zrc) (*.zrc)";
        QTest::newRow("two pairs") << "wav file(*.wav)|*.wav|All|*" << "wav file(*.wav) (*.wav);;All (*)";
        QTest::newRow("half a pair is dropped") << "wav file|*.wav|All" << "wav file (*.wav)";
    }
    void nameFilters() {
        QFETCH(QString, filter);
        QFETCH(QString, qt);
        QCOMPARE(qtNameFilters(filter), qt);
    }
};

QTEST_APPLESS_MAIN(TextTest)
#include "text_test.moc"
