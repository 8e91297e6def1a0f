#include "zrc_dec.h"

#include <gst/audio/audio.h>
#include <gst/base/gstadapter.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "recording_stream.h"
#include "wav_format.h"
#include "zrc_format.h"

GST_DEBUG_CATEGORY_STATIC(zrc_dec_debug);
#define GST_CAT_DEFAULT zrc_dec_debug

namespace {

using zrc::kHeaderSize;
using zrc::kPageSize;
using zrc::gst::RecordingStream;

// Bytes a push stream waits for before it can plan: the header and the
// first page's flag, which names the set when the pages cannot be counted.
constexpr std::size_t kBytesToPlan = kHeaderSize + zrc::kPageFlagOffset + 1;
// Page flags read in one pull while the pages are counted.
constexpr std::uint64_t kPagesPerScan = 2048;

// What the streaming thread owns; the queries read only the Shown part,
// under the object lock.
struct Shown {
    std::uint32_t rate = 0;  // 0 until the recording is known
    std::uint64_t totalSamples = 0;
    std::uint64_t position = 0;  // samples
    bool seekable = false;
};

struct DecState {
    std::optional<RecordingStream> stream;
    bool pull = false;
    std::uint64_t nextPage = 0;
    std::uint64_t position = 0;  // first sample of nextPage
    GstSegment segment{};
    bool needSegment = true;
    bool discont = true;
    guint32 segmentSeqnum = GST_SEQNUM_INVALID;
    GstAdapter* adapter = nullptr;
    Shown shown;
    // A seek in push mode: upstream asked to start at page `from`, the run-up
    // to `page`. Pending (under the object lock) until upstream's segment at
    // that byte comes; then its pages gather in runUpPages up to `page`.
    struct PushSeek {
        std::uint64_t page = 0;
        std::uint64_t from = 0;
        GstSegment segment{};
        guint32 seqnum = GST_SEQNUM_INVALID;
    };
    std::optional<PushSeek> pendingSeek;
    std::optional<PushSeek> runningUp;
    std::vector<std::uint8_t> runUpPages;
};

}  // namespace

struct ZrcDec {
    GstElement parent;
    GstPad* sinkpad;
    GstPad* srcpad;
    DecState* state;
};

struct ZrcDecClass {
    GstElementClass parent_class;
};

// GObject's type boilerplate is C, casts and all.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
G_DEFINE_TYPE(ZrcDec, zrc_dec, GST_TYPE_ELEMENT)
#pragma GCC diagnostic pop

namespace {

ZrcDec* asDec(GstObject* parent) { return reinterpret_cast<ZrcDec*>(parent); }

GstStaticPadTemplate sinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("audio/x-zrc"));
GstStaticPadTemplate srcTemplate = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("audio/x-raw, format = (string) S16LE, layout = (string) interleaved, "
                    "rate = (int) { 8000, 11025 }, channels = (int) 1"));

GstClockTime samplesToTime(const DecState& s, std::uint64_t samples) {
    return gst_util_uint64_scale_int(samples, GST_SECOND, static_cast<gint>(s.stream->sampleRate()));
}

void resetState(ZrcDec* self) {
    DecState& s = *self->state;
    s.stream.reset();
    s.nextPage = 0;
    s.position = 0;
    gst_segment_init(&s.segment, GST_FORMAT_TIME);
    s.needSegment = true;
    s.discont = true;
    s.segmentSeqnum = GST_SEQNUM_INVALID;
    gst_adapter_clear(s.adapter);
    s.runningUp.reset();
    s.runUpPages.clear();
    GST_OBJECT_LOCK(self);
    s.shown = {};
    s.pendingSeek.reset();
    GST_OBJECT_UNLOCK(self);
}

void showPosition(ZrcDec* self) {
    GST_OBJECT_LOCK(self);
    self->state->shown.position = self->state->position;
    GST_OBJECT_UNLOCK(self);
}

