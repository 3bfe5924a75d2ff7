#include "tests/support/pictures.h"

#include "video/ffmpeg_raii.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

std::vector<Picture> noisePictures(int width, int height, int count, std::uint32_t seed)
{
    std::vector<Picture> pictures;
    std::uint32_t state = seed;
    for (int i = 0; i < count; ++i) {
        Picture picture{width, height, std::vector<std::uint8_t>(std::size_t(3) * width * height)};
        for (std::uint8_t& byte : picture.bgr) {
            state = state * 1664525u + 1013904223u;
            byte = std::uint8_t(state >> 24);
        }
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

std::vector<Picture> movingSquarePictures(int width, int height, int count)
{
    std::vector<Picture> pictures;
    const int side = std::max(4, width / 10);
    for (int i = 0; i < count; ++i) {
        Picture picture{width, height, std::vector<std::uint8_t>(std::size_t(3) * width * height)};
        const int left = (i * (width - side)) / std::max(1, count - 1);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* pixel = &picture.bgr[3 * (std::size_t(y) * width + x)];
                const bool square = x >= left && x < left + side && y >= height / 3 && y < height / 3 + side;
                pixel[0] = square ? 250 : std::uint8_t(40 + 150 * x / width);
                pixel[1] = square ? 250 : std::uint8_t(60 + 120 * y / height);
                pixel[2] = square ? 250 : 90;
            }
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

std::vector<std::uint8_t> bitmapRows(const Picture& picture, int bitCount, bool topDown)
{
    const std::size_t pixelBytes = std::size_t(bitCount) / 8;
    const std::size_t stride = (pixelBytes * std::size_t(picture.width) + 3) & ~std::size_t(3);
    std::vector<std::uint8_t> rows(stride * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        std::uint8_t* stored = &rows[std::size_t(topDown ? y : picture.height - 1 - y) * stride];
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* bgr = &picture.bgr[3 * (std::size_t(y) * picture.width + x)];
            if (bitCount == 16)
                stored[2 * std::size_t(x)] = bgr[0] >> 3;
            else
                std::copy_n(bgr, std::min<std::size_t>(pixelBytes, 3), stored + pixelBytes * std::size_t(x));
        }
    }
    return rows;
}

std::vector<std::uint8_t> expectedAverage(const std::vector<Picture>& pictures, std::vector<int> shown)
{
    if (shown.empty())
        shown.assign(pictures.size(), 1);
    const int width = pictures.at(0).width;
    const int height = pictures.at(0).height;
    std::vector<std::uint8_t> result(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::vector<int> values;
            for (std::size_t i = 0; i < pictures.size(); ++i)
                values.insert(values.end(), shown[i], pictures[i].bgr[3 * (std::size_t(y) * width + x)]);
            if (values.size() < 2)
                continue;
            std::sort(values.begin(), values.end());
            values.pop_back();
            long long sum = 0;
            for (int value : values)
                sum += value;
            result[std::size_t(y) * width + x] = std::uint8_t(sum / (long long)values.size());
        }
    return result;
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!file.flush())
        throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::uint8_t> bmpPixels(const std::filesystem::path& path)
{
    std::vector<std::uint8_t> file = readFile(path);
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_BMP);
    FramePtr picture(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!picture || !packet || !decoder || avcodec_open2(decoder.get(), codec, nullptr) < 0 ||
        av_new_packet(packet.get(), int(file.size())) < 0)
        throw std::runtime_error("cannot set up FFmpeg's BMP decoder");
    std::copy(file.begin(), file.end(), packet->data);
    if (avcodec_send_packet(decoder.get(), packet.get()) < 0 || avcodec_receive_frame(decoder.get(), picture.get()) < 0)
        throw std::runtime_error("FFmpeg cannot decode " + path.string());
    if (picture->format != AV_PIX_FMT_PAL8)
        throw std::runtime_error(path.string() + " is not an 8-bit palettized bitmap");
    // Each index through the palette, whose entries must be grey.
    const auto* palette = reinterpret_cast<const std::uint32_t*>(picture->data[1]);
    std::vector<std::uint8_t> pixels;
    for (int row = 0; row < picture->height; ++row)
        for (int x = 0; x < picture->width; ++x) {
            const std::uint32_t colour = palette[picture->data[0][std::ptrdiff_t(row) * picture->linesize[0] + x]];
            const std::uint8_t blue = std::uint8_t(colour);
            if (std::uint8_t(colour >> 8) != blue || std::uint8_t(colour >> 16) != blue)
                throw std::runtime_error(path.string() + " has a palette entry that is not grey");
            pixels.push_back(blue);
        }
    return pixels;
}

int largestDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    if (a.size() != b.size())
        throw std::runtime_error("sizes differ");
    int largest = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        largest = std::max(largest, std::abs(int(a[i]) - int(b[i])));
    return largest;
}

std::set<std::string> filesIn(const std::filesystem::path& directory)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    return names;
}

ScratchDirectory::ScratchDirectory()
{
    // A name no other test has taken: an existing directory is not made anew.
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = std::filesystem::temp_directory_path() / ("aviavg-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(path_))
            return;
    }
    throw std::runtime_error("cannot make a scratch directory");
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
