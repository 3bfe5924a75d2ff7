#include "tests/support/riff_avi.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace {

class Bytes {
public:
    void u16(std::uint32_t value)
    {
        out.push_back(std::uint8_t(value));
        out.push_back(std::uint8_t(value >> 8));
    }
    void u32(std::uint32_t value)
    {
        u16(value & 0xFFFF);
        u16(value >> 16);
    }
    void fourcc(const char* code) { out.insert(out.end(), code, code + 4); }
    void append(const std::vector<std::uint8_t>& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

    // Starts a chunk (or a list, given its type) and returns where its size goes.
    std::size_t open(const char* id, const char* listType = nullptr)
    {
        fourcc(id);
        std::size_t size = out.size();
        u32(0);
        if (listType)
            fourcc(listType);
        return size;
    }
    void close(std::size_t sizeAt)
    {
        std::uint32_t size = std::uint32_t(out.size() - sizeAt - 4);
        for (int i = 0; i < 4; ++i)
            out[sizeAt + i] = std::uint8_t(size >> (8 * i));
        if (out.size() % 2)
            out.push_back(0);
    }

    std::vector<std::uint8_t> out;
};

std::string chunkId(int stream, bool video)
{
    std::string id = "00" + std::string(video ? "db" : "wb");
    id[0] = char('0' + stream / 10);
    id[1] = char('0' + stream % 10);
    return id;
}

}  // namespace

int RiffAvi::addVideo(const RiffVideoStream& stream)
{
    streams_.push_back({true, stream});
    return int(streams_.size()) - 1;
}

int RiffAvi::addAudio()
{
    streams_.push_back({false, {}});
    return int(streams_.size()) - 1;
}

void RiffAvi::addChunk(int stream, std::vector<std::uint8_t> data)
{
    ++streams_.at(stream).chunks;
    chunks_.push_back({stream, std::move(data)});
}

void RiffAvi::addIndexOnlyEntry(int stream, std::uint32_t size)
{
    ++streams_.at(stream).chunks;
    chunks_.push_back({stream, {}, false, nullptr, size});
}

void RiffAvi::addPaletteChange(int stream, const std::vector<std::uint32_t>& palette)
{
    Bytes change;
    change.out = {0, std::uint8_t(palette.size()), 0, 0};  // first entry, count (0: 256), flags
    for (std::uint32_t entry : palette)
        change.out.insert(change.out.end(), {std::uint8_t(entry >> 16), std::uint8_t(entry >> 8), std::uint8_t(entry), 0});
    chunks_.push_back({stream, std::move(change.out), true, "pc"});
}

