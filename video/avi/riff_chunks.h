// Chunks of an AVI file's RIFF structure, found on our own through the open
// file, for what FFmpeg's demuxer does not hand over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>

class LocalFile;

// Where a chunk's data lies: after its id and size, and, in a list, after
// the list's type.
struct RiffChunk {
    std::int64_t offset = 0;
    std::uint32_t size = 0;
};

// Whether two characters are the number of the stream with the given number
// (0 to 99), as chunk ids begin with it ("03db") or end with it ("ix03").
bool isStreamNumber(const unsigned char* digits, int stream);

// Whether a chunk id is that of a video chunk of the stream: "03db"
// (uncompressed) or "03dc" for stream 3.
bool isVideoChunk(const unsigned char* id, int stream);

// Whether the file holds `size` bytes at `offset`, read into `buffer`.
bool readAt(const LocalFile& file, void* buffer, std::size_t size, std::int64_t offset);

// The data of the file's first RIFF list, of type 'AVI '; none in any other
// file.
std::optional<RiffChunk> aviList(const LocalFile& file);

// A chunk inside a list with its id, or a list inside it with its type.
struct NamedChunk {
    char id[4];
    RiffChunk chunk;
    bool is(const char* name) const { return std::memcmp(id, name, 4) == 0; }
};

// Hands the chunks and lists inside a list to `visit` in order, as far as
// they can be read, until it returns false.
void forEachChunk(const LocalFile& file, RiffChunk list, const std::function<bool(const NamedChunk&)>& visit);

// The chunk inside a list whose id is `id`, or the list inside it whose type
// is `id` ("hdrl", "strl"), after `skip` others of that id; none when there
// is no such chunk.
std::optional<RiffChunk> findChunk(const LocalFile& file, RiffChunk list, const char* id, int skip = 0);
