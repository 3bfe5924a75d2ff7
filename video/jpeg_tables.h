// The tables of a JPEG stream (MJPEG): quantisation (DQT) and Huffman (DHT)
// tables, which a decoder keeps from one picture to the next, so that a
// picture may leave out those an earlier one gave (JPEG's abbreviated form;
// cameras leave out the Huffman tables, some encoders all but the first
// picture's).
#pragma once

#include "video/ffmpeg_raii.h"

#include <cstdint>
#include <map>
#include <vector>

class JpegTables {
public:
    // Takes in the tables the picture defines, after putting in front of
    // them, right after its start marker, those that earlier pictures
    // defined and it does not: any decoder then decodes it as one that read
    // the stream from its start. Pictures are to come in the stream's order.
    // A picture that defines every table it would be given is left as it is.
    void carryInto(PacketPtr& packet);

    // A table where it lies in a picture: its key (the marker, and the
    // table's class and number) and its bytes after the segment's length.
    struct Table {
        int key;
        const std::uint8_t* bytes;
        std::size_t size;
    };

private:
    // Each table's segment on its own (marker, length, the table), by key.
    std::map<int, std::vector<std::uint8_t>> tables_;
    std::vector<Table> own_;  // the current picture's, kept for its capacity
};