bool upstreamSeeksBytes(ZrcDec* self) {
    GstQuery* query = gst_query_new_seeking(GST_FORMAT_BYTES);
    gboolean seekable = FALSE;
    if (gst_pad_peer_query(self->sinkpad, query)) gst_query_parse_seeking(query, nullptr, &seekable, nullptr, nullptr);
    gst_query_unref(query);
    return seekable != FALSE;
}

// Stream start, caps and tags: once, when the recording is known.
void announce(ZrcDec* self) {
    DecState& s = *self->state;
    gchar* id = gst_pad_create_stream_id(self->srcpad, GST_ELEMENT_CAST(self), nullptr);
    GstEvent* start = gst_event_new_stream_start(id);
    g_free(id);
    gst_event_set_group_id(start, gst_util_group_id_next());
    gst_pad_push_event(self->srcpad, start);

    GstAudioInfo info;
    gst_audio_info_set_format(&info, GST_AUDIO_FORMAT_S16LE, static_cast<gint>(s.stream->sampleRate()), 1, nullptr);
    GstCaps* caps = gst_audio_info_to_caps(&info);
    gst_pad_push_event(self->srcpad, gst_event_new_caps(caps));
    gst_caps_unref(caps);

    GstTagList* tags = gst_tag_list_new(GST_TAG_AUDIO_CODEC, "G.726 ADPCM", GST_TAG_CONTAINER_FORMAT, "ZRC", nullptr);
    if (const guint bitrate = s.stream->codeBitrate(); bitrate > 0) {
        gst_tag_list_add(tags, GST_TAG_MERGE_REPLACE, GST_TAG_BITRATE, bitrate, nullptr);
    }
    gst_pad_push_event(self->srcpad, gst_event_new_tag(tags));

    const bool seekable = s.pull || upstreamSeeksBytes(self);
    GST_OBJECT_LOCK(self);
    s.shown.rate = s.stream->sampleRate();
    s.shown.totalSamples = s.stream->totalSamples();
    s.shown.seekable = seekable;
    GST_OBJECT_UNLOCK(self);
}

void pushSegmentIfNeeded(ZrcDec* self) {
    DecState& s = *self->state;
    if (!s.needSegment) return;
    GstEvent* event = gst_event_new_segment(&s.segment);
    if (s.segmentSeqnum != GST_SEQNUM_INVALID) gst_event_set_seqnum(event, s.segmentSeqnum);
    gst_pad_push_event(self->srcpad, event);
    s.needSegment = false;
}

// Decodes one page and pushes its samples stamped with their time.
GstFlowReturn pushPage(ZrcDec* self, std::span<const std::uint8_t, kPageSize> page) {
    DecState& s = *self->state;
    std::array<std::int16_t, zrc::kMaxPlaybackSamples> samples{};
    const std::size_t n = s.stream->decodePage(page, samples.data());
    const std::uint64_t first = s.position;
    ++s.nextPage;
    s.position += n;
    showPosition(self);
    if (n == 0) return GST_FLOW_OK;

    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, n * 2, nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    zrc::storePcm(std::span<const std::int16_t>(samples.data(), n), 2, map.data);
    gst_buffer_unmap(buffer, &map);
    GST_BUFFER_OFFSET(buffer) = first;
    GST_BUFFER_OFFSET_END(buffer) = s.position;
    GST_BUFFER_PTS(buffer) = samplesToTime(s, first);
    GST_BUFFER_DURATION(buffer) = samplesToTime(s, s.position) - GST_BUFFER_PTS(buffer);
    if (s.discont) {
        GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
        s.discont = false;
    }
    return gst_pad_push(self->srcpad, buffer);
}

// ---- Pull mode

// Reads bytes at offset; what lies past the end reads as 0xFF, as every
// reader of a recording has it.
bool pullBytes(ZrcDec* self, std::uint64_t offset, std::span<std::uint8_t> out) {
    GstBuffer* buffer = nullptr;
    const GstFlowReturn ret = gst_pad_pull_range(self->sinkpad, offset, static_cast<guint>(out.size()), &buffer);
    if (ret == GST_FLOW_EOS) {
        std::fill(out.begin(), out.end(), std::uint8_t{0xFF});
        return true;
    }
    if (ret != GST_FLOW_OK) return false;
    const gsize got = gst_buffer_extract(buffer, 0, out.data(), out.size());
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(got), out.end(), std::uint8_t{0xFF});
    gst_buffer_unref(buffer);
    return true;
}

