#include "sound_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <stdexcept>
#include <vector>

#include "riff_wav.h"

namespace zrc::cli {

namespace {

// libsndfile reads the InputFile at a position of its own.
struct VirtualFile {
    InputFile* file;
    sf_count_t position = 0;
};

sf_count_t fileLength(void* user) { return static_cast<sf_count_t>(static_cast<VirtualFile*>(user)->file->size()); }

sf_count_t seekTo(sf_count_t offset, int whence, void* user) {
    auto* v = static_cast<VirtualFile*>(user);
    const sf_count_t base = whence == SEEK_CUR ? v->position : whence == SEEK_END ? fileLength(user) : 0;
    if (base + offset < 0) return -1;
    v->position = base + offset;
    return v->position;
}

sf_count_t readBytes(void* out, sf_count_t count, void* user) {
    auto* v = static_cast<VirtualFile*>(user);
    const sf_count_t length = fileLength(user);
    if (count <= 0 || v->position >= length) return 0;
    const auto n = static_cast<std::size_t>(std::min(count, length - v->position));
    // readAt pads what lies past the end; only the bytes the file gave count.
    const std::size_t got = v->file->readAt(static_cast<std::uint64_t>(v->position),
                                            std::span(static_cast<std::uint8_t*>(out), n));
    v->position += static_cast<sf_count_t>(got);
    return static_cast<sf_count_t>(got);
}

sf_count_t writeNothing(const void*, sf_count_t, void*) { return 0; }
sf_count_t tellPosition(void* user) { return static_cast<VirtualFile*>(user)->position; }

// Not const: sf_open_virtual takes it by a plain pointer.
SF_VIRTUAL_IO inputFileIo = {fileLength, seekTo, readBytes, writeNothing, tellPosition};

// libsndfile's own name of the container, without its explanation:
// "AIFF (Apple/SGI)" -> "AIFF".
std::string containerName(int format) {
    switch (format & SF_FORMAT_TYPEMASK) {
        case SF_FORMAT_OGG:
            if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_VORBIS) return "Ogg Vorbis";
            if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS) return "Ogg Opus";
            return "Ogg";
        case SF_FORMAT_MPEG: return (format & SF_FORMAT_SUBMASK) == SF_FORMAT_MPEG_LAYER_III ? "MP3" : "MPEG audio";
        default: break;
    }
    SF_FORMAT_INFO info{};
    info.format = format & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || info.name == nullptr) return "audio";
    const std::string name = info.name;
    return name.substr(0, name.find(" ("));
}

std::string codingName(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8: return "8-bit";
        case SF_FORMAT_PCM_16: return "16-bit";
        case SF_FORMAT_PCM_24: return "24-bit";
        case SF_FORMAT_PCM_32: return "32-bit";
        case SF_FORMAT_FLOAT: return "32-bit float";
        case SF_FORMAT_DOUBLE: return "64-bit float";
        case SF_FORMAT_ULAW: return "μ-law";
        case SF_FORMAT_ALAW: return "A-law";
        case SF_FORMAT_IMA_ADPCM: return "IMA ADPCM";
        case SF_FORMAT_MS_ADPCM: return "MS ADPCM";
        default: return "";
    }
}

}  // namespace

std::string SoundFileFormat::describe() const {
    const std::string layout =
        channels == 1 ? "mono" : channels == 2 ? "stereo" : std::to_string(channels) + "-channel";
    return groupedDigits(sampleRate) + " Hz " + layout + " " + (coding.empty() ? "" : coding + " ") + name;
}

struct SoundFileReader::Open {
    VirtualFile file;
    SNDFILE* handle = nullptr;
    unsigned channels = 1;
    std::vector<float> frames;  // one block, interleaved
    ~Open() {
        if (handle != nullptr) sf_close(handle);
    }
};

std::optional<SoundFileFormat> readSoundFileFormat(InputFile& file) {
    VirtualFile v{&file};
    SF_INFO info{};
    SNDFILE* handle = sf_open_virtual(&inputFileIo, SFM_READ, &info, &v);
    if (handle == nullptr) return std::nullopt;
    sf_close(handle);
    if (info.channels <= 0 || info.samplerate <= 0 || info.frames < 0) return std::nullopt;
    SoundFileFormat format;
    format.name = containerName(info.format);
    format.coding = codingName(info.format);
    format.channels = static_cast<unsigned>(info.channels);
    format.sampleRate = static_cast<std::uint32_t>(info.samplerate);
    format.frames = info.frames == SF_COUNT_MAX ? kUnknownFrames : static_cast<std::uint64_t>(info.frames);
    return format;
}

SoundFileReader::SoundFileReader(InputFile& file, unsigned channels) : m_open(std::make_unique<Open>()) {
    m_open->file = VirtualFile{&file};
    SF_INFO info{};
    m_open->handle = sf_open_virtual(&inputFileIo, SFM_READ, &info, &m_open->file);
    if (m_open->handle == nullptr || static_cast<unsigned>(info.channels) != channels) {
        throw std::runtime_error("the file no longer reads as it did");
    }
    m_open->channels = channels;
}

SoundFileReader::~SoundFileReader() = default;

std::size_t SoundFileReader::read(float* out, std::size_t frames) {
    const unsigned channels = m_open->channels;
    m_open->frames.resize(frames * channels);
    const sf_count_t got =
        std::max<sf_count_t>(0, sf_readf_float(m_open->handle, m_open->frames.data(), static_cast<sf_count_t>(frames)));
    const float perChannel = 1.0f / static_cast<float>(channels);
    const float* p = m_open->frames.data();
    for (sf_count_t f = 0; f < got; ++f) {
        float sum = 0;
        // As in a WAV file's mix, NaN and infinities count as silence.
        for (unsigned c = 0; c < channels; ++c, ++p) sum += std::isfinite(*p) ? *p : 0.0f;
        out[f] = sum * perChannel;
    }
    return static_cast<std::size_t>(got);
}

}  // namespace zrc::cli
