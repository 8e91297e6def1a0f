#include "converted_input.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace zrc::cli {

namespace {

// A block of input is this many bytes of whole frames (one frame at least):
// a file of thousands of channels must not make its few bytes ask for
// gigabytes.
constexpr std::size_t kBlockBytes = 1 << 16;

std::size_t framesPerBlock(const ConversionSource& source) {
    const auto* wav = std::get_if<RiffWav>(&source);
    const std::size_t frameBytes =
        wav != nullptr ? wav->frameBytes() : std::get<SoundFileFormat>(source).channels * sizeof(float);
    return std::max<std::size_t>(1, kBlockBytes / frameBytes);
}
constexpr std::size_t kOutputBlock = 8192;

std::int16_t to16Bits(float v, std::uint64_t& clipped) {
    const double scaled = std::isfinite(v) ? static_cast<double>(v) * 32768.0 : 0.0;
    const long r = std::lrint(scaled);
    if (r > 32767 || r < -32768) {
        ++clipped;
        return r > 0 ? std::int16_t{32767} : std::int16_t{-32768};
    }
    return static_cast<std::int16_t>(r);
}

}  // namespace

struct ConvertedInput::Soxr {
    soxr_t handle = nullptr;
    ~Soxr() {
        if (handle != nullptr) soxr_delete(handle);
    }
};

std::uint32_t sampleRateOf(const ConversionSource& source) {
    return std::visit([](const auto& s) { return s.sampleRate; }, source);
}

std::uint64_t framesOf(const ConversionSource& source) {
    const auto* wav = std::get_if<RiffWav>(&source);
    return wav != nullptr ? wav->frames() : std::get<SoundFileFormat>(source).frames;
}

std::string describe(const ConversionSource& source) {
    return std::visit([](const auto& s) { return s.describe(); }, source);
}

std::uint64_t ConvertedInput::outputSamples(const ConversionSource& source, std::uint32_t rate) {
    const std::uint32_t from = sampleRateOf(source);
    return (framesOf(source) * rate + from / 2) / from;
}

ConvertedInput::ConvertedInput(InputFile& file, const ConversionSource& source, std::uint32_t rate)
    : m_file(file),
      m_source(source),
      m_total(outputSamples(source, rate)),
      m_nextByte(0),
      m_framesLeft(framesOf(source)),
      m_in(framesPerBlock(source)),
      m_out(kOutputBlock) {
    if (const auto* wav = std::get_if<RiffWav>(&source)) {
        m_nextByte = wav->dataOffset;
        m_raw.resize(m_in.size() * wav->frameBytes());
    } else {
        m_soundFile = std::make_unique<SoundFileReader>(file, std::get<SoundFileFormat>(source).channels);
    }
    const std::uint32_t from = sampleRateOf(source);
    if (from == rate) return;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    // One thread per resampler: the files of a run already go in parallel.
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    m_soxr = std::make_unique<Soxr>();
    m_soxr->handle = soxr_create(from, rate, 1, &error, &io, &quality, &runtime);
    if (error != nullptr || m_soxr->handle == nullptr) {
        throw std::runtime_error(std::string("cannot set up the resampler: ") + (error != nullptr ? error : "unknown"));
    }
}

ConvertedInput::~ConvertedInput() = default;

void ConvertedInput::readInput() {
    const auto frames = static_cast<std::size_t>(std::min<std::uint64_t>(m_in.size(), m_framesLeft));
    if (m_soundFile) {
        // Decoders stop at damage the way they stop at the end: the missing
        // frames would be encoded as silence in a recording that looks whole.
        if (m_soundFile->read(m_in.data(), frames) < frames) {
            const SoundFileFormat& format = std::get<SoundFileFormat>(m_source);
            throw std::runtime_error("the " + format.name + " file ends before the " + groupedDigits(format.frames) +
                                     " frames it announces (cut or damaged)");
        }
    } else {
        // A WAV file cut meanwhile reads as 0xFF bytes here, and the caller
        // hears of it from the file.
        const RiffWav& wav = std::get<RiffWav>(m_source);
        const std::size_t bytes = frames * wav.frameBytes();
        m_file.readAt(m_nextByte, std::span(m_raw.data(), bytes));
        mixToMono(wav, std::span(m_raw.data(), bytes), m_in.data());
        m_nextByte += bytes;
    }
    m_inPos = 0;
    m_inEnd = frames;
    m_framesLeft -= frames;
}

bool ConvertedInput::refill() {
    while (m_outPos == m_outEnd) {
        if (m_inPos == m_inEnd && m_framesLeft > 0) readInput();
        const bool haveInput = m_inPos < m_inEnd;
        if (!m_soxr) {
            if (!haveInput) return false;
            const std::size_t n = std::min(m_inEnd - m_inPos, m_out.size());
            std::copy_n(m_in.begin() + static_cast<std::ptrdiff_t>(m_inPos), n, m_out.begin());
            m_inPos += n;
            m_outPos = 0;
            m_outEnd = n;
            continue;
        }
        if (!haveInput && m_flushed) return false;
        std::size_t used = 0;
        std::size_t made = 0;
        // No input (a null pointer) tells the resampler the signal has ended:
        // it then gives out what its filter still holds.
        const soxr_error_t error =
            haveInput ? soxr_process(m_soxr->handle, m_in.data() + m_inPos, m_inEnd - m_inPos, &used, m_out.data(),
                                     m_out.size(), &made)
                      : soxr_process(m_soxr->handle, nullptr, 0, nullptr, m_out.data(), m_out.size(), &made);
        if (error != nullptr) throw std::runtime_error(std::string("resampling failed: ") + error);
        if (haveInput && used == 0 && made == 0) throw std::runtime_error("resampling failed: no progress");
        m_inPos += used;
        m_outPos = 0;
        m_outEnd = made;
        if (!haveInput && made == 0) m_flushed = true;
    }
    return true;
}

std::size_t ConvertedInput::read(std::span<std::int16_t> out) {
    std::size_t k = 0;
    while (k < out.size() && m_given < m_total) {
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(out.size() - k, m_total - m_given));
        if (!refill()) {
            // The resampler came out a little short of the rounded length.
            std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(k), wanted, std::int16_t{0});
            k += wanted;
            m_given += wanted;
            break;
        }
        const std::size_t n = std::min(wanted, m_outEnd - m_outPos);
        for (std::size_t i = 0; i < n; ++i) out[k + i] = to16Bits(m_out[m_outPos + i], m_clipped);
        m_outPos += n;
        k += n;
        m_given += n;
    }
    const std::size_t present = k;
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(k), out.end(), std::int16_t{0});
    return present;
}

}  // namespace zrc::cli
