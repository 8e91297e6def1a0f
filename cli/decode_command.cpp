// zrc decode: recordings into PCM WAV files.
#include <CLI/CLI.hpp>

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
#include "recording_to_wav.h"
#include "zrc_format.h"

namespace zrc::cli {

namespace fs = std::filesystem;

namespace {

// Pages a file probably holds, for the bar's total before any file is read.
std::uint64_t estimatedPages(const fs::path& file) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    return ec || size < kHeaderSize ? 0 : (size - kHeaderSize) / kPageSize;
}

// Converts one input. `reported` counts the pages handed to the bar.
FileOutcome convertOne(const OutputTarget& target, const DecodeOptions& options, ProgressBar& bar,
                       std::uint64_t& reported) {
    DecodePlan plan;
    FileSteps steps;
    steps.plan = [&](InputFile& in, std::vector<std::string>& warnings) {
        PlanOrError planned = planDecode(in, options.bits / 8);
        if (auto* error = std::get_if<std::string>(&planned)) return *error;
        plan = std::get<DecodePlan>(std::move(planned));
        if (!plan.warning.empty()) warnings.push_back(plan.warning);
        return std::string();
    };
    steps.write = [&](InputFile& in, OutputFile& out, std::string&) {
        PartsOptions parts;
        parts.threads = threadsPerFile(options.jobs, options.files.size());
        const std::string failure = writeWav(in, out, plan, pageProgress(bar, reported), parts);
        if (failure.empty() || failure == kRecordingCut) return failure;
        return "cannot write " + target.output.string() + ": " + failure;
    };
    return runFileSteps(target, options.force, bar, steps);
}

}  // namespace

void setupDecode(CLI::App& app) {
    auto options = std::make_shared<DecodeOptions>();
    options->jobs = defaultJobCount();
    CLI::App* sub = app.add_subcommand("decode", "Convert recordings to PCM WAV files");
    sub->add_option("files", options->files, "ZRC recordings")->required();
    sub->add_option("-o,--output", options->output,
                    "Output file, or folder for several inputs (default: each input's name with .wav)");
    sub->add_option("--bits", options->bits, "Bits per sample, 8 or 16")
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
    if (options.bits != 8 && options.bits != 16) {
        std::cerr << "zrc decode: --bits must be 8 or 16" << std::endl;
        return kExitUsage;
    }
    Batch batch;
    batch.command = "zrc decode";
    batch.files = options.files;
    batch.output = options.output;
    batch.force = options.force;
    batch.jobs = options.jobs;
    batch.extension = ".wav";
    batch.estimate = estimatedPages;
    batch.work = [&](const OutputTarget& target, ProgressBar& bar, std::uint64_t& reported) {
        return convertOne(target, options, bar, reported);
    };
    return runBatch(batch);
}

}  // namespace zrc::cli
