// ZrcPlayer: plays and converts the recordings of a voice recorder.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include "binder.h"
#include "dialogs.h"
#include "form1.h"
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
    "  --screenshot PNG [FILE] open FILE through File > Open, save a picture\n"
    "                          of the window as PNG and exit (message boxes\n"
    "                          are answered, not shown, and listed on stderr)\n"
    "\n"
    "The libraries PageCodec, Corvid and Orvel are loaded from the folder in\n"
    "ZRC_PLAYER_LIBRARY_DIR (if set), then the program's folder, then the\n"
    "system's library path.\n";

// Runs the window with File > Open answered from the command line, saves a
// picture of it and exits: a look at the window where no one can click.
int screenshot(QApplication& app, Binder& binder, const QString& png, const QString& file) {
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
    QTimer::singleShot(200, &form, [&] {
        if (!file.isEmpty()) form.M_fileopen_Click();
        tellBoxes();
        QTimer::singleShot(300, &form, [&] {
            // The picture has no window frame; its caption is told instead.
            std::fprintf(stderr, "window title \"%s\", time display \"%s\"\n",
                         form.windowTitle().toLocal8Bit().constData(),
                         form.controls().PlayTimeLabel->text().toLocal8Bit().constData());
            if (!form.grab().save(png)) {
                std::fprintf(stderr, "ZrcPlayer: cannot write %s\n", png.toLocal8Bit().constData());
                status = 1;
            }
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

    QApplication app(argc, argv);
    Binder binder = Binder::forProgram();
    const QStringList arguments = QCoreApplication::arguments().mid(1);

    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--screenshot")) {
        if (arguments.size() < 2 || arguments.size() > 3) {
            std::fputs(kHelp, stderr);
            return 2;
        }
        return screenshot(app, binder, arguments[1], arguments.value(2));
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
