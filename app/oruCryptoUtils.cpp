#include "app/oruCryptoUtils.h"

#include <optional>

#include "platform/core/CodePage.h"

namespace {

constexpr std::uint16_t kMultiplier = 51379;
constexpr std::uint16_t kIncrement = 27154;

std::uint16_t NextKey(std::uint16_t key, unsigned char scrambled)
{
    // 16-bit arithmetic that wraps; in int the product can overflow.
    return static_cast<std::uint16_t>((unsigned(key) + scrambled) * kMultiplier + kIncrement);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> HexBytes(const std::string& hexText)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hexText.size(); i += 2) {
        const int high = HexDigit(hexText[i]);
        const int low = HexDigit(hexText[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

std::optional<std::string> DescrambledBytes(const std::string& hexText, std::uint16_t startKey)
{
    std::optional<std::string> bytes = HexBytes(hexText);
    if (!bytes) return std::nullopt;
    std::uint16_t key = startKey;
    for (char& b : *bytes) {
        const auto scrambled = static_cast<unsigned char>(b);
        b = static_cast<char>(scrambled ^ (key >> 8));
        key = NextKey(key, scrambled);
    }
    return bytes;
}

bool IsWellFormedUtf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = ValidUtf8Length(text.data() + i, text.size() - i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

// Control characters: C0, DEL and C1 (U+0080..U+009F, written as C2 80..C2 9F).
bool HasControlCharacters(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) return true;
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) return true;
    }
    return false;
}

// Bytes as UTF-8 text: as they are when they are UTF-8 (files we write), otherwise read in the
// program code page (files of the administrator's tool); nothing when a byte has no character
// there.
std::optional<std::string> BytesAsText(const std::string& bytes)
{
    if (IsWellFormedUtf8(bytes)) return bytes;
    std::string text = AnsiToUtf8(bytes);
    if (Utf8ToAnsi(text) != bytes) return std::nullopt;
    return text;
}

std::optional<std::string> DescrambledText(const std::string& hexText, std::uint16_t startKey)
{
    const std::optional<std::string> bytes = DescrambledBytes(hexText, startKey);
    if (!bytes) return std::nullopt;
    return BytesAsText(*bytes);
}

bool AllPrintableUtf8(const std::vector<std::string>& hexTexts, std::uint16_t key)
{
    for (const std::string& hex : hexTexts) {
        const std::optional<std::string> bytes = DescrambledBytes(hex, key);
        if (!bytes || !IsWellFormedUtf8(*bytes) || HasControlCharacters(*bytes)) return false;
    }
    return true;
}

// How plausible the texts are under a start key: -1 when one is not printable, otherwise the
// count of printable ASCII characters (real names and passwords are mostly ASCII; a wrong key
// that happens to give printable code-page bytes gives few of them).
int KeyScore(const std::vector<std::string>& hexTexts, std::uint16_t key)
{
    int score = 0;
    for (const std::string& hex : hexTexts) {
        const std::optional<std::string> text = DescrambledText(hex, key);
        if (!text || HasControlCharacters(*text)) return -1;
        for (const char c : *text) score += c >= 0x20 && c < 0x7F;
    }
    return score;
}

}  // namespace

std::string DescrambleHex(const std::string& hexText, std::uint16_t startKey)
{
    return DescrambledText(hexText, startKey).value_or("");
}

std::string ScrambleHex(const std::string& text, std::uint16_t startKey)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    std::uint16_t key = startKey;
    for (const char c : text) {
        const auto scrambled = static_cast<unsigned char>(static_cast<unsigned char>(c) ^ (key >> 8));
        hex += digits[scrambled >> 4];
        hex += digits[scrambled & 15];
        key = NextKey(key, scrambled);
    }
    return hex;
}

bool DescramblesToPrintableText(const std::string& hexText, std::uint16_t startKey)
{
    const std::optional<std::string> text = DescrambledText(hexText, startKey);
    return text && !HasControlCharacters(*text);
}

std::uint16_t FindStartKey(const std::vector<std::string>& hexTexts, std::uint16_t preferred)
{
    if (AllPrintableUtf8(hexTexts, preferred)) return preferred;  // a file we wrote
    std::uint16_t best = preferred;
    int bestScore = KeyScore(hexTexts, preferred);
    for (std::uint16_t key = 0; key < 256; ++key) {
        const int score = KeyScore(hexTexts, key);
        if (score > bestScore) {
            best = key;
            bestScore = score;
        }
    }
    return best;
}
