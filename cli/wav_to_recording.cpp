#include "wav_to_recording.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "converted_input.h"
#include "encoder.h"
#include "page_encoder.h"
#include "wav_check.h"
#include "wav_format.h"
#include "zrc_format.h"

namespace zrc::cli {

namespace {

constexpr std::uint64_t kPagesPerStep = 64;

// A rate the check takes that the chosen width makes no shared pages from.
constexpr std::int32_t kRateNotForWidth = -1;

std::int32_t check(const WavInput& input, const EncodeSettings& settings) {
    if (!settings.width) return checkForFixedLayout(input);
    const auto width = static_cast<unsigned>(*settings.width);
    const auto layout = sharedLayout(width, input.sampleRate);
    if (!layout) {
        const std::int32_t problem = wavInputProblem(input);
        return problem != 0 ? problem : kRateNotForWidth;
    }
    return checkForFreeLayout(input, layout->payloadBits / 8, layout->payloadBits % 8, width);
}

// The rate converted samples are brought to: one the width's pages are made from.
std::uint32_t conversionRate(const EncodeSettings& settings) {
    return settings.width == 2 ? std::uint32_t{8000} : kConvertedRate;
}

bool accepted(std::int32_t checkResult) { return checkResult >= static_cast<std::int32_t>(kHeaderSize); }

std::string refusal(std::int32_t code, const WavInput& input) {
    switch (code) {
        case wavcheck::kNotWave: return "not a WAV file";
        case wavcheck::kBadRate:
            return "sample rate " + groupedDigits(input.sampleRate) + " Hz, neither 11,025 nor 8,000 Hz";
        case wavcheck::kNotMono: return "not mono (" + std::to_string(input.channels) + " channels)";
        case wavcheck::kNotPcm: return "not PCM samples";
        case wavcheck::kNoDataTag: return "no data (no \"data\" chunk)";
        case wavcheck::kBadBitsPerSample:
            return "unsupported sample size: " + std::to_string(input.bitsPerSample) +
                   "-bit (the encoder reads 8 and 16-bit samples)";
        case wavcheck::kTooLarge: return "too long for a ZRC recording";
        case kRateNotForWidth:
            return groupedDigits(input.sampleRate) +
                   " Hz input makes no pages of this width that every player reads alike (--width 2 takes "
                   "8,000 Hz, --width 3 11,025 Hz, --width 4 either)";
        default: return "not encoder input (check result " + std::to_string(code) + ")";
    }
}

// The walk of the chunks finds exactly the samples the encoder reads from
// the fixed offsets, and nothing after them that it would read as well.
bool encoderReadsItAsItIs(const WavInput& input, const RiffWav& wav) {
    return wav.formatTag == 1 && wav.channels == 1 && wav.sampleRate == input.sampleRate &&
           wav.bitsPerSample == input.bitsPerSample && wav.bytesPerSample * 8 == input.bitsPerSample &&
           wav.dataOffset == input.firstSampleOffset() && wav.dataBytes == input.dataSize &&
           wav.heldBytes == wav.dataBytes && wav.bytesAfterData == 0;
}

// Players run a page type at its rate code times 11,025 / 11 codes a
// second, whatever rate the samples had: the recorder's 2-bit pages carry
// rate code 7, so 8,000 Hz input plays slow in them.
std::optional<std::string> speedChange(const ZrcHeader& h, const PageLayout& layout, std::uint32_t inputRate) {
    const unsigned rateCode = h[layout.flag() == 1 ? header::kSet1 : header::kSet0];
    const double played = rateCode * 11025.0 / 11.0;
    const double change = played / inputRate - 1;
    if (std::fabs(change) < 0.01) return std::nullopt;
    return "players play these " + groupedDigits(inputRate) + " Hz samples at " +
           groupedDigits(static_cast<std::uint64_t>(std::lround(played))) + " a second (rate code " +
           std::to_string(rateCode) + "), " + std::to_string(std::lround(std::fabs(change) * 100)) + "% " +
           (change < 0 ? "slow" : "fast");
}

EncodePlanOrError planFor(const WavInput& input, std::int32_t zrcSize, const EncodeSettings& settings) {
    EncodePlan plan;
    plan.input = input;
    const auto size = static_cast<std::uint32_t>(zrcSize);
    std::optional<ZrcHeader> h;
    if (settings.width) {
        const auto width = static_cast<unsigned>(*settings.width);
        plan.layout = *sharedLayout(width, input.sampleRate);
        h = sharedLayoutHeader(input, size, width);
    } else {
        plan.layout = *fixedLayout(input.sampleRate);
        h = fixedLayoutHeader(input, size);
    }
    if (!h) return std::string("cannot work out the recording's length");
    plan.header = *h;
    plan.pages = (size - kHeaderSize) / kPageSize;
    if (auto speed = speedChange(plan.header, plan.layout, input.sampleRate)) plan.warnings.push_back(*speed);
    return plan;
}

EncodePlanOrError planAsItIs(const WavInput& input, std::int32_t zrcSize, const EncodeSettings& settings) {
    const std::uint64_t dataEnd = input.firstSampleOffset() + input.dataSize;
    if (dataEnd > input.fileLength) {
        // Streaming writers leave a huge size when they never come back to
        // fill it in; taken at its word it asks for pages of nothing.
        return "the data chunk announces " + groupedDigits(input.dataSize) + " bytes, the file holds " +
               groupedDigits(input.fileLength - std::min(input.fileLength, input.firstSampleOffset())) +
               (settings.convert ? "" : " (--convert encodes what is there)");
    }
    EncodePlanOrError planned = planFor(input, zrcSize, settings);
    auto* plan = std::get_if<EncodePlan>(&planned);
    if (plan == nullptr) return planned;
    // The encoder reads on to the end of the file, past the data chunk.
    const std::uint64_t encodedBytes = plan->pages * plan->layout.codesPerPage() * input.bitsPerSample / 8;
    const std::uint64_t readBeyond = std::min(input.fileLength - dataEnd,
                                              encodedBytes > input.dataSize ? encodedBytes - input.dataSize : 0);
    if (readBeyond > 0) {
        plan->warnings.push_back(groupedDigits(readBeyond) + (readBeyond == 1 ? " byte" : " bytes") +
                                 " after the data chunk are encoded as samples at the end (--convert reads the "
                                 "data chunk alone)");
    }
    return planned;
}

// The encoder takes its samples from behind the first "data" anywhere in the
// file. When that is not where the chunks put the data chunk (a "data" in
// some text, or no data chunk at all) the recording will not hold the
// file's sound, and the user has to hear of it.
std::optional<std::string> misreadWarning(const WavInput& input, const RiffWavOrError& walked) {
    const auto* wav = std::get_if<RiffWav>(&walked);
    if (wav != nullptr && wav->dataOffset == input.firstSampleOffset()) return std::nullopt;
    const std::string where = "the samples are read from behind the first \"data\" in the file, at byte " +
                              groupedDigits(*input.dataTag);
    if (wav != nullptr) {
        return where + ", but the data chunk's samples start at byte " + groupedDigits(wav->dataOffset) +
               " (--convert reads those)";
    }
    return where + ", but the file does not read as a WAV file by its chunks (" + std::get<std::string>(walked) + ")";
}

EncodePlanOrError planConversion(const ConversionSource& source, const EncodeSettings& settings) {
    if (framesOf(source) == kUnknownFrames) {
        return "the " + std::get<SoundFileFormat>(source).name + " file does not tell its length (cut or damaged)";
    }
    const std::uint32_t rate = conversionRate(settings);
    const std::uint64_t samples = ConvertedInput::outputSamples(source, rate);
    // A header may announce any count; past 2^40 frames the length above
    // would overflow, and at any sensible rate it is far beyond 4 GB anyway.
    if (framesOf(source) > (std::uint64_t{1} << 40) ||
        samples * 2 > std::numeric_limits<std::uint32_t>::max() - (kWavHeaderSize - 8)) {
        return "too long to convert: more than 4 GB of 16-bit samples at " + groupedDigits(rate) + " Hz";
    }
    // The fields of the canonical WAV file the converted samples would make.
    WavInput input;
    input.waveTag = true;
    input.pcmFormat = true;
    input.channels = 1;
    input.sampleRate = rate;
    input.bitsPerSample = 16;
    input.dataTag = kWavHeaderSize - 8;
    input.dataSize = static_cast<std::uint32_t>(samples * 2);
    input.fileLength = kWavHeaderSize + input.dataSize;
    const std::int32_t size = check(input, settings);
    if (!accepted(size)) return refusal(size, input);

    EncodePlanOrError planned = planFor(input, size, settings);
    if (auto* plan = std::get_if<EncodePlan>(&planned)) {
        plan->conversion = source;
        const auto* wav = std::get_if<RiffWav>(&source);
        const bool unchanged = wav != nullptr && wav->sampleRate == rate && wav->channels == 1 &&
                               wav->coding == SampleCoding::SignedInt && wav->bytesPerSample == 2;
        const std::string target = groupedDigits(rate) + " Hz mono 16-bit";
        // Such a file only has its chunks where the fixed offsets miss them.
        plan->note = unchanged ? target + " read by its chunks, samples unchanged"
                               : "converted from " + describe(source) + " to " + target;
        if (wav != nullptr && wav->heldBytes < wav->dataBytes) {
            plan->warnings.push_back("the data chunk announces " + groupedDigits(wav->dataBytes) +
                                     " bytes, the file holds " + groupedDigits(wav->heldBytes) +
                                     ": those are converted");
        }
    }
    return planned;
}

}  // namespace

EncodePlanOrError planEncode(InputFile& in, const EncodeSettings& settings) {
    if (settings.width && !isCodeWidth(static_cast<unsigned>(*settings.width))) {
        return std::string("code width must be 2, 3 or 4");
    }
    const WavInput input = readWavInput(in);
    const std::int32_t result = check(input, settings);
    const RiffWavOrError walked = readRiffWav(in);
    const auto* wav = std::get_if<RiffWav>(&walked);

    if (!settings.convert) {
        if (accepted(result)) {
            EncodePlanOrError planned = planAsItIs(input, result, settings);
            if (auto* plan = std::get_if<EncodePlan>(&planned)) {
                if (auto warning = misreadWarning(input, walked)) plan->warnings.push_back(*warning);
            }
            return planned;
        }
        std::string reason = refusal(result, input);
        std::optional<std::string> convertible;
        if (wav != nullptr) convertible = wav->describe();
        else if (auto format = readSoundFileFormat(in)) convertible = format->describe();
        if (convertible && result != wavcheck::kTooLarge) {
            reason += "; --convert brings this " + *convertible + " file to " +
                      groupedDigits(conversionRate(settings)) + " Hz mono 16-bit";
        }
        return reason;
    }
    if (accepted(result) && (wav == nullptr || encoderReadsItAsItIs(input, *wav))) {
        EncodePlanOrError planned = planAsItIs(input, result, settings);
        if (auto* plan = std::get_if<EncodePlan>(&planned)) {
            plan->note = "already " + groupedDigits(input.sampleRate) + " Hz mono " +
                         std::to_string(input.bitsPerSample) + "-bit: encoded as it is";
            if (auto warning = misreadWarning(input, walked)) plan->warnings.push_back(*warning);
        }
        return planned;
    }
    if (wav != nullptr) return planConversion(*wav, settings);
    if (auto format = readSoundFileFormat(in)) return planConversion(*format, settings);
    return std::get<std::string>(walked);
}

EncodeOutcome writeRecording(InputFile& in, ByteSink& out, const EncodePlan& plan,
                             const std::function<bool(std::uint64_t)>& progress) {
    Encoder encoder;
    out.write(plan.header);
    if (!plan.conversion) {
        // Consecutive ranges from page 0 give the bytes of one run.
        for (std::uint64_t first = 0; first < plan.pages; first += kPagesPerStep) {
            const std::uint64_t n = std::min(kPagesPerStep, plan.pages - first);
            encodePages(encoder, in, plan.input, plan.layout, first, n, out);
            if (in.shortRead()) return {kWavCut};
            if (progress && !progress(n)) return {"interrupted"};
        }
        return {};
    }

    try {
        ConvertedInput source(in, *plan.conversion, plan.input.sampleRate);
        encoder.reset();
        const std::size_t codes = plan.layout.codesPerPage();
        std::array<std::int16_t, kMaxCodesPerPage> samples{};
        std::vector<std::uint8_t> pages(kPagesPerStep * kPageSize);
        for (std::uint64_t first = 0; first < plan.pages; first += kPagesPerStep) {
            const auto n = static_cast<std::size_t>(std::min(kPagesPerStep, plan.pages - first));
            for (std::size_t p = 0; p < n; ++p) {
                const std::span<std::int16_t> pageSamples(samples.data(), codes);
                const std::size_t present = source.read(pageSamples);
                encodePage(encoder, pageSamples, present, plan.layout,
                           std::span<std::uint8_t, kPageSize>(pages.data() + p * kPageSize, kPageSize));
            }
            out.write(std::span(pages.data(), n * kPageSize));
            if (in.shortRead()) return {kWavCut, source.clippedSamples()};
            if (progress && !progress(n)) return {"interrupted", source.clippedSamples()};
        }
        return {{}, source.clippedSamples()};
    } catch (const std::runtime_error& e) {
        return {e.what()};
    }
}

namespace {

// Encoded pages kept in memory until they are written where they belong.
class PageBuffer : public ByteSink {
public:
    void write(std::span<const std::uint8_t> bytes) override { m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end()); }
    std::vector<std::uint8_t>& bytes() { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace

EncodeOutcome writeRecording(InputFile& in, OutputFile& out, const EncodePlan& plan,
                             const std::function<bool(std::uint64_t)>& progress, const PartsOptions& parts,
                             PartsReport* report) {
    if (report != nullptr) *report = {};
    if (plan.conversion || plan.layout.width == 2 || parts.threads < 2 ||
        plan.pages / std::max<std::uint64_t>(1, parts.minPagesPerPart) < 2) {
        return writeRecording(in, static_cast<ByteSink&>(out), plan, progress);
    }
    const bool headerWritten = out.writeAt(0, plan.header);
    PlacedPages placed(out, kHeaderSize, kPageSize);
    const RunPages run = [&](AdpcmState& state, std::uint64_t first, std::uint64_t last, bool write,
                             PartContext& part, const std::function<void()>& tick) {
        Encoder encoder;
        encoder.setState(state);
        PageBuffer pages;
        for (std::uint64_t page = first; page <= last && !part.stop; page += kPagesPerStep) {
            const std::uint64_t n = std::min(kPagesPerStep, last - page + 1);
            pages.bytes().clear();
            // From page 0 this resets the encoder, which holds the reset state there anyway.
            encodePages(encoder, in, plan.input, plan.layout, page, n, pages);
            if (write && !placed.write(page, pages.bytes(), part)) return false;
            tick();
        }
        state = encoder.state();
        return true;
    };
    const PartsOutcome outcome = codeInParts(headerWritten ? plan.pages : 0, parts, run, progress);
    if (report != nullptr) *report = outcome.report;
    if (in.shortRead()) return {kWavCut};
    if (outcome.interrupted) return {"interrupted"};
    // A failed write is the file's to tell, when it is closed.
    return {};
}

}  // namespace zrc::cli
