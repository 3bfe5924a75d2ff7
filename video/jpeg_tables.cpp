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

using Table = JpegTables::Table;

// Takes the tables a DQT or DHT segment's data holds; false where the data
// does not parse.
bool splitTables(int marker, const std::uint8_t* data, std::size_t size, std::vector<Table>& into)
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
        // A quantisation table by its number (whatever its precision), a
        // Huffman table by its class and number.
        into.push_back({marker << 8 | (marker == quantisation ? data[at] & 0x0F : data[at]), data + at, length});
        at += length;
    }
    return true;
}

// The tables a picture defines before its first scan; false for data that is
// no JPEG picture, or whose headers do not parse.
bool tablesOf(const AVPacket& packet, std::vector<Table>& tables)
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

// A table as a segment of its own: marker, length, the table.
std::vector<std::uint8_t> segmentOf(const Table& table)
{
    std::vector<std::uint8_t> segment = {0xFF, std::uint8_t(table.key >> 8), 0, 0};
    AV_WB16(&segment[2], unsigned(table.size + 2));
    segment.insert(segment.end(), table.bytes, table.bytes + table.size);
    return segment;
}

bool sameTable(const std::vector<std::uint8_t>& segment, const Table& table)
{
    return segment.size() == 4 + table.size && std::equal(table.bytes, table.bytes + table.size, segment.begin() + 4);
}

}  // namespace

void JpegTables::carryInto(PacketPtr& packet)
{
    own_.clear();
    if (!tablesOf(*packet, own_))
        return;
    std::vector<std::uint8_t> missing;
    for (const auto& [key, segment] : tables_)
        if (std::none_of(own_.begin(), own_.end(), [key = key](const Table& table) { return table.key == key; }))
            missing.insert(missing.end(), segment.begin(), segment.end());
    // Most streams repeat the same tables in every picture: kept as they are.
    for (const Table& table : own_)
        if (std::vector<std::uint8_t>& kept = tables_[table.key]; !sameTable(kept, table))
            kept = segmentOf(table);
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
