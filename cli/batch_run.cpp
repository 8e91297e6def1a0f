#include "batch_run.h"

#include <iostream>

#include "commands.h"
#include "interruption.h"
#include "parallel_jobs.h"
#include "recording_summary.h"

namespace zrc::cli {

namespace fs = std::filesystem;

std::function<bool(std::uint64_t)> pageProgress(ProgressBar& bar, std::uint64_t& reported) {
    return [&bar, &reported](std::uint64_t pages) {
        bar.advance(pages);
        reported += pages;
        return !interruptRequested();
    };
}

FileOutcome runFileSteps(const OutputTarget& target, bool force, ProgressBar& bar, const FileSteps& steps) {
    if (interruptRequested()) return {"interrupted", {}};
    InputFile in(target.input.c_str());
    if (!in.isOpen()) return {cannotOpenReason(target.input), {}};
    std::vector<std::string> warnings;
    if (std::string error = steps.plan(in, warnings); !error.empty()) return {error, {}};
    if (!target.error.empty()) return {target.error, {}};
    for (const std::string& warning : warnings) bar.print(std::cerr, "zrc: " + target.input.string() + ": " + warning);

    PendingFile pending(target.output);
    if (!pending.isOpen()) return {pending.error(), {}};
    OutputFile out = OutputFile::adopt(pending.takeDescriptor());
    if (!out.isOpen()) return {"cannot write " + target.output.string(), {}};
    FileOutcome outcome;
    outcome.error = steps.write(in, out, outcome.note);
    const bool closed = out.close();
    if (!outcome.error.empty()) return {outcome.error, {}};
    if (!closed) return {"cannot write " + target.output.string() + ": " + systemReason(out.error()), {}};
    if (!pending.commit(force)) return {pending.error(), {}};
    return outcome;
}

int runBatch(const Batch& batch) {
    std::vector<fs::path> inputs(batch.files.begin(), batch.files.end());
    std::optional<fs::path> output;
    if (batch.output) output = fs::path(*batch.output);
    const OutputPlan plan = planOutputs(inputs, output, batch.force, batch.extension);
    if (!plan.error.empty()) {
        std::cerr << batch.command << ": " << plan.error << std::endl;
        return kExitUsage;
    }

    std::vector<std::uint64_t> estimates;
    std::uint64_t total = 0;
    for (const fs::path& input : inputs) total += estimates.emplace_back(batch.estimate(input));

    InterruptGuard guard;
    clearInterruptRequest();
    std::vector<char> failed(inputs.size(), 0);
    {
        ProgressBar bar(std::cerr, ProgressBar::stderrIsTerminal(), total, inputs.size());
        runParallel(inputs.size(), batch.jobs, [&](std::size_t i) {
            const OutputTarget& target = plan.targets[i];
            std::uint64_t reported = 0;
            const FileOutcome outcome = batch.work(target, bar, reported);
            // Done or failed, the file's share of the bar is used up.
            if (estimates[i] > reported) bar.advance(estimates[i] - reported);
            if (outcome.error.empty()) {
                bar.print(std::cout, target.input.string() + " -> " + target.output.string() +
                                         (outcome.note.empty() ? "" : " (" + outcome.note + ")"));
            } else {
                failed[i] = 1;
                if (!interruptRequested()) bar.print(std::cerr, "zrc: " + target.input.string() + ": " + outcome.error);
            }
            bar.fileDone();
        });
    }
    if (interruptRequested()) {
        std::cerr << batch.command << ": interrupted; unfinished outputs were removed" << std::endl;
        return kExitInterrupted;
    }
    for (char f : failed) {
        if (f != 0) return kExitFileFailed;
    }
    return kExitOk;
}

}  // namespace zrc::cli
