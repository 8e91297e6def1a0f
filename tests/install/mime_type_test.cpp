// The file type that the desktop entry names, read by Qt's MIME database from
// the toolkit's shared-mime-info file alone: recordings are found by their
// name and, without one, by their first bytes; WAV files are not taken.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QSettings>
#include <QTest>

#include <filesystem>

#include "test_files.h"
#include "zrc_builder.h"

using zrc::test::TempDir;

namespace {
const QString kType = QStringLiteral("audio/x-zrc");

QString qpath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// A data folder holding only mime/packages/zrcplayer.xml, made before the
// database is first used.
TempDir& dataHome() {
    static TempDir dir;
    return dir;
}
}  // namespace

class MimeTypeTest : public QObject {
    Q_OBJECT

private slots:
    void typeIsDefined() {
        const QMimeType type = QMimeDatabase().mimeTypeForName(kType);
        QVERIFY(type.isValid());
        QCOMPARE(type.comment(), QStringLiteral("ZRC voice recording"));
        QCOMPARE(type.genericIconName(), QStringLiteral("audio-x-generic"));
        QVERIFY(type.globPatterns().contains(QStringLiteral("*.zrc")));
    }

    void recordingsAreFoundByName() {
        QMimeDatabase db;
        QCOMPARE(db.mimeTypeForFile(QStringLiteral("MEMO01.zrc"), QMimeDatabase::MatchExtension).name(), kType);
        QCOMPARE(db.mimeTypeForFile(QStringLiteral("MEMO01.ZRC"), QMimeDatabase::MatchExtension).name(), kType);
        QVERIFY(db.mimeTypeForFile(QStringLiteral("MEMO01.wav"), QMimeDatabase::MatchExtension).name() != kType);
    }

    void recordingsAreFoundByContent() {
        QMimeDatabase db;
        const std::vector<std::uint8_t> recording =
            zrc::test::ZrcBuilder().page(std::vector<std::uint8_t>(1360, 1), 3, 0x00).bytes();
        const QByteArray bytes(reinterpret_cast<const char*>(recording.data()), static_cast<qsizetype>(recording.size()));
        QCOMPARE(db.mimeTypeForData(bytes).name(), kType);

        // A RIFF/WAVE file shares the "WAVE" at offset 8, not the "QIFF".
        QByteArray wav = bytes;
        wav.replace(0, 4, "RIFF");
        QVERIFY(db.mimeTypeForData(wav).name() != kType);
        // "QIFF" alone is not enough either.
        QByteArray other = bytes;
        other.replace(8, 4, "AVI ");
        QVERIFY(db.mimeTypeForData(other).name() != kType);
    }

    void bundledSampleIsARecording() {
        const QString sample = QStringLiteral(ZRC_SAMPLES_DIR "/greet-11k16.zrc");
        QFile file(sample);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QMimeDatabase().mimeTypeForData(&file).name(), kType);
    }
};

int main(int argc, char** argv) {
    // The database reads the data folders once, at its first use.
    const std::filesystem::path packages = dataHome().path() / "mime" / "packages";
    std::filesystem::create_directories(packages);
    std::filesystem::copy_file(ZRC_MIME_FILE, packages / "zrcplayer.xml");
    qputenv("XDG_DATA_HOME", qpath(dataHome().path()).toLocal8Bit());
    qputenv("XDG_DATA_DIRS", qpath(dataHome().path() / "none").toLocal8Bit());

    QCoreApplication app(argc, argv);
    MimeTypeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "mime_type_test.moc"
