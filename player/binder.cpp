#include "binder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace zrc::player {

namespace {
constexpr const char* kFolderVariable = "ZRC_PLAYER_LIBRARY_DIR";

// The install's layout, seen from bin/, and the ABI version the player's
// calls are written for; all three come from the build.
constexpr const char* kBinToLibraryFolder = ZRC_BINDIR_TO_LIBDIR;
constexpr const char* kBinToPrivateLibraryFolder = ZRC_BINDIR_TO_PRIVATE_LIBDIR;

// The SONAME version of a library, or empty for one that has none.
QString sonameVersion(const QString& library) {
    if (library == QLatin1String("PageCodec")) return QStringLiteral(ZRC_PAGECODEC_SOVERSION);
    return {};
}

void report(const QString& text) {
    std::fprintf(stderr, "ZrcPlayer: %s\n", text.toLocal8Bit().constData());
}
}  // namespace

Binder::Binder(QStringList folders, bool systemPath) : m_folders(std::move(folders)), m_systemPath(systemPath) {}

Binder::~Binder() = default;

QStringList Binder::programFolders() {
    QStringList folders;
    const QString fromEnvironment = qEnvironmentVariable(kFolderVariable);
    if (!fromEnvironment.isEmpty()) folders << fromEnvironment;
    folders << installedFolders(QCoreApplication::applicationDirPath());
    return folders;
}

QStringList Binder::installedFolders(const QString& programFolder) {
    const QDir bin(programFolder);
    QStringList folders{programFolder};
    for (const char* relative : {kBinToPrivateLibraryFolder, kBinToLibraryFolder}) {
        const QString folder = QDir::cleanPath(bin.filePath(QString::fromUtf8(relative)));
        if (!folders.contains(folder)) folders << folder;
    }
    return folders;
}

QStringList Binder::fileNames(const QString& library) {
    const QString plain = QStringLiteral("lib%1.so").arg(library);
    const QString version = sonameVersion(library);
    if (version.isEmpty()) return {plain};
    return {plain + QLatin1Char('.') + version, plain};
}

Binder Binder::forProgram() { return Binder(programFolders(), true); }

Binder::Library& Binder::load(const QString& name) {
    Library& library = m_libraries[name];
    if (library.handle || library.failed) return library;

    QStringList tried;
    const QStringList names = fileNames(name);
    for (const QString& folder : m_folders) {
        for (const QString& fileName : names) {
            const QString file = QDir(folder).filePath(fileName);
            // Only an existing file is handed to the loader, so a folder never
            // falls through to a search elsewhere behind our back.
            if (!QFileInfo::exists(file)) continue;
            auto handle = std::make_unique<QLibrary>(file);
            if (handle->load()) {
                library.handle = std::move(handle);
                return library;
            }
            tried << handle->errorString();
        }
    }
    if (m_systemPath) {
        // Under its SONAME, as the dynamic linker would look for it: the
        // plain name belongs to development files and may be missing.
        const QString version = sonameVersion(name);
        auto handle = version.isEmpty() ? std::make_unique<QLibrary>(name) : std::make_unique<QLibrary>(name, version);
        if (handle->load()) {
            library.handle = std::move(handle);
            return library;
        }
        tried << handle->errorString();
    }
    library.failed = true;
    report(QStringLiteral("cannot load the library %1 (searched %2%3)%4")
               .arg(name, m_folders.join(QStringLiteral(", ")),
                    m_systemPath ? QStringLiteral(" and the system's library path") : QString(),
                    tried.isEmpty() ? QString() : QStringLiteral(": ") + tried.join(QStringLiteral("; "))));
    return library;
}

QFunctionPointer Binder::resolve(const QString& library, const char* function) {
    if (const auto provided = m_provided.find(library); provided != m_provided.end()) {
        const auto it = provided->second.find(function);
        return it == provided->second.end() ? nullptr : it->second;
    }
    Library& lib = load(library);
    if (!lib.handle) return nullptr;
    const auto known = lib.functions.find(function);
    if (known != lib.functions.end()) return known->second;
    const QFunctionPointer address = lib.handle->resolve(function);
    if (address == nullptr) {
        report(QStringLiteral("the library %1 (%2) has no function %3")
                   .arg(library, lib.handle->fileName(), QString::fromLatin1(function)));
    }
    lib.functions.emplace(function, address);
    return address;
}

bool Binder::isLoaded(const QString& library) const {
    const auto it = m_libraries.find(library);
    return it != m_libraries.end() && it->second.handle != nullptr;
}

QString Binder::loadedFrom(const QString& library) const {
    const auto it = m_libraries.find(library);
    if (it == m_libraries.end() || !it->second.handle) return {};
    return it->second.handle->fileName();
}

}  // namespace zrc::player
