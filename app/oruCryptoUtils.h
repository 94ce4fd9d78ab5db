#pragma once
// Scrambling of short texts (the FTP settings strings) into hexadecimal digits: each byte is
// XORed with the high byte of a 16-bit key that rolls on with every scrambled byte.
#include <cstdint>
#include <string>
#include <vector>

// Hex digits (either case; a trailing odd digit is ignored) back to UTF-8 text. Bytes that are
// not well-formed UTF-8 are text in the program code page (as the administrator's tool writes
// it). "" when a pair is not hexadecimal or a byte has no character in the code page.
std::string DescrambleHex(const std::string& hexText, std::uint16_t startKey);

// Text to upper-case hex digits that DescrambleHex(…, startKey) turns back into the text.
std::string ScrambleHex(const std::string& text, std::uint16_t startKey);

// True when the hex text descrambles under startKey to text (see DescrambleHex) without control
// characters (an empty text counts as printable).
bool DescramblesToPrintableText(const std::string& hexText, std::uint16_t startKey);

// The start key under which every one of the hex texts descrambles to printable text: preferred
// when they are printable UTF-8 under it; otherwise, of preferred and the one-byte keys under
// which all are printable, the one giving the most ASCII characters (preferred, then the lowest
// key, on a tie); preferred when none fits.
std::uint16_t FindStartKey(const std::vector<std::string>& hexTexts, std::uint16_t preferred);
