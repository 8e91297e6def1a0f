#include "block_queue.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zrc::corvid {

BlockQueue::~BlockQueue() { clear(); }

void BlockQueue::append(void* block, std::size_t length) {
    m_entries.push_back({static_cast<const std::uint8_t*>(block), length});
    try {
        ++m_owners[block];
    } catch (...) {
        m_entries.pop_back();
        throw;
    }
}

std::size_t BlockQueue::fill(std::span<std::uint8_t> out, std::uint8_t silence) {
    m_played = m_consumed;
    std::size_t written = 0;
    while (m_next < m_entries.size()) {
        const Entry& e = m_entries[m_next];
        const std::size_t n = std::min(e.length - m_offset, out.size() - written);
        if (n > 0) std::memcpy(out.data() + written, e.data + m_offset, n);
        written += n;
        m_offset += n;
        if (m_offset < e.length) break;  // out is full
        ++m_next;
        ++m_consumed;
        m_offset = 0;
    }
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(written), out.end(), silence);
    m_delivered += out.size();
    return written;
}

void BlockQueue::release(const Entry& entry) {
    const auto it = m_owners.find(entry.data);
    if (it == m_owners.end()) return;
    if (--it->second == 0) {
        m_owners.erase(it);
        std::free(const_cast<std::uint8_t*>(entry.data));
    }
}

void BlockQueue::releaseConsumed() {
    for (; m_released < m_next; ++m_released) release(m_entries[m_released]);
    // Erase the freed front now and then, so a playback of many hours keeps
    // a short table and the erasing stays amortised.
    if (m_released >= 1024 && m_released * 2 >= m_entries.size()) {
        m_entries.erase(m_entries.begin(), m_entries.begin() + static_cast<std::ptrdiff_t>(m_released));
        m_next -= m_released;
        m_released = 0;
    }
}

void BlockQueue::clear() {
    for (std::size_t i = m_released; i < m_entries.size(); ++i) release(m_entries[i]);
    m_entries.clear();
    m_released = m_next = m_offset = 0;
    m_consumed = m_played = m_delivered = 0;
}

}  // namespace zrc::corvid