GstFlowReturn planPull(ZrcDec* self) {
    std::array<std::uint8_t, kHeaderSize> header{};
    gint64 length = -1;
    if (!gst_pad_peer_query_duration(self->sinkpad, GST_FORMAT_BYTES, &length) || length < 0) {
        GST_ELEMENT_ERROR(self, STREAM, DEMUX, (nullptr), ("upstream does not tell the file's length"));
        return GST_FLOW_ERROR;
    }
    if (!pullBytes(self, 0, header)) return GST_FLOW_FLUSHING;
    const auto pages = zrc::gst::playablePages(header, static_cast<std::uint64_t>(length));
    if (!pages) {
        GST_ELEMENT_ERROR(self, STREAM, WRONG_TYPE, (nullptr), ("not a ZRC recording"));
        return GST_FLOW_ERROR;
    }
    // Whether the pages mix types decides the output rate; the flags are
    // read once, in long runs.
    std::vector<std::uint8_t> types(*pages);
    std::vector<std::uint8_t> run(std::min<std::uint64_t>(*pages, kPagesPerScan) * kPageSize);
    for (std::uint64_t first = 0; first < *pages; first += kPagesPerScan) {
        const std::uint64_t n = std::min(kPagesPerScan, *pages - first);
        if (!pullBytes(self, zrc::pageOffset(first), std::span(run.data(), n * kPageSize))) return GST_FLOW_FLUSHING;
        for (std::uint64_t i = 0; i < n; ++i) {
            types[first + i] = static_cast<std::uint8_t>(zrc::pageTypeOfFlag(run[i * kPageSize + zrc::kPageFlagOffset]));
        }
    }
    DecState& s = *self->state;
    s.stream.emplace(header, *pages, std::move(types), 0);
    announce(self);
    return GST_FLOW_OK;
}

zrc::gst::PageReader pageReader(ZrcDec* self) {
    return [self](std::uint64_t first, std::span<std::uint8_t> bytes) {
        return pullBytes(self, zrc::pageOffset(first), bytes);
    };
}

void pauseWith(ZrcDec* self, GstFlowReturn ret) {
    GST_DEBUG_OBJECT(self, "pausing: %s", gst_flow_get_name(ret));
    gst_pad_pause_task(self->sinkpad);
    if (ret == GST_FLOW_EOS) {
        DecState& s = *self->state;
        if (s.segment.flags & GST_SEGMENT_FLAG_SEGMENT) {
            const gint64 stop = GST_CLOCK_TIME_IS_VALID(s.segment.stop) ? static_cast<gint64>(s.segment.stop)
                                                                        : static_cast<gint64>(s.segment.duration);
            gst_element_post_message(GST_ELEMENT_CAST(self),
                                     gst_message_new_segment_done(GST_OBJECT_CAST(self), GST_FORMAT_TIME, stop));
            gst_pad_push_event(self->srcpad, gst_event_new_segment_done(GST_FORMAT_TIME, stop));
        } else {
            GstEvent* eos = gst_event_new_eos();
            if (s.segmentSeqnum != GST_SEQNUM_INVALID) gst_event_set_seqnum(eos, s.segmentSeqnum);
            gst_pad_push_event(self->srcpad, eos);
        }
    } else if (ret == GST_FLOW_NOT_LINKED || ret < GST_FLOW_EOS) {
        GST_ELEMENT_FLOW_ERROR(self, ret);
        gst_pad_push_event(self->srcpad, gst_event_new_eos());
    }
}

