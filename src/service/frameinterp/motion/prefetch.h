// Asks for the cache line at p to be brought into the second-level cache
// ahead of its use, to be read (FRAMEINTERP_PREFETCH) or written
// (FRAMEINTERP_PREFETCH_FOR_WRITE): a hint, never a fault, and nothing where
// the compiler has no such hint. The passes that use it ask for lines a band
// of rows ahead, far enough that the first-level cache would drop them again
// before their use.
#pragma once

#if defined(__GNUC__)
#define FRAMEINTERP_PREFETCH(p) __builtin_prefetch(p, 0, 2)
#define FRAMEINTERP_PREFETCH_FOR_WRITE(p) __builtin_prefetch(p, 1, 2)
#else
#define FRAMEINTERP_PREFETCH(p) static_cast<void>(p)
#define FRAMEINTERP_PREFETCH_FOR_WRITE(p) static_cast<void>(p)
#endif
