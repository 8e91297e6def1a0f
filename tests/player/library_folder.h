// A folder of the libraries a test's binder may find: the real PageCodec and
// the doubles of Corvid and Orvel, each only when asked for, or the real
// Orvel in place of its double.
#pragma once

#include <QString>

#include "test_files.h"

namespace zrc::test {

struct LibraryFolder {
    enum Library { PageCodec = 1, Corvid = 2, Orvel = 4, All = 7, RealOrvel = 8 };
    static inline const std::filesystem::path kFiles[] = {ZRC_PAGECODEC_FILE, ZRC_DOUBLES_FILE, ZRC_DOUBLES_FILE,
                                                          ZRC_ORVEL_FILE};

    explicit LibraryFolder(int libraries) {
        const char* names[] = {"libPageCodec.so", "libCorvid.so", "libOrvel.so", "libOrvel.so"};
        for (int k = 0; k < 4; ++k) {
            if (libraries & (1 << k)) std::filesystem::create_symlink(kFiles[k], dir.file(names[k]));
        }
    }
    QString path() const { return QString::fromStdString(dir.path().string()); }

    TempDir dir;
};

}  // namespace zrc::test
