// zrc: inspect and convert ZRC voice-recorder recordings.
#include <CLI/CLI.hpp>

#include "commands.h"

int main(int argc, char** argv) {
    CLI::App app{"Inspect, convert, make and play ZRC voice-recorder recordings", "zrc"};
    app.set_version_flag("--version", "zrc " ZRC_VERSION);
    app.require_subcommand(1);
    zrc::cli::setupInfo(app);
    zrc::cli::setupDecode(app);
    zrc::cli::setupEncode(app);
    zrc::cli::setupPlay(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    return zrc::cli::kExitOk;
}
