#include "recording_stream.h"

#include <algorithm>

#include "page_access.h"
#include "page_conversion.h"
#include "unpack.h"

namespace zrc::gst {

std::optional<std::uint64_t> playablePages(std::span<const std::uint8_t> header,
                                           std::optional<std::uint64_t> fileLength) {
    // A stream of unknown length holds at least the header it showed.
    if (!isConformingHeader(header, fileLength.value_or(kHeaderSize))) return std::nullopt;
    const std::uint64_t announced = readLe32(header.data() + header::kDataSize) / kPageSize;
    if (!fileLength) return announced;
    return std::min(announced, (*fileLength - kHeaderSize) / kPageSize);
}

RecordingStream::RecordingStream(std::span<const std::uint8_t, kHeaderSize> header, std::uint64_t pages,
                                 std::vector<std::uint8_t> pageTypes, int firstPageType)
    : m_info(recordingInfoFromHeader(header, kHeaderSize + pages * kPageSize)),
      m_pages(pages),
      m_types(std::move(pageTypes)),
      m_uniformType(firstPageType & 1) {
    if (m_types.size() != m_pages) m_types.clear();
    std::array<std::uint64_t, 2> byType{};
    if (m_types.empty()) {
        byType[static_cast<std::size_t>(m_uniformType)] = m_pages;
    } else {
        byType = countPageTypes(m_types);
    }
    m_plan = planRecordingWav(2, m_info, header[header::kMode], byType);
    for (int t = 0; t < 2; ++t) m_samplesPerPage[static_cast<std::size_t>(t)] = plannedPageSamples(m_plan, m_info, t);
    m_decoder.reset();
}

int RecordingStream::typeOf(std::uint64_t page) const {
    return m_types.empty() ? m_uniformType : m_types[page];
}

std::size_t RecordingStream::pageSamples(std::uint64_t page) const {
    return m_samplesPerPage[static_cast<std::size_t>(typeOf(page))];
}

std::uint64_t RecordingStream::samplesBefore(std::uint64_t page) const {
    page = std::min(page, m_pages);
    if (m_types.empty()) return page * m_samplesPerPage[static_cast<std::size_t>(m_uniformType)];
    const auto ones = static_cast<std::uint64_t>(std::count(m_types.begin(), m_types.begin() + static_cast<std::ptrdiff_t>(page), 1));
    return (page - ones) * m_samplesPerPage[0] + ones * m_samplesPerPage[1];
}

std::uint64_t RecordingStream::pageAt(std::uint64_t sample) const {
    if (m_pages == 0) return 0;
    if (m_types.empty()) {
        const std::size_t per = m_samplesPerPage[static_cast<std::size_t>(m_uniformType)];
        return per == 0 ? 0 : std::min(sample / per, m_pages - 1);
    }
    std::uint64_t start = 0;
    for (std::uint64_t page = 0; page < m_pages; ++page) {
        start += m_samplesPerPage[m_types[page]];
        if (sample < start) return page;
    }
    return m_pages - 1;
}

std::uint32_t RecordingStream::codeBitrate() const {
    int type = m_plan.native ? m_plan.setIndex : m_uniformType;
    if (!m_types.empty() && !m_plan.native) {
        const auto byType = countPageTypes(m_types);
        type = byType[1] > byType[0] ? 1 : 0;
    }
    const ParameterSet s = setOf(m_info, type);
    const std::size_t samples = m_samplesPerPage[static_cast<std::size_t>(type)];
    if (samples == 0) return 0;
    const auto bits = static_cast<std::uint64_t>(unpackedCodeCount(s.width, s.payloadBytes, s.payloadBits)) *
                      static_cast<std::uint64_t>(s.width);
    return static_cast<std::uint32_t>(bits * sampleRate() / samples);
}

std::size_t RecordingStream::decodePage(std::span<const std::uint8_t, kPageSize> page, std::int16_t* out) {
    return decodePlannedPage(m_decoder, m_plan, m_info, page, out);
}

std::optional<AdpcmState> RecordingStream::stateAfterRunUp(std::uint64_t page, std::uint64_t runUp,
                                                           const PageReader& read) {
    Decoder decoder;
    decoder.reset();
    constexpr std::uint64_t kPagesPerRead = 64;
    std::vector<std::uint8_t> pages(std::min(runUp, kPagesPerRead) * kPageSize);
    std::array<std::int16_t, kMaxPlaybackSamples> discarded{};
    for (std::uint64_t first = page - runUp; first < page; first += kPagesPerRead) {
        const std::uint64_t n = std::min(kPagesPerRead, page - first);
        if (!read(first, std::span(pages.data(), n * kPageSize))) return std::nullopt;
        for (std::uint64_t i = 0; i < n; ++i) {
            decodePlannedPage(decoder, m_plan, m_info,
                              std::span<const std::uint8_t, kPageSize>(pages.data() + i * kPageSize, kPageSize),
                              discarded.data());
        }
    }
    return decoder.state();
}

std::optional<std::uint64_t> RecordingStream::startAt(std::uint64_t page, const PageReader& read,
                                                     std::uint64_t earliest) {
    page = std::min(page, m_pages);
    const std::uint64_t reach = page - std::min(earliest, page);
    std::uint64_t runUp = std::min(kRunUpPages, reach);
    auto state = stateAfterRunUp(page, runUp, read);
    // A run-up from the first page is the whole decode: nothing to compare.
    while (state && runUp < reach) {
        const std::uint64_t longer = std::min(2 * runUp, reach);
        const auto check = stateAfterRunUp(page, longer, read);
        if (!check) return std::nullopt;
        const bool met = *check == *state;
        state = check;
        if (met) break;
        runUp = longer;
    }
    if (!state) return std::nullopt;
    m_decoder.setState(*state);
    return runUp;
}

}  // namespace zrc::gst
