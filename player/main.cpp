// ZrcPlayer: plays and converts the recordings of a voice recorder.
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QStringList>
#include <QTimer>

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <iterator>

#include "binder.h"
#include "corvid_api.h"
#include "dialogs.h"
#include "form1.h"
#include "orvel_api.h"
#include "pagecodec_api.h"
#include "quit_signals.h"

using namespace zrc::player;

namespace {

constexpr const char* kHelp =
    "Usage: ZrcPlayer [RECORDING]\n"
    "Plays and converts ZRC voice-recorder recordings. A RECORDING whose name\n"
    "ends in zrc or ZRC is opened and played at start.\n"
    "\n"
    "  --help                  show this text\n"
    "  --version               show the version\n"
    "  --libraries             load PageCodec, Corvid and Orvel, bind every\n"
    "                          function the player calls, tell the file each\n"
    "                          library came from and exit (no display needed)\n"
    "  --screenshot PNG [FILE] open FILE through File > Open, save a picture\n"
    "                          of the window as PNG and exit (message boxes\n"
    "                          are answered, not shown, and listed on stderr)\n"
    "  --screenshot PNG FILE --convert8|--convert16 WAV\n"
    "                          then convert FILE into WAV (replacing it), the\n"
    "                          picture taken at a third of the pages\n"
    "\n"
    "The libraries PageCodec, Corvid and Orvel are loaded from the folder in\n"
    "ZRC_PLAYER_LIBRARY_DIR (if set), then the program's folder, then the\n"
    "install's library folders beside it, then the system's library path.\n";

// The file the library holding `function` was loaded from, as the dynamic
// linker found it (a bare name searched on the system's path becomes a
// full one here).
QString fileOf(QFunctionPointer function) {
    Dl_info info{};
    // A function's address as an object address: what dladdr takes.
    if (function == nullptr || dladdr(reinterpret_cast<const void*>(function), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

// --libraries: every function the player calls, bound as it would be.
int listLibraries(Binder& binder) {
    PageCodecApi pageCodec(binder);
    CorvidApi corvid(binder);
    OrvelApi orvel(binder);
    const bool bound[] = {pageCodec.bindAll(), corvid.bindAll(), orvel.bindAll()};
    const char* const names[] = {PageCodecApi::kLibrary, CorvidApi::kLibrary, OrvelApi::kLibrary};
    // One function of each, to ask the dynamic linker where it lies.
    const char* const probes[] = {"play_splpget", "WavCreate", "WavPlx"};
    bool all = true;
    for (std::size_t i = 0; i < std::size(names); ++i) {
        const QString library = QString::fromLatin1(names[i]);
        const QString file = binder.isLoaded(library) ? fileOf(binder.resolve(library, probes[i])) : QString();
        std::printf("%s: %s%s\n", names[i], file.isEmpty() ? "not loaded" : file.toLocal8Bit().constData(),
                    binder.isLoaded(library) && !bound[i] ? " (functions missing)" : "");
        all = all && bound[i];
    }
    return all ? 0 : 1;
}

// What the screenshot mode does after opening its file.
struct ScreenshotConversion {
    std::int16_t pcmBit = 0;  // 0: no conversion
    QString wav;
};

// Runs the window with File > Open answered from the command line, saves a
// picture of it and exits: a look at the window where no one can click.
// With a conversion the picture is taken in the middle of it.
int screenshot(QApplication& app, Binder& binder, const QString& png, const QString& file,
               const ScreenshotConversion& conversion) {
    ScriptedDialogs dialogs;
    if (!file.isEmpty()) dialogs.answerOpen(file);
    const auto tellBoxes = [&dialogs] {
        for (const auto& box : dialogs.boxes()) {
            std::fprintf(stderr, "message box \"%s\" titled \"%s\" (style %d)\n", box.prompt.toLocal8Bit().constData(),
                         box.title.toLocal8Bit().constData(), box.style);
        }
    };
    Form1 form({&binder, &dialogs, QString(), QString()});
    form.Form_Load();
    if (form.ended()) {
        tellBoxes();
        return 1;
    }
    form.show();
    int status = 0;
    bool taken = false;
    const auto takePicture = [&] {
        taken = true;
        // The picture has no window frame; its caption is told instead.
        std::fprintf(stderr, "window title \"%s\", time display \"%s\", progress %d of %d%s\n",
                     form.windowTitle().toLocal8Bit().constData(),
                     form.controls().PlayTimeLabel->text().toLocal8Bit().constData(),
                     form.controls().ProgressBar1->value(), form.controls().ProgressBar1->maximum(),
                     form.controls().ProgressBar1->isVisible() ? " (shown)" : " (hidden)");
        if (!form.grab().save(png)) {
            std::fprintf(stderr, "ZrcPlayer: cannot write %s\n", png.toLocal8Bit().constData());
            status = 1;
        }
    };
    const auto convert = [&] {
        dialogs.answerSave(conversion.wav);
        if (QFileInfo(conversion.wav).size() > 0) dialogs.answerBox(MsgBoxAnswer::Yes);
        // Taken at the event pump that follows the update reaching a third,
        // when the percentage beside the bar is written too.
        QProgressBar* bar = form.controls().ProgressBar1;
        QObject::connect(bar, &QProgressBar::valueChanged, &form, [&, bar](int value) {
            if (taken || bar->maximum() < 3 || value * 3 < bar->maximum()) return;
            taken = true;
            QMetaObject::invokeMethod(&form, takePicture, Qt::QueuedConnection);
        });
        QAction* item = conversion.pcmBit == 1 ? form.controls().Trans_wav8bit : form.controls().Trans_wav16bit;
        item->trigger();
        std::fprintf(stderr, "converted into %s: %lld bytes\n", conversion.wav.toLocal8Bit().constData(),
                     static_cast<long long>(QFileInfo(conversion.wav).size()));
    };
    QTimer::singleShot(200, &form, [&] {
        if (!file.isEmpty()) form.M_fileopen_Click();
        if (conversion.pcmBit != 0) convert();
        tellBoxes();
        QTimer::singleShot(300, &form, [&] {
            if (!taken) takePicture();
            form.EXITX_Click();
        });
    });
    QObject::connect(&form, &Form1::programEnded, &app, [] { QCoreApplication::exit(0); });
    app.exec();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before the application object exists, so they need no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("ZrcPlayer %s\n", ZRC_VERSION);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kHelp, stdout);
        return 0;
    }

    if (argc == 2 && std::strcmp(argv[1], "--libraries") == 0) {
        QCoreApplication core(argc, argv);
        Binder binder = Binder::forProgram();
        return listLibraries(binder);
    }

    QApplication app(argc, argv);
    // The window is tied to the installed zrcplayer.desktop (its icon and
    // name in docks and task bars).
    QGuiApplication::setDesktopFileName(QStringLiteral("zrcplayer"));
    QIcon icon;
    for (const int size : {48, 256}) icon.addFile(QStringLiteral(":/zrcplayer/zrcplayer-%1.png").arg(size));
    QApplication::setWindowIcon(icon);
    Binder binder = Binder::forProgram();
    const QStringList arguments = QCoreApplication::arguments().mid(1);

    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--screenshot")) {
        ScreenshotConversion conversion;
        if (arguments.size() == 5) {
            if (arguments[3] == QLatin1String("--convert8")) conversion.pcmBit = 1;
            if (arguments[3] == QLatin1String("--convert16")) conversion.pcmBit = 2;
            conversion.wav = QFileInfo(arguments[4]).absoluteFilePath();
        }
        if (arguments.size() < 2 || arguments.size() == 4 || arguments.size() > 5 ||
            (arguments.size() == 5 && conversion.pcmBit == 0)) {
            std::fputs(kHelp, stderr);
            return 2;
        }
        return screenshot(app, binder, arguments[1], arguments.value(2), conversion);
    }

    QtDialogs dialogs;
    // The command line is one string, as the system hands it over: a name
    // that the shell split at its blanks is joined again.
    Form1 form({&binder, &dialogs, QString(), arguments.join(QLatin1Char(' '))});
    QObject::connect(&form, &Form1::programEnded, &app, [] { QCoreApplication::exit(0); });
    QuitSignals quit;
    QObject::connect(&quit, &QuitSignals::received, &form, &QWidget::close);
    form.Form_Load();
    if (form.ended()) return 0;
    form.show();
    return app.exec();
}
