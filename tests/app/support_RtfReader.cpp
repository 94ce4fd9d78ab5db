#include "app/support_RtfReader.h"

#include <QString>
#include <cctype>
#include <cstdint>
#include <optional>
#include <stdexcept>

#include "platform/core/CodePage.h"

namespace qbtest {

namespace {

enum class Destination { Text, FontTable, ColorTable, Skip };

struct State {
    Destination Dest = Destination::Text;
    int Font = 0;
    int HalfPoints = 24;
    bool Bold = false, Italic = false, Underline = false, Strike = false;
    int Color = 0;
    int SkipAfterUnicode = 1;
};

class Reader {
public:
    explicit Reader(const std::string& rtf) : rtf_(rtf) {}

    RtfDocument Read()
    {
        if (rtf_.rfind("{\\rtf1", 0) != 0)
            throw std::runtime_error("no RTF header");
        doc_.Paragraphs.emplace_back();
        while (pos_ < rtf_.size())
            Step();
        if (!stack_.empty())
            throw std::runtime_error("unbalanced groups");
        if (!closed_)
            throw std::runtime_error("document not closed");
        return doc_;
    }

private:
    void Step()
    {
        const char c = rtf_[pos_++];
        if (closed_ && !std::isspace(static_cast<unsigned char>(c)))
            throw std::runtime_error("text after the end of the document");
        if (c == '{') {
            stack_.push_back(state_);
        } else if (c == '}') {
            if (stack_.empty())
                throw std::runtime_error("unbalanced '}'");
            state_ = stack_.back();
            stack_.pop_back();
            closed_ = stack_.empty();
        } else if (c == '\\') {
            ControlSequence();
        } else if (c != '\r' && c != '\n') {
            Character(static_cast<unsigned char>(c));
        }
    }

    void ControlSequence()
    {
        if (pos_ >= rtf_.size())
            throw std::runtime_error("'\\' at the end");
        const char c = rtf_[pos_];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            if (c == '\'')
                return Ansi();
            if (c == '\\' || c == '{' || c == '}')
                return Character(static_cast<unsigned char>(c));
            return;
        }
        std::string word;
        while (pos_ < rtf_.size() && std::isalpha(static_cast<unsigned char>(rtf_[pos_])))
            word += rtf_[pos_++];
        std::string digits;
        if (pos_ < rtf_.size() && (rtf_[pos_] == '-' || std::isdigit(static_cast<unsigned char>(rtf_[pos_]))))
            digits += rtf_[pos_++];
        while (pos_ < rtf_.size() && std::isdigit(static_cast<unsigned char>(rtf_[pos_])))
            digits += rtf_[pos_++];
        if (pos_ < rtf_.size() && rtf_[pos_] == ' ')
            ++pos_;
        Word(word, digits.empty() ? std::nullopt : std::optional<int>(std::stoi(digits)));
    }

    void Word(const std::string& word, std::optional<int> param)
    {
        const bool on = !param || *param != 0;
        if (word == "ansicpg") doc_.CodePage = param.value_or(1252);
        else if (word == "fonttbl") state_.Dest = Destination::FontTable;
        else if (word == "colortbl") state_.Dest = Destination::ColorTable;
        else if (word == "f" && state_.Dest == Destination::FontTable) fontIndex_ = param.value_or(0);
        else if (word == "f") state_.Font = param.value_or(0);
        else if (word == "fs") state_.HalfPoints = param.value_or(24);
        else if (word == "b") state_.Bold = on;
        else if (word == "i") state_.Italic = on;
        else if (word == "ul") state_.Underline = on;
        else if (word == "ulnone") state_.Underline = false;
        else if (word == "strike") state_.Strike = on;
        else if (word == "cf") state_.Color = param.value_or(0);
        else if (word == "uc") state_.SkipAfterUnicode = param.value_or(1);
        else if (word == "red") color_.Red = param.value_or(0);
        else if (word == "green") color_.Green = param.value_or(0);
        else if (word == "blue") color_.Blue = param.value_or(0);
        else if (word == "plain") Plain();
        else if (word == "par") doc_.Paragraphs.emplace_back();
        else if (word == "line") Append(u"\n");
        else if (word == "tab") Append(u"\t");
        else if (word == "u") Unicode(param.value_or(0));
    }