void pullLoop(gpointer data) {
    auto* self = asDec(GST_OBJECT_PARENT(GST_PAD(data)));
    DecState& s = *self->state;
    if (!s.stream) {
        const GstFlowReturn ret = planPull(self);
        if (ret != GST_FLOW_OK) return pauseWith(self, ret);
        s.segment.duration = samplesToTime(s, s.stream->totalSamples());
        if (!s.stream->startAt(0, pageReader(self))) return pauseWith(self, GST_FLOW_FLUSHING);
    }
    pushSegmentIfNeeded(self);
    const bool pastStop = GST_CLOCK_TIME_IS_VALID(s.segment.stop) && samplesToTime(s, s.position) >= s.segment.stop;
    if (s.nextPage >= s.stream->pages() || pastStop) return pauseWith(self, GST_FLOW_EOS);

    std::array<std::uint8_t, kPageSize> page{};
    if (!pullBytes(self, zrc::pageOffset(s.nextPage), page)) return pauseWith(self, GST_FLOW_FLUSHING);
    const GstFlowReturn ret = pushPage(self, page);
    if (ret != GST_FLOW_OK) pauseWith(self, ret);
}

bool seekPush(ZrcDec* self, GstEvent* event);

// A seek forward in time or in samples, its ends in time; nothing for one
// zrcdec cannot make (backwards, in bytes, before the recording is known).
struct SeekRequest {
    gdouble rate = 1.0;
    GstSeekFlags flags = GST_SEEK_FLAG_NONE;
    GstSeekType startType = GST_SEEK_TYPE_NONE;
    GstSeekType stopType = GST_SEEK_TYPE_NONE;
    gint64 start = 0;
    gint64 stop = 0;
    guint32 seqnum = GST_SEQNUM_INVALID;
    Shown shown;
};

std::optional<SeekRequest> seekRequest(ZrcDec* self, GstEvent* event) {
    SeekRequest r;
    GstFormat format = GST_FORMAT_UNDEFINED;
    gst_event_parse_seek(event, &r.rate, &format, &r.flags, &r.startType, &r.start, &r.stopType, &r.stop);
    GST_OBJECT_LOCK(self);
    r.shown = self->state->shown;
    GST_OBJECT_UNLOCK(self);
    if (r.rate <= 0.0 || (format != GST_FORMAT_TIME && format != GST_FORMAT_DEFAULT) || r.shown.rate == 0) {
        return std::nullopt;
    }
    if (format == GST_FORMAT_DEFAULT) {
        for (gint64* v : {&r.start, &r.stop}) {
            if (*v >= 0) {
                *v = static_cast<gint64>(gst_util_uint64_scale_int(static_cast<guint64>(*v), GST_SECOND,
                                                                   static_cast<gint>(r.shown.rate)));
            }
        }
    }
    r.seqnum = gst_event_get_seqnum(event);
    return r;
}

bool seekPull(ZrcDec* self, GstEvent* event) {
    DecState& s = *self->state;
    const std::optional<SeekRequest> request = seekRequest(self, event);
    if (!request) return false;
    const auto& [rate, flags, startType, stopType, start, stop, seqnum, shown] = *request;
    const bool flush = (flags & GST_SEEK_FLAG_FLUSH) != 0;
    if (flush) {
        GstEvent* flushStart = gst_event_new_flush_start();
        gst_event_set_seqnum(flushStart, seqnum);
        gst_pad_push_event(self->srcpad, flushStart);
    } else {
        gst_pad_pause_task(self->sinkpad);
    }
    GST_PAD_STREAM_LOCK(self->sinkpad);

    GstSegment segment = s.segment;
    gboolean update = FALSE;
    gst_segment_do_seek(&segment, rate, GST_FORMAT_TIME, flags, startType, static_cast<guint64>(start), stopType,
                        static_cast<guint64>(stop), &update);
    // Samples start at a page: the segment starts where the page does.
    const std::uint64_t target =
        gst_util_uint64_scale(segment.position, s.stream->sampleRate(), GST_SECOND);
    const std::uint64_t page = std::min(s.stream->pageAt(target), s.stream->pages());
    const bool started = s.stream->startAt(page, pageReader(self)).has_value();
    if (started) {
        s.nextPage = page;
        s.position = s.stream->samplesBefore(page);
        const GstClockTime at = samplesToTime(s, s.position);
        segment.start = segment.position = segment.time = at;
        s.segment = segment;
        s.segmentSeqnum = seqnum;
        s.needSegment = true;
        s.discont = true;
        showPosition(self);
    }
    if (flush) {
        GstEvent* flushStop = gst_event_new_flush_stop(TRUE);
        gst_event_set_seqnum(flushStop, seqnum);
        gst_pad_push_event(self->srcpad, flushStop);
    }
    if (s.segment.flags & GST_SEGMENT_FLAG_SEGMENT) {
        gst_element_post_message(GST_ELEMENT_CAST(self),
                                 gst_message_new_segment_start(GST_OBJECT_CAST(self), GST_FORMAT_TIME,
                                                               static_cast<gint64>(s.segment.start)));
    }
    gst_pad_start_task(self->sinkpad, pullLoop, self->sinkpad, nullptr);
    GST_PAD_STREAM_UNLOCK(self->sinkpad);
    return started;
}

