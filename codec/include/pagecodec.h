/* PageCodec: reading, decoding and writing ZRC voice-recorder recordings.
 *
 * A ZRC recording is a 92-byte header followed by 528-byte pages of packed
 * 2-, 3- or 4-bit G.726 ADPCM codes. Every function that takes a file name
 * opens the file itself and closes it before returning; file names are
 * NUL-terminated byte strings passed to the C library as they are.
 *
 * Functions that decode share one library-wide decoder state and must not
 * run concurrently with each other; the same holds for the encoding
 * functions. The inspection functions keep no state and may run anywhere.
 */
#ifndef PAGECODEC_H
#define PAGECODEC_H

#include <stdint.h>

/* On 32-bit Windows the exports use the standard calling convention, which
 * gives the decorated names (_play_splpget@4, ...). */
#if defined(_WIN32) && !defined(_WIN64)
#define PAGECODEC_CALL __stdcall
#else
#define PAGECODEC_CALL
#endif

#if defined(_WIN32)
#if defined(PAGECODEC_BUILDING)
#define PAGECODEC_API __declspec(dllexport)
#else
#define PAGECODEC_API __declspec(dllimport)
#endif
#elif defined(PAGECODEC_BUILDING)
#define PAGECODEC_API __attribute__((visibility("default")))
#else
#define PAGECODEC_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* What play_splpget reports about a recording: 40 bytes, no padding.
 * A file that cannot be opened gives 1 in every field; a file that is not a
 * ZRC recording gives 13 in every field (a real recording has 7, 8 or 11 in
 * rate0). */
#pragma pack(push, 1)
typedef struct RecordingInfo {
    uint16_t rate0;         /* rate code of type-0 pages (7, 8 or 11, about kHz) */
    uint16_t rate1;         /* rate code of type-1 pages */
    uint16_t bits0;         /* code width of type-0 pages (2, 3 or 4) */
    uint16_t bits1;         /* code width of type-1 pages */
    uint16_t payloadBytes0; /* whole payload bytes of a type-0 page */
    uint16_t payloadBytes1; /* whole payload bytes of a type-1 page */
    uint16_t payloadBits0;  /* extra payload bits of a type-0 page */
    uint16_t payloadBits1;  /* extra payload bits of a type-1 page */
    uint32_t pageCount;     /* (file length - 92) / page size */
    uint16_t seconds0;      /* header length fields, informational */
    uint16_t seconds1;
    uint32_t storedPages0;  /* header page counts, informational */
    uint32_t storedPages1;
    int32_t pageMs0;        /* duration of a type-0 page in ms */
    int32_t pageMs1;        /* duration of a type-1 page in ms */
} RecordingInfo;
#pragma pack(pop)

/* --- Recording inspection and page access ------------------------------ */

/* Validates a recording and describes it; all fields 1 when the file cannot
 * be opened, all fields 13 when it is not a ZRC recording (also when it is
 * shorter than its header or its page size is 0). */
PAGECODEC_API RecordingInfo PAGECODEC_CALL play_splpget(const char *fileName);

/* Reads page `page` (528 bytes, trailer included) into pageBuffer. Returns 0
 * for a type-0 page, 5 for a type-1 page, 1 when the file cannot be opened
 * (buffer untouched). Bytes past the end of the file read as 0xFF. */
PAGECODEC_API int16_t PAGECODEC_CALL play_1pagerd(const char *fileName, int32_t page,
                                                  uint8_t *pageBuffer);

/* Stores the type (0 or 1) of pages 0 .. count-1 into table[0 .. count-1].
 * Returns 0, or 1 when the file cannot be opened (table untouched). Pages
 * past the end of the file are of type 1. */
PAGECODEC_API int16_t PAGECODEC_CALL pb_splptblmk(const char *fileName, uint8_t *table,
                                                  uint32_t count);

/* Playing time in ms at the end of page lastIndex: the sum over entries
 * 0 .. lastIndex of pageMs0 (entry 0) or pageMs1 (entry 1); other entries
 * add nothing. The table must have more than lastIndex entries. */
PAGECODEC_API int32_t PAGECODEC_CALL get_time(const uint8_t *table, uint32_t lastIndex,
                                              int32_t pageMs0, int32_t pageMs1);

/* Counts the entries equal to 0 into counters[0] and those equal to 1 into
 * counters[1], over the first count entries. Returns 0. */
PAGECODEC_API int16_t PAGECODEC_CALL splp_pageno(const uint8_t *table, uint32_t counters[2],
                                                 uint32_t count);

/* --- Code unpacking ----------------------------------------------------- */

/* Unpacks (8 * bytes + extraBits) / width codes, one per byte, from a page's
 * payload into codes (a buffer of 2,048 bytes always suffices) and returns
 * their number. Returns 0 and writes nothing when width is not 2, 3 or 4,
 * a count is negative, extraBits exceeds 8, or the payload exceeds 4,096 bits;
 * never reads past byte 527 of the page. */
PAGECODEC_API int16_t PAGECODEC_CALL pb_exdata(int16_t width, int16_t bytes, int16_t extraBits,
                                               const uint8_t *page, uint8_t *codes);

#ifdef __cplusplus
}
#endif

#endif /* PAGECODEC_H */
