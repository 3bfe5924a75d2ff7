#include "system/allocator.h"

// The Windows heap has no such settings: it keeps freed blocks of any size
// for reuse and serves every thread from one heap.
void tuneAllocator() {}
