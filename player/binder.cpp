#include "binder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace zrc::player {

namespace {
constexpr const char* kFolderVariable = "ZRC_PLAYER_LIBRARY_DIR";

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
    folders << QCoreApplication::applicationDirPath();
    return folders;
}

Binder Binder::forProgram() { return Binder(programFolders(), true); }

Binder::Library& Binder::load(const QString& name) {
    Library& library = m_libraries[name];
    if (library.handle || library.failed) return library;

    QStringList tried;
    for (const QString& folder : m_folders) {
        const QString file = QDir(folder).filePath(QStringLiteral("lib%1.so").arg(name));
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
    if (m_systemPath) {
        auto handle = std::make_unique<QLibrary>(name);
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