// ---- Push mode

// Plans once kBytesToPlan bytes are there, or at the end with what came.
GstFlowReturn planPush(ZrcDec* self, bool atEnd) {
    DecState& s = *self->state;
    const gsize available = gst_adapter_available(s.adapter);
    if (available < (atEnd ? kHeaderSize : kBytesToPlan)) {
        if (!atEnd) return GST_FLOW_OK;
        GST_ELEMENT_ERROR(self, STREAM, WRONG_TYPE, (nullptr), ("not a ZRC recording"));
        return GST_FLOW_ERROR;
    }
    const gsize peek = std::min<gsize>(available, kBytesToPlan);
    const auto* bytes = static_cast<const std::uint8_t*>(gst_adapter_map(s.adapter, peek));
    std::optional<std::uint64_t> length;
    if (gint64 l = -1; atEnd) {
        length = available;
    } else if (gst_pad_peer_query_duration(self->sinkpad, GST_FORMAT_BYTES, &l) && l >= 0) {
        length = static_cast<std::uint64_t>(l);
    }
    const std::span<const std::uint8_t, kHeaderSize> header(bytes, kHeaderSize);
    const auto pages = zrc::gst::playablePages(header, length);
    if (pages) {
        const int firstType = peek == kBytesToPlan ? zrc::pageTypeOfFlag(bytes[kBytesToPlan - 1]) : 0;
        s.stream.emplace(header, *pages, std::vector<std::uint8_t>{}, firstType);
    }
    gst_adapter_unmap(s.adapter);
    if (!pages) {
        GST_ELEMENT_ERROR(self, STREAM, WRONG_TYPE, (nullptr), ("not a ZRC recording"));
        return GST_FLOW_ERROR;
    }
    gst_adapter_flush(s.adapter, kHeaderSize);
    announce(self);
    s.segment.duration = length ? samplesToTime(s, s.stream->totalSamples()) : GST_CLOCK_TIME_NONE;
    return GST_FLOW_OK;
}

// Once the run-up's pages are in, the decoder starts at the page sought.
void finishRunUp(ZrcDec* self) {
    DecState& s = *self->state;
    const DecState::PushSeek& seek = *s.runningUp;
    const auto read = [&](std::uint64_t first, std::span<std::uint8_t> bytes) {
        if (first < seek.from) return false;
        const std::size_t at = (first - seek.from) * kPageSize;
        if (at + bytes.size() > s.runUpPages.size()) return false;
        std::copy_n(s.runUpPages.begin() + static_cast<std::ptrdiff_t>(at), bytes.size(), bytes.begin());
        return true;
    };
    s.stream->startAt(seek.page, read, seek.from);
    s.position = s.stream->samplesBefore(seek.page);
    showPosition(self);
    s.runningUp.reset();
    s.runUpPages.clear();
}

