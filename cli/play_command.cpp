// zrc play: a recording through the sound output, as the player plays it.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "commands.h"
#include "interruption.h"
#include "recording_player.h"
#include "status_line.h"

namespace zrc::cli {

void setupPlay(CLI::App& app) {
    auto options = std::make_shared<PlayOptions>();
    CLI::App* sub = app.add_subcommand("play", "Play a recording through the sound output");
    sub->add_option("file", options->file, "ZRC recording")->required();
    sub->add_option("--from", options->from,
                    "Page to start at, counted from 0 (default: the first page; in review the last)");
    CLI::Option* cue = sub->add_flag("--cue", options->cue, "Play forward at double speed");
    CLI::Option* review =
        sub->add_flag("--review", options->review, "Play backward page by page at double speed");
    cue->excludes(review);
    sub->callback([options] {
        if (const int status = runPlay(*options); status != kExitOk) throw CLI::RuntimeError(status);
    });
}

int runPlay(const PlayOptions& options) {
    if (options.cue && options.review) {
        std::cerr << "zrc play: --cue and --review exclude each other" << std::endl;
        return kExitUsage;
    }
    RecordingPlayer player(options.file);
    if (!player.error().empty()) {
        std::cerr << "zrc: " << options.file << ": " << player.error() << std::endl;
        return kExitFileFailed;
    }
    const PlayMode mode = options.cue ? PlayMode::Cue : (options.review ? PlayMode::Review : PlayMode::Play);
    const std::uint32_t lastPage = player.pageCount() - 1;
    const std::uint32_t from = options.from.value_or(mode == PlayMode::Review ? lastPage : 0u);
    if (from > lastPage) {
        std::cerr << "zrc play: --from " << from << " is beyond the last page of " << options.file << " ("
                  << lastPage << ")" << std::endl;
        return kExitUsage;
    }

    InterruptGuard guard;
    clearInterruptRequest();
    PlayResult result;
    {
        StatusLine line(std::cout, StatusLine::stdoutIsTerminal());
        result = player.play(from, mode, interruptRequested,
                             [&](const PlayPosition& position) { line.show(positionText(position)); });
    }
    switch (result.end) {
        case PlayEnd::Finished: return kExitOk;
        case PlayEnd::Stopped:
            std::cout << "stopped at page " << result.page << std::endl;
            return kExitOk;
        case PlayEnd::OutputEnded: break;
        case PlayEnd::RecordingCut:
            std::cerr << "zrc: " << options.file << ": the recording became shorter while it was played (at page "
                      << result.page << ")" << std::endl;
            return kExitFileFailed;
    }
    std::cerr << "zrc: " << options.file << ": the sound output ended at page " << result.page
              << " before the recording did" << std::endl;
    return kExitFileFailed;
}

}  // namespace zrc::cli
