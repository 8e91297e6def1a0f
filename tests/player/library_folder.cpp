#include "library_folder.h"

namespace zrc::test {

LibraryFolder::LibraryFolder(int libraries) {
    if (libraries & PageCodec) std::filesystem::create_symlink(pageCodecFile(), m_dir.file("libPageCodec.so"));
    if (libraries & Corvid) std::filesystem::create_symlink(corvidDoubleFile(), m_dir.file("libCorvid.so"));
    if (libraries & Orvel) std::filesystem::create_symlink(orvelDoubleFile(), m_dir.file("libOrvel.so"));
    if (libraries & RealOrvel) std::filesystem::create_symlink(realOrvelFile(), m_dir.file("libOrvel.so"));
}

QString LibraryFolder::path() const { return QString::fromStdString(m_dir.path().string()); }

std::filesystem::path LibraryFolder::pageCodecFile() { return ZRC_PAGECODEC_FILE; }
std::filesystem::path LibraryFolder::corvidDoubleFile() { return ZRC_CORVID_DOUBLE_FILE; }
std::filesystem::path LibraryFolder::orvelDoubleFile() { return ZRC_ORVEL_DOUBLE_FILE; }
std::filesystem::path LibraryFolder::realOrvelFile() { return ZRC_ORVEL_FILE; }

}  // namespace zrc::test
