// How a video's pictures are to be turned to be shown upright. Phones and
// cameras often store video sideways and say so in a display matrix of the
// stream (MP4, MOV; AVI has none): players and the ffmpeg command show
// it turned, mirrored where the matrix flips it.
#pragma once

struct AVStream;

// Mirrored left to right first, then turned clockwise by quarter turns.
struct Orientation {
    int quarterTurns = 0;  // 0 to 3
    bool mirrored = false;
};

// The orientation the stream's display matrix asks for, read as the ffmpeg
// command reads it: the angle rounded to whole degrees, the flips from the
// signs of the matrix. A matrix that turns by any other angle than quarter
// turns leaves the pictures as stored: the command would turn them by that
// angle and fill the corners, which an average has no value for.
Orientation streamOrientation(const AVStream& stream);
