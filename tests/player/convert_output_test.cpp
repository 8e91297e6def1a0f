// The WAV file the window writes through the real Orvel is byte for byte the
// one the zrc tool writes for the same recording, 8-bit and 16-bit, for the
// bundled samples, for a recording that mixes their two page types, and for
// a recording zrc encode --width makes (whose zrc decode the tool's readers
// table holds to the pages' codes).
#include <QAction>
#include <QDir>
#include <QProcess>
#include <QTest>

#include <filesystem>

#include "form1.h"
#include "library_folder.h"
#include "test_files.h"
#include "zrc_builder.h"

using namespace zrc::player;
using zrc::test::LibraryFolder;
using zrc::test::TempDir;
using Bytes = std::vector<std::uint8_t>;

namespace {

#ifdef ZRC_CLI_FILE
const QString kZrcTool = QStringLiteral(ZRC_CLI_FILE);
#else
const QString kZrcTool;
#endif

QString qpath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

zrc::test::ParameterSet setAt(const Bytes& header, std::size_t at) {
    return {header[at], header[at + 1], static_cast<std::uint16_t>(header[at + 2] | header[at + 3] << 8),
            header[at + 4]};
}

// Pages of the 11 kHz sample (type 0) and of the 8 kHz one (type 1) in
// runs of different lengths, under a header with each file's own set.
Bytes mixedRecording() {
    const Bytes type0 = zrc::test::readFile(std::filesystem::path(ZRC_SAMPLES_DIR) / "greet-11k16.zrc");
    const Bytes type1 = zrc::test::readFile(std::filesystem::path(ZRC_SAMPLES_DIR) / "greet-8k16.zrc");
    zrc::test::ZrcBuilder builder;
    builder.set0(setAt(type0, 61)).set1(setAt(type1, 66));
    const auto page = [](const Bytes& file, std::size_t p) {
        const auto from = file.begin() + static_cast<std::ptrdiff_t>(92 + 528 * p);
        return Bytes(from, from + 528);
    };
    const std::size_t pages0 = (type0.size() - 92) / 528;
    const std::size_t pages1 = (type1.size() - 92) / 528;
    std::size_t next0 = 0;
    std::size_t next1 = 0;
    for (std::size_t run = 1; next0 < pages0 || next1 < pages1; ++run) {
        for (std::size_t i = 0; i < run + 2 && next0 < pages0; ++i) builder.rawPage(page(type0, next0++));
        for (std::size_t i = 0; i < run && next1 < pages1; ++i) builder.rawPage(page(type1, next1++));
    }
    return builder.bytes();
}

std::string firstDifference(const Bytes& a, const Bytes& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) return "byte " + std::to_string(i) + ": " + std::to_string(a[i]) + " vs " + std::to_string(b[i]);
    }
    return "sizes " + std::to_string(a.size()) + " vs " + std::to_string(b.size());
}

}  // namespace

class ConvertOutputTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (kZrcTool.isEmpty()) QSKIP("the zrc tool (zrc decode) is not part of this build yet: nothing to compare with");
        LibraryFolder folder(LibraryFolder::RealOrvel);
        Binder binder({folder.path()}, false);
        OrvelApi orvel(binder);
        if (!orvel.AdpcmDecHeader.bind() || !orvel.AdpcmDecx.bind()) {
            QSKIP("the real Orvel does not export AdpcmDecHeader and AdpcmDecx yet: nothing to convert with");
        }
    }

    void sameAsZrcDecode_data() {
        // A sample's name, "mixed", or zrc encode's arguments for a speech file.
        QTest::addColumn<QString>("recording");
        QTest::addColumn<int>("bits");
        const QStringList samples = QDir(QStringLiteral(ZRC_SAMPLES_DIR)).entryList({QStringLiteral("*.zrc")});
        QVERIFY(!samples.isEmpty());
        for (const QString& name : samples + QStringList{QStringLiteral("mixed")}) {
            for (int bits : {8, 16}) {
                QTest::newRow(qPrintable(QStringLiteral("%1, %2-bit").arg(name).arg(bits))) << name << bits;
            }
        }
        // Type-0 pages at rate code 8, which neither sample has; the other
        // widths' pages are those of the samples as the player reads them.
        QTest::newRow("--width 4 memo-8k16.wav") << QStringLiteral("--width 4 memo-8k16.wav") << 16;
    }
    void sameAsZrcDecode() {
        QFETCH(QString, recording);
        QFETCH(int, bits);
        TempDir dir;
        const auto zrc = dir.file("memo.zrc");
        if (recording == QLatin1String("mixed")) {
            zrc::test::writeFile(zrc, mixedRecording());
        } else if (recording.startsWith(QLatin1String("--width"))) {
            QStringList arguments = recording.split(QLatin1Char(' '));
            arguments.last() = qpath(zrc::test::dataPath("speech/" + arguments.last().toStdString()));
            QProcess encoder;
            encoder.start(kZrcTool, QStringList{QStringLiteral("encode"), QStringLiteral("-o"), qpath(zrc)} + arguments);
            QVERIFY(encoder.waitForFinished(60'000));
            QVERIFY2(encoder.exitStatus() == QProcess::NormalExit && encoder.exitCode() == 0,
                     encoder.readAllStandardError().constData());
        } else {
            std::filesystem::copy_file(std::filesystem::path(ZRC_SAMPLES_DIR) / recording.toStdString(), zrc);
        }

        const auto expectedWav = dir.file("by-zrc.wav");
        QProcess tool;
        tool.start(kZrcTool, {QStringLiteral("decode"), QStringLiteral("--bits"), QString::number(bits),
                              QStringLiteral("-o"), qpath(expectedWav), qpath(zrc)});
        QVERIFY(tool.waitForFinished(60'000));
        QVERIFY2(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0,
                 tool.readAllStandardError().constData());

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
        for (const auto& box : dialogs.boxes()) qWarning("message box \"%s\"", qPrintable(box.prompt));
        QVERIFY(dialogs.boxes().empty());

        const Bytes expected = zrc::test::readFile(expectedWav);
        const Bytes actual = zrc::test::readFile(wav);
        QVERIFY(expected.size() > 44);
        QVERIFY2(actual == expected, firstDifference(actual, expected).c_str());
    }
};

QTEST_MAIN(ConvertOutputTest)
#include "convert_output_test.moc"
