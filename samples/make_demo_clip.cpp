// make_demo_clip FILE
// Writes a short losslessly coded clip of a still street scene that a bright
// ball crosses: the averaged bitmap of this clip shows the street without it.

#include "samples/clip_writer.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <vector>

namespace {

constexpr int width = 320;
constexpr int height = 240;
constexpr int frames = 30;
constexpr int ballRadius = 5;
constexpr int ballStep = 2 * ballRadius + 1;  // so no pixel is covered twice

struct Colour {
    std::uint8_t blue, green, red;
};

Colour scene(int x, int y)
{
    for (int house = 0; house < 4; ++house) {  // four houses on the skyline
        int left = 20 + house * 75;
        if (x >= left && x < left + 55 && y >= 70 + 12 * house && y < 190) {
            bool window = (x - left) % 18 > 8 && (y - 70) % 24 > 12;
            return window ? Colour{60, 200, 230} : Colour{std::uint8_t(70 + 30 * house), 90, 140};
        }
    }
    if (y < 110)  // sky, lighter towards the horizon
        return {std::uint8_t(255 - y), std::uint8_t(200 - y / 2), std::uint8_t(120 + y / 2)};
    return {50, 110, 80};  // grass
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_clip FILE\n");
        return 2;
    }
    try {
        // FFV1 version 1, the same file from every FFmpeg (from FFmpeg 8 the
        // default is version 3).
        ClipWriter writer(argv[1], width, height,
                          ClipFormat{.encoder = "ffv1", .pixelFormat = "bgr0", .options = "level=1"});
        std::vector<std::uint8_t> picture(3 * width * height);
        for (int frame = 0; frame < frames; ++frame) {
            const int ballX = ballRadius + frame * ballStep;
            const int ballY = 60 + int(40 * std::sin(frame / 4.0));
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    Colour colour = scene(x, y);
                    const bool ball = (x - ballX) * (x - ballX) + (y - ballY) * (y - ballY) <= ballRadius * ballRadius;
                    if (ball)
                        colour = {255, 255, 255};
                    std::uint8_t* pixel = &picture[3 * (y * width + x)];
                    pixel[0] = colour.blue;
                    pixel[1] = colour.green;
                    pixel[2] = colour.red;
                }
            writer.write(picture.data(), 3 * width);
        }
        writer.finish();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "make_demo_clip: %s\n", failure.what());
        return 1;
    }
    return 0;
}
