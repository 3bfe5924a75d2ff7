#include "video/jpeg_tables.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/intreadwrite.h>
}

#include <algorithm>
#include <new>

namespace {

constexpr int startOfImage = 0xD8, endOfImage = 0xD9, startOfScan = 0xDA;
constexpr int quantisation = 0xDB, huffman = 0xC4;

// Takes the tables a DQT or DHT segment's data holds, each as a segment of its
// own; false where the data does not parse.
bool splitTables(int marker, const std::uint8_t* data, std::size_t size,
                 std::map<int, std::vector<std::uint8_t>>& into)
{
    for (std::size_t at = 0; at < size;) {
        std::size_t length = 0;
        if (marker == quantisation) {
            length = 1 + 64 * ((data[at] >> 4) + 1);  // 8- or 16-bit entries
        } else {
            if (at + 17 > size)
                return false;
            length = 17;
            for (int i = 1; i <= 16; ++i)
                length += data[at + std::size_t(i)];
        }
        if (at + length > size)
            return false;
        std::vector<std::uint8_t> segment = {0xFF, std::uint8_t(marker), 0, 0};
        AV_WB16(&segment[2], unsigned(length + 2));
        segment.insert(segment.end(), data + at, data + at + length);
        // A quantisation table by its number (whatever its precision), a
        // Huffman table by its class and number.
        into[marker << 8 | (marker == quantisation ? data[at] & 0x0F : data[at])] = std::move(segment);
        at += length;
    }
    return true;
}

// The tables a picture defines before its first scan; false for data that is
// no JPEG picture, or whose headers do not parse.
bool tablesOf(const AVPacket& packet, std::map<int, std::vector<std::uint8_t>>& tables)
{
    const std::uint8_t* data = packet.data;
    const std::size_t size = std::size_t(packet.size);
    if (size < 4 || data[0] != 0xFF || data[1] != startOfImage)
        return false;
    for (std::size_t at = 2; at + 4 <= size;) {
        if (data[at] != 0xFF)
            return false;
        const int marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == startOfScan || marker == endOfImage)
            return true;
        if (marker == startOfImage || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;  // markers without a length
            continue;
        }
        const std::size_t length = AV_RB16(data + at + 2);
        if (length < 2 || at + 2 + length > size)
            return false;
        if ((marker == quantisation || marker == huffman) &&
            !splitTables(marker, data + at + 4, length - 2, tables))
            return false;
        at += 2 + length;
    }
    return true;
}

}  // namespace

void JpegTables::carryInto(PacketPtr& packet)
{
    std::map<int, std::vector<std::uint8_t>> own;
    if (!tablesOf(*packet, own))
        return;
    std::vector<std::uint8_t> missing;
    for (const auto& [key, segment] : tables_)
        if (!own.contains(key))
            missing.insert(missing.end(), segment.begin(), segment.end());
    for (auto& [key, segment] : own)
        tables_[key] = std::move(segment);
    if (missing.empty())
        return;
    PacketPtr carried(av_packet_alloc());
    if (!carried || av_new_packet(carried.get(), packet->size + int(missing.size())) < 0 ||
        av_packet_copy_props(carried.get(), packet.get()) < 0)
        throw std::bad_alloc();
    std::uint8_t* to = carried->data;
    to = std::copy_n(packet->data, 2, to);  // the start marker
    to = std::copy(missing.begin(), missing.end(), to);
    std::copy(packet->data + 2, packet->data + packet->size, to);
    packet = std::move(carried);
}
