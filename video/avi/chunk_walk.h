// The chunks of one stream of an AVI file in the order FFmpeg's demuxer reads
// them when it reads the file from start to end, found by walking the chunks'
// headers from the start of the 'movi' list to the end of the file, without
// reading their data.
#pragma once

#include "video/avi/riff_chunks.h"

#include <cstdint>
#include <optional>
#include <vector>

class LocalFile;

// A chunk of the stream that holds a picture.
struct StoredChunk {
    std::int64_t offset;    // of its header; the data follows 8 bytes on
    std::uint32_t size;     // of its data
    std::int32_t position;  // among the stream's chunks, empty ones counted
};

struct ChunkLayout {
    std::vector<StoredChunk> pictures;  // the chunks with data, in the file's order
    std::int64_t chunks = 0;            // every chunk of the stream, empty ones too
};

// The layout of the chunks of the stream with the given number in the file's
// movi list and after it, reading no more than `most` of them. None for a file where the demuxer would do
// anything else than step from chunk to chunk: a chunk it would not know
// (it would search the bytes for the next one), one that runs past the end of
// the file, a palette change, another stream's chunk, or more chunks than
// `most`.
std::optional<ChunkLayout> walkChunks(const LocalFile& file, RiffChunk movi, int stream, std::int64_t most);
