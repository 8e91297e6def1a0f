// The cells the decoders store their blocks in. A block is the player's
// while it sits in its cell; once handed to the wave output, the wave output
// owns it and frees it. Whatever a cell still holds when the slots go was
// never handed over, and is freed with them, so no block leaks whichever way
// a run ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "corvid_api.h"

namespace zrc::player {

class BlockSlots {
public:
    // `count` empty cells; throws std::bad_alloc when they do not fit.
    explicit BlockSlots(std::size_t count);
    ~BlockSlots();
    BlockSlots(const BlockSlots&) = delete;
    BlockSlots& operator=(const BlockSlots&) = delete;

    std::size_t size() const { return m_cells.size(); }

    // The cell's address, as the decoders and the wave output take it.
    void** slot(std::size_t index) { return &m_cells.at(index); }

    // Frees the cell's block, if any, and empties the cell.
    void discard(std::size_t index);

    // Queues the cell's block with `length` bytes. The wave output owns it
    // from then on; when the wave output cannot be called the block is freed
    // here instead. The cell is empty afterwards either way.
    void handTo(CorvidApi& corvid, std::size_t index, std::int32_t length);

private:
    std::vector<void*> m_cells;
};

}  // namespace zrc::player
