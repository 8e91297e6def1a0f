// The mark of a running player: a lock file that the system's process table
// keeps honest, so a player that died leaves no lock behind.
#pragma once

#include <QLockFile>
#include <QString>

namespace zrc::player {

class InstanceLock {
public:
    enum class Result {
        Acquired,     // this is the only running player
        HeldByOther,  // another running player holds the lock
        Unavailable,  // the lock cannot be made here (no such folder, no rights)
    };

    explicit InstanceLock(const QString& path);

    // ZrcPlayer.lock in the user's runtime folder.
    static QString defaultPath();

    Result tryLock();
    void unlock();

private:
    QLockFile m_file;
};

}  // namespace zrc::player
