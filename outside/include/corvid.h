/* Corvid: background playback of PCM blocks (one implicit playback, no handles).
 *
 * A block slot is a pointer-sized cell that holds the address of a block
 * allocated with calloc; the caller passes the slot's address, not the
 * block's. Corvid takes ownership of every block it is handed and releases
 * it with free: the caller never frees a block it queued.
 *
 * Call from one thread; the sound plays on SDL's audio thread.
 */
#ifndef CORVID_H
#define CORVID_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define CORVID_CALL __stdcall
#else
#define CORVID_CALL
#endif
#if defined(_WIN32)
#if defined(CORVID_BUILDING)
#define CORVID_API __declspec(dllexport)
#else
#define CORVID_API __declspec(dllimport)
#endif
#elif defined(CORVID_BUILDING)
#define CORVID_API __attribute__((visibility("default")))
#else
#define CORVID_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Prepares a new, empty playback. Returns 0. */
CORVID_API int32_t CORVID_CALL WavCreate(void);

/* The first block after WavCreate is the header block: its RIFF "fmt " fields
 * (rate, channels, bits) choose the output format and length is ignored.
 * Every later block is `length` bytes of PCM, queued to play in order with no
 * gap. Returns at once with 0. */
CORVID_API int32_t CORVID_CALL WavAddPlayData(void **slot, int32_t length);

/* -2 when nothing is playing or all queued data has been heard; otherwise the
 * number of data blocks already played completely. */
CORVID_API int32_t CORVID_CALL WavNowPlay(void);

/* Silences the playback at once and drops the queue. Harmless in every state. */
CORVID_API int32_t CORVID_CALL WavStop(void);

/* Ends the playback, closes the device and frees every block it was handed.
 * Harmless in every state. */
CORVID_API int32_t CORVID_CALL WavDestroy(void);

#ifdef __cplusplus
}
#endif

#endif /* CORVID_H */