GstFlowReturn pushWholePages(ZrcDec* self) {
    DecState& s = *self->state;
    while (s.runningUp && gst_adapter_available(s.adapter) >= kPageSize) {
        if (s.nextPage >= s.runningUp->page) break;
        const std::size_t at = s.runUpPages.size();
        s.runUpPages.resize(at + kPageSize);
        gst_adapter_copy(s.adapter, s.runUpPages.data() + at, 0, kPageSize);
        gst_adapter_flush(s.adapter, kPageSize);
        ++s.nextPage;
    }
    if (s.runningUp && s.nextPage >= s.runningUp->page) finishRunUp(self);
    if (s.runningUp) return GST_FLOW_OK;
    pushSegmentIfNeeded(self);
    while (s.nextPage < s.stream->pages() && gst_adapter_available(s.adapter) >= kPageSize) {
        std::array<std::uint8_t, kPageSize> page{};
        gst_adapter_copy(s.adapter, page.data(), 0, kPageSize);
        gst_adapter_flush(s.adapter, kPageSize);
        const GstFlowReturn ret = pushPage(self, page);
        if (ret != GST_FLOW_OK) return ret;
    }
    return s.nextPage < s.stream->pages() ? GST_FLOW_OK : GST_FLOW_EOS;
}

// Asks upstream for the bytes from the run-up's first page on; the
// segment upstream then sends starts the run-up (sinkEvent).
bool seekPush(ZrcDec* self, GstEvent* event) {
    DecState& s = *self->state;
    const std::optional<SeekRequest> request = seekRequest(self, event);
    if (!request || !request->shown.seekable) return false;
    const auto& [rate, flags, startType, stopType, start, stop, seqnum, shown] = *request;
    // The stream's plan and page times never change once it is known.
    const RecordingStream& stream = *s.stream;
    DecState::PushSeek seek;
    gst_segment_init(&seek.segment, GST_FORMAT_TIME);
    seek.segment.duration = gst_util_uint64_scale_int(shown.totalSamples, GST_SECOND, static_cast<gint>(shown.rate));
    gboolean update = FALSE;
    gst_segment_do_seek(&seek.segment, rate, GST_FORMAT_TIME, flags, startType, static_cast<guint64>(start), stopType,
                        static_cast<guint64>(stop), &update);
    seek.page = stream.pageAt(gst_util_uint64_scale(seek.segment.position, shown.rate, GST_SECOND));
    seek.from = seek.page - std::min(2 * zrc::gst::kRunUpPages, seek.page);
    seek.segment.start = seek.segment.position = seek.segment.time =
        gst_util_uint64_scale_int(stream.samplesBefore(seek.page), GST_SECOND, static_cast<gint>(shown.rate));
    seek.seqnum = seqnum;
    GST_OBJECT_LOCK(self);
    s.pendingSeek = seek;
    GST_OBJECT_UNLOCK(self);
    GstEvent* bytes = gst_event_new_seek(1.0, GST_FORMAT_BYTES,
                                         static_cast<GstSeekFlags>(flags & GST_SEEK_FLAG_FLUSH), GST_SEEK_TYPE_SET,
                                         static_cast<gint64>(zrc::pageOffset(seek.from)), GST_SEEK_TYPE_NONE, -1);
    gst_event_set_seqnum(bytes, seek.seqnum);
    if (gst_pad_push_event(self->sinkpad, bytes)) return true;
    GST_OBJECT_LOCK(self);
    s.pendingSeek.reset();
    GST_OBJECT_UNLOCK(self);
    return false;
}

GstFlowReturn chain(GstPad*, GstObject* parent, GstBuffer* buffer) {
    auto* self = asDec(parent);
    DecState& s = *self->state;
    if (s.stream && s.nextPage >= s.stream->pages()) {
        gst_buffer_unref(buffer);
        return GST_FLOW_EOS;
    }
    gst_adapter_push(s.adapter, buffer);
    if (!s.stream) {
        const GstFlowReturn ret = planPush(self, false);
        if (ret != GST_FLOW_OK || !s.stream) return ret;
    }
    return pushWholePages(self);
}

