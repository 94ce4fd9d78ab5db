#include <gtest/gtest.h>

#include "app/oruCryptoUtils.h"
#include "platform/core/CodePage.h"

namespace {

// Text of the administrator's tool is in Windows-1250.
class OruCryptoUtils : public testing::Test {
protected:
    OruCryptoUtils() { SetProgramCodePage(1250); }
    ~OruCryptoUtils() override { SetProgramCodePage(0); }
};

// Vectors from an independent implementation of the rolling-key scheme.
const struct {
    const char* text;
    std::uint16_t key;
    const char* hex;
} kVectors[] = {
    {"ftp.example.org", 0x5C, "66F58133F482D2CA09E6C43665706E"},
    {"surveyor", 0x00, "73E775452A5D7EF4"},
    {"\xC5\xBD" "lu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88", 0xFF, "C57BA357C9A6C1A7707DF4D3DE2EBE8AA51423"},
    {"ab", 0x1234, "738E"},
    {"AB", 0xC000, "818E"},  // the key rolls past what a signed product holds
};

}  // namespace

TEST_F(OruCryptoUtils, KnownVectorsBothWays)
{
    for (const auto& v : kVectors) {
        EXPECT_EQ(ScrambleHex(v.text, v.key), v.hex) << v.text;
        EXPECT_EQ(DescrambleHex(v.hex, v.key), v.text) << v.hex;
    }
}

TEST_F(OruCryptoUtils, DescrambleHexReadsDigitsAsTheFileMayHoldThem)
{
    const struct {
        const char* what;
        const char* hex;
        std::uint16_t key;
        const char* expected;
    } cases[] = {
        {"odd length ignores the last digit", "66F58133F482D2CA09E6C43665706E7", 0x5C, "ftp.example.org"},
        {"a single digit is no byte", "6", 0x5C, ""},
        {"lower case", "66f58133f482d2ca09e6c43665706e", 0x5C, "ftp.example.org"},
        {"mixed case", "73e775452A5d7Ef4", 0x00, "surveyor"},
        {"non-hex pair at the start", "G6F58133", 0x5C, ""},
        {"non-hex pair at the end", "66F58133F4Z2", 0x5C, ""},
        {"blank inside", "66 58133", 0x5C, ""},
        {"a trailing odd non-hex character is ignored", "73E775452A5D7EF4x", 0x00, "surveyor"},
        {"empty", "", 0x5C, ""},
        {"the first byte of a one-byte key is plain", "41", 0xA7, "A"},
        {"bytes that are no UTF-8 are read in the code page", "FF", 0x00, "\xCB\x99"},
        {"a byte without a character in the code page gives no text", "81", 0x00, ""},
        {"a wrong key gives other text", "414243", 0x07, "A\xC5\xBEU"},
    };
    for (const auto& c : cases) EXPECT_EQ(DescrambleHex(c.hex, c.key), c.expected) << c.what;
}

TEST_F(OruCryptoUtils, PrintableTextJudgesTheDescrambledBytes)
{
    const struct {
        const char* what;
        std::string text;
        bool printable;
    } cases[] = {
        {"plain ASCII", "ftp.example.org", true},
        {"Czech letters", "\xC5\xBD" "lu\xC5\xA5ou\xC4\x8Dk\xC3\xBD", true},
        {"empty", "", true},
        {"tab", "a\tb", false},
        {"DEL", "a\x7F", false},
        {"C1 control", "a\xC2\x85", false},
        {"no-break space", "a\xC2\xA0" "b", true},
        {"Czech letters in the code page", "\x8Elu\x9Dou\xE8k\xFD", true},
        {"a byte without a character in the code page", "a\x81", false},
        {"a control character in the code page", "\x9E\x1B", false},
    };
    for (const auto& c : cases) EXPECT_EQ(DescramblesToPrintableText(ScrambleHex(c.text, 0x21), 0x21), c.printable) << c.what;
    EXPECT_FALSE(DescramblesToPrintableText("4G", 0x21)) << "non-hex";
}

// Files written with another one-byte key are found by trying every one.
TEST_F(OruCryptoUtils, FindStartKeyPrefersTheGivenKeyThenTriesTheOthers)
{
    const std::vector<std::string> texts = {"ftp.quellbrook.example", "surveyor", "Pa55word!"};
    for (const std::uint16_t key : {0x00, 0x01, 0x5C, 0x80, 0xFF}) {
        std::vector<std::string> hexes;
        for (const std::string& text : texts) hexes.push_back(ScrambleHex(text, key));
        EXPECT_EQ(FindStartKey(hexes, 0x5C), key) << key;
    }
    EXPECT_EQ(FindStartKey({"", "", ""}, 0x5C), 0x5C) << "nothing to judge by";
    EXPECT_EQ(FindStartKey({"0102"}, 0x33), 0x33) << "no key fits";
}

// A wrong key that happens to give printable code-page bytes must not win over the right one.
TEST_F(OruCryptoUtils, FindStartKeyFindsCodePageTexts)
{
    const std::vector<std::string> texts = {"ftp.example.org", "\x8Aimon", "heslo-\x9Elu\x9Dou\xE8k\xFD"};
    for (const std::uint16_t key : {0x00, 0x01, 0x37, 0x5C, 0x80, 0xFE, 0xFF}) {
        std::vector<std::string> hexes;
        for (const std::string& text : texts) hexes.push_back(ScrambleHex(text, key));
        ASSERT_EQ(FindStartKey(hexes, 0x5C), key) << key;
        EXPECT_EQ(DescrambleHex(hexes[1], key), "\xC5\xA0imon");
        EXPECT_EQ(DescrambleHex(hexes[2], key), "heslo-\xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD");
    }
    const std::string password = ScrambleHex("\x9E", 0x37);
    EXPECT_EQ(FindStartKey({password}, 0x37), 0x37) << "a lone code-page letter under the preferred key";
}
