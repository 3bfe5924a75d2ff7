// Reads every picture of a video file's first video stream, in any container
// FFmpeg reads, in one pass over the file: its blue bytes, and how many frames
// show it (more than one where dropped frames repeat it).
#pragma once

#include "video/blue_rows.h"
#include "video/frame_count.h"
#include "video/orientation.h"
#include "system/local_file.h"

#include <cstdint>
#include <functional>
#include <memory>

class VideoFrameReader {
public:
    // Opens the first video stream of the file, which must stay open while
    // the reader lives, and reads its first coded picture. Throws
    // std::runtime_error with a reason a person understands when the file
    // cannot be read as video.
    explicit VideoFrameReader(const LocalFile& file);
    ~VideoFrameReader();
    VideoFrameReader(const VideoFrameReader&) = delete;
    VideoFrameReader& operator=(const VideoFrameReader&) = delete;

    // As the container states it (frame_count.h).
    FrameCount frameCount() const;
    // The pictures' size, as the stream crops them (before any turn): the
    // first one's, or the header's when none decoded.
    std::int32_t width() const;
    std::int32_t height() const;
    // How the pictures are to be turned to be shown upright.
    Orientation orientation() const;
    // Whether the frames are read where they lie in the file (uncompressed
    // AVI), each worker reading its own, rather than copied out by the demuxer.
    bool readsFramesInPlace() const;

    // The memory one more worker takes, in bytes: its decoder's picture, and
    // coded pictures of the file's average size (or the largest read so far),
    // one waiting for the decoder and one in it, which the decoder may copy
    // once more.
    std::int64_t workerMemory() const;

    // Whether reading with this many workers keeps every core of the machine
    // busy: as many decoders of pictures coded on their own, or a decoder
    // with threads of its own, which it gets for pictures large enough (from
    // 640x360) for threads to pay off.
    bool fillsCores(unsigned workers) const;

    // Takes a picture: the worker that read it, its blue bytes (valid during
    // the call) and how many frames show it.
    using PictureSink = std::function<void(unsigned worker, const BlueRows& blue, std::int64_t frames)>;

    // Reads every picture. Codecs that code each picture on its own (MJPEG,
    // uncompressed, HuffYUV, ...) are decoded on up to `workers` threads, each
    // calling `add` with its own number below `workers`; the others by one
    // decoder, with threads of its own, calling `add` with 0 on this thread.
    // Throws std::runtime_error naming the first frame that cannot be read,
    // also one whose picture the decoder reports as damaged, or, for a video
    // without pictures, when the header's size cannot be believed.
    void readAll(unsigned workers, const PictureSink& add);

private:
    struct State;
    std::unique_ptr<State> state_;
};
