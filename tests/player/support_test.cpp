// The binder in an installed tree and without its libraries, the free-space
// measure and the instance lock.
#include <QDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

#include "harness.h"

using namespace zrc::player;
using namespace zrc::test;

class SupportTest : public QObject {
    Q_OBJECT

private slots:
    // What a runtime package holds: PageCodec under its SONAME only, the
    // outside libraries in the toolkit's own folder.
    void librariesOfAnInstalledTree() {
        TempDir prefix;
        const std::string soname = Binder::fileNames(QStringLiteral("PageCodec")).first().toStdString();
        const auto bin = prefix.path() / ZRC_INSTALL_BINDIR;
        const auto lib = prefix.path() / ZRC_INSTALL_LIBDIR;
        const auto own = prefix.path() / ZRC_INSTALL_PRIVATE_LIBDIR;
        for (const auto& folder : {bin, lib, own}) std::filesystem::create_directories(folder);
        std::filesystem::copy_file(ZRC_PAGECODEC_FILE, lib / soname);
        std::filesystem::copy_file(ZRC_CORVID_FILE, own / "libCorvid.so");
        std::filesystem::copy_file(ZRC_ORVEL_FILE, own / "libOrvel.so");
        Binder binder(Binder::installedFolders(qpath(bin)), false);
        QVERIFY(PageCodecApi(binder).bindAll() && CorvidApi(binder).bindAll() && OrvelApi(binder).bindAll());
        QCOMPARE(binder.loadedFrom(QStringLiteral("PageCodec")), QDir::cleanPath(qpath(lib / soname)));
    }

    // A missing library fails only the calls that need it.
    void missingLibraries() {
        TempDir folder;
        std::filesystem::create_symlink(ZRC_PAGECODEC_FILE, folder.file("libPageCodec.so"));
        Binder binder({qpath(folder.path())}, false);
        std::uint8_t info[100] = {};
        QVERIFY(!OrvelApi(binder).GetWavType("x.wav", info).has_value());
        const std::uint8_t table[3] = {1, 1, 0};
        QCOMPARE(PageCodecApi(binder).get_time(table, 2, 123, 292), std::optional<std::int32_t>(707));
    }

    // All of the free space, however much more than 32 bits can hold.
    void freeSpace() {
        TempDir dir;
        const auto free = DISKSPACEFREE(qpath(dir.file("out.wav")));
        const auto expected = std::filesystem::space(dir.path()).available;
        QVERIFY(free && std::uintmax_t(*free) <= expected && std::uintmax_t(*free) + 64 * 1024 * 1024 > expected);
        QVERIFY(!DISKSPACEFREE(qpath(dir.file("no/such/folder/out.wav"))).has_value());
    }

    void lockHoldsWhileItsPlayerLives() {
        TempDir dir;
        const QString path = qpath(dir.file("ZrcPlayer.lock"));
        InstanceLock first(path), second(path);
        QCOMPARE(first.tryLock(), InstanceLock::Result::Acquired);
        QCOMPARE(second.tryLock(), InstanceLock::Result::HeldByOther);
        first.unlock();
        QCOMPARE(second.tryLock(), InstanceLock::Result::Acquired);
        // A player that died holding it leaves it to the next.
        const pid_t child = fork();
        if (child == 0) _exit(InstanceLock(path + "2").tryLock() == InstanceLock::Result::Acquired ? 0 : 1);
        int status = 1;
        QCOMPARE(waitpid(child, &status, 0), child);
        QCOMPARE(status, 0);
        QCOMPARE(InstanceLock(path + "2").tryLock(), InstanceLock::Result::Acquired);
    }
};

QTEST_GUILESS_MAIN(SupportTest)
#include "support_test.moc"
