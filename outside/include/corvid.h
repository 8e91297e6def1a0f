/* Corvid: background playback of PCM blocks (one implicit playback, no handles).
 *
 * A block slot is a pointer-sized cell that holds the address of a block
 * allocated with calloc; the caller passes the slot's address, not the
 * block's. Corvid takes ownership of every block it is handed, also one that
 * nothing will play, and releases it with free: the caller never frees a
 * block it queued, and Corvid never writes to the slot.
 *
 * Call from one thread; the sound plays on SDL's audio thread. SDL_AUDIODRIVER
 * chooses the output as usual; "dummy" plays at real-time pace into nothing,
 * "disk" writes what it plays to the file SDL_DISKAUDIOFILE. When no audio
 * device can be opened every call still succeeds, nothing plays, and that is
 * said once on standard error.
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

/* Ends any playback (as WavDestroy) and prepares a new, empty one that waits
 * for its header block. Returns 0. */
CORVID_API int32_t CORVID_CALL WavCreate(void);

/* The first block after WavCreate is the header block: a RIFF/WAVE header
 * whose PCM "fmt " chunk (rate, 1 to 8 channels, 8-bit unsigned or 16- or
 * 32-bit signed samples) chooses the output format; SDL converts it for the
 * device as needed. At most its first 100 bytes are read (fewer when length
 * is positive and smaller: the player's 10000 reads 100); it is freed at
 * once. A header that cannot be played is said once on standard error and
 * its playback plays nothing.
 * Every later block is `length` bytes of samples in that format (a negative
 * length counts as 0), played after the blocks before it with no gap; a
 * block handed over twice plays twice and is freed once. A block with no
 * playback to join (before WavCreate, after WavStop, WavDestroy or a refused
 * header) is freed unplayed. A null slot or a null block in it is ignored:
 * the header block is still the next real one. Returns at once with 0. */
CORVID_API int32_t CORVID_CALL WavAddPlayData(void **slot, int32_t length);

/* -2 when nothing is playing (before the header, after WavStop or WavDestroy,
 * a refused header, no device) or all queued data has been heard; otherwise
 * the number of data blocks played completely since WavCreate. A block
 * counts once the device has taken the buffer holding its last byte and has
 * asked for more. A playback lasts at least half a second of device time from
 * its header, so the caller may poll between the header and its first data
 * block without the playback reading as over. Never -3. */
CORVID_API int32_t CORVID_CALL WavNowPlay(void);

/* Silences the playback at once (within one device buffer, 25 to 50 ms) and
 * drops the queue, freeing its blocks; the playback is over (WavNowPlay
 * gives -2) and the device stays open until WavDestroy or WavCreate.
 * Harmless in every state. */
CORVID_API int32_t CORVID_CALL WavStop(void);

/* Ends the playback, closes the device and frees every block it still holds
 * (played blocks are freed as playback goes). Harmless in every state, also
 * before the first WavCreate and when repeated. */
CORVID_API int32_t CORVID_CALL WavDestroy(void);

#ifdef __cplusplus
}
#endif

#endif /* CORVID_H */
