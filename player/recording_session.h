// The current recording: its description, its page type table and its
// total time. Opening, the command-line start, a playback start and a
// conversion start all load it here, and nothing else writes it.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "pagecodec.h"
#include "pagecodec_api.h"

namespace zrc::player {

class RecordingSession {
public:
    enum class Load {
        Loaded,
        CannotOpen,    // the file cannot be opened, or PageCodec cannot be called
        NotRecording,  // the file is no recording the player can hold
        NoPages,       // a recording of no pages: its description is taken, its table is not
        TooLarge,      // its table does not fit in memory
    };

    explicit RecordingSession(PageCodecApi& pageCodec) : m_pageCodec(pageCodec) {}

    // Reads the header and the page types of `fileName`. A file that is no
    // recording leaves everything as it was; its record of 1s or 13s would
    // read as pages.
    Load load(const QString& fileName);

    // The slot of the message table whose prompt reports a failed load.
    static int promptSlot(Load result) { return result == Load::NotRecording ? 3 : 2; }

    // Replaces the stored page counts of the description by the counts of
    // the table, as a conversion announces them to the decoder.
    void countPageTypes();

    // Milliseconds of pages 0 to `page` inclusive; 0 at page 0 or without a
    // table. A page past the table counts as its last one. Empty when
    // PageCodec cannot be called.
    std::optional<std::int32_t> elapsedMs(std::int32_t page) const;
    // Milliseconds of every page; empty without pages or PageCodec.
    std::optional<std::int32_t> totalMs() const;
    void setTotalTime(const QString& text) { m_totalTimeText = text; }

    const RecordingInfo& info() const { return m_info; }
    std::int32_t pageCount() const { return m_pageCount; }
    const std::vector<std::uint8_t>& pageTypes() const { return m_pageTypes; }
    const QString& totalTimeText() const { return m_totalTimeText; }

private:
    PageCodecApi& m_pageCodec;
    RecordingInfo m_info{};
    std::int32_t m_pageCount = 0;
    std::vector<std::uint8_t> m_pageTypes;  // sized to the recording, however long
    QString m_totalTimeText;
};

}  // namespace zrc::player
