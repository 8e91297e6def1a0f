#include "wav_builder.h"

namespace zrc::test {

void putLe16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

namespace {
void putTag(std::vector<std::uint8_t>& out, const std::string& tag) {
    for (std::size_t i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(i < tag.size() ? tag[i] : ' '));
}
}  // namespace

WavBuilder& WavBuilder::format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    std::vector<std::uint8_t> body;
    const auto align = static_cast<std::uint16_t>(channels * ((bits + 7) / 8));
    putLe16(body, tag);
    putLe16(body, channels);
    putLe32(body, rate);
    putLe32(body, rate * align);
    putLe16(body, align);
    putLe16(body, bits);
    return chunk("fmt ", body);
}

WavBuilder& WavBuilder::chunk(const std::string& id, const std::vector<std::uint8_t>& body) {
    putTag(m_chunks, id);
    putLe32(m_chunks, static_cast<std::uint32_t>(body.size()));
    m_chunks.insert(m_chunks.end(), body.begin(), body.end());
    if (body.size() % 2 != 0) m_chunks.push_back(0);
    return *this;
}

WavBuilder& WavBuilder::data(const std::vector<std::uint8_t>& samples, std::optional<std::uint32_t> declared) {
    putTag(m_chunks, "data");
    putLe32(m_chunks, declared.value_or(static_cast<std::uint32_t>(samples.size())));
    m_chunks.insert(m_chunks.end(), samples.begin(), samples.end());
    return *this;
}

WavBuilder& WavBuilder::tags(const std::string& riff, const std::string& wave) {
    m_riff = riff;
    m_wave = wave;
    return *this;
}

std::vector<std::uint8_t> WavBuilder::bytes() const {
    std::vector<std::uint8_t> out;
    putTag(out, m_riff);
    putLe32(out, static_cast<std::uint32_t>(4 + m_chunks.size()));
    putTag(out, m_wave);
    out.insert(out.end(), m_chunks.begin(), m_chunks.end());
    return out;
}

std::vector<std::uint8_t> voiceWav(std::uint32_t rate, std::uint16_t bits, const std::vector<std::uint8_t>& samples,
                                   std::uint16_t channels) {
    return WavBuilder().format(1, channels, rate, bits).data(samples).bytes();
}

}  // namespace zrc::test
