/* PageCodec: reading, decoding and writing ZRC voice-recorder recordings.
 *
 * A ZRC recording is a 92-byte header followed by 528-byte pages of packed
 * 2-, 3- or 4-bit G.726 ADPCM codes. Every function that takes a file name
 * opens the file itself and closes it before returning; file names are
 * NUL-terminated byte strings passed to the C library as they are.
 *
 * Playback decoding and whole-file decoding each keep one library-wide
 * decoder of their own: calls of one family must not run concurrently, and
 * neither family disturbs the other. The same holds for the encoding
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

/* Result codes, named by family; the values are the ones callers have
 * always compared against. */

/* play_splpget: the value of every field when the file gives no recording. */
enum PageCodecInfoResult {
    PAGECODEC_INFO_CANNOT_OPEN = 1,
    PAGECODEC_INFO_NOT_A_RECORDING = 13
};

/* play_1pagerd and pb_splptblmk. */
enum PageCodecPageResult {
    PAGECODEC_PAGE_TYPE_0 = 0, /* also pb_splptblmk's success */
    PAGECODEC_PAGE_CANNOT_OPEN = 1,
    PAGECODEC_PAGE_TYPE_1 = 5
};

/* AdpcmDec1; a header call returns the page count on success, a page-range
 * call the codes of a page. */
enum PageCodecDecodeResult {
    PAGECODEC_DECODE_NOT_STARTED = 1,        /* range call: no header call, or recording unreadable */
    PAGECODEC_DECODE_WAV_FAILED = 2,         /* WAV file not created, opened or written */
    PAGECODEC_DECODE_NO_WAV_FORMAT = 3,      /* header call: mode, rate code or width */
    PAGECODEC_DECODE_BAD_SAMPLE_SIZE = 4,    /* header call */
    PAGECODEC_DECODE_CANNOT_OPEN_RECORDING = 37 /* header call */
};

/* wav_zrc_check and wav_zrc_check_f; an accepted file gives its predicted
 * ZRC size instead, never below 92. */
enum PageCodecCheckResult {
    PAGECODEC_CHECK_CANNOT_OPEN = 1,
    PAGECODEC_CHECK_NOT_WAVE = 2,
    PAGECODEC_CHECK_BAD_RATE = 3,
    PAGECODEC_CHECK_NOT_MONO = 4,
    PAGECODEC_CHECK_NOT_PCM = 5,
    PAGECODEC_CHECK_NO_DATA_TAG = 6,
    PAGECODEC_CHECK_BAD_BITS_PER_SAMPLE = 7,
    PAGECODEC_CHECK_BAD_PAGE_LAYOUT = 8, /* wav_zrc_check_f only */
    PAGECODEC_CHECK_TOO_LARGE = 9        /* wav_zrc_check_f only */
};

/* wav_zrc_mkheader and wav_zrc_mkheader_f. */
enum PageCodecHeaderResult {
    PAGECODEC_HEADER_WRITTEN = 0,
    PAGECODEC_HEADER_CANNOT_OPEN_WAV = 1,
    PAGECODEC_HEADER_CANNOT_CREATE_ZRC = 2,
    PAGECODEC_HEADER_REFUSED = 3,
    PAGECODEC_HEADER_WRITE_FAILED = 4
};

/* wav_zrc_encoder and wav_zrc_encoder_f. */
enum PageCodecEncodeResult {
    PAGECODEC_ENCODE_DONE = 0,
    PAGECODEC_ENCODE_CANNOT_OPEN_WAV = 1,
    PAGECODEC_ENCODE_CANNOT_OPEN_ZRC = 2,
    PAGECODEC_ENCODE_PAYLOAD_OUT_OF_RANGE = 3, /* wav_zrc_encoder_f only */
    PAGECODEC_ENCODE_BAD_CODE_WIDTH = 4,       /* wav_zrc_encoder_f only */
    PAGECODEC_ENCODE_BAD_BITS_PER_SAMPLE = 5,
    PAGECODEC_ENCODE_NO_DATA_TAG = 6,
    PAGECODEC_ENCODE_WRITE_FAILED = 7
};

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

