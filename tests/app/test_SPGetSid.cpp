#include <gtest/gtest.h>

#include <unistd.h>

#include "app/SPGetSid.h"

namespace {

TSid MakeSid(std::array<std::uint8_t, 6> authority, std::vector<std::uint32_t> subAuthorities, std::uint8_t revision = 1)
{
    TSid sid;
    sid.Revision = revision;
    sid.IdentifierAuthority = authority;
    sid.SubAuthorities = std::move(subAuthorities);
    return sid;
}

TEST(SidToText, WritesAuthorityAndSubAuthorities)
{
    struct Case {
        TSid sid;
        const char* expected;
    };
    const Case cases[] = {
        {MakeSid({0, 0, 0, 0, 0, 5}, {21, 1004336348, 1177238915, 682003330, 512}),
         "S-1-5-21-1004336348-1177238915-682003330-512"},
        {MakeSid({0, 0, 0, 0, 0, 5}, {18}), "S-1-5-18"},
        {MakeSid({0, 0, 0, 0, 0, 1}, {}), "S-1-1"},
        // bytes 3 to 6 as one big-endian number
        {MakeSid({0, 0, 0x12, 0x34, 0x56, 0x78}, {0}), "S-1-305419896-0"},
        {MakeSid({0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, {}), "S-1-4294967295"},
        // either of the first two bytes set: all six in lower-case hex
        {MakeSid({0x01, 0, 0, 0, 0, 0x0A}, {7}), "S-1-0x01000000000a-7"},
        {MakeSid({0, 0xAB, 0, 0, 0, 0}, {}), "S-1-0x00ab00000000"},
        // sub-authorities are unsigned
        {MakeSid({0, 0, 0, 0, 0, 5}, {4294967295u, 2147483648u}), "S-1-5-4294967295-2147483648"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SidToText(c.sid), c.expected);
}

TEST(SidToText, InvalidIdentifiersAndSmallBuffersGiveNothing)
{
    const std::vector<std::uint32_t> fifteen(15, 4294967295u);
    const std::vector<std::uint32_t> sixteen(16, 1);
    const TSid longest = MakeSid({0, 0, 0, 0, 0, 5}, fifteen);
    struct Case {
        TSid sid;
        std::size_t buffer;
        bool expectText;
    };
    const Case cases[] = {
        {MakeSid({0, 0, 0, 0, 0, 5}, {18}, 2), 261, false},  // revision other than 1
        {MakeSid({0, 0, 0, 0, 0, 5}, sixteen), 261, false},  // more than 15 sub-authorities
        {longest, 261, true},
        {longest, 28 + 12 * 15, true},
        {longest, 28 + 12 * 15 - 1, false},
        {MakeSid({0, 0, 0, 0, 0, 5}, {}), 28, true},
        {MakeSid({0, 0, 0, 0, 0, 5}, {}), 27, false},
    };
    for (const Case& c : cases) {
        const std::string text = SidToText(c.sid, c.buffer);
        EXPECT_EQ(!text.empty(), c.expectText) << "buffer " << c.buffer << ": " << text;
        if (!text.empty()) {
            EXPECT_LT(text.size(), c.buffer) << "the text and its terminator fit the buffer";
        }
    }
}

TEST(GetCurrentUserSid, NamesTheEffectiveUserInTheUnixUserSpace)
{
    EXPECT_EQ(GetCurrentUserSid(), "S-1-22-1-" + std::to_string(geteuid()));
}

}  // namespace
