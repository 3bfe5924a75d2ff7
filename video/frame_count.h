// How many frames a video has.
#pragma once

#include <cstdint>

class Demuxer;
class LocalFile;

// In AVI the count the header records, dropped frames included. Other
// containers may record no count, or one that includes frames an edit list
// hides: there the pictures shown are counted, by a second reading of the
// file. So they are in an AVI whose header says 0, as a recorder that was
// killed or wrote to a pipe leaves it, or more than 2^31 - 1 (0xFFFFFFFF:
// -1, "unknown", read as unsigned). At most 2^31 - 1.
std::int64_t countFrames(const LocalFile& file, const Demuxer& demuxer);
