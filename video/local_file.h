// A file named on the command line, opened once for reading. Every later read
// of it goes through this one descriptor, never through its name again: a
// name is not looked up as a URL, and a file renamed over while it is read
// cannot mix two files.
#pragma once

#include <string>

class LocalFile {
public:
    // Throws std::runtime_error with the system's reason ("No such file or
    // directory", "Is a directory", ...) when the name is not a regular file
    // that can be read.
    explicit LocalFile(std::string name);
    ~LocalFile();
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    const std::string& name() const { return name_; }
    int descriptor() const { return descriptor_; }

private:
    std::string name_;
    int descriptor_ = -1;
};
