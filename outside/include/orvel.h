/* Orvel: the companion decoder the player uses to build playback blocks, to
 * measure and play plain WAV files and to write converted WAV files.
 *
 * Out blocks are calloc blocks stored through a block slot (a pointer-sized
 * cell); their receiver releases them with free. File names are
 * NUL-terminated byte strings.
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
 * 16-bit mono PCM, then zeros) and copies the same 100 bytes to buffer.
 * rateSelector: 11 announces 11,025 Hz, 22 announces 22,050 Hz (double-speed
 * cue and review), 8 announces 8,000 Hz. Returns 0. */
ORVEL_API int32_t ORVEL_CALL SoundSet11k16bit(void **slot, int32_t rateSelector, uint8_t *buffer);

/* Decodes count codes of one page (rate code 7, 8 or 11; width 2, 3 or 4)
 * into a new block of 11,025 Hz 16-bit samples stored in *slot, and returns
 * the number of samples. mode 1 only resets the decoder and returns 0. */
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

/* Creates wavFileName with the header of the converted recording (pcmBit 1 =
 * 8-bit, 2 = 16-bit) and returns the bytes the finished file needs, or -1
 * when the file cannot be created. */
ORVEL_API int32_t ORVEL_CALL AdpcmDecHeader(const char *wavFileName, int32_t pcmBit, int32_t rate0,
                                            int32_t rate1, int32_t bits0, int32_t bits1,
                                            int32_t pages0, int32_t pages1, uint8_t *scratch);

/* mode 1: resets the decoder (the first call). Otherwise appends the samples
 * of one page's codes to wavFileName, opening and closing it at every call
 * and keeping its header true; mode 2 when the recording mixes page types. */
ORVEL_API int32_t ORVEL_CALL AdpcmDecx(const char *wavFileName, const uint8_t *codes, int32_t rate,
                                       int32_t width, int32_t count, int32_t pcmBit, int32_t mode);

#ifdef __cplusplus
}
#endif

#endif /* ORVEL_H */
