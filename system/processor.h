// What the processor runs beyond the baseline of its kind, for the per-pixel
// kernels that have a vectorised form: one choice, made here, for them all.
#pragma once

// Whether the processor runs AVX2 instructions: x86-64 processors from 2013
// on; no other kind.
bool processorHasAvx2();

// Marks a function to be compiled for AVX2 where the compiler targets
// x86-64; elsewhere it is compiled as any other, and never chosen.
#if defined(__x86_64__)
#define TARGET_AVX2 [[gnu::target("avx2")]]
#else
#define TARGET_AVX2
#endif

// The kernel for this processor: the AVX2 one where there is one (not null)
// and the processor runs it, else the plain one.
template <typename Kernel>
Kernel kernelFor(Kernel plain, Kernel avx2)
{
    return avx2 && processorHasAvx2() ? avx2 : plain;
}
