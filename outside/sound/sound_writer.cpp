#include "sound_writer.h"

#include <sndfile.h>
#include <soxr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace zrc::sound {

bool DescriptorSink::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (m_error == 0) m_error = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    m_size = std::max(m_size, offset + bytes.size());
    return true;
}

namespace {

// libsndfile's view of a sink: a file it writes at a position of its own.
struct SinkFile {
    SoundSink& sink;
    std::uint64_t position = 0;
    bool failed = false;
};

sf_count_t sinkLength(void* user) { return static_cast<sf_count_t>(static_cast<SinkFile*>(user)->sink.size()); }

sf_count_t sinkSeek(sf_count_t offset, int whence, void* user) {
    auto* f = static_cast<SinkFile*>(user);
    const auto base = whence == SEEK_SET   ? 0
                      : whence == SEEK_CUR ? static_cast<sf_count_t>(f->position)
                                           : static_cast<sf_count_t>(f->sink.size());
    if (base + offset < 0) return -1;
    f->position = static_cast<std::uint64_t>(base + offset);
    return base + offset;
}

// Nothing is read back from a file being written.
sf_count_t sinkRead(void*, sf_count_t, void*) { return 0; }

sf_count_t sinkWrite(const void* data, sf_count_t count, void* user) {
    auto* f = static_cast<SinkFile*>(user);
    // A gap before the bytes would be bytes nobody wrote.
    if (f->failed || f->position > f->sink.size() ||
        !f->sink.writeAt(f->position, std::span(static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(count)))) {
        f->failed = true;
        return 0;
    }
    f->position += static_cast<std::uint64_t>(count);
    return count;
}

sf_count_t sinkTell(void* user) { return static_cast<sf_count_t>(static_cast<SinkFile*>(user)->position); }

int majorFormat(SoundFormat format, int bits) {
    switch (format) {
        case SoundFormat::Wav: return SF_FORMAT_WAV | (bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
        case SoundFormat::Flac: return SF_FORMAT_FLAC | (bits == 8 ? SF_FORMAT_PCM_S8 : SF_FORMAT_PCM_16);
        case SoundFormat::Ogg: return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        case SoundFormat::Opus: return SF_FORMAT_OGG | SF_FORMAT_OPUS;
        case SoundFormat::Mp3: return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    }
    return 0;
}

// libsndfile counts compression, the inverse of quality, from 0 to 1. Its
// Opus scale runs from 7 to 240 kbit/s, far past what speech needs, so the
// quality steps use its lowest quarter: 7 to 65 kbit/s. Vorbis and MP3 run
// from about 20 to 55 kbit/s over the whole scale on the recorder's speech.
double compressionLevel(SoundFormat format, int quality) {
    const double q = std::clamp(quality, 0, kMaxQuality) / static_cast<double>(kMaxQuality);
    return format == SoundFormat::Opus ? 1.0 - q / 4 : 1.0 - q;
}

}  // namespace

struct SoundWriter::Handles {
    explicit Handles(SoundSink& sink) : file{sink} {}
    ~Handles() {
        if (sndfile != nullptr) sf_close(sndfile);
        if (resampler != nullptr) soxr_delete(resampler);
    }
    SinkFile file;
    SF_VIRTUAL_IO io{sinkLength, sinkSeek, sinkRead, sinkWrite, sinkTell};
    SNDFILE* sndfile = nullptr;
    soxr_t resampler = nullptr;
    std::vector<std::int16_t> resampled;
};

SoundWriter::SoundWriter(SoundSink& sink, int inputRate, const SoundSettings& settings)
    : m_handles(std::make_unique<Handles>(sink)) {
    const FormatTraits& traits = traitsOf(settings.format);
    if (settings.bits == 8 && !traits.holds8Bit) {
        fail(std::string(traits.title) + " files have no 8-bit samples");
        return;
    }
    m_fileRate = rateFor(settings.format, settings.rate > 0 ? settings.rate : inputRate);
    SF_INFO info{};
    info.samplerate = m_fileRate;
    info.channels = 1;
    info.format = majorFormat(settings.format, settings.bits);
    m_handles->sndfile = sf_open_virtual(&m_handles->io, SFM_WRITE, &info, &m_handles->file);
    if (m_handles->sndfile == nullptr) {
        fail("cannot write " + std::string(traits.title) + " at " + std::to_string(m_fileRate) + " Hz (" +
             sf_strerror(nullptr) + ")");
        return;
    }
    if (traits.lossy) {
        double level = compressionLevel(settings.format, settings.quality);
        sf_command(m_handles->sndfile, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    }
    if (m_fileRate != inputRate) {
        soxr_error_t error = nullptr;
        // Without dither the same recording always gives the same samples (Ogg
        // files still differ in their random stream serial number).
        soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
        io.flags |= SOXR_NO_DITHER;
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        m_handles->resampler = soxr_create(inputRate, m_fileRate, 1, &error, &io, &quality, nullptr);
        // The resampler gives what it has in blocks of this many samples.
        m_handles->resampled.resize(8192);
        if (error != nullptr) fail(std::string("cannot change the rate: ") + error);
    }
}

SoundWriter::~SoundWriter() = default;

bool SoundWriter::fail(const std::string& what) {
    if (m_error.empty()) m_error = what;
    return false;
}

bool SoundWriter::encode(const std::int16_t* samples, std::size_t count) {
    if (count == 0) return true;
    if (sf_write_short(m_handles->sndfile, samples, static_cast<sf_count_t>(count)) != static_cast<sf_count_t>(count) ||
        m_handles->file.failed) {
        return fail("the file could not be written");
    }
    return true;
}

bool SoundWriter::write(std::span<const std::int16_t> samples) {
    if (!ok()) return false;
    soxr_t resampler = m_handles->resampler;
    if (resampler == nullptr) return encode(samples.data(), samples.size());
    std::vector<std::int16_t>& out = m_handles->resampled;
    std::size_t used = 0;
    while (used < samples.size()) {
        std::size_t taken = 0, given = 0;
        soxr_process(resampler, samples.data() + used, samples.size() - used, &taken, out.data(), out.size(), &given);
        used += taken;
        if (!encode(out.data(), given)) return false;
        if (taken == 0 && given == 0) break;
    }
    return true;
}

bool SoundWriter::finish() {
    if (!ok()) return false;
    if (soxr_t resampler = m_handles->resampler) {
        // libsoxr ends the stream at the samples' duration, to the nearest
        // sample at the file's rate.
        std::vector<std::int16_t>& out = m_handles->resampled;
        for (std::size_t given = 1; given > 0;) {
            soxr_process(resampler, nullptr, 0, nullptr, out.data(), out.size(), &given);
            if (!encode(out.data(), given)) return false;
        }
    }
    // Closing writes what the encoder held back and the header's lengths.
    const int closed = sf_close(m_handles->sndfile);
    m_handles->sndfile = nullptr;
    if (closed != 0 || m_handles->file.failed) return fail("the file could not be written");
    return true;
}

}  // namespace zrc::sound
