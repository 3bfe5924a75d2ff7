#include "app/quote_name.h"

#include <gtest/gtest.h>

TEST(QuoteName, OnlyNamesWithUnprintableBytesAreQuoted)
{
    const std::pair<std::string, std::string> cases[] = {
        {"clip.avi", "clip.avi"},
        {"my clip's copy.avi", "my clip's copy.avi"},
        {"ulica \xc5\x82\xc3\xb3\x64\xc5\xba.avi", "ulica \xc5\x82\xc3\xb3\x64\xc5\xba.avi"},  // Polish letters
        {"\xe8\xa1\x97.avi \xf0\x9f\x8e\xa5", "\xe8\xa1\x97.avi \xf0\x9f\x8e\xa5"},            // CJK, an emoji
        {"evil\n.avi", "'evil'$'\\n''.avi'"},
        {"\nfirst", "''$'\\n''first'"},
        {"last\r\t", "'last'$'\\r\\t'"},
        {"it's\x7f", "'it'\\''s'$'\\177'"},
        {"\x1b[2J", "''$'\\033''[2J'"},
        {"c1\xc2\x85", "'c1'$'\\302\\205'"},                 // NEL, a C1 control
        {"latin1 \xe9.avi", "'latin1 '$'\\351''.avi'"},      // not UTF-8
        {"cut \xc5", "'cut '$'\\305'"},                      // a character cut short
        {"\xc0\xaf overlong", "''$'\\300\\257'' overlong'"},
        {"\xed\xa0\x80 surrogate", "''$'\\355\\240\\200'' surrogate'"},
        {"\xf4\x90\x80\x80 too high", "''$'\\364\\220\\200\\200'' too high'"},
    };
    for (const auto& [name, shown] : cases)
        EXPECT_EQ(quoteName(name), shown);
}
