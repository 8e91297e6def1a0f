// One playback at a time over an SDL audio device: a header block chooses
// the format and opens the device, data blocks follow in order.
#pragma once

#include <cstdint>

#include "block_queue.h"
#include "stream_format.h"

namespace zrc::corvid {

class WaveOutput {
public:
    WaveOutput() = default;
    ~WaveOutput();
    WaveOutput(const WaveOutput&) = delete;
    WaveOutput& operator=(const WaveOutput&) = delete;

    // Ends any playback and waits for a header block.
    void create();

    // Takes ownership of block (a calloc block; null is ignored). The first
    // block after create is the header and is read, up to headerBytes; every
    // later one is length bytes of data. A block that has no playback to go
    // to is freed at once.
    void add(void* block, std::int32_t length);

    // -2 when no playback is running or everything queued has been heard;
    // otherwise the data blocks played completely.
    std::int32_t nowPlaying();

    // Drops everything queued; the playback is over.
    void stop();

    // Closes the device and frees every block still held.
    void destroy();

    // Header blocks are 100 bytes; a smaller positive length narrows the read.
    static constexpr std::int32_t kHeaderBytes = 100;

private:
    enum class Phase { Idle, AwaitingHeader, Playing, Over };

    void start(void* header, std::int32_t length);
    bool openDevice(const StreamFormat& format);
    static void feed(void* self, std::uint8_t* stream, int len);

    Phase m_phase = Phase::Idle;
    bool m_audioInitialised = false;
    std::uint32_t m_device = 0;
    std::uint8_t m_silence = 0;
    std::uint64_t m_leadBytes = 0;
    BlockQueue m_queue;
    bool m_toldNoDevice = false;
    bool m_toldBadHeader = false;
};

}  // namespace zrc::corvid
