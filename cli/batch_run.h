// The run of a command over many files: output names planned once, files
// worked on in parallel under one progress bar, Ctrl-C honoured, one exit
// status for the whole run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "input_file.h"
#include "output_file.h"
#include "output_paths.h"
#include "progress_bar.h"

namespace zrc::cli {

// What a file's work reports its pages to: the bar and `reported`; false
// once the user asked to stop.
std::function<bool(std::uint64_t pages)> pageProgress(ProgressBar& bar, std::uint64_t& reported);

struct FileOutcome {
    std::string error;  // empty when the file was done
    std::string note;   // shown after its output name
};

// The steps every file of a batch goes through, the command's own work in
// between: the input is opened and planned before its output name counts
// (what is wrong with the input matters first), the output is written to a
// temporary file and put in place only when it is whole.
struct FileSteps {
    // Reads the opened input and decides; the reason it cannot, else empty.
    // Warnings are shown before the output is written.
    std::function<std::string(InputFile& in, std::vector<std::string>& warnings)> plan;
    // Writes the output; the whole failure message, empty on success; may
    // set the note shown with the output's name.
    std::function<std::string(InputFile& in, OutputFile& out, std::string& note)> write;
};
FileOutcome runFileSteps(const OutputTarget& target, bool force, ProgressBar& bar, const FileSteps& steps);

struct Batch {
    std::string command;  // "zrc decode", for messages
    std::vector<std::string> files;
    std::optional<std::string> output;
    bool force = false;
    unsigned jobs = 1;
    std::string extension;  // of the default output names, ".wav"
    // Pages a file will take, for the bar's total before any file is read.
    std::function<std::uint64_t(const std::filesystem::path&)> estimate;
    // Does one file; adds the pages it has done to `reported` as it goes.
    std::function<FileOutcome(const OutputTarget&, ProgressBar&, std::uint64_t& reported)> work;
};

// Runs the batch; the exit status: 0, kExitUsage for a plan that cannot
// work, kExitFileFailed when any file failed, kExitInterrupted on Ctrl-C.
int runBatch(const Batch& batch);

}  // namespace zrc::cli
