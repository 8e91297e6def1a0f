// The binder, the free-space measure and the instance lock.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <limits>

#include "binder.h"
#include "call_log.h"
#include "corvid_api.h"
#include "disk_space.h"
#include "instance_lock.h"
#include "library_folder.h"
#include "open_rules.h"
#include "orvel_api.h"
#include "pagecodec_api.h"
#include "zrc_builder.h"

using namespace zrc::player;
using zrc::test::LibraryFolder;
using zrc::test::TempDir;
using zrc::test::ZrcBuilder;
using zrc::test::doubles::CallLog;

namespace {
QString qpath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }
}  // namespace

class SupportTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CallLog::instance().reset(); }

    // --- Binder --------------------------------------------------------

    void foldersAreSearchedInOrder() {
        // One library name, a different library in each folder: the first
        // folder's is the one bound.
        TempDir first, second;
        std::filesystem::create_symlink(LibraryFolder::orvelDoubleFile(), first.file("libThing.so"));
        std::filesystem::create_symlink(LibraryFolder::corvidDoubleFile(), second.file("libThing.so"));

        Binder orvelFirst({qpath(first.path()), qpath(second.path())}, false);
        QVERIFY(orvelFirst.resolve(QStringLiteral("Thing"), "WavPlx") != nullptr);
        QVERIFY(orvelFirst.resolve(QStringLiteral("Thing"), "WavCreate") == nullptr);
        QCOMPARE(orvelFirst.loadedFrom(QStringLiteral("Thing")), qpath(first.file("libThing.so")));

        Binder corvidFirst({qpath(second.path()), qpath(first.path())}, false);
        QVERIFY(corvidFirst.resolve(QStringLiteral("Thing"), "WavCreate") != nullptr);
        QVERIFY(corvidFirst.resolve(QStringLiteral("Thing"), "WavPlx") == nullptr);
    }

    void programFoldersPutTheOverrideFirst() {
        const QStringList installed = Binder::installedFolders(QCoreApplication::applicationDirPath());
        QCOMPARE(installed.first(), QCoreApplication::applicationDirPath());
        qputenv("ZRC_PLAYER_LIBRARY_DIR", "/opt/zrc-doubles");
        QCOMPARE(Binder::programFolders(), QStringList{QStringLiteral("/opt/zrc-doubles")} + installed);
        qunsetenv("ZRC_PLAYER_LIBRARY_DIR");
        QCOMPARE(Binder::programFolders(), installed);
    }

    void librariesOfAnInstalledTree() {
        // What a runtime package holds: PageCodec under its SONAME only (no
        // development link), the outside libraries in the toolkit's folder.
        TempDir prefix;
        const std::string soname = Binder::fileNames(QStringLiteral("PageCodec")).first().toStdString();
        const auto bin = prefix.path() / ZRC_INSTALL_BINDIR;
        const auto lib = prefix.path() / ZRC_INSTALL_LIBDIR;
        const auto own = prefix.path() / ZRC_INSTALL_PRIVATE_LIBDIR;
        for (const auto& folder : {bin, lib, own}) std::filesystem::create_directories(folder);
        std::filesystem::copy_file(LibraryFolder::pageCodecFile(), lib / soname);
        std::filesystem::copy_file(LibraryFolder::corvidDoubleFile(), own / "libCorvid.so");
        std::filesystem::copy_file(LibraryFolder::orvelDoubleFile(), own / "libOrvel.so");

        Binder binder(Binder::installedFolders(qpath(bin)), false);
        PageCodecApi pageCodec(binder);
        CorvidApi corvid(binder);
        OrvelApi orvel(binder);
        QVERIFY(pageCodec.bindAll());
        QVERIFY(corvid.bindAll());
        QVERIFY(orvel.bindAll());
        // The folders as the binder writes them: made absolute and clean.
        const auto clean = [](const std::filesystem::path& p) { return QDir::cleanPath(qpath(p)); };
        QCOMPARE(binder.loadedFrom(QStringLiteral("PageCodec")), clean(lib / soname));
        QCOMPARE(binder.loadedFrom(QStringLiteral("Corvid")), clean(own / "libCorvid.so"));
        QCOMPARE(binder.loadedFrom(QStringLiteral("Orvel")), clean(own / "libOrvel.so"));
        const std::uint8_t table[2] = {0, 1};
        QCOMPARE(pageCodec.get_time(table, 1, 123, 292), std::optional<std::int32_t>(415));
    }

    void sonameComesBeforeThePlainName() {
        // A folder with both names: the SONAME is the ABI the player's
        // calls are written for, the plain name may lead to another one.
        TempDir folder;
        const QString soname = Binder::fileNames(QStringLiteral("PageCodec")).first();
        // The SONAME the build gives the library (its file is libPageCodec.so.X.Y.Z).
        QVERIFY2(QFileInfo(qpath(LibraryFolder::pageCodecFile())).fileName().startsWith(soname + QLatin1Char('.')),
                 qPrintable(soname));
        std::filesystem::create_symlink(LibraryFolder::pageCodecFile(), folder.file(soname.toStdString()));
        std::filesystem::create_symlink(LibraryFolder::corvidDoubleFile(), folder.file("libPageCodec.so"));
        Binder binder({qpath(folder.path())}, false);
        PageCodecApi pageCodec(binder);
        QVERIFY(pageCodec.bindAll());
        QCOMPARE(binder.loadedFrom(QStringLiteral("PageCodec")), qpath(folder.file(soname.toStdString())));
    }

    void missingFunctionsFailBindAll() {
        // Corvid's double where Orvel belongs: the library loads, its
        // functions are not Orvel's.
        TempDir folder;
        std::filesystem::create_symlink(LibraryFolder::corvidDoubleFile(), folder.file("libOrvel.so"));
        Binder binder({qpath(folder.path())}, false);
        OrvelApi orvel(binder);
        QVERIFY(!orvel.bindAll());
        QVERIFY(binder.isLoaded(QStringLiteral("Orvel")));
    }

    void librariesLoadAtTheFirstCall() {
        LibraryFolder folder(LibraryFolder::All);
        Binder binder({folder.path()}, false);
        PageCodecApi pageCodec(binder);
        CorvidApi corvid(binder);
        QVERIFY(!binder.isLoaded(QStringLiteral("PageCodec")));
        QVERIFY(!binder.isLoaded(QStringLiteral("Corvid")));

        corvid.WavStop();
        QVERIFY(binder.isLoaded(QStringLiteral("Corvid")));
        QVERIFY(!binder.isLoaded(QStringLiteral("PageCodec")));
        QCOMPARE(CallLog::instance().functions(), std::vector<std::string>{"WavStop"});
    }

    void missingPiecesFailOnlyTheirCalls() {
        LibraryFolder folder(LibraryFolder::PageCodec);
        Binder binder({folder.path()}, false);
        OrvelApi orvel(binder);
        std::uint8_t info[100] = {};
        void* slot = nullptr;
        QVERIFY(!orvel.WavPlx("x.wav", 2, 0, &slot, 0, 0, info).has_value());
        QVERIFY(!orvel.WavPlx("x.wav", 2, 0, &slot, 0, 0, info).has_value());
        QVERIFY(!orvel.GetWavType("x.wav", info).has_value());
        QVERIFY(CallLog::instance().calls().empty());
        BoundFunction<int(int)> absent(binder, "PageCodec", "no_such_function");
        QVERIFY(!absent(1).has_value());

        PageCodecApi pageCodec(binder);
        const std::uint8_t table[3] = {1, 1, 0};
        QCOMPARE(pageCodec.get_time(table, 2, 123, 292), std::optional<std::int32_t>(707));
    }

    void realPageCodecThroughTheBinder() {
        TempDir files;
        const auto recording = files.file("memo.zrc");
        zrc::test::writeFile(recording, ZrcBuilder()
                                            .page(std::vector<std::uint8_t>(1360, 1), 3, 0x00)
                                            .page(std::vector<std::uint8_t>(2046, 2), 2, 0x01)
                                            .page(std::vector<std::uint8_t>(1360, 3), 3, 0x00)
                                            .bytes());
        const auto wav = files.file("talk.zrc");
        zrc::test::writeFile(wav, std::vector<std::uint8_t>{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});

        LibraryFolder folder(LibraryFolder::PageCodec);
        Binder binder({folder.path()}, false);
        PageCodecApi pageCodec(binder);

        const auto info = pageCodec.play_splpget(recording.c_str());
        QCOMPARE(recordingStatus(info), RecordingStatus::Recording);
        QCOMPARE(info->pageCount, 3u);
        QCOMPARE(info->pageMs0, 123);
        QCOMPARE(info->pageMs1, 292);
        std::uint8_t table[3] = {9, 9, 9};
        QCOMPARE(pageCodec.pb_splptblmk(recording.c_str(), table, 3), std::optional<std::int16_t>(0));
        QCOMPARE(table[1], std::uint8_t{1});
        QCOMPARE(pageCodec.get_time(table, 2, info->pageMs0, info->pageMs1), std::optional<std::int32_t>(538));

        QCOMPARE(recordingStatus(pageCodec.play_splpget(wav.c_str())), RecordingStatus::NotRecording);
        QCOMPARE(recordingStatus(pageCodec.play_splpget(files.file("gone.zrc").c_str())), RecordingStatus::CannotOpen);
    }

    // --- Free space ----------------------------------------------------

    void freeSpaceOfTheReceivingFolder() {
        TempDir dir;
        const auto free = DISKSPACEFREE(qpath(dir.file("out.wav")));
        QVERIFY(free.has_value());
        QVERIFY(*free > 0);
        // All of it, however much more than 32 bits can hold.
        const auto expected = std::filesystem::space(dir.path()).available;
        QVERIFY(static_cast<std::uintmax_t>(*free) <= expected);
        QVERIFY(static_cast<std::uintmax_t>(*free) + 64 * 1024 * 1024 > expected);
        // A bare name is in the current folder; a missing folder has none.
        QVERIFY(DISKSPACEFREE(QStringLiteral("out.wav")).has_value());
        QVERIFY(!DISKSPACEFREE(qpath(dir.file("no/such/folder/out.wav"))).has_value());
    }

    // --- Instance lock -------------------------------------------------

    void aLiveLockHoldsUntilReleased() {
        TempDir dir;
        const QString path = qpath(dir.file("ZrcPlayer.lock"));
        InstanceLock first(path);
        InstanceLock second(path);
        QCOMPARE(first.tryLock(), InstanceLock::Result::Acquired);
        // However old the file, a live player's lock holds.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(second.tryLock(), InstanceLock::Result::HeldByOther);
        first.unlock();
        QCOMPARE(second.tryLock(), InstanceLock::Result::Acquired);
    }

    void lockOfADeadPlayerIsTakenOver() {
        TempDir dir;
        const QString path = qpath(dir.file("ZrcPlayer.lock"));
        const pid_t child = fork();
        if (child == 0) {
            InstanceLock lock(path);
            // Dies holding the lock: no destructor, no unlock.
            _exit(lock.tryLock() == InstanceLock::Result::Acquired ? 0 : 1);
        }
        QVERIFY(child > 0);
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY(QFile::exists(path));

        InstanceLock lock(path);
        QCOMPARE(lock.tryLock(), InstanceLock::Result::Acquired);
    }

    void lockWhereNoneCanBeMadeIsUnavailable() {
        TempDir dir;
        InstanceLock lock(qpath(dir.file("no/such/folder/ZrcPlayer.lock")));
        QCOMPARE(lock.tryLock(), InstanceLock::Result::Unavailable);
    }
};

QTEST_GUILESS_MAIN(SupportTest)
#include "support_test.moc"
