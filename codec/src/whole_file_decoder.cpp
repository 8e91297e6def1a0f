#include "whole_file_decoder.h"

#include <algorithm>

#include "input_file.h"
#include "output_file.h"
#include "page_conversion.h"
#include "wav_converter.h"

namespace zrc {

std::uint32_t wholeFilePageCount(std::span<const std::uint8_t, kHeaderSize> header, std::uint64_t fileLength) {
    const std::uint64_t announced = readLe32(header.data() + header::kDataSize) / kPageSize;
    const std::uint64_t held = fileLength > kHeaderSize ? (fileLength - kHeaderSize + kPageSize - 1) / kPageSize : 0;
    return static_cast<std::uint32_t>(std::min(announced, held));
}

WholeFileDecoder::Start WholeFileDecoder::start(const char* zrcName, const char* wavName, int sampleSize) {
    m_conversion.reset();
    Start result;
    if (sampleSize != 1 && sampleSize != 2) {
        result.status = Status::UnsupportedSampleSize;
        return result;
    }
    InputFile in(zrcName);
    if (!in.isOpen()) {
        result.status = Status::CannotOpenRecording;
        return result;
    }
    std::array<std::uint8_t, kHeaderSize> h{};
    in.readAt(0, h);

    Conversion c;
    const int mode = h[header::kMode];
    const std::uint8_t* set = h.data() + (mode == 1 ? header::kSet1 : header::kSet0);
    c.rate = set[0];
    c.width = set[1];
    const auto sampleRate = nativeSampleRate(mode, c.rate);
    const auto layout = nativeLayout(c.width, c.rate);
    if (mode > 1 || !sampleRate || !layout) {
        result.status = Status::UnsupportedRecording;
        return result;
    }
    c.format = {*sampleRate, sampleSize};
    c.zrcName = zrcName;
    c.wavName = wavName != nullptr ? wavName : "";
    c.pageCount = wholeFilePageCount(h, in.size());
    c.codesPerPage = layout->codes;

    // Creating the WAV file over the recording would destroy the recording.
    if (isSameFile(zrcName, wavName)) {
        result.status = Status::CannotCreateWav;
        return result;
    }
    OutputFile out = OutputFile::create(wavName != nullptr ? c.wavName.c_str() : nullptr);
    if (!out.isOpen()) {
        result.status = Status::CannotCreateWav;
        return result;
    }
    WavConverter wav(m_decoder, out, c.format);
    const std::uint64_t announced = std::uint64_t{c.pageCount} * layout->samples * static_cast<unsigned>(sampleSize);
    const bool written = wav.begin(announced);
    if (!out.close() || !written) {
        // A file cut inside its header (a full disk) is no WAV file at all;
        // whatever it replaced was already truncated away.
        removeFile(c.wavName.c_str());
        result.status = Status::CannotCreateWav;
        return result;
    }
    m_decoder.reset();

    result.pageCount = c.pageCount;
    const auto wavHead = wavHeader(c.format, announced);
    std::copy(h.begin(), h.end(), result.headers.begin());
    std::copy(wavHead.begin(), wavHead.end(), result.headers.begin() + kHeaderSize);
    m_conversion = std::move(c);
    return result;
}

WholeFileDecoder::Range WholeFileDecoder::decodePages(std::int64_t first, std::int64_t last) {
    Range result;
    if (!m_conversion) {
        result.status = Status::NotStarted;
        return result;
    }
    const Conversion& c = *m_conversion;
    InputFile in(c.zrcName.c_str());
    if (!in.isOpen()) {
        result.status = Status::CannotOpenRecording;
        return result;
    }
    OutputFile out = OutputFile::openExisting(c.wavName.c_str());
    WavConverter wav(m_decoder, out, c.format);
    if (!wav.resume()) {
        result.status = Status::CannotOpenWav;
        return result;
    }

    const std::int64_t lastPage = std::min<std::int64_t>(last, std::int64_t{c.pageCount} - 1);
    const bool any = first >= 0 && first <= lastPage;
    bool ok = !any || appendNativePages(in, wav, static_cast<std::uint64_t>(first),
                                        static_cast<std::uint64_t>(lastPage), c.rate, c.width);
    ok = wav.updateSizes() && ok;
    ok = out.close() && ok;
    if (!ok) {
        keepOnlyWholeSamples(c.wavName.c_str(), c.format);
        result.status = Status::CannotWriteWav;
        return result;
    }
    result.codesOfLastPage = any ? c.codesPerPage : 0;
    return result;
}

}  // namespace zrc
