// Speech samples into a file of one of the shared formats, through
// libsndfile, at the rate the format asks for (libsoxr changes it).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "sound_format.h"

namespace zrc::sound {

// Where a file's bytes go. Encoders come back to the start when they know
// the length (FLAC's stream info, MP3's tag), so a sink takes writes at any
// offset up to its end.
class SoundSink {
public:
    virtual ~SoundSink() = default;
    virtual bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
    virtual std::uint64_t size() const = 0;
};

// A file descriptor opened for writing; not closed here.
class DescriptorSink : public SoundSink {
public:
    explicit DescriptorSink(int fd) : m_fd(fd) {}
    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
    std::uint64_t size() const override { return m_size; }
    int error() const { return m_error; }  // errno of the first failed write

private:
    int m_fd;
    std::uint64_t m_size = 0;
    int m_error = 0;
};

struct SoundSettings {
    SoundFormat format = SoundFormat::Flac;
    int bits = 16;        // 8 only where the format holds it
    int rate = 0;         // the file's rate; 0: rateFor() the samples' rate
    int quality = kDefaultQuality;  // lossy formats only
};

class SoundWriter {
public:
    // Starts a file of the settings in sink for mono samples at inputRate.
    // Check ok() before writing.
    SoundWriter(SoundSink& sink, int inputRate, const SoundSettings& settings);
    ~SoundWriter();
    SoundWriter(const SoundWriter&) = delete;
    SoundWriter& operator=(const SoundWriter&) = delete;

    bool ok() const { return m_error.empty(); }
    // Why the file could not be started or written, in words.
    const std::string& error() const { return m_error; }
    int fileRate() const { return m_fileRate; }

    bool write(std::span<const std::int16_t> samples);
    // Gives the resampler's tail to the encoder and ends the file; false
    // when anything of it failed.
    bool finish();

private:
    bool encode(const std::int16_t* samples, std::size_t count);
    bool fail(const std::string& what);

    struct Handles;
    std::unique_ptr<Handles> m_handles;
    int m_fileRate = 0;
    std::string m_error;
};

}  // namespace zrc::sound
