// zrc encode: PCM WAV files, and with --convert any audio file libsndfile reads, into ZRC recordings.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "batch_run.h"
#include "commands.h"
#include "input_file.h"
#include "interruption.h"
#include "output_file.h"
#include "output_paths.h"
#include "parallel_jobs.h"
#include "progress_bar.h"
#include "recording_summary.h"
#include "wav_to_recording.h"

namespace zrc::cli {

namespace fs = std::filesystem;

namespace {

EncodeSettings settingsOf(const EncodeOptions& options) { return {options.width, options.convert}; }

// Pages of each file for the bar's total; 0 for a file that will fail.
std::uint64_t plannedPages(const fs::path& file, const EncodeSettings& settings) {
    InputFile in(file.c_str());
    if (!in.isOpen()) return 0;
    const EncodePlanOrError planned = planEncode(in, settings);
    const auto* plan = std::get_if<EncodePlan>(&planned);
    return plan != nullptr ? plan->pages : 0;
}

// Encodes one input. `reported` counts the pages handed to the bar.
FileOutcome encodeOne(const OutputTarget& target, const EncodeOptions& options, ProgressBar& bar,
                      std::uint64_t& reported) {
    std::optional<EncodePlan> plan;
    FileSteps steps;
    steps.plan = [&](InputFile& in, std::vector<std::string>& warnings) {
        EncodePlanOrError planned = planEncode(in, settingsOf(options));
        if (auto* error = std::get_if<std::string>(&planned)) return *error;
        plan = std::get<EncodePlan>(std::move(planned));
        warnings = plan->warnings;
        return std::string();
    };
    steps.write = [&](InputFile& in, OutputFile& out, std::string& note) {
        PartsOptions parts;
        parts.threads = threadsPerFile(options.jobs, options.files.size());
        parts.warmUpPages = kEncoderWarmUpPages;
        const EncodeOutcome outcome = writeRecording(in, out, *plan, pageProgress(bar, reported), parts);
        note = plan->note;
        if (outcome.clippedSamples > 0) {
            note += (note.empty() ? "" : "; ") + std::to_string(outcome.clippedSamples) + " samples clipped";
        }
        return outcome.error;
    };
    return runFileSteps(target, options.force, bar, steps);
}

}  // namespace

void setupEncode(CLI::App& app) {
    auto options = std::make_shared<EncodeOptions>();
    options->jobs = defaultJobCount();
    CLI::App* sub = app.add_subcommand("encode", "Make ZRC recordings from PCM WAV files (other audio files with --convert)");
    sub->add_option("files", options->files, "WAV files: mono, 11,025 or 8,000 Hz, 8 or 16-bit (with --convert, any WAV, FLAC, Ogg, MP3 or AIFF file)")
        ->required();
    sub->add_option("-o,--output", options->output,
                    "Output file, or folder for several inputs (default: each input's name with .zrc)");
    sub->add_option("--width", options->width,
                    "Code width of pages whose header describes them, which every player reads alike: 2 "
                    "from 8,000 Hz input (2,048 codes a page), 3 from 11,025 Hz (1,360), 4 from either (1,024) "
                    "(default: the recorder's pages, 3-bit from 11,025 Hz, 2-bit from 8,000 Hz)")
        ->check(CLI::IsMember({2, 3, 4}));
    sub->add_flag("--convert", options->convert,
                  "Bring other files to 11,025 Hz mono 16-bit first (8,000 Hz for --width 2): WAV files of any rate "
                  "and channels, 8-32-bit integer or float, and any other file libsndfile reads (FLAC, Ogg Vorbis or "
                  "Opus, MP3, AIFF, WAV in other codings)");
    sub->add_option("-j,--jobs", options->jobs,
                    "Threads: files encoded in parallel, or parts of one long file when there are fewer files")
        ->check(CLI::Range(1u, 1024u))
        ->capture_default_str();
    sub->add_flag("--force", options->force, "Overwrite existing output files");
    sub->callback([options] {
        if (const int status = runEncode(*options); status != kExitOk) throw CLI::RuntimeError(status);
    });
}

int runEncode(const EncodeOptions& options) {
    if (options.width && (*options.width < 2 || *options.width > 4)) {
        std::cerr << "zrc encode: --width must be 2, 3 or 4" << std::endl;
        return kExitUsage;
    }
    Batch batch;
    batch.command = "zrc encode";
    batch.files = options.files;
    batch.output = options.output;
    batch.force = options.force;
    batch.jobs = options.jobs;
    batch.extension = ".zrc";
    batch.estimate = [&](const fs::path& input) { return plannedPages(input, settingsOf(options)); };
    batch.work = [&](const OutputTarget& target, ProgressBar& bar, std::uint64_t& reported) {
        return encodeOne(target, options, bar, reported);
    };
    return runBatch(batch);
}

}  // namespace zrc::cli
