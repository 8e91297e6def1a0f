// zrc decode: recordings into PCM WAV files, or the formats people share.
#include <CLI/CLI.hpp>

#include <atomic>
#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>

#include "batch_run.h"
#include "commands.h"
#include "input_file.h"
#include "interruption.h"
#include "output_file.h"
#include "output_paths.h"
#include "parallel_jobs.h"
#include "progress_bar.h"
#include "recording_summary.h"
#include "recording_to_sound.h"
#include "recording_to_wav.h"
#include "riff_wav.h"
#include "zrc_format.h"

namespace zrc::cli {

namespace fs = std::filesystem;

namespace {

// Rates a person may ask for: below, speech is lost; above, no sound card plays it.
constexpr int kMinRate = 4000;
constexpr int kMaxRate = 192000;

// Pages a file probably holds, for the bar's total before any file is read.
std::uint64_t estimatedPages(const fs::path& file) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    return ec || size < kHeaderSize ? 0 : (size - kHeaderSize) / kPageSize;
}

// What a run writes, decided once for all its files.
struct Output {
    sound::SoundSettings settings;
    std::atomic<bool> rateChangeTold{false};
};

// Converts one input. `reported` counts the pages handed to the bar.
FileOutcome convertOne(const OutputTarget& target, const DecodeOptions& options, Output& output, ProgressBar& bar,
                       std::uint64_t& reported) {
    DecodePlan plan;
    sound::SoundSettings settings = output.settings;
    bool asWav = true;  // the WAV file of the library's own decoding
    FileSteps steps;
    steps.plan = [&](InputFile& in, std::vector<std::string>& warnings) {
        PlanOrError planned = planDecode(in, options.bits / 8, settings.format == sound::SoundFormat::Wav);
        if (auto* error = std::get_if<std::string>(&planned)) return *error;
        plan = std::get<DecodePlan>(std::move(planned));
        if (!plan.warning.empty()) warnings.push_back(plan.warning);
        const int own = static_cast<int>(plan.wav.format.sampleRate);
        const int asked = options.rate.value_or(own);
        settings.rate = sound::rateFor(settings.format, asked);
        asWav = settings.format == sound::SoundFormat::Wav && settings.rate == own;
        if (settings.rate != asked && !output.rateChangeTold.exchange(true)) {
            bar.print(std::cerr, "zrc decode: " + std::string(sound::traitsOf(settings.format).title) + " holds no " +
                                     groupedDigits(static_cast<std::uint64_t>(asked)) + " Hz: written at " +
                                     groupedDigits(static_cast<std::uint64_t>(settings.rate)) + " Hz");
        }
        return std::string();
    };
    steps.write = [&](InputFile& in, OutputFile& out, std::string&) {
        PartsOptions parts;
        parts.threads = threadsPerFile(options.jobs, options.files.size());
        const std::string failure = asWav ? writeWav(in, out, plan, pageProgress(bar, reported), parts)
                                          : writeSound(in, out, plan, settings, pageProgress(bar, reported), parts.threads);
        if (failure.empty() || failure == kRecordingCut) return failure;
        return "cannot write " + target.output.string() + ": " + failure;
    };
    return runFileSteps(target, options.force, bar, steps);
}

// The format a run writes: --format, else the extension of the one output
// file -o names, else WAV.
std::optional<sound::SoundFormat> formatOf(const DecodeOptions& options) {
    if (options.format) return sound::formatNamed(*options.format);
    if (options.output && options.files.size() == 1 && !fs::is_directory(*options.output)) {
        if (auto byName = sound::formatOfFileName(*options.output)) return byName;
    }
    return sound::SoundFormat::Wav;
}

// Why the options cannot work together, in words; empty when they can.
std::string refusalOf(const DecodeOptions& options, const std::optional<sound::SoundFormat>& format) {
    if (!format) return "unknown format \"" + *options.format + "\" (wav, flac, ogg, opus or mp3)";
    const sound::FormatTraits& traits = sound::traitsOf(*format);
    if (options.bits != 8 && options.bits != 16) return "--bits must be 8 or 16";
    if (options.bits == 8 && !traits.holds8Bit) {
        return "--bits 8 applies to WAV and FLAC only: " + std::string(traits.title) + " files have no 8-bit samples";
    }
    if (options.rate && (*options.rate < kMinRate || *options.rate > kMaxRate)) {
        return "--rate must be between " + groupedDigits(std::uint64_t{kMinRate}) + " and " + groupedDigits(std::uint64_t{kMaxRate}) + " Hz";
    }
    if (options.quality && !traits.lossy) {
        return "--quality applies to ogg, opus and mp3: " + std::string(traits.title) + " keeps every sample";
    }
    if (options.quality && (*options.quality < 0 || *options.quality > sound::kMaxQuality)) {
        return "--quality must be between 0 and " + std::to_string(sound::kMaxQuality);
    }
    return {};
}

}  // namespace

void setupDecode(CLI::App& app) {
    auto options = std::make_shared<DecodeOptions>();
    options->jobs = defaultJobCount();
    CLI::App* sub = app.add_subcommand("decode", "Convert recordings to WAV, FLAC, Ogg Vorbis, Ogg Opus or MP3 files");
    sub->add_option("files", options->files, "ZRC recordings")->required();
    sub->add_option("-o,--output", options->output,
                    "Output file, or folder for several inputs (default: each input's name with the format's "
                    "extension)");
    sub->add_option("-f,--format", options->format,
                    "wav, flac (lossless), ogg (Vorbis), opus or mp3 (default: the extension of the -o file, "
                    "else wav)");
    sub->add_option("--rate", options->rate,
                    "Sample rate of the output in Hz, e.g. 16000, 44100 or 48000 (default: the recording's; "
                    "opus and mp3 take the nearest rate they hold above it)");
    sub->add_option("--quality", options->quality,
                    "ogg, opus and mp3: 0 (smallest) to 10 (best); 4, about 30 kbit/s, keeps speech clear")
        ->check(CLI::Range(0, sound::kMaxQuality));
    sub->add_option("--bits", options->bits, "Bits per sample, 8 or 16 (8: wav and flac only)")
        ->check(CLI::IsMember({8, 16}))
        ->capture_default_str();
    sub->add_option("-j,--jobs", options->jobs,
                    "Threads: files converted in parallel, or parts of one long recording when there are fewer files")
        ->check(CLI::Range(1u, 1024u))
        ->capture_default_str();
    sub->add_flag("--force", options->force, "Overwrite existing output files");
    sub->callback([options] {
        if (const int status = runDecode(*options); status != kExitOk) throw CLI::RuntimeError(status);
    });
}

int runDecode(const DecodeOptions& options) {
    const std::optional<sound::SoundFormat> format = formatOf(options);
    if (const std::string refusal = refusalOf(options, format); !refusal.empty()) {
        std::cerr << "zrc decode: " << refusal << std::endl;
        return kExitUsage;
    }
    Output output;
    output.settings = {*format, options.bits, 0, options.quality.value_or(sound::kDefaultQuality)};
    Batch batch;
    batch.command = "zrc decode";
    batch.files = options.files;
    batch.output = options.output;
    batch.force = options.force;
    batch.jobs = options.jobs;
    batch.extension = std::string(sound::traitsOf(*format).extension);
    batch.estimate = estimatedPages;
    batch.work = [&](const OutputTarget& target, ProgressBar& bar, std::uint64_t& reported) {
        return convertOne(target, options, output, bar, reported);
    };
    return runBatch(batch);
}

}  // namespace zrc::cli
