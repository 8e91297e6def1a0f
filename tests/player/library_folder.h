// A folder of the libraries a test's binder may find: the real PageCodec and
// the doubles of Corvid and Orvel, each only when asked for, or the real
// Orvel in place of its double.
#pragma once

#include <QString>

#include "test_files.h"

namespace zrc::test {

class LibraryFolder {
public:
    enum Library { PageCodec = 1, Corvid = 2, Orvel = 4, All = 7, RealOrvel = 8 };

    explicit LibraryFolder(int libraries);

    QString path() const;

    // The files behind the names, for tests that build folders of their own.
    static std::filesystem::path pageCodecFile();
    static std::filesystem::path corvidDoubleFile();
    static std::filesystem::path orvelDoubleFile();
    static std::filesystem::path realOrvelFile();

private:
    TempDir m_dir;
};

}  // namespace zrc::test
