// The desktop entry's file type, read by Qt from the toolkit's shared-mime-info file alone: recordings are found
// by their name and, without one, by their first bytes; WAV files are not taken.
#include <QCoreApplication>
#include <QMimeDatabase>
#include <QTest>

#include <filesystem>

#include "test_files.h"
#include "zrc_builder.h"

static const QString kType = QStringLiteral("audio/x-zrc");

class MimeTypeTest : public QObject {
    Q_OBJECT

private slots:
    void recordingsAreFoundByNameAndContent() {
        QMimeDatabase db;
        const QMimeType type = db.mimeTypeForName(kType);
        QVERIFY(type.isValid());
        for (const char* name : {"MEMO01.zrc", "MEMO01.ZRC"}) {
            QCOMPARE(db.mimeTypeForFile(QString::fromLatin1(name), QMimeDatabase::MatchExtension).name(), kType);
        }
        QVERIFY(db.mimeTypeForFile(QStringLiteral("MEMO01.wav"), QMimeDatabase::MatchExtension).name() != kType);

        const auto recording = zrc::test::ZrcBuilder().page(std::vector<std::uint8_t>(1360, 1), 3, 0x00).bytes();
        const QByteArray bytes(reinterpret_cast<const char*>(recording.data()), static_cast<qsizetype>(recording.size()));
        QCOMPARE(db.mimeTypeForData(bytes).name(), kType);
        // A RIFF/WAVE file shares the "WAVE" at offset 8, not the "QIFF"; "QIFF" alone is not enough either.
        QVERIFY(db.mimeTypeForData(QByteArray(bytes).replace(0, 4, "RIFF")).name() != kType);
        QVERIFY(db.mimeTypeForData(QByteArray(bytes).replace(8, 4, "AVI ")).name() != kType);
    }
};

int main(int argc, char** argv) {
    // The database reads the data folders once, at its first use.
    static zrc::test::TempDir dataHome;
    std::filesystem::create_directories(dataHome.path() / "mime" / "packages");
    std::filesystem::copy_file(ZRC_MIME_FILE, dataHome.path() / "mime" / "packages" / "zrcplayer.xml");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dataHome.path().string()));
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString((dataHome.path() / "none").string()));
    QCoreApplication app(argc, argv);
    MimeTypeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "mime_type_test.moc"
