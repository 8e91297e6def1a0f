// The data blocks of one playback, in play order, as the audio callback
// consumes them. Not synchronised: the owner locks the audio device around
// every call made off the audio thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

namespace zrc::corvid {

class BlockQueue {
public:
    BlockQueue() = default;
    ~BlockQueue();
    BlockQueue(const BlockQueue&) = delete;
    BlockQueue& operator=(const BlockQueue&) = delete;

    // Takes ownership of a calloc block (released with free) holding length
    // bytes to play after everything appended before. When it throws, the
    // queue is as before and the block is still the caller's.
    void append(void* block, std::size_t length);

    // Audio thread: fills out with the next queued bytes and pads it with
    // silence once the queue runs dry. Returns the bytes taken from blocks.
    std::size_t fill(std::span<std::uint8_t> out, std::uint8_t silence);

    // Blocks played completely. A block counts from the fill after the one
    // that took its last byte: by then the buffer holding that byte has gone
    // to the device, which asked for more.
    std::uint64_t blocksPlayed() const { return m_played; }

    // Nothing left to deliver and every delivered block counted as played.
    bool drained() const { return m_next == m_entries.size() && m_played == m_consumed; }

    // Every byte fill has written, blocks and silence alike.
    std::uint64_t bytesDelivered() const { return m_delivered; }

    // Frees the blocks fill has finished with, so a long playback holds only
    // what is still to be heard.
    void releaseConsumed();

    // Frees every block still held and starts over, empty, all counts 0.
    void clear();

    // Distinct blocks still held (not yet freed).
    std::size_t blocksHeld() const { return m_owners.size(); }
    bool holds(const void* block) const { return m_owners.contains(block); }

private:
    struct Entry {
        const std::uint8_t* data;
        std::size_t length;
    };
    void release(const Entry& entry);

    std::vector<Entry> m_entries;
    std::size_t m_released = 0;    // m_entries[0, m_released) are freed
    std::size_t m_next = 0;        // entry fill reads now
    std::size_t m_offset = 0;      // bytes of it already taken
    std::uint64_t m_consumed = 0;  // blocks whose last byte fill has taken
    std::uint64_t m_played = 0;    // m_consumed as the latest fill began
    std::uint64_t m_delivered = 0;
    // A block handed over twice plays twice and is freed once, after its
    // last entry is done.
    std::unordered_map<const void*, std::uint32_t> m_owners;
};

}  // namespace zrc::corvid
