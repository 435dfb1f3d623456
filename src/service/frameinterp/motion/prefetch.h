// Asks for the cache line at p ahead of its use: a hint, never a fault, and
// nothing where the compiler has no such hint.
#pragma once

#if defined(__GNUC__)
#define FRAMEINTERP_PREFETCH(p) __builtin_prefetch(p)
#else
#define FRAMEINTERP_PREFETCH(p) static_cast<void>(p)
#endif
