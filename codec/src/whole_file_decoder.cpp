#include "whole_file_decoder.h"

#include <algorithm>

#include "input_file.h"
#include "output_file.h"
#include "page_conversion.h"
#include "wav_converter.h"
#include "wav_plan.h"

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
    c.pageCount = wholeFilePageCount(h, in.size());
    // Every page is read with the set the header mode names, whatever its
    // flag says.
    std::array<SetPages, 2> sets{};
    sets[mode == 1 ? 1 : 0] = {c.rate, c.width, c.pageCount, std::nullopt};
    const WavPlan plan = planWav(sampleSize, sets, mode == 1 ? 1 : 0);
    if (mode > 1 || !plan.native) {
        result.status = Status::UnsupportedRecording;
        return result;
    }
    c.format = plan.format;
    c.zrcName = zrcName;
    c.wavName = wavName != nullptr ? wavName : "";
    c.codesPerPage = plan.layout.codes;

    // Creating the WAV file over the recording would destroy the recording.
    if (isSameFile(zrcName, wavName) ||
        !createWavFile(wavName != nullptr ? c.wavName.c_str() : nullptr, c.format, plan.dataBytes)) {
        result.status = Status::CannotCreateWav;
        return result;
    }
    m_decoder.reset();

    result.pageCount = c.pageCount;
    const auto wavHead = wavHeader(c.format, plan.dataBytes);
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
    const std::int64_t lastPage = std::min<std::int64_t>(last, std::int64_t{c.pageCount} - 1);
    const bool any = first >= 0 && first <= lastPage;
    const WavAppend appended = appendToWavFile(c.wavName.c_str(), c.format, m_decoder, [&](WavConverter& wav) {
        return !any || appendNativePages(in, wav, static_cast<std::uint64_t>(first),
                                         static_cast<std::uint64_t>(lastPage), c.rate, c.width);
    });
    if (appended != WavAppend::Done) {
        result.status = appended == WavAppend::FileGone ? Status::CannotOpenWav : Status::CannotWriteWav;
        return result;
    }
    result.codesOfLastPage = any ? c.codesPerPage : 0;
    return result;
}

}  // namespace zrc
