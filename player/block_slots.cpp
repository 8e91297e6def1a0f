#include "block_slots.h"

#include <cstdlib>

namespace zrc::player {

BlockSlots::BlockSlots(std::size_t count) : m_cells(count, nullptr) {}

BlockSlots::~BlockSlots() {
    for (void* block : m_cells) std::free(block);
}

void BlockSlots::discard(std::size_t index) {
    void*& cell = m_cells.at(index);
    std::free(cell);
    cell = nullptr;
}

void BlockSlots::handTo(CorvidApi& corvid, std::size_t index, std::int32_t length) {
    void*& cell = m_cells.at(index);
    if (corvid.WavAddPlayData(&cell, length)) {
        // The wave output reads the block in place and frees it; the cell
        // must not keep a pointer the wave output may already have freed.
        cell = nullptr;
    } else {
        discard(index);
    }
}

}  // namespace zrc::player
