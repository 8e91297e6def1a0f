// Loads the libraries the player calls (PageCodec, Corvid, Orvel) by name and
// binds each function at its first call. Nothing is linked: a missing
// library or function is an error at the call that needs it, reported as an
// empty result, so the calling procedure can skip that step and go on.
#pragma once

#include <QFunctionPointer>
#include <QLibrary>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace zrc::player {

class Binder {
public:
    // Where a library is looked for: each folder of `folders` in order
    // (under each of fileNames(), first found first), then, with
    // systemPath, the system's library path (under its SONAME).
    Binder(QStringList folders, bool systemPath);
    ~Binder();
    Binder(const Binder&) = delete;
    Binder& operator=(const Binder&) = delete;

    // The program's search order: the folder in ZRC_PLAYER_LIBRARY_DIR (if
    // set), installedFolders() of the program's own folder, the system's
    // library path. Needs the application object.
    static Binder forProgram();
    static QStringList programFolders();

    // The folders where an install puts the libraries, for a program in
    // programFolder: that folder itself (as in the build tree), the
    // toolkit's own library folder (Corvid, Orvel) and the library folder
    // (PageCodec), each as the install lays them out relative to bin/.
    static QStringList installedFolders(const QString& programFolder);

    // The file names a library is looked for under in a folder: its SONAME
    // first (libPageCodec.so.0, all a runtime install has), then the plain
    // lib<Name>.so.
    static QStringList fileNames(const QString& library);

    // The function `function` of library `library`, loading the library at
    // its first use; nullptr when either cannot be had. Each failure is
    // reported once on standard error and not retried.
    QFunctionPointer resolve(const QString& library, const char* function);

    // In-process functions that stand in for `library`: from now on it is
    // these and no file is loaded for it (the tests' fakes of Corvid and Orvel).
    void provide(const QString& library, std::map<std::string, QFunctionPointer> functions) {
        m_provided[library] = std::move(functions);
    }

    bool isLoaded(const QString& library) const;
    // The file a library was loaded from; empty while it is not loaded.
    QString loadedFrom(const QString& library) const;

private:
    struct Library {
        std::unique_ptr<QLibrary> handle;
        bool failed = false;
        std::map<std::string, QFunctionPointer> functions;
    };
    Library& load(const QString& name);

    QStringList m_folders;
    bool m_systemPath;
    std::map<QString, Library> m_libraries;
    std::map<QString, std::map<std::string, QFunctionPointer>> m_provided;
};

template <typename Signature>
class BoundFunction;

// One function of a library, bound at its first call. The signature is the
// decltype of the declaration in the library's own header, so the call can
// never drift from it. The result is empty when the function cannot be had.
template <typename R, typename... Args>
class BoundFunction<R(Args...)> {
public:
    BoundFunction(Binder& binder, const char* library, const char* name)
        : m_binder(binder), m_library(QString::fromLatin1(library)), m_name(name) {}

    std::optional<R> operator()(Args... args) {
        if (!bind()) return std::nullopt;
        return m_function(args...);
    }

    // Binds without calling; false when the function cannot be had.
    bool bind() {
        if (!m_tried) {
            m_tried = true;
            // QFunctionPointer is void (*)(), the one type every function
            // pointer may be cast from and back.
            m_function = reinterpret_cast<R (*)(Args...)>(m_binder.resolve(m_library, m_name));
        }
        return m_function != nullptr;
    }

private:
    Binder& m_binder;
    QString m_library;
    const char* m_name;
    bool m_tried = false;
    R (*m_function)(Args...) = nullptr;
};

}  // namespace zrc::player
