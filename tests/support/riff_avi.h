// Builds AVI files byte by byte, for the cases a muxer will not write:
// dropped (empty) frames, an audio stream first, several video streams,
// palettized and top-down bitmaps, a start offset, a header that claims more
// frames than the file holds, no index.
#pragma once

#include "tests/support/pictures.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct RiffVideoStream {
    int width = 0;
    int height = 0;
    int bitCount = 24;                 // 8 (with a palette), 16, 24 or 32
    const char* codec = nullptr;       // a four-character code; none: uncompressed
    bool topDown = false;              // negative height in the format
    std::vector<std::uint32_t> palette = {};  // 0x00RRGGBB entries, for 8 bits
    std::uint32_t start = 0;           // the stream's start offset, in frames
    std::int64_t claimedLength = -1;   // the header's length; -1: the frames written
    std::vector<std::uint32_t> masks = {};  // red, green, blue (BI_BITFIELDS); none: BI_RGB
};

class RiffAvi {
public:
    int addVideo(const RiffVideoStream& stream);
    int addAudio();

    // A frame already in the stream's stored layout (rows padded to four
    // bytes, in the order the format's height sign says). Empty: a dropped frame.
    void addChunk(int stream, std::vector<std::uint8_t> data);
    // An index entry with no chunk in the file: of size 0 (at the offset of
    // the chunk before it), a dropped frame that only the index records; of
    // another size, an entry that points past the end of the file.
    void addIndexOnlyEntry(int stream, std::uint32_t size = 0);
    // A palette change for an 8-bit stream: new 0x00RRGGBB entries from the
    // first on, for the frames that follow.
    void addPaletteChange(int stream, const std::vector<std::uint32_t>& palette);

    std::vector<std::uint8_t> bytes(bool withIndex = true) const;
    void save(const std::filesystem::path& path, bool withIndex = true) const;

private:
    struct Stream {
        bool video;
        RiffVideoStream format;
        std::uint32_t chunks = 0;
    };
    struct Chunk {
        int stream;
        std::vector<std::uint8_t> data;
        bool stored = true;
        const char* type = nullptr;  // "pc"; none: the stream's data chunk
        std::uint32_t indexedSize = 0;
    };
    std::vector<Stream> streams_;
    std::vector<Chunk> chunks_;
};

// An uncompressed 24-bit AVI of the pictures, each followed by empty chunks
// (dropped frames) so that it is shown the given number of times (once when
// `shown` is empty). The format's size is the pictures'.
// Where a four-character code first occurs in a file's bytes.
std::size_t findFourcc(const std::vector<std::uint8_t>& bytes, const char* code);
// Writes a little-endian 32-bit value into a file's bytes.
void putU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);

RiffAvi uncompressedAvi(const std::vector<Picture>& pictures, RiffVideoStream format = {},
                        const std::vector<int>& shown = {});
