// zrc info: what a recording holds and how long it plays.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>

#include "commands.h"
#include "recording_summary.h"
#include "time_text.h"
#include "zrc_format.h"

namespace zrc::cli {

namespace {

std::uint32_t codes(const ParameterSet& s) {
    return codesPerPage(static_cast<unsigned>(s.payloadBytes), static_cast<unsigned>(s.payloadBits),
                        static_cast<unsigned>(s.width));
}

std::string secondsText(std::int64_t ms) {
    std::ostringstream s;
    s << ms / 1000 << '.' << std::setw(3) << std::setfill('0') << ms % 1000;
    return s.str();
}

void printText(std::ostream& out, const std::string& file, const RecordingSummary& s) {
    out << file << '\n' << "  header mode    " << s.headerMode << '\n';
    for (int k = 0; k < 2; ++k) {
        const ParameterSet v = setOf(s.info, k);
        out << "  set " << k << "          rate code " << v.rate << ", " << v.width << "-bit codes, " << codes(v)
            << " codes per page (" << v.payloadBytes << " bytes + " << v.payloadBits << " bits), " << v.pageMs
            << " ms per page\n";
    }
    out << "  pages          " << s.info.pageCount << " (type 0: " << s.pagesByType[0]
        << ", type 1: " << s.pagesByType[1] << ")\n"
        << "  playing time   " << formatPlayingTime(s.playingMs) << " (" << secondsText(s.playingMs) << " s)\n";
}

nlohmann::ordered_json toJson(const std::string& file, const RecordingSummary& s) {
    nlohmann::ordered_json sets = nlohmann::ordered_json::array();
    for (int k = 0; k < 2; ++k) {
        const ParameterSet v = setOf(s.info, k);
        sets.push_back({{"rateCode", v.rate},
                        {"codeWidth", v.width},
                        {"payloadBytes", v.payloadBytes},
                        {"payloadBits", v.payloadBits},
                        {"codesPerPage", codes(v)},
                        {"pageMs", v.pageMs}});
    }
    return {{"file", file},
            {"headerMode", s.headerMode},
            {"sets", sets},
            {"pages", s.info.pageCount},
            {"pagesByType", {s.pagesByType[0], s.pagesByType[1]}},
            {"playingTime", formatPlayingTime(s.playingMs)},
            {"seconds", static_cast<double>(s.playingMs) / 1000.0}};
}

}  // namespace

void setupInfo(CLI::App& app) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* sub = app.add_subcommand("info", "Show the header, pages and playing time of recordings");
    sub->add_option("files", options->files, "ZRC recordings")->required();
    sub->add_flag("--json", options->json, "Print JSON for scripts");
    sub->callback([options] {
        if (const int status = runInfo(*options); status != kExitOk) throw CLI::RuntimeError(status);
    });
}

int runInfo(const InfoOptions& options) {
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    bool failed = false;
    bool first = true;
    for (const std::string& file : options.files) {
        const SummaryOrError result = summarizeRecording(file);
        if (const auto* error = std::get_if<std::string>(&result)) {
            std::cerr << "zrc: " << file << ": " << *error << std::endl;
            all.push_back({{"file", file}, {"error", *error}});
            failed = true;
            continue;
        }
        const auto& summary = std::get<RecordingSummary>(result);
        if (options.json) {
            all.push_back(toJson(file, summary));
        } else {
            if (!first) std::cout << '\n';
            printText(std::cout, file, summary);
            first = false;
        }
    }
    // File names are bytes; one that is not UTF-8 (an old card's Latin-1
    // name) still gets its report, with U+FFFD for what JSON cannot carry.
    if (options.json) std::cout << all.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    std::cout.flush();
    return failed ? kExitFileFailed : kExitOk;
}

}  // namespace zrc::cli
