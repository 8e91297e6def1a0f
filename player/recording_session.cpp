#include "recording_session.h"

#include <algorithm>
#include <new>

#include "open_rules.h"

namespace zrc::player {

RecordingSession::Load RecordingSession::load(const QString& fileName) {
    const QByteArray name = libraryFileName(fileName);
    const std::optional<RecordingInfo> found = m_pageCodec.play_splpget(name.constData());
    switch (recordingStatus(found)) {
    case RecordingStatus::Recording:
        break;
    case RecordingStatus::CannotOpen:
        return Load::CannotOpen;
    case RecordingStatus::NotRecording:
        return Load::NotRecording;
    }
    if (found->pageCount == 0) {
        m_info = *found;
        m_pageCount = 0;
        return Load::NoPages;
    }
    std::vector<std::uint8_t> table;
    try {
        table.assign(found->pageCount, 0);
    } catch (const std::bad_alloc&) {
        return Load::TooLarge;
    }
    m_pageCodec.pb_splptblmk(name.constData(), table.data(), found->pageCount);
    m_info = *found;
    m_pageCount = static_cast<std::int32_t>(found->pageCount);
    m_pageTypes = std::move(table);
    return Load::Loaded;
}

void RecordingSession::countPageTypes() {
    std::uint32_t counted[2] = {m_info.storedPages0, m_info.storedPages1};
    if (m_pageCodec.splp_pageno(m_pageTypes.data(), counted, static_cast<std::uint32_t>(m_pageCount))) {
        m_info.storedPages0 = counted[0];
        m_info.storedPages1 = counted[1];
    }
}

std::optional<std::int32_t> RecordingSession::elapsedMs(std::int32_t page) const {
    if (page <= 0 || m_pageTypes.empty()) return 0;
    // The sum never reads past the table, whatever the slider says.
    const auto last = std::min(static_cast<std::size_t>(page), m_pageTypes.size() - 1);
    return m_pageCodec.get_time(m_pageTypes.data(), static_cast<std::uint32_t>(last), m_info.pageMs0,
                                m_info.pageMs1);
}

std::optional<std::int32_t> RecordingSession::totalMs() const {
    if (m_pageCount == 0) return std::nullopt;
    return m_pageCodec.get_time(m_pageTypes.data(), static_cast<std::uint32_t>(m_pageCount - 1), m_info.pageMs0,
                                m_info.pageMs1);
}

}  // namespace zrc::player
