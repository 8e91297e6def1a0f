/* Orvel: the companion decoder the player uses to build playback blocks, to
 * measure and play plain WAV files and to write converted WAV files.
 *
 * Out blocks are calloc blocks stored through a block slot (a pointer-sized
 * cell); their receiver releases them with free. File names are
 * NUL-terminated byte strings.
 *
 * Playback decoding (pb_adpcm_dec) and the conversion (AdpcmDecHeader,
 * AdpcmDecx) each keep one library-wide decoder of their own: calls of one
 * family must not run concurrently, and neither disturbs the other.
 */
#ifndef ORVEL_H
#define ORVEL_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define ORVEL_CALL __stdcall
#else
#define ORVEL_CALL
#endif
#if defined(_WIN32)
#if defined(ORVEL_BUILDING)
#define ORVEL_API __declspec(dllexport)
#else
#define ORVEL_API __declspec(dllimport)
#endif
#elif defined(ORVEL_BUILDING)
#define ORVEL_API __attribute__((visibility("default")))
#else
#define ORVEL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Stores a new 100-byte header block in *slot (a 44-byte RIFF/WAVE header for
 * 16-bit mono PCM with the data size 528,000,000, then zeros) and copies the
 * same 100 bytes to buffer; either may be null. rateSelector: 11 announces
 * 11,025 Hz, 22 announces 22,050 Hz (double-speed cue and review), 8
 * announces 8,000 Hz; any other value announces 11,025 Hz, the rate of the
 * blocks pb_adpcm_dec makes. Returns 0. */
ORVEL_API int32_t ORVEL_CALL SoundSet11k16bit(void **slot, int32_t rateSelector, uint8_t *buffer);

/* Decodes count codes of one page (at most 2,048 are taken; rate code 7, 8
 * or 11; width 2, 3 or 4), continuing Orvel's playback decoder, into a new
 * block of 16-bit samples at 11,025 Hz stored in *slot, and returns the
 * number of samples: count at rate 11, 2,816 (width 2) or 1,408 at rate 8,
 * 3,215 at rate 7. Each sample is twice the decoder's result, held to the
 * 16-bit range. Missing codes at rates 7 and 8 play as silence. mode 1 only
 * resets the decoder and returns 0; another rate code or width, a null slot
 * or null codes return 0 without decoding; all of these leave *slot as it
 * was. */
ORVEL_API int32_t ORVEL_CALL pb_adpcm_dec(int32_t rate, int32_t width, int32_t count,
                                          const uint8_t *codes, void **slot, int32_t mode);

/* Length in bytes of the sample data of a PCM WAV file: its "data" chunk,
 * clipped to what the file holds (at most 2,147,483,646). info[50] = rate code
 * (11 for 11,025 Hz, 8 for 8,000 Hz), info[51] = bits per sample (8 or 16); no
 * other byte is written, and none on failure. -1: cannot open (missing, a
 * folder, no name); -10: not a RIFF WAVE file; -20: not 11,025/8,000 Hz mono
 * 8/16-bit PCM; -30: damaged (no "fmt " or no "data" chunk). The other
 * arguments are not used; the slot is not touched. */
ORVEL_API int32_t ORVEL_CALL WavPlx(const char *fileName, int32_t two, uint8_t zero, void **slot,
                                    int32_t zero1, int32_t zero2, uint8_t *info);

/* Describes a PCM WAV file for test playback: info[0] = rate code (11 or 8),
 * info[1] = bytes per sample (1 or 2), info[2] = data start - 1 (the file
 * offset of the first sample byte, less one). Returns the data length in
 * bytes as WavPlx does, or WavPlx's error codes, or -40 when the data starts
 * beyond offset 256, which info[2] cannot describe. info is written only on
 * success and may be null. */
ORVEL_API int32_t ORVEL_CALL GetWavType(const char *fileName, uint8_t *info);

/* Stores in *slot a new block of 16-bit little-endian samples made from the
 * part of the file's bytes [start, start + length) that lies in its data
 * chunk, from the first whole sample on (unsigned 8-bit samples u become
 * (u - 128) * 256); returns the block's byte length. sampleSize is the file's
 * bytes per sample, as GetWavType gives it. *slot always receives the new
 * block or, when none is made, null: the stretch holds no whole sample or
 * memory runs out (result 0), or the file is refused (GetWavType's error
 * codes; -20 also when sampleSize is not the file's). No slot: result 0. */
ORVEL_API int32_t ORVEL_CALL PcmWavPlay(const char *fileName, uint8_t sampleSize, int32_t start,
                                        int32_t length, void **slot);

/* Begins converting a recording into the PCM WAV file wavFileName (pcmBit
 * 1 = 8-bit, 2 = 16-bit samples, mono). rate0/bits0 and rate1/bits1 are the
 * rate codes and code widths of the two page types, pages0 and pages1 how
 * many pages of each type the recording holds.
 * A recording with pages of one type is written at its own rate (11,025 Hz
 * for rate 11 of type 0; 8,000 Hz for rate 8, and for rate 7 of type 1 with
 * every 7th code of a page written twice), one sample per code: the bytes
 * AdpcmDec1 of PageCodec writes. A recording with both types, or one whose
 * type has no such rate (type 0 at rate 7, type 1 at rate 11), is written at
 * 11,025 Hz, every page brought there as pb_adpcm_dec brings it.
 * Creates (truncates) the file, writes a 44-byte header announcing the
 * samples of pages of the usual payload (1,360 codes at width 3, 1,024 at
 * width 4, 2,046 at width 2, 2,048 at width 2 and rate 8), copies that header
 * to scratch (44 bytes; may be null), resets the conversion's decoder and
 * returns the bytes the finished file needs (held to 2,147,483,647). -1,
 * nothing created: pcmBit not 1 or 2, a type with pages but a rate code or
 * width that cannot be decoded, more samples than a WAV file can describe.
 * -1 also when the file cannot be created or its header written (no file is
 * left then). A new call ends the conversion of the one before. */
ORVEL_API int32_t ORVEL_CALL AdpcmDecHeader(const char *wavFileName, int32_t pcmBit, int32_t rate0,
                                            int32_t rate1, int32_t bits0, int32_t bits1,
                                            int32_t pages0, int32_t pages1, uint8_t *scratch);

/* mode 1: resets the conversion's decoder and returns 0; the other
 * arguments are not used. Any other mode (0, or 2 for a recording with both
 * page types; the layout was fixed by AdpcmDecHeader's page counts) decodes
 * count codes of one page (at most 2,048; rate code and width of the page's
 * type), continuing the decoder from the call before, and appends the
 * samples to wavFileName. Every call opens and closes the file and leaves
 * the header's two sizes telling the samples in it, so the file is complete
 * once the last page is appended; no closing call is needed. Returns 0 when
 * the page was appended; -1, nothing written: wavFileName or pcmBit is not
 * that of the last successful AdpcmDecHeader, the conversion has ended, or
 * codes is null; -2: the file no longer exists (or lost its header): it is
 * not made again and the conversion ends; -3: the write failed and the
 * conversion ends, the file cut to the whole samples that reached it and its
 * header telling them. */
ORVEL_API int32_t ORVEL_CALL AdpcmDecx(const char *wavFileName, const uint8_t *codes, int32_t rate,
                                       int32_t width, int32_t count, int32_t pcmBit, int32_t mode);

#ifdef __cplusplus
}
#endif

#endif /* ORVEL_H */