gboolean sinkEvent(GstPad* pad, GstObject* parent, GstEvent* event) {
    auto* self = asDec(parent);
    DecState& s = *self->state;
    switch (GST_EVENT_TYPE(event)) {
        // The recording's own stream, caps and time take their place.
        case GST_EVENT_STREAM_START:
        case GST_EVENT_CAPS:
            gst_event_unref(event);
            return TRUE;
        case GST_EVENT_SEGMENT: {
            // Upstream starting where a seek asked it to: the run-up begins.
            const GstSegment* bytes = nullptr;
            gst_event_parse_segment(event, &bytes);
            GST_OBJECT_LOCK(self);
            std::optional<DecState::PushSeek> seek = std::exchange(s.pendingSeek, std::nullopt);
            GST_OBJECT_UNLOCK(self);
            if (seek && bytes->format == GST_FORMAT_BYTES && bytes->start == zrc::pageOffset(seek->from)) {
                gst_adapter_clear(s.adapter);
                s.nextPage = seek->from;
                s.segment = seek->segment;
                s.segmentSeqnum = seek->seqnum;
                s.needSegment = true;
                s.discont = true;
                s.runningUp = seek;
                s.runUpPages.clear();
            }
            gst_event_unref(event);
            return TRUE;
        }
        case GST_EVENT_EOS:
            // A stream cut mid-page ends with its whole pages.
            if (!s.stream && planPush(self, true) != GST_FLOW_OK) {
                gst_event_unref(event);
                return FALSE;
            }
            pushWholePages(self);
            return gst_pad_push_event(self->srcpad, event);
        case GST_EVENT_FLUSH_STOP:
            gst_adapter_clear(s.adapter);
            return gst_pad_event_default(pad, parent, event);
        default:
            return gst_pad_event_default(pad, parent, event);
    }
}

// ---- Activation, queries, seeks

gboolean sinkActivate(GstPad* pad, GstObject*) {
    GstQuery* query = gst_query_new_scheduling();
    bool pull = false;
    if (gst_pad_peer_query(pad, query)) {
        pull = gst_query_has_scheduling_mode_with_flags(query, GST_PAD_MODE_PULL, GST_SCHEDULING_FLAG_SEEKABLE);
    }
    gst_query_unref(query);
    return gst_pad_activate_mode(pad, pull ? GST_PAD_MODE_PULL : GST_PAD_MODE_PUSH, TRUE);
}

gboolean sinkActivateMode(GstPad* pad, GstObject* parent, GstPadMode mode, gboolean active) {
    auto* self = asDec(parent);
    switch (mode) {
        case GST_PAD_MODE_PUSH:
            self->state->pull = false;
            return TRUE;
        case GST_PAD_MODE_PULL:
            if (!active) return gst_pad_stop_task(pad);
            self->state->pull = true;
            return gst_pad_start_task(pad, pullLoop, pad, nullptr);
        default:
            return FALSE;
    }
}

gboolean srcQuery(GstPad* pad, GstObject* parent, GstQuery* query) {
    auto* self = asDec(parent);
    GST_OBJECT_LOCK(self);
    const Shown shown = self->state->shown;
    GST_OBJECT_UNLOCK(self);
    const auto inFormat = [&](GstFormat format, std::uint64_t samples) -> std::optional<gint64> {
        if (format == GST_FORMAT_DEFAULT) return static_cast<gint64>(samples);
        if (format == GST_FORMAT_TIME)
            return static_cast<gint64>(gst_util_uint64_scale_int(samples, GST_SECOND, static_cast<gint>(shown.rate)));
        return std::nullopt;
    };
    switch (GST_QUERY_TYPE(query)) {
        case GST_QUERY_DURATION: {
            GstFormat format;
            gst_query_parse_duration(query, &format, nullptr);
            const auto v = inFormat(format, shown.totalSamples);
            if (shown.rate == 0 || !v) break;
            gst_query_set_duration(query, format, *v);
            return TRUE;
        }
        case GST_QUERY_POSITION: {
            GstFormat format;
            gst_query_parse_position(query, &format, nullptr);
            const auto v = inFormat(format, shown.position);
            if (shown.rate == 0 || !v) break;
            gst_query_set_position(query, format, *v);
            return TRUE;
        }
        case GST_QUERY_SEEKING: {
            GstFormat format;
            gst_query_parse_seeking(query, &format, nullptr, nullptr, nullptr);
            const auto end = inFormat(format, shown.totalSamples);
            if (shown.rate == 0 || !end) break;
            gst_query_set_seeking(query, format, shown.seekable, 0, shown.seekable ? *end : -1);
            return TRUE;
        }
        default:
            break;
    }
    return gst_pad_query_default(pad, parent, query);
}

