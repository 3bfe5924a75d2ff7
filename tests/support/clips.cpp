#include "tests/support/clips.h"

#include <iostream>

void writeClip(const std::filesystem::path& file, const std::vector<Picture>& pictures, const ClipFormat& format)
{
    ClipWriter writer(file.string(), pictures.at(0).width, pictures.at(0).height, format);
    for (const Picture& picture : pictures)
        writer.write(picture.bgr.data(), 3 * picture.width);
    writer.finish();
}

std::vector<std::vector<std::uint8_t>> jpegFiles(const std::filesystem::path& scratch,
                                                 const std::vector<Picture>& pictures, const std::string& options)
{
    std::vector<std::vector<std::uint8_t>> jpegs;
    for (const Picture& picture : pictures) {
        writeClip(scratch, {picture},
                  {.encoder = "mjpeg", .pixelFormat = "yuvj420p", .options = options, .container = "mjpeg"});
        jpegs.push_back(readFile(scratch));
    }
    return jpegs;
}

bool skipsRowWithoutEncoder(const std::string& encoder)
{
    if (hasEncoder(encoder))
        return false;
    std::cout << "[ SKIPPED  ] the rows that need the encoder " << encoder << ", which this FFmpeg lacks\n";
    return true;
}
