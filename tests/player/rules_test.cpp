// The player's free functions, one table each: time texts, the message
// table, the names and records opening takes, the default output name and
// the progress percentage of a conversion, one file under two names.
#include <QTest>

#include <filesystem>

#include "convert_rules.h"
#include "dialogs.h"
#include "messages.h"
#include "open_rules.h"
#include "test_files.h"
#include "time_text.h"

using namespace zrc::player;

class RulesTest : public QObject {
    Q_OBJECT

private slots:
    void timeTexts() {
        QCOMPARE(strFormatLong(5, 2), QStringLiteral("05"));
        QCOMPARE(strFormatLong(123, 2), QStringLiteral("23"));
        QCOMPARE(strFormatLong(7, 0), QString());
        QCOMPARE(strFormatLong(-5, 2), QStringLiteral("0-5"));  // each place keeps the remainder's sign
        QCOMPARE(strFormatTime(59999), QStringLiteral("00 : 00 : 59"));
        QCOMPARE(strFormatTime(363723000), QStringLiteral("01 : 02 : 03"));  // 101 hours keep two digits
        QCOMPARE(wavPlayTimeMs(22050, 11, 16, 42), 1000);
        QCOMPARE(wavPlayTimeMs(16000, 8, 16, 42), 1000);
        // 1/8000 in single precision lies a hair above 0.000125: 2.5 ms rounds up.
        QCOMPARE(wavPlayTimeMs(20, 8, 8, 42), 3);
        QCOMPARE(wavPlayTimeMs(22050, 7, 16, 42), 42);
        QCOMPARE(wavPlayTimeMs(22050, 11, 12, 42), 42);
    }

    void messages() {
        QCOMPARE(messageTable('E')[3], QStringLiteral("Can't open file"));
        QCOMPARE(messageTable('E')[9], QStringLiteral("Convert to wave "));
        QCOMPARE(messageTable('E')[15], QStringLiteral("Short of capacity "));
        QCOMPARE(messageTable('E')[16], QStringLiteral("The recording itself cannot be the output file."));
        QCOMPARE(messageTable('J')[3], QString::fromUtf8("ファイル形式が違います。"));
        QCOMPARE(messageTable('j')[12], QStringLiteral("Select file!"));
    }

    void names() {
        QVERIFY(isRecordingNameForMenu("memozrc") && !isRecordingNameForMenu("m.ZRC"));
        QVERIFY(isRecordingNameForCommandLine("m.ZRC") && !isRecordingNameForCommandLine("m.Zrc"));
        QVERIFY(!isRecordingNameForCommandLine("\"m.zrc\""));
        QCOMPARE(CrExstr("/u/MEMO01.zrc", "wav"), QStringLiteral("/u/MEMO01.wav"));
        QCOMPARE(CrExstr("MEMO01.WAV", "wav"), QStringLiteral("MEMO01.wav"));
        QCOMPARE(CrExstr("README", "wav"), QStringLiteral("REAwav"));
        QCOMPARE(CrExstr(QString::fromUtf8("会議.zrc"), "wav"), QString::fromUtf8("会議.wav"));
        QCOMPARE(qtNameFilters("wav file(*.wav)|*.wav|All"), QStringLiteral("wav file(*.wav) (*.wav)"));
    }

    // The failure records, and page counts past what 32-bit pages hold.
    void recordingStatus() {
        const auto status = [](std::uint16_t fill, std::uint16_t rate0, std::uint32_t pages) {
            RecordingInfo info{fill, fill, fill, fill, fill, fill, fill, fill, 0, fill, fill, 0, 0, fill, fill};
            info.rate0 = rate0;
            info.pageCount = pages;
            return zrc::player::recordingStatus(info);
        };
        QCOMPARE(status(1, 1, 1), RecordingStatus::CannotOpen);
        QCOMPARE(status(13, 13, 13), RecordingStatus::NotRecording);
        QCOMPARE(status(0, 7, 0), RecordingStatus::Recording);
        QCOMPARE(status(0, 8, 2147483647u), RecordingStatus::Recording);
        QCOMPARE(status(0, 11, 2147483648u), RecordingStatus::NotRecording);
        QCOMPARE(status(0, 12, 5), RecordingStatus::NotRecording);
    }

    // Divided before scaled, then truncated: 29 / 100 is a shade under 0.29.
    void progressPercent() {
        QCOMPARE(zrc::player::progressPercent(29, 101), std::optional<QString>("28"));
        QCOMPARE(zrc::player::progressPercent(1'000'000, 2'000'001), std::optional<QString>("50"));
        QCOMPARE(zrc::player::progressPercent(0, 1), std::optional<QString>());
        QVERIFY(isProgressPage(105, 106) && !isProgressPage(104, 106));
    }

    void sameFile() {
        zrc::test::TempDir dir;
        const auto q = [](const std::filesystem::path& p) { return QString::fromStdString(p.string()); };
        zrc::test::writeFile(dir.file("memo.zrc"), {1, 2, 3});
        zrc::test::writeFile(dir.file("copy.zrc"), {1, 2, 3});
        std::filesystem::create_symlink(dir.file("memo.zrc"), dir.file("link.wav"));
        std::filesystem::create_hard_link(dir.file("memo.zrc"), dir.file("hard.wav"));
        const QString memo = q(dir.file("memo.zrc"));
        QVERIFY(isSameFile(q(dir.path() / "." / "memo.zrc"), memo) && isSameFile(q(dir.file("link.wav")), memo));
        QVERIFY(isSameFile(memo, q(dir.file("hard.wav"))));
        QVERIFY(!isSameFile(q(dir.file("copy.zrc")), memo) && !isSameFile(q(dir.file("none.wav")), memo));
    }
};

QTEST_APPLESS_MAIN(RulesTest)
#include "rules_test.moc"
