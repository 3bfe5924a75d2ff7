#include "app/output_guard.h"

#include "app/quote_name.h"
#include "system/file_identity.h"

namespace {

bool sameFile(const std::string& first, const std::string& second)
{
    const std::optional<FileIdentity> a = identifyFile(first.c_str());
    return a && a == identifyFile(second.c_str());
}

}  // namespace

std::optional<std::string> outputRefusal(const std::string& input, const std::string& output)
{
    if (output == input || sameFile(input, output))
        return "the output name " + quoteName(output) + " is the input's own; not overwriting it";
    return std::nullopt;
}
