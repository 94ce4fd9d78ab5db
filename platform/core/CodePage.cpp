#include "platform/core/CodePage.h"

#include <atomic>
#include <cerrno>
#include <memory>

#include <iconv.h>

#include "platform/core/SysUtils.h"

namespace {

constexpr int kDefaultCodePage = 1250;
constexpr int kUtf8CodePage = 65001;

std::atomic<int> g_programCodePage{0};  // 0: none set, the default

std::string IconvName(int codePage) { return codePage == kUtf8CodePage ? "UTF-8" : "CP" + std::to_string(codePage); }

struct IconvCloser {
    void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle OpenConverter(int fromCodePage, int toCodePage)
{
    const iconv_t handle = iconv_open(IconvName(toCodePage).c_str(), IconvName(fromCodePage).c_str());
    if (handle == reinterpret_cast<iconv_t>(-1)) return nullptr;
    return IconvHandle(handle);
}

// How many bytes to pass over at a character iconv refused: a whole character that has no
// mapping, or one byte of a broken sequence.
size_t BytesToSkip(const char* in, size_t left, bool utf8Source)
{
    const size_t length = utf8Source ? ValidUtf8Length(in, left) : 0;
    return length > 0 ? length : 1;
}

std::string Convert(iconv_t converter, const std::string& text, bool utf8Source)
{
    std::string out(text.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    size_t used = 0;
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        size_t outLeft = out.size() - used;
        const size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (result != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ (no mapping or a broken sequence) or EINVAL (cut off at the end)
        if (used == out.size()) out.resize(out.size() * 2);
        out[used++] = '?';
        const size_t skip = errno == EINVAL ? inLeft : BytesToSkip(in, inLeft, utf8Source);
        in += skip;
        inLeft -= skip;
    }
    out.resize(used);
    return out;
}

}  // namespace

size_t ValidUtf8Length(const char* text, size_t left)
{
    if (left == 0) return 0;
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return 1;
    // Allowed range of the second byte for each lead byte; later bytes are 0x80..0xBF.
    struct Form {
        unsigned char leadFrom, leadTo, secondFrom, secondTo;
        size_t length;
    };
    static constexpr Form kForms[] = {
        {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3}, {0xE1, 0xEC, 0x80, 0xBF, 3},
        {0xED, 0xED, 0x80, 0x9F, 3}, {0xEE, 0xEF, 0x80, 0xBF, 3}, {0xF0, 0xF0, 0x90, 0xBF, 4},
        {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4},
    };
    for (const Form& form : kForms) {
        if (lead < form.leadFrom || lead > form.leadTo) continue;
        if (left < form.length) return 0;
        const auto second = static_cast<unsigned char>(text[1]);
        if (second < form.secondFrom || second > form.secondTo) return 0;
        for (size_t k = 2; k < form.length; ++k)
            if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) return 0;
        return form.length;
    }
    return 0;
}

bool IsCodePageSupported(int codePage) { return codePage > 0 && OpenConverter(codePage, kUtf8CodePage) != nullptr; }

int ProgramCodePage()
{
    const int codePage = g_programCodePage.load();
    return codePage != 0 ? codePage : kDefaultCodePage;
}

void SetProgramCodePage(int codePage)
{
    if (codePage != 0 && !IsCodePageSupported(codePage))
        throw EConvertError("Code page " + std::to_string(codePage) + " is not supported");
    g_programCodePage.store(codePage);
}

std::string ConvertCodePage(const std::string& text, int fromCodePage, int toCodePage)
{
    if (fromCodePage == toCodePage || text.empty()) return text;
    const IconvHandle converter = OpenConverter(fromCodePage, toCodePage);
    if (!converter)
        throw EConvertError("No conversion from code page " + std::to_string(fromCodePage) + " to code page " +
                            std::to_string(toCodePage));
    return Convert(static_cast<iconv_t>(converter.get()), text, fromCodePage == kUtf8CodePage);
}

std::string AnsiToUtf8(const std::string& ansi) { return ConvertCodePage(ansi, ProgramCodePage(), kUtf8CodePage); }

std::string Utf8ToAnsi(const std::string& utf8) { return ConvertCodePage(utf8, kUtf8CodePage, ProgramCodePage()); }
