#pragma once
// A small RTF reader for tests: paragraphs of runs with their character formatting, enough to
// check what the program's RTF writer wrote without trusting the writer's own code.
#include <string>
#include <vector>

namespace qbtest {

struct RtfRun {
    std::string Text;  // UTF-8; \line reads as '\n', \tab as '\t'
    std::string Font;
    int HalfPoints = 24;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strike = false;
    int ColorIndex = 0;
};

struct RtfColor {
    int Red = 0, Green = 0, Blue = 0;
};

struct RtfDocument {
    int CodePage = 1252;
    std::vector<std::string> Fonts;
    std::vector<RtfColor> Colors;  // index 0 is the reader's default colour
    std::vector<std::vector<RtfRun>> Paragraphs;

    std::string PlainText() const;  // paragraphs joined by '\n'
};

// Raises std::runtime_error on text that is no well-formed RTF.
RtfDocument ParseRtf(const std::string& rtf);

}  // namespace qbtest
