// Reads the frames of a video file's first video stream as 24-bit pictures.
#pragma once

#include "avi_stream.h"
#include "bgr_frame.h"
#include "local_file.h"
#include "picture_converter.h"

#include <cstdint>
#include <optional>

class AviFrameReader {
public:
    // Opens the first video stream of the file, which must stay open while
    // the reader lives. Throws std::runtime_error with a reason a person
    // understands when the file cannot be read as video.
    explicit AviFrameReader(const LocalFile& file);

    // In AVI as the file's header records it, dropped frames included.
    std::int32_t frameCount() const { return frameCount_; }
    // The size the stream's header states; the frames have the size of the
    // pictures, which may differ.
    std::int32_t headerWidth() const;
    std::int32_t headerHeight() const;

    // Frame k, valid until the next call on this reader; none when it cannot
    // be produced (a damaged or truncated file). Throws std::runtime_error
    // when its picture is too large or has another size than the first one.
    std::optional<BgrFrame> readFrame(std::int32_t k);

    // How many frames from k on show the picture of frame k: more than one
    // where dropped frames repeat it.
    std::int32_t framesShowing(std::int32_t k);

    // The first key frame at or after k (a frame that decodes without the
    // frames before it), or -1 when there is none or the file has no index.
    std::int32_t nextKeyFrame(std::int32_t k);

private:
    AviStream stream_;
    PictureConverter converter_;
    std::int32_t frameCount_;
    std::optional<std::pair<int, int>> pictureSize_;  // of the first picture read
};
