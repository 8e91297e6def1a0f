// The subcommands of zrc. setupX binds a subcommand's options to the app;
// runX does its work and returns the exit status, so tests call it directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace zrc::cli {

// Exit statuses shared by the subcommands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFileFailed = 1;  // at least one file failed; the others were done
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

struct InfoOptions {
    std::vector<std::string> files;
    bool json = false;
};
void setupInfo(CLI::App& app);
int runInfo(const InfoOptions& options);

struct DecodeOptions {
    std::vector<std::string> files;
    std::optional<std::string> output;
    // wav, flac, ogg, opus or mp3; none: by the extension of an output file
    // named with -o, else wav.
    std::optional<std::string> format;
    std::optional<int> rate;     // none: the recording's (or the nearest the format holds)
    std::optional<int> quality;  // 0 to 10, lossy formats only
    int bits = 16;
    unsigned jobs = 1;
    bool force = false;
};
void setupDecode(CLI::App& app);
int runDecode(const DecodeOptions& options);

struct EncodeOptions {
    std::vector<std::string> files;
    std::optional<std::string> output;
    std::optional<int> width;  // none: the recorder's own pages for the rate
    bool convert = false;
    unsigned jobs = 1;
    bool force = false;
};
void setupEncode(CLI::App& app);
int runEncode(const EncodeOptions& options);
// In zrc_play_lib, which links the sound output and the companion decoder.
struct PlayOptions {
    std::string file;
    std::optional<std::uint32_t> from;  // default: the first page, in review the last
    bool cue = false;
    bool review = false;
};
void setupPlay(CLI::App& app);
int runPlay(const PlayOptions& options);

}  // namespace zrc::cli
