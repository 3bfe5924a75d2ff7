// The steps of writing a new file under a name of its own and then renaming
// it over another or removing it, as replaceFile takes them. Each returns 0,
// or the errno value of the failure. Names are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The system's handle of an open file: a descriptor, or a HANDLE.
using FileHandle = std::intptr_t;

// Makes a file of the name, which must not be taken yet (EEXIST if it is),
// and opens it for writing. The file gets the permissions a newly made file
// gets (on POSIX systems, those the umask allows, as with creat(2)). On
// Windows others may delete it while it is open, so that the console handler
// can.
int createNewFile(const std::string& name, FileHandle& file);
// Writes all the bytes, resuming after partial writes and interruptions.
int writeAll(FileHandle file, const std::vector<std::uint8_t>& bytes);
// Closes the file; a failure here can mean that written bytes were lost.
int closeFile(FileHandle file);
// Renames the file `from` to `to` in one step, replacing any file of that
// name.
int renameOver(const std::string& from, const std::string& to);
// Removes the file of the name, if it can.
void removeFile(const std::string& name);
