/* Orvik: the dice-rolling module's host routines.
 *
 * A host loads the module (liborvik.so, or orvik.dll on 32-bit Windows), calls LoadDll once, then
 * calls DiceMain or SneakAttack with a roll text such as "2d6+3*2" in its data buffer. The routine
 * leaves one NUL-terminated answer in that buffer, "rolls 2d6+3*2 and gets 17." or a message that
 * begins "Dice Error: ", and returns 3 either way.
 *
 * The data buffer must hold at least max(ORVIK_MIN_HOST_BUFFER, length of the text + 1) bytes;
 * the module never writes past that many. The five other arguments of a roll routine and the
 * argument of LoadDll are the host's own and are ignored.
 */
#ifndef ORVIK_H
#define ORVIK_H

#include <stdint.h>

/* The fewest bytes a host's data buffer holds, however short the text: the room the module may
 * use for its answer. A macro, so that C hosts can size arrays with it. */
#define ORVIK_MIN_HOST_BUFFER 512 /* NOLINT(cppcoreguidelines-macro-usage) */

#if defined(_WIN32)
#define ORVIK_CALL __stdcall
#if defined(ORVIK_BUILDING_MODULE)
#define ORVIK_API __declspec(dllexport)
#else
#define ORVIK_API __declspec(dllimport)
#endif
#else
#if defined(ORVIK_STDCALL) && defined(__i386__)
/* A 32-bit x86 build with the Windows routines' convention, for testing it where Wine cannot
 * run; hosts of that build must define ORVIK_STDCALL too. */
#define ORVIK_CALL __attribute__((stdcall))
#else
#define ORVIK_CALL
#endif
#define ORVIK_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Seeds the calling thread's generator from the clock. */
ORVIK_API void ORVIK_CALL LoadDll(void* ignored);

/* One roll of the text in data. */
ORVIK_API int32_t ORVIK_CALL DiceMain(void* a1, void* a2, char* data, void* a4, void* a5, void* a6);

/* One sneak attack: data holds "<sneak dice> <main roll>", such as "3d6 d8+2". */
ORVIK_API int32_t ORVIK_CALL SneakAttack(void* a1, void* a2, char* data, void* a4, void* a5,
                                         void* a6);

/* Seeds the calling thread's generator with a fixed value, for reproducible runs. */
ORVIK_API void ORVIK_CALL OrvikSeed(uint32_t seed);

/* The same routines as function pointer types, for hosts that look them up by name. */
typedef void(ORVIK_CALL* OrvikLoadDllFn)(void*);
typedef int32_t(ORVIK_CALL* OrvikRollFn)(void*, void*, char*, void*, void*, void*);
typedef void(ORVIK_CALL* OrvikSeedFn)(uint32_t);

#ifdef __cplusplus
}
#endif

#endif /* ORVIK_H */
