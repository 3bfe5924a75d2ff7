// Writes a video through FFmpeg's encoders and muxers, in the container its
// file name's extension names (.avi, .mp4, .mkv, ...), from pictures given as
// top-down 24-bit blue-green-red rows.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct ClipFormat {
    std::string encoder;      // an FFmpeg encoder name: "ffv1", "mjpeg", "libx264", ...
    std::string pixelFormat;  // what the encoder is fed: "bgr0", "yuv420p", ...
    int keyFrameInterval = 0;  // 0: the encoder's default
    std::string options = {};    // encoder options, "key=value:key=value"
    std::string container = {};  // "avi", "mp4", ...; empty: the file name's extension says
    std::string colorspace = {};  // the matrix the stream signals: "bt709", "bt2020nc", ...; empty: none
    std::string colorRange = {};  // "tv" (limited) or "pc" (full); empty: none
    std::vector<std::int32_t> displayMatrix = {};  // the stream's, 9 values (libavutil/display.h); empty: none
};

// Whether this FFmpeg has the encoder (a Windows build may lack libx264).
bool hasEncoder(const std::string& name);

class ClipWriter {
public:
    // Throws std::runtime_error when the file or the encoder cannot be set up.
    ClipWriter(const std::string& path, int width, int height, const ClipFormat& format, int framesPerSecond = 25);
    ~ClipWriter();

    // Encodes one picture: height rows of width blue, green, red bytes each,
    // top row first, rows `stride` bytes apart; by default it follows the
    // previous one after one frame's time, else at `time` (in frames).
    void write(const std::uint8_t* bgr, int stride, std::int64_t time = -1);

    // Encodes one picture given in the encoder's own pixel format: `fill`
    // writes its planes (and the palette of a palettized format).
    using PlaneFiller = std::function<void(std::uint8_t* const* planes, const int* strides)>;
    void writePlanes(const PlaneFiller& fill, std::int64_t time = -1);

    // Flushes the encoder and writes the index. Throws on failure.
    void finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};
