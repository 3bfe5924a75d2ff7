// A file named on the command line, opened once for reading. Every later read
// of it goes through this one open file, never through its name again: a
// name is not looked up as a URL, and a file renamed over while it is read
// cannot mix two files. Other programs may read it meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class LocalFile {
public:
    // Throws std::runtime_error with the system's reason ("No such file or
    // directory", "Is a directory", "not a regular file", ...) when the name is
    // not a disk file that can be read. The name is UTF-8.
    explicit LocalFile(std::string name);
    ~LocalFile();
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    const std::string& name() const { return name_; }

    // Reads up to `size` bytes at `offset`, from any thread; returns how many
    // were read (0 at the end of the file), or minus the errno value.
    std::int64_t readAt(void* buffer, std::size_t size, std::int64_t offset) const;
    // The file's size in bytes, or minus the errno value.
    std::int64_t size() const;
    // Tells the system that `size` bytes at `offset` are to be read soon, so
    // that it reads them from the disk meanwhile. Only a hint: nothing fails.
    void readAhead(std::int64_t offset, std::int64_t size) const;

private:
    std::string name_;
    std::intptr_t handle_ = -1;  // the system's: a descriptor, or a HANDLE
};
