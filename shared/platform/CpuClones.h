#pragma once
// Hot loops compiled twice, for AVX2 and for any x86-64, the one the machine runs picked at
// start-up. A ThreadSanitizer build goes without: the picking runs before the sanitizer's own
// start-up and crashes in it.
#if defined(VARNHOLT_NO_CPU_CLONES)
#define VARNHOLT_AVX2_CLONES
#else
#define VARNHOLT_AVX2_CLONES [[gnu::target_clones("avx2", "default")]]
#endif
