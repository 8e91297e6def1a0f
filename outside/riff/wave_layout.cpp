#include "wave_layout.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zrc::riff {

std::size_t SpanSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (offset >= m_bytes.size()) return 0;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), m_bytes.size() - offset));
    std::memcpy(out.data(), m_bytes.data() + offset, n);
    return n;
}

namespace {

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool tagIs(const std::uint8_t* p, const char (&tag)[5]) { return std::memcmp(p, tag, 4) == 0; }

// The GUID of an extensible format ends in these 14 bytes for every format
// that has a plain tag; the tag itself is its first two bytes.
constexpr std::array<std::uint8_t, 14> kGuidTail{0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

PcmFormat parseFormat(std::span<const std::uint8_t> body) {
    PcmFormat f;
    f.formatTag = le16(&body[0]);
    f.channels = le16(&body[2]);
    f.sampleRate = le32(&body[4]);
    f.blockAlign = le16(&body[12]);
    f.bitsPerSample = le16(&body[14]);
    if (f.formatTag == kFormatExtensible) {
        const bool tagged = body.size() >= 40 && std::equal(kGuidTail.begin(), kGuidTail.end(), &body[26]);
        // An extensible format without a recognisable sub-format stays
        // extensible, which no caller takes for PCM.
        f.unknownSubFormat = !tagged;
        if (tagged) {
            f.formatTag = le16(&body[24]);
            f.validBits = le16(&body[18]);
        }
    }
    return f;
}

}  // namespace

WaveLayout scanWave(ByteSource& source) {
    WaveLayout layout;
    std::array<std::uint8_t, 12> head{};
    if (source.readAt(0, head) < head.size()) return layout;
    layout.rf64 = tagIs(&head[0], "RF64");
    if (!tagIs(&head[0], "RIFF") || !tagIs(&head[8], "WAVE")) return layout;
    layout.riffWave = true;

    // Streaming writers leave the RIFF size at a placeholder, so the end of
    // the source, not the size the RIFF header states, bounds the walk.
    const std::uint64_t end = source.size();
    std::uint64_t pos = head.size();
    while (pos + 8 <= end && !(layout.format && layout.data)) {
        std::array<std::uint8_t, 8> chunk{};
        if (source.readAt(pos, chunk) < chunk.size()) break;
        const std::uint32_t size = le32(&chunk[4]);
        const std::uint64_t body = pos + 8;
        // Chunk bodies are padded to an even length.
        const std::uint64_t next = body + size + (size & 1u);
        if (tagIs(&chunk[0], "fmt ") && !layout.format) {
            std::array<std::uint8_t, 40> fmt{};
            const std::size_t want = std::min<std::size_t>(size, fmt.size());
            const std::size_t got = size >= 16 ? source.readAt(body, std::span(fmt).first(want)) : 0;
            if (got >= 16) {
                layout.format = parseFormat(std::span<const std::uint8_t>(fmt).first(got));
            } else {
                layout.shortFormatFirst = true;
            }
        } else if (tagIs(&chunk[0], "data") && !layout.data) {
            layout.data = DataChunk{body, std::min<std::uint64_t>(size, end - body), size, end > next ? end - next : 0};
        }
        pos = next;
    }
    return layout;
}

}  // namespace zrc::riff
