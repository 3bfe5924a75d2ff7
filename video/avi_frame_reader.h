// Reads the frames of a video file's first video stream as 24-bit bitmaps,
// through the AVIFile functions.
#pragma once

#include "avifile.h"
#include "bgr_frame.h"
#include "local_file.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <type_traits>

class AviFrameReader {
public:
    // Opens the first video stream of the file, which must stay open while
    // the reader lives. Throws std::runtime_error with a reason a person
    // understands when the file cannot be read as video.
    explicit AviFrameReader(const LocalFile& file);
    AviFrameReader(const AviFrameReader&) = delete;
    AviFrameReader& operator=(const AviFrameReader&) = delete;

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    // As the file's header records it, dropped frames included.
    std::int32_t frameCount() const { return frameCount_; }

    // Frame k, valid until the next call on this reader; none when it cannot
    // be produced (a damaged or truncated file).
    std::optional<BgrFrame> readFrame(std::int32_t k);

    // How many frames from k on show the picture of frame k: more than one
    // where dropped frames repeat it.
    std::int32_t framesShowing(std::int32_t k);

    // The first key frame at or after k (a frame that decodes without the
    // frames before it), or -1 when there is none or the file has no index.
    std::int32_t nextKeyFrame(std::int32_t k);

private:
    struct Library {
        Library() { AVIFileInit(); }
        ~Library() { AVIFileExit(); }
    };
    struct StreamReleaser {
        void operator()(PAVISTREAM stream) const { AVIStreamRelease(stream); }
    };
    struct FramesCloser {
        void operator()(PGETFRAME frames) const { AVIStreamGetFrameClose(frames); }
    };

    Library library_;
    std::unique_ptr<std::remove_pointer_t<PAVISTREAM>, StreamReleaser> stream_;
    std::unique_ptr<std::remove_pointer_t<PGETFRAME>, FramesCloser> frames_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t frameCount_ = 0;
};
