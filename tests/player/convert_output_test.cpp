// The WAV file the window writes through the real Orvel is byte for byte the
// one the zrc tool writes for the same recording, 8-bit and 16-bit, for the
// bundled samples (of type-0 and of type-1 pages).
#include <QAction>
#include <QDir>
#include <QProcess>
#include <QTest>

#include <filesystem>

#include "form1.h"
#include "library_folder.h"
#include "test_files.h"

using namespace zrc::player;
using namespace zrc::test;
using Bytes = std::vector<std::uint8_t>;

static QString qpath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

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
        }
    }
    void sameAsZrcDecode() {
        QFETCH(QString, recording);
        QFETCH(int, bits);
        TempDir dir;
        const auto zrc = dir.file("memo.zrc");
        std::filesystem::copy_file(std::filesystem::path(ZRC_SAMPLES_DIR) / recording.toStdString(), zrc);

        const auto expectedWav = dir.file("by-zrc.wav");
        QProcess tool;
        tool.start(QStringLiteral(ZRC_CLI_FILE), {QStringLiteral("decode"), QStringLiteral("--bits"),
                                                  QString::number(bits), QStringLiteral("-o"), qpath(expectedWav),
                                                  qpath(zrc)});
        QVERIFY(tool.waitForFinished(60'000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0);

        LibraryFolder folder(LibraryFolder::PageCodec | LibraryFolder::Corvid | LibraryFolder::RealOrvel);
        Binder binder({folder.path()}, false);
        ScriptedDialogs dialogs;
        Form1 form({&binder, &dialogs, qpath(dir.file("ZrcPlayer.lock")), QString()});
        form.Form_Load();
        dialogs.answerOpen(qpath(zrc));
        form.M_fileopen_Click();
        const auto wav = dir.file("by-player.wav");
        dialogs.answerSave(qpath(wav));
        (bits == 8 ? form.controls().Trans_wav8bit : form.controls().Trans_wav16bit)->trigger();
        QVERIFY(dialogs.boxes().empty());

        const Bytes expected = zrc::test::readFile(expectedWav);
        QVERIFY(expected.size() > 44 && zrc::test::readFile(wav) == expected);
    }
};

QTEST_MAIN(ConvertOutputTest)
#include "convert_output_test.moc"
