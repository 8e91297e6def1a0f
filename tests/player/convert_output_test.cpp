// The WAV file the window writes through the real Orvel is byte for byte the
// one the zrc tool writes for the same recording, 8-bit and 16-bit, for the
// bundled samples (of type-0 and of type-1 pages); its FLAC export holds the
// samples of that 16-bit file.
#include <QAction>
#include <QDir>
#include <QProcess>
#include <QTest>

#include "harness.h"

using namespace zrc::player;
using namespace zrc::test;

class ConvertOutputTest : public QObject {
    Q_OBJECT

private slots:
    void sameAsZrcDecode_data() {
        QTest::addColumn<QString>("recording");
        QTest::addColumn<int>("bits");
        for (const QString& name : QDir(QStringLiteral(ZRC_SAMPLES_DIR)).entryList({QStringLiteral("*.zrc")})) {
            for (int bits : {8, 16}) {
                QTest::newRow(qPrintable(QStringLiteral("%1, %2-bit").arg(name).arg(bits))) << name << bits;
            }
            QTest::newRow(qPrintable(name + ", exported to FLAC")) << name << 0;  // the samples of the 16-bit file
        }
    }
    void sameAsZrcDecode() {
        QFETCH(QString, recording);
        QFETCH(int, bits);
        Window w(true);
        const QString zrc = w.open("memo.zrc", readFile(ZRC_SAMPLES_DIR "/" + recording.toStdString()));
        QProcess tool;
        tool.start(ZRC_CLI_FILE, {"decode", "--bits", QString::number(bits == 0 ? 16 : bits), "-o", w.path("by-zrc.wav"), zrc});
        QVERIFY(tool.waitForFinished(60'000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0);
        w.dialogs.answerSave(w.path(bits == 0 ? "by-player.flac" : "by-player.wav"));
        (bits == 0 ? w.c.M_export : bits == 8 ? w.c.Trans_wav8bit : w.c.Trans_wav16bit)->trigger();
        QVERIFY(w.dialogs.boxes().empty());
        const Bytes expected = readFile(w.files.file("by-zrc.wav"));
        if (bits > 0) QVERIFY(expected.size() > 44 && readFile(w.files.file("by-player.wav")) == expected);
        const ReadSound wav = readSound(w.path("by-zrc.wav")), flac = readSound(w.path("by-player.flac"));
        if (bits == 0) QVERIFY(wav.samples.size() > 1000 && flac.rate == wav.rate && flac.samples == wav.samples);
    }
};

QTEST_MAIN(ConvertOutputTest)
#include "convert_output_test.moc"
