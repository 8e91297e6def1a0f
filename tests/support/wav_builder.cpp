#include "wav_builder.h"

#include <algorithm>

#include "test_files.h"

namespace zrc::test {
namespace {

void put(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void putTag(std::vector<std::uint8_t>& out, const std::string& tag) {
    for (std::size_t i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(i < tag.size() ? tag[i] : ' '));
}
std::vector<std::uint8_t> fmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    std::vector<std::uint8_t> body;
    const std::uint32_t align = channels * ((bits + 7u) / 8u);
    put(body, tag, 2);
    put(body, channels, 2);
    put(body, rate, 4);
    put(body, rate * align, 4);
    put(body, align, 2);
    put(body, bits, 2);
    return body;
}

}  // namespace

WavBuilder& WavBuilder::format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    return chunk("fmt ", fmtBody(tag, channels, rate, bits));
}

WavBuilder& WavBuilder::extensible(std::uint16_t subTag, std::uint16_t channels, std::uint32_t rate,
                                   std::uint16_t containerBits, std::uint16_t validBits) {
    auto body = fmtBody(0xFFFE, channels, rate, containerBits);
    put(body, 22, 2);
    put(body, validBits, 2);
    put(body, channels == 2 ? 3 : 4, 4);  // channel mask
    put(body, subTag, 2);
    body.insert(body.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    return chunk("fmt ", body);
}

WavBuilder& WavBuilder::chunk(const std::string& id, const std::vector<std::uint8_t>& body) {
    putTag(m_chunks, id);
    put(m_chunks, static_cast<std::uint32_t>(body.size()), 4);
    m_chunks.insert(m_chunks.end(), body.begin(), body.end());
    if (body.size() % 2 != 0) m_chunks.push_back(0);
    return *this;
}

WavBuilder& WavBuilder::data(const std::vector<std::uint8_t>& samples, std::optional<std::uint32_t> declared) {
    putTag(m_chunks, "data");
    put(m_chunks, declared.value_or(static_cast<std::uint32_t>(samples.size())), 4);
    m_chunks.insert(m_chunks.end(), samples.begin(), samples.end());
    return *this;
}

WavBuilder& WavBuilder::data16(const std::vector<std::int16_t>& samples) {
    return data(WavFile::pcm16(0, samples).data);
}

std::vector<std::uint8_t> WavBuilder::bytes() const {
    std::vector<std::uint8_t> out;
    putTag(out, m_riff);
    put(out, static_cast<std::uint32_t>(4 + m_chunks.size()), 4);
    putTag(out, m_wave);
    out.insert(out.end(), m_chunks.begin(), m_chunks.end());
    return out;
}

WavFile WavFile::pcm16(std::uint32_t rate, const std::vector<std::int16_t>& samples) {
    WavFile w{rate, 1, 1, 16, {}};
    for (std::int16_t s : samples) put(w.data, static_cast<std::uint16_t>(s), 2);
    return w;
}

std::vector<std::int16_t> samplesOf16BitWav(const std::vector<std::uint8_t>& wav) {
    std::vector<std::int16_t> out;
    for (std::size_t k = 44; k + 1 < wav.size(); k += 2) out.push_back(static_cast<std::int16_t>(wav[k] | (wav[k + 1] << 8)));
    return out;
}

::testing::AssertionResult wavHeaderTrue(const std::vector<std::uint8_t>& wav, std::uint32_t rate, int bits) {
    if (wav.size() < 44) return ::testing::AssertionFailure() << "a file of " << wav.size() << " bytes";
    // The header a writer that knew the final size would have written.
    WavBuilder expected;
    expected.format(1, 1, rate, static_cast<std::uint16_t>(bits)).data({}, static_cast<std::uint32_t>(wav.size() - 44));
    auto header = expected.bytes();
    for (std::size_t i = 0; i < 4; ++i) header[4 + i] = static_cast<std::uint8_t>((wav.size() - 8) >> (8 * i));
    if (std::equal(header.begin(), header.end(), wav.begin())) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "header of a " << wav.size() << "-byte file: RIFF size " << le32At(wav, 4)
                                         << ", rate " << le32At(wav, 24) << ", byte rate " << le32At(wav, 28)
                                         << ", bits " << (wav[34] | wav[35] << 8) << ", data size " << le32At(wav, 40);
}

}  // namespace zrc::test