std::vector<std::uint8_t> RiffAvi::bytes(bool withIndex) const
{
    Bytes b;
    std::size_t riff = b.open("RIFF", "AVI ");
    std::size_t headers = b.open("LIST", "hdrl");

    const RiffVideoStream* main = nullptr;
    for (const Stream& stream : streams_)
        if (stream.video && !main)
            main = &stream.format;
    std::size_t avih = b.open("avih");
    b.u32(40000);                      // microseconds per frame
    b.u32(0);                          // max bytes per second
    b.u32(0);                          // padding granularity
    b.u32(withIndex ? 0x10 : 0);       // AVIF_HASINDEX
    b.u32(streams_.empty() ? 0 : streams_[0].chunks);
    b.u32(0);                          // initial frames
    b.u32(std::uint32_t(streams_.size()));
    b.u32(0);                          // suggested buffer size
    b.u32(main ? main->width : 0);
    b.u32(main ? main->height : 0);
    for (int i = 0; i < 4; ++i)
        b.u32(0);
    b.close(avih);

    for (const Stream& stream : streams_) {
        std::size_t list = b.open("LIST", "strl");
        std::size_t strh = b.open("strh");
        const RiffVideoStream& video = stream.format;
        b.fourcc(stream.video ? "vids" : "auds");
        if (video.codec)
            b.fourcc(video.codec);
        else
            b.u32(0);                  // uncompressed
        b.u32(0);                      // flags
        b.u32(0);                      // priority, language
        b.u32(0);                      // initial frames
        b.u32(1);                      // scale
        b.u32(stream.video ? 25 : 8000);  // rate
        b.u32(video.start);
        b.u32(std::uint32_t(video.claimedLength >= 0 ? video.claimedLength : stream.chunks * (stream.video ? 1 : 800)));
        b.u32(0);                      // suggested buffer size
        b.u32(~0u);                    // quality
        b.u32(stream.video ? 0 : 1);   // sample size
        b.u16(0);
        b.u16(0);
        b.u16(std::uint32_t(video.width));
        b.u16(std::uint32_t(video.height));
        b.close(strh);

        std::size_t strf = b.open("strf");
        if (stream.video) {
            const std::uint32_t stride = (std::uint32_t(video.width) * video.bitCount / 8 + 3) & ~3u;
            b.u32(40);
            b.u32(std::uint32_t(video.width));
            b.u32(std::uint32_t(video.topDown ? -video.height : video.height));
            b.u16(1);
            b.u16(std::uint32_t(video.bitCount));
            if (video.codec)
                b.fourcc(video.codec);
            else
                b.u32(video.masks.empty() ? 0 : 3);  // BI_RGB, BI_BITFIELDS
            b.u32(stride * std::uint32_t(video.height));
            b.u32(0);
            b.u32(0);
            b.u32(std::uint32_t(video.palette.size()));
            b.u32(0);
            for (std::uint32_t entry : video.masks)
                b.u32(entry);
            for (std::uint32_t entry : video.palette)
                b.u32(entry);
        } else {
            b.u16(1);                  // PCM
            b.u16(1);                  // mono
            b.u32(8000);
            b.u32(8000);
            b.u16(1);
            b.u16(8);
        }
        b.close(strf);
        b.close(list);
    }
    b.close(headers);

    struct IndexEntry {
        std::string id;
        std::uint32_t offset;
        std::uint32_t size;
    };
    std::vector<IndexEntry> index;
    std::size_t movi = b.open("LIST", "movi");
    const std::size_t moviStart = movi + 4;  // offsets count from the 'movi' code
    for (const Chunk& chunk : chunks_) {
        std::string id = chunkId(chunk.stream, streams_[chunk.stream].video);
        if (chunk.type)
            id.replace(2, 2, chunk.type);
        if (!chunk.stored) {
            const std::uint32_t previous = index.empty() ? 4 : index.back().offset;
            index.push_back({id, chunk.indexedSize == 0 ? previous : 0x7FFFFF00u, chunk.indexedSize});
            continue;
        }
        index.push_back({id, std::uint32_t(b.out.size() - moviStart), std::uint32_t(chunk.data.size())});
        std::size_t at = b.open(id.c_str());
        b.append(chunk.data);
        b.close(at);
    }
    b.close(movi);

    if (withIndex) {
        std::size_t idx1 = b.open("idx1");
        for (const IndexEntry& entry : index) {
            b.fourcc(entry.id.c_str());
            b.u32(0x10);               // AVIIF_KEYFRAME
            b.u32(entry.offset);
            b.u32(entry.size);
        }
        b.close(idx1);
    }
    b.close(riff);
    return b.out;
}

void RiffAvi::save(const std::filesystem::path& path, bool withIndex) const
{
    std::vector<std::uint8_t> data = bytes(withIndex);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    if (!file.flush())
        throw std::runtime_error("cannot write " + path.string());
}

std::size_t findFourcc(const std::vector<std::uint8_t>& bytes, const char* code)
{
    return std::size_t(std::search(bytes.begin(), bytes.end(), code, code + 4) - bytes.begin());
}

void putU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(at + i) = std::uint8_t(value >> (8 * i));
}

RiffAvi uncompressedAvi(const std::vector<Picture>& pictures, RiffVideoStream format, const std::vector<int>& shown)
{
    format.width = pictures.at(0).width;
    format.height = pictures.at(0).height;
    RiffAvi avi;
    const int video = avi.addVideo(format);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        avi.addChunk(video, bitmapRows(pictures[i], format.bitCount, format.topDown));
        for (int drop = 1; drop < (shown.empty() ? 1 : shown[i]); ++drop)
            avi.addChunk(video, {});
    }
    return avi;
}
