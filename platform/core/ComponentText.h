#pragma once
// The text form of component streams ("object Name: TClass", two-space indent, "Name = value",
// "end") and conversion both ways with the binary form. Both converters work on the stream's
// own values, so binary -> text -> binary gives the same bytes for what our writer produces.
// Long strings stay on one line (readers that go line by line see each value whole); split
// strings joined with '+' are read.
#include <string>

class TStream;

// Reads one component stream ("TPF0" first) at source's position and writes its text, lines
// ending in CR LF; source is left after the object. Raises EReadError for bad input.
void ObjectBinaryToText(TStream& source, TStream& target);
// Parses text at source's position and writes the binary form with its signature.
// Raises EParserError "Line <n>: <problem>" for bad input.
void ObjectTextToBinary(TStream& source, TStream& target);

// Text of one float value as the text form writes it ("1.500000000000000000", "1E-30").
// Always reads back as the same value through ParseStreamFloat.
std::string StreamFloatText(long double value);
// Up to 17 significant digits give the double they name; more digits the wider 80-bit value.
// Raises EConvertError for text that is no number or lies beyond the range.
long double ParseStreamFloat(const std::string& number);
