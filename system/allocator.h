// Tunes the C library's allocator for a program that allocates and frees
// frame-sized buffers for every frame on several threads. Call once, at
// start-up, before other threads start.
#pragma once

void tuneAllocator();
