#include "wave_output.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <span>

namespace zrc::corvid {

namespace {

// A caller queues its first data block right after the header, but polls
// between the two: a playback that has only its header must not read as
// over, or such a caller ends it before it starts. Half a second of device
// time is ample for that and still ends a header-only playback promptly.
std::uint64_t leadBytes(const StreamFormat& format) {
    return std::uint64_t{format.sampleRate} * format.frameBytes() / 2;
}

// 25 to 50 ms per device buffer (at least 256 frames): short enough that
// blocks count close to when they are heard.
std::uint16_t bufferFrames(std::uint32_t rate) {
    std::uint32_t frames = 256;
    while (frames * 2 <= rate / 20 && frames < 8192) frames *= 2;
    return static_cast<std::uint16_t>(frames);
}

SDL_AudioFormat sdlFormat(std::uint16_t bits) {
    switch (bits) {
        case 8: return AUDIO_U8;
        case 16: return AUDIO_S16LSB;
        default: return AUDIO_S32LSB;
    }
}

}  // namespace

WaveOutput::~WaveOutput() { destroy(); }

void WaveOutput::create() {
    destroy();
    m_phase = Phase::AwaitingHeader;
}

void WaveOutput::add(void* block, std::int32_t length) {
    if (block == nullptr) return;
    switch (m_phase) {
        case Phase::AwaitingHeader:
            start(block, length);
            return;
        case Phase::Playing: {
            SDL_LockAudioDevice(m_device);
            bool taken = true;
            try {
                m_queue.append(block, length > 0 ? static_cast<std::size_t>(length) : 0);
            } catch (...) {
                // Out of memory: the block is dropped unheard, but not leaked
                // nor freed under an entry that still plays it.
                taken = m_queue.holds(block);
            }
            m_queue.releaseConsumed();
            SDL_UnlockAudioDevice(m_device);
            if (!taken) std::free(block);
            return;
        }
        case Phase::Idle:
        case Phase::Over:
            std::free(block);
            return;
    }
}

void WaveOutput::start(void* header, std::int32_t length) {
    const std::int32_t bytes = length > 0 && length < kHeaderBytes ? length : kHeaderBytes;
    const auto format = streamFormatOf(
        std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(header), static_cast<std::size_t>(bytes)));
    std::free(header);
    m_phase = Phase::Over;
    if (!format) {
        if (!m_toldBadHeader) {
            std::fprintf(stderr,
                         "Corvid: the header block is not a RIFF/WAVE header with a playable PCM \"fmt \" "
                         "chunk; nothing is played\n");
            m_toldBadHeader = true;
        }
        return;
    }
    if (!openDevice(*format)) {
        if (!m_toldNoDevice) {
            std::fprintf(stderr, "Corvid: no audio device could be opened (%s); nothing is played\n",
                         SDL_GetError());
            m_toldNoDevice = true;
        }
        return;
    }
    m_phase = Phase::Playing;
    SDL_PauseAudioDevice(m_device, 0);
}

bool WaveOutput::openDevice(const StreamFormat& format) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    m_audioInitialised = true;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(format.sampleRate);
    want.format = sdlFormat(format.bitsPerSample);
    want.channels = static_cast<Uint8>(format.channels);
    want.samples = bufferFrames(format.sampleRate);
    want.callback = &WaveOutput::feed;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts our format to whatever the hardware
    // takes, so the callback always sees the stream as announced.
    m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (m_device == 0) return false;
    m_silence = have.silence;
    m_leadBytes = leadBytes(format);
    return true;
}

void WaveOutput::feed(void* self, std::uint8_t* stream, int len) {
    auto* out = static_cast<WaveOutput*>(self);
    out->m_queue.fill(std::span(stream, static_cast<std::size_t>(std::max(len, 0))), out->m_silence);
}

std::int32_t WaveOutput::nowPlaying() {
    if (m_phase != Phase::Playing) return -2;
    SDL_LockAudioDevice(m_device);
    m_queue.releaseConsumed();
    const bool over = m_queue.drained() && m_queue.bytesDelivered() >= m_leadBytes;
    const std::uint64_t played = m_queue.blocksPlayed();
    SDL_UnlockAudioDevice(m_device);
    if (over) return -2;
    return static_cast<std::int32_t>(std::min<std::uint64_t>(played, std::numeric_limits<std::int32_t>::max()));
}

void WaveOutput::stop() {
    if (m_phase == Phase::Playing) {
        SDL_LockAudioDevice(m_device);
        m_queue.clear();
        SDL_UnlockAudioDevice(m_device);
    }
    if (m_phase != Phase::Idle) m_phase = Phase::Over;
}

void WaveOutput::destroy() {
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);  // joins the audio thread
        m_device = 0;
    }
    m_queue.clear();
    if (m_audioInitialised) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_audioInitialised = false;
    }
    m_phase = Phase::Idle;
}

}  // namespace zrc::corvid
