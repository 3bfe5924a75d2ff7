// Which file a name leads to, so that two names (through "./", links or a
// folder named twice) can be told to be one file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct FileIdentity {
    std::uint64_t volume;  // the device, or the volume's serial number
    std::uint64_t file;    // the inode, or the file index
    bool operator==(const FileIdentity&) const = default;
};

// The file a name leads to, through links. None when the name leads to no
// file that can be looked at. The name is UTF-8.
std::optional<FileIdentity> identifyFile(const std::string& name);

// The name's own entry: a link's, not that of the file it leads to. What a
// rename onto the name replaces.
std::optional<FileIdentity> identifyName(const std::string& name);
