#include "wav_input.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "zrc_format.h"

namespace zrc {

namespace {
constexpr std::size_t kHeadBytes = 36;
constexpr char kDataTag[] = {'d', 'a', 't', 'a'};
}  // namespace

void readHeaderFields(std::span<const std::uint8_t> head, WavInput& input) {
    std::array<std::uint8_t, kHeadBytes> h{};
    h.fill(0xFF);
    std::copy_n(head.begin(), std::min(head.size(), h.size()), h.begin());
    input.waveTag = std::memcmp(h.data() + 8, "WAVE", 4) == 0;
    input.pcmFormat = h[20] == 1 && h[21] == 0;
    input.channels = h[22];
    input.sampleRate = readLe32(h.data() + 24);
    input.bitsPerSample = h[34];
}

std::optional<std::size_t> findDataTag(std::span<const std::uint8_t> bytes) {
    const auto at = std::search(bytes.begin(), bytes.end(), std::begin(kDataTag), std::end(kDataTag));
    if (at == bytes.end()) return std::nullopt;
    return static_cast<std::size_t>(at - bytes.begin());
}

WavInput readWavInput(InputFile& file) {
    WavInput input;
    input.fileLength = file.size();

    // Large blocks, each overlapping the previous one by three bytes so that
    // a tag across a block boundary is still found.
    std::array<std::uint8_t, 16384> block{};
    std::uint64_t offset = 0;
    bool first = true;
    while (offset < input.fileLength) {
        const std::size_t got = file.readAt(offset, block);
        if (first) readHeaderFields(std::span(block.data(), got), input);
        first = false;
        if (const auto t = findDataTag(std::span(block.data(), got))) {
            input.dataTag = offset + *t;
            break;
        }
        if (got < 4 || offset + got >= input.fileLength) break;
        offset += got - 3;
    }
    if (first) readHeaderFields({}, input);

    if (input.dataTag) {
        std::array<std::uint8_t, 4> size{};
        const std::size_t got = file.readAt(*input.dataTag + 4, size);
        std::fill(size.begin() + static_cast<std::ptrdiff_t>(got), size.end(), std::uint8_t{0});
        input.dataSize = readLe32(size.data());
    }
    return input;
}

}  // namespace zrc
