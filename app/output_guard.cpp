#include "app/output_guard.h"

#include "app/quote_name.h"

namespace {

bool same(const std::string& name, const std::optional<FileIdentity>& file, const std::string& otherName,
          const std::optional<FileIdentity>& otherFile)
{
    return name == otherName || (file && file == otherFile);
}

}  // namespace

std::optional<std::string> OutputGuard::refusal(const std::string& input, const std::string& output) const
{
    const std::optional<FileIdentity> inputFile = identifyFile(input);
    const std::optional<FileIdentity> outputFile = identifyName(output);
    if (same(input, inputFile, output, outputFile))
        return "the output name " + quoteName(output) + " is the input's own; not overwriting it";
    for (const Bitmap& bitmap : written_)
        if (same(output, outputFile, bitmap.output, bitmap.outputFile) &&
            !same(input, inputFile, bitmap.input, bitmap.inputFile))
            return "its bitmap " + quoteName(output) + " would replace the one just made for " +
                   quoteName(bitmap.input);
    return std::nullopt;
}

void OutputGuard::wrote(const std::string& input, const std::string& output)
{
    const std::optional<FileIdentity> inputFile = identifyFile(input);
    const std::optional<FileIdentity> outputFile = identifyName(output);
    // A bitmap of the same input that this one replaced is gone, and the
    // identity it had may come to be another file's.
    std::erase_if(written_, [&](const Bitmap& earlier) {
        return same(input, inputFile, earlier.input, earlier.inputFile) &&
               same(output, outputFile, earlier.output, identifyName(earlier.output));
    });
    written_.push_back({input, inputFile, output, outputFile});
}