gboolean srcEvent(GstPad* pad, GstObject* parent, GstEvent* event) {
    auto* self = asDec(parent);
    if (GST_EVENT_TYPE(event) == GST_EVENT_SEEK) {
        // Upstream that cannot seek in bytes cannot give the run-up a seek needs.
        const bool done = self->state->pull ? seekPull(self, event) : seekPush(self, event);
        gst_event_unref(event);
        return done;
    }
    return gst_pad_event_default(pad, parent, event);
}

}  // namespace

static GstStateChangeReturn zrc_dec_change_state(GstElement* element, GstStateChange transition) {
    auto* self = reinterpret_cast<ZrcDec*>(element);
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) resetState(self);
    const GstStateChangeReturn ret = GST_ELEMENT_CLASS(zrc_dec_parent_class)->change_state(element, transition);
    if (transition == GST_STATE_CHANGE_PAUSED_TO_READY) resetState(self);
    return ret;
}

static void zrc_dec_finalize(GObject* object) {
    auto* self = reinterpret_cast<ZrcDec*>(object);
    g_object_unref(self->state->adapter);
    delete self->state;
    G_OBJECT_CLASS(zrc_dec_parent_class)->finalize(object);
}

static void zrc_dec_class_init(ZrcDecClass* klass) {
    GST_DEBUG_CATEGORY_INIT(zrc_dec_debug, "zrcdec", 0, "ZRC recording decoder");
    auto* objectClass = G_OBJECT_CLASS(klass);
    auto* elementClass = GST_ELEMENT_CLASS(klass);
    objectClass->finalize = zrc_dec_finalize;
    elementClass->change_state = zrc_dec_change_state;
    gst_element_class_add_static_pad_template(elementClass, &sinkTemplate);
    gst_element_class_add_static_pad_template(elementClass, &srcTemplate);
    gst_element_class_set_static_metadata(elementClass, "ZRC recording decoder", "Codec/Demuxer/Decoder/Audio",
                                          "Decodes the G.726 ADPCM pages of a voice recorder's ZRC recording",
                                          "ZRC toolkit");
}

static void zrc_dec_init(ZrcDec* self) {
    self->state = new DecState;
    self->state->adapter = gst_adapter_new();
    gst_segment_init(&self->state->segment, GST_FORMAT_TIME);

    self->sinkpad = gst_pad_new_from_static_template(&sinkTemplate, "sink");
    gst_pad_set_activate_function(self->sinkpad, sinkActivate);
    gst_pad_set_activatemode_function(self->sinkpad, sinkActivateMode);
    gst_pad_set_chain_function(self->sinkpad, chain);
    gst_pad_set_event_function(self->sinkpad, sinkEvent);
    gst_element_add_pad(GST_ELEMENT_CAST(self), self->sinkpad);

    self->srcpad = gst_pad_new_from_static_template(&srcTemplate, "src");
    gst_pad_use_fixed_caps(self->srcpad);
    gst_pad_set_query_function(self->srcpad, srcQuery);
    gst_pad_set_event_function(self->srcpad, srcEvent);
    gst_element_add_pad(GST_ELEMENT_CAST(self), self->srcpad);
}
