// How the chunks or packets of a stream map to frame positions. In AVI each
// chunk is one position, empty ones (dropped frames) too, and its timestamp
// counts chunks from the stream's first. Elsewhere each picture shown takes
// the next position, and packets whose pictures are hidden (by an edit list)
// take none.
#pragma once

#include <cstdint>
#include <optional>

struct AVPacket;

class PositionNumbering {
public:
    explicit PositionNumbering(bool chunksAreFrames) : chunksAreFrames_(chunksAreFrames) {}

    // The packet's position; none for a picture that is not shown. Positions
    // only grow.
    std::optional<std::int64_t> number(const AVPacket& packet);

    // The position after the last one numbered.
    std::int64_t next() const { return next_; }

private:
    bool chunksAreFrames_;
    std::optional<std::int64_t> firstDts_;
    std::int64_t next_ = 0;
};
