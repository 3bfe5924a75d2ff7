// What keeps a bitmap from being written over what it must not replace.
#pragma once

#include "system/file_identity.h"

#include <optional>
#include <string>
#include <vector>

// Asked before each bitmap is written, and told of each one written, in the
// order of the command line, it refuses an output name that leads to
//  - the input itself: the same name, or another name of the same file
//    (through "./", links or a directory named twice);
//  - a bitmap written in this call for another input. Names that agree up to
//    their first '.', or in their first 40 bytes (full paths from a deep
//    folder), give one bitmap name; the first file's bitmap is kept. The same
//    file named twice, by any names, may be written twice.
// Names are compared as they are and by their files: an input by the file it
// leads to, an output by its own entry, since the rename that writes a bitmap
// replaces a link of that name, never the file the link leads to.
class OutputGuard {
public:
    // Why the bitmap of the input may not be written under the output name,
    // or none.
    std::optional<std::string> refusal(const std::string& input, const std::string& output) const;

    // Records that the bitmap of the input was written under the name.
    void wrote(const std::string& input, const std::string& output);

private:
    struct Bitmap {
        std::string input;
        std::optional<FileIdentity> inputFile;
        std::string output;
        std::optional<FileIdentity> outputFile;
    };
    std::vector<Bitmap> written_;
};
