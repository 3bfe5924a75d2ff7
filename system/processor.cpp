#include "system/processor.h"

bool processorHasAvx2()
{
#if defined(__x86_64__)
    // Kernels are chosen while static variables are made, before main: the
    // processor's features are read in first.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}
