// The player's free functions, one table each: time texts, the message
// table, the names and records opening takes, the default output name and
// the progress percentage of a conversion, one file under two names.
#include <QTest>

#include "convert_rules.h"
#include "dialogs.h"
#include "messages.h"
#include "open_rules.h"
#include "harness.h"
#include "time_text.h"

using namespace zrc::player;
using namespace zrc::test;

class RulesTest : public QObject {
    Q_OBJECT

private slots:
    void timeTexts() {
        QCOMPARE(strFormatTime(59999), QStringLiteral("00 : 00 : 59"));
        QCOMPARE(strFormatTime(363723000), QStringLiteral("01 : 02 : 03"));  // 101 hours keep two digits
        QCOMPARE(wavPlayTimeMs(16000, 8, 16, 42), 1000);
        // 1/8000 in single precision lies a hair above 0.000125: 2.5 ms rounds up.
        QCOMPARE(wavPlayTimeMs(20, 8, 8, 42), 3);
        QCOMPARE(wavPlayTimeMs(22050, 7, 16, 42), 42);
        QCOMPARE(wavPlayTimeMs(22050, 11, 12, 42), 42);
    }

    // The language code picks the table: only an upper-case J is Japanese.
    void messages() {
        QCOMPARE(messageTable('E')[3], QStringLiteral("Can't open file"));
        QCOMPARE(messageTable('E')[16], QStringLiteral("The recording itself cannot be the output file."));
        QCOMPARE(messageTable('J')[3], QString::fromUtf8("ファイル形式が違います。"));
        QCOMPARE(messageTable('j')[12], QStringLiteral("Select file!"));
    }

    void names() {
        QVERIFY(isRecordingNameForMenu("memozrc") && !isRecordingNameForMenu("m.ZRC"));
        QVERIFY(isRecordingNameForCommandLine("m.ZRC") && !isRecordingNameForCommandLine("m.Zrc"));
        QVERIFY(!isRecordingNameForCommandLine("\"m.zrc\""));
        // What File > Open says of each refusal of WavPlx, and of a code it does not know: nothing.
        QCOMPARE((std::vector{wavPlxPromptSlot(-1), wavPlxPromptSlot(-10), wavPlxPromptSlot(-20), wavPlxPromptSlot(-30),
                              wavPlxPromptSlot(-5)}),
                 (std::vector<std::optional<int>>{2, 3, 6, 3, std::nullopt}));
        QCOMPARE(CrExstr("/u/MEMO01.zrc", "wav"), QStringLiteral("/u/MEMO01.wav"));
        QCOMPARE(CrExstr("MEMO01.WAV", "wav"), QStringLiteral("MEMO01.wav"));
        QCOMPARE(CrExstr("README", "wav"), QStringLiteral("REAwav"));
        QCOMPARE(CrExstr(QString::fromUtf8("会議.zrc"), "wav"), QString::fromUtf8("会議.wav"));
        QCOMPARE(qtNameFilters("wav file(*.wav)|*.wav|All"), QStringLiteral("wav file(*.wav) (*.wav)"));
    }

    // Page counts past what the player holds, and a rate no page has (the records of a refusal: sessionLoads).
    void recordingStatus() {
        const auto status = [](std::uint16_t rate0, std::uint32_t pages) {
            RecordingInfo info{};
            info.rate0 = rate0, info.pageCount = pages;
            return zrc::player::recordingStatus(info);
        };
        QCOMPARE(status(7, 0), RecordingStatus::Recording);
        QCOMPARE(status(8, 2147483647u), RecordingStatus::Recording);
        QCOMPARE(status(11, 2147483648u), RecordingStatus::NotRecording);
        QCOMPARE(status(12, 5), RecordingStatus::NotRecording);
    }

    // Divided before scaled, then truncated: 29 / 100 is a shade under 0.29.
    void progressPercent() {
        QCOMPARE(zrc::player::progressPercent(29, 101), std::optional<QString>("28"));
        QCOMPARE(zrc::player::progressPercent(1'000'000, 2'000'001), std::optional<QString>("50"));
        QCOMPARE(zrc::player::progressPercent(0, 1), std::optional<QString>());
    }

    void sameFile() {
        TempDir dir;
        writeFile(dir.file("memo.zrc"), {1, 2, 3});
        writeFile(dir.file("copy.zrc"), {1, 2, 3});
        std::filesystem::create_symlink(dir.file("memo.zrc"), dir.file("link.wav"));
        std::filesystem::create_hard_link(dir.file("memo.zrc"), dir.file("hard.wav"));
        const QString memo = qpath(dir.file("memo.zrc"));
        QVERIFY(isSameFile(qpath(dir.path() / "./memo.zrc"), memo) && isSameFile(qpath(dir.file("link.wav")), memo));
        QVERIFY(isSameFile(memo, qpath(dir.file("hard.wav"))));
        QVERIFY(!isSameFile(qpath(dir.file("copy.zrc")), memo) && !isSameFile(qpath(dir.file("none.wav")), memo));
    }
};

QTEST_APPLESS_MAIN(RulesTest)
#include "rules_test.moc"