/* --- Page decoding for playback ------------------------------------------ */

/* Blocks handed out below are calloc blocks stored through *slot (a
 * pointer-sized cell); their receiver releases them with free. */

/* Decodes count codes of one page (at most 2,048 are taken; rate code 7, 8
 * or 11; width 2, 3 or 4), continuing the library's playback decoder, into a
 * new block of 16-bit samples at 11,025 Hz stored in *slot, and returns the
 * number of samples: count at rate 11, 2,816 (width 2) or 1,408 at rate 8,
 * 3,215 at rate 7. Missing codes at rates 7 and 8 play as silence. mode 1
 * only resets the decoder and returns 0; another rate code or width returns
 * 0 without decoding; both leave *slot as it was. */
PAGECODEC_API int32_t PAGECODEC_CALL pb_adpcm_dec(int32_t rate, int32_t width, int32_t count,
                                                  const uint8_t *codes, void **slot, int32_t mode);

/* Stores in *slot a new 100-byte block, a 44-byte RIFF/WAVE header for a
 * 16-bit mono stream at 11,025 Hz followed by zeros, and copies the same 100
 * bytes to buffer. rateSelector is not used. Returns 0. */
PAGECODEC_API int32_t PAGECODEC_CALL SoundSet11k16bit(void **slot, int32_t rateSelector, uint8_t *buffer);

/* --- Whole-file decoding -------------------------------------------------- */

/* Converts a recording whose pages share one parameter set (set 0 for header
 * mode 0, set 1 for mode 1) into a PCM WAV file: 11,025 Hz for rate 11,
 * 8,000 Hz for rate 8 and for rate 7 (every 7th code of a page written
 * twice); sampleSize 1 = 8-bit, 2 = 16-bit.
 * callKind 0, the header call: creates wavFileName with its header, resets
 * the decoder, copies the recording's 92-byte header and the 44-byte WAV
 * header into headers (136 bytes) and returns the page count; 37 when the
 * recording cannot be opened, 2 when the WAV file cannot be created or its
 * header written (no file is left then), 3 for a header mode, rate code or
 * width without a WAV format and 4 for another sampleSize (nothing is
 * created for 3 and 4).
 * Other callKind, a page-range call: appends pages firstPage to lastPage of
 * the last successful header call's files and returns the codes of a page
 * (0 for a range past the last page); 1 when there was no such header call
 * or the recording cannot be opened, 2 when the WAV file cannot be opened or
 * written. Every call leaves the header's sizes telling the samples in the
 * file, a failed write too (the file then ends with the last whole sample
 * that reached it), so consecutive ranges over pages 0 to count - 1
 * complete it. */
PAGECODEC_API int32_t PAGECODEC_CALL AdpcmDec1(const char *zrcFileName, const char *wavFileName,
                                               int32_t sampleSize, int32_t firstPage, int32_t lastPage,
                                               uint8_t *headers, int32_t callKind);
/* --- WAV input checks ----------------------------------------------------
 * Encoder input is a mono PCM WAV file at 11,025 or 8,000 Hz with 8-bit
 * (unsigned) or 16-bit (signed) samples. The checks read the canonical 44-byte
 * header's fixed offsets (8 "WAVE", 20 format, 22 channels, 24 rate, 34 bits)
 * and the first "data" tag anywhere in the file, and return, in this order of
 * testing: 1 cannot open, 2 not "WAVE", 3 rate neither 11,025 nor 8,000,
 * 4 not mono, 5 not PCM, 6 no "data" tag, 7 bits per sample neither 8 nor 16;
 * otherwise the predicted size in bytes (at least 92) of the ZRC file, to be
 * passed to the matching header writer; its pages are (size - 92) / 528. */

/* Check for the recorder's layout (3-bit codes at 11,025 Hz, 2-bit at 8,000). */
PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_check(const char *fileName);

/* Check for codeWidth-bit pages of payloadBytes * 8 + payloadExtraBits bits
 * (low 16 bits of each argument); also 8 for a width other than 2, 3 or 4 or
 * a payload of no whole code or above 4,096 bits, 9 for a size beyond
 * INT32_MAX. Predicts one page more than the full pages. */
PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_check_f(const char *fileName, int32_t payloadBytes,
                                                     int32_t payloadExtraBits, int32_t codeWidth);

/* Bytes 24-27 of the file (the sample rate), unchecked; 0 when the file cannot
 * be opened or is shorter than 28 bytes. */
PAGECODEC_API uint32_t PAGECODEC_CALL wav_samplef(const char *fileName);

/* Byte 34 of the file (bits per sample), unchecked; 0 when the file cannot be
 * opened or is shorter than 35 bytes. */
PAGECODEC_API int32_t PAGECODEC_CALL wav_bitmode(const char *fileName);

/* --- Writing recordings --------------------------------------------------
 * A recording is made in three steps: the check gives the size S; the header
 * writer creates the ZRC file with the 92-byte header for S; the encoder
 * appends pages 0 .. (S - 92) / 528 - 1, in one call or in consecutive ranges
 * starting at page 0. Encoding calls share one library-wide encoder state. */

/* Creates (truncates) zrcFileName and writes the header for zrcSize from the
 * check of the same WAV file. Returns 0 written; 1 WAV file cannot be opened;
 * 2 ZRC file cannot be created (also when it names the WAV file itself, which
 * is left as it was); 3 WAV file has no "data" tag, 0 bits per
 * sample or a rate other than 11,025 or 8,000 (nothing written); 4 the header
 * did not reach the disk. The ZRC file is created, empty, also on 1 and 3. */
PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_mkheader(const char *fileName, const char *zrcFileName,
                                                      uint32_t zrcSize);

/* As wav_zrc_mkheader for the size from wav_zrc_check_f with the same layout:
 * mode 1 for codeWidth 2, else mode 0 with set-0 width 4 or 3. The parameter
 * sets keep the recorder's rate codes and payloads (11, 510 bytes; 7, 511
 * bytes + 4 bits) whatever payload is named; the payload enters only the
 * length. Returns 3 (nothing written) also for every layout
 * wav_zrc_encoder_f refuses: codeWidth not 2, 3 or 4, more than 4,096
 * payload bits, no room for one code; and for a sample rate of 0. Any other
 * rate is accepted. */
PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_mkheader_f(const char *fileName, const char *zrcFileName,
                                                        uint32_t zrcSize, int32_t payloadBytes,
                                                        int32_t payloadExtraBits, int32_t codeWidth);

/* Encodes pages startPage .. startPage + pagesToWrite - 1 of the WAV file
 * and appends them to zrcFileName (made if missing): 1,360 3-bit codes a page
 * from 11,025 Hz input, 2,046 2-bit codes from 8,000 Hz. A call with startPage
 * 0 resets the encoder state; others continue it, so consecutive ranges give
 * the bytes of one call. Past the end of the file, 11,025 Hz pages hold code 7
 * and 8,000 Hz pages encode silence. Returns 0 done (also, encoding nothing,
 * for any other rate); 1 WAV file cannot be opened; 2 ZRC file cannot be
 * opened (also when it is the WAV file itself); 5 bits per sample neither 8
 * nor 16; 6 no "data" tag (nothing written on 1 to 6); 7 the pages did not
 * all reach the disk. */
PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_encoder(const char *fileName, const char *zrcFileName,
                                                     uint32_t startPage, uint32_t pagesToWrite);

/* As wav_zrc_encoder for codeWidth-bit codes in pages of payloadBytes * 8 +
 * payloadExtraBits bits (low 16 bits of each), cut to whole codes; page flag
 * 1 for width 2, else 0. Any rate and format is encoded; past the end of the
 * file, silence. Returns also 3 for a payload above 4,096 bits or of no whole
 * code and 4 for a width other than 2, 3 or 4. */
PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_encoder_f(const char *fileName, const char *zrcFileName,
                                                       uint32_t startPage, uint32_t pagesToWrite,
                                                       int32_t payloadBytes, int32_t payloadExtraBits,
                                                       int32_t codeWidth);

#ifdef __cplusplus
}
#endif

#endif /* PAGECODEC_H */