    void Plain()
    {
        const Destination dest = state_.Dest;
        const int skip = state_.SkipAfterUnicode;
        state_ = State();
        state_.Dest = dest;
        state_.SkipAfterUnicode = skip;
    }

    // A character beyond the first plane comes as two escapes, one per UTF-16 unit.
    void Unicode(int value)
    {
        const auto unit = static_cast<char16_t>(static_cast<std::uint16_t>(value));
        skip_ = state_.SkipAfterUnicode;
        if (QChar::isHighSurrogate(unit)) {
            highSurrogate_ = unit;
            return;
        }
        std::u16string units;
        if (highSurrogate_ && QChar::isLowSurrogate(unit))
            units += highSurrogate_;
        highSurrogate_ = 0;
        Append(units + unit);
    }

    void Ansi()
    {
        if (pos_ + 2 > rtf_.size())
            throw std::runtime_error("short \\' escape");
        const int byte = std::stoi(rtf_.substr(pos_, 2), nullptr, 16);
        pos_ += 2;
        if (skip_ > 0) {
            --skip_;
            return;
        }
        const std::string utf8 = ConvertCodePage(std::string(1, static_cast<char>(byte)), doc_.CodePage, 65001);
        Append(QString::fromStdString(utf8).toStdU16String());
    }

    void Character(unsigned char c)
    {
        if (skip_ > 0) {
            --skip_;
            return;
        }
        if (state_.Dest == Destination::FontTable) {
            if (c == ';') {
                if (static_cast<int>(doc_.Fonts.size()) <= fontIndex_)
                    doc_.Fonts.resize(fontIndex_ + 1);
                doc_.Fonts[fontIndex_] = fontName_;
                fontName_.clear();
            } else {
                fontName_ += static_cast<char>(c);
            }
            return;
        }
        if (state_.Dest == Destination::ColorTable) {
            if (c == ';') {
                doc_.Colors.push_back(color_);
                color_ = RtfColor();
            }
            return;
        }
        Append(std::u16string(1, static_cast<char16_t>(c)));
    }

    void Append(const std::u16string& units)
    {
        if (state_.Dest != Destination::Text)
            return;
        RtfRun format;
        format.Font = state_.Font < static_cast<int>(doc_.Fonts.size()) ? doc_.Fonts[state_.Font] : "";
        format.HalfPoints = state_.HalfPoints;
        format.Bold = state_.Bold;
        format.Italic = state_.Italic;
        format.Underline = state_.Underline;
        format.Strike = state_.Strike;
        format.ColorIndex = state_.Color;
        std::vector<RtfRun>& runs = doc_.Paragraphs.back();
        if (runs.empty() || !SameFormat(runs.back(), format))
            runs.push_back(format);
        runs.back().Text += QString::fromStdU16String(units).toStdString();
    }

    static bool SameFormat(const RtfRun& a, const RtfRun& b)
    {
        return a.Font == b.Font && a.HalfPoints == b.HalfPoints && a.Bold == b.Bold && a.Italic == b.Italic &&
               a.Underline == b.Underline && a.Strike == b.Strike && a.ColorIndex == b.ColorIndex;
    }

    const std::string& rtf_;
    std::size_t pos_ = 0;
    RtfDocument doc_;
    State state_;
    std::vector<State> stack_;
    bool closed_ = false;
    int skip_ = 0;
    char16_t highSurrogate_ = 0;
    int fontIndex_ = 0;
    std::string fontName_;
    RtfColor color_;
};

}  // namespace

std::string RtfDocument::PlainText() const
{
    std::string text;
    for (std::size_t i = 0; i < Paragraphs.size(); ++i) {
        if (i > 0)
            text += '\n';
        for (const RtfRun& run : Paragraphs[i])
            text += run.Text;
    }
    return text;
}

RtfDocument ParseRtf(const std::string& rtf) { return Reader(rtf).Read(); }

}  // namespace qbtest
