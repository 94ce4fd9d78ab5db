#include "platform/core/StringList.h"

#include <QChar>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include "platform/core/CodePage.h"
#include "platform/core/SafeFile.h"

namespace {

constexpr int kUtf8CodePage = 65001;

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// ---- UTF-8 walking for the case-insensitive helpers -------------------------------------
// A byte that starts no valid sequence stands for itself above the Unicode range, so two
// different broken texts never compare equal and are copied through unchanged.
constexpr char32_t kRawByteBase = 0x110000;

// Returns the code point at pos and advances pos past it.
char32_t NextCodePoint(const std::string& text, size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    const size_t length = ValidUtf8Length(text.data() + pos, text.size() - pos);
    if (length == 0) {
        ++pos;
        return kRawByteBase + lead;
    }
    static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t code = lead & kLeadMask[length];
    for (size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(text[pos + k]) & 0x3F);
    pos += length;
    return code;
}

void AppendCodePoint(std::string& out, char32_t code)
{
    if (code >= kRawByteBase) {
        out += static_cast<char>(code - kRawByteBase);
    } else if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

char32_t Folded(char32_t code) { return code >= kRawByteBase ? code : QChar::toCaseFolded(code); }

template <typename Map>
std::string MapCodePoints(const std::string& text, Map map)
{
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        const char32_t code = NextCodePoint(text, pos);
        AppendCodePoint(out, code >= kRawByteBase ? code : map(code));
    }
    return out;
}

// ---- Files --------------------------------------------------------------------------------

std::string SystemErrorText(int error) { return std::strerror(error); }

[[noreturn]] void RaiseOpenError(const std::string& path, int error)
{
    throw EInOutError("Cannot open file \"" + path + "\". " + SystemErrorText(error), error);
}

std::string ReadWholeFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) RaiseOpenError(path, errno);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            RaiseOpenError(path, error);
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

}  // namespace

// ---- Text helpers -------------------------------------------------------------------------

int CompareText(const std::string& a, const std::string& b)
{
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t x = Folded(NextCodePoint(a, i));
        const char32_t y = Folded(NextCodePoint(b, j));
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

bool SameText(const std::string& a, const std::string& b) { return CompareText(a, b) == 0; }

std::string UpperCase(const std::string& text)
{
    return MapCodePoints(text, [](char32_t code) { return QChar::toUpper(code); });
}

std::string LowerCase(const std::string& text)
{
    return MapCodePoints(text, [](char32_t code) { return QChar::toLower(code); });
}

std::string Trim(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlankOrControl(text[first])) ++first;
    while (last > first && IsBlankOrControl(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// ---- TStringList: life cycle --------------------------------------------------------------

TStringList::~TStringList() { FreeObjects(); }

TStringList::TStringList(const TStringList& other) : TObject(), items_(other.items_) { CopySettings(other); }

TStringList& TStringList::operator=(const TStringList& other)
{
    if (this != &other) Assign(other);
    return *this;
}

TStringList::TStringList(TStringList&& other) noexcept
    : TObject(), OwnsObjects(other.OwnsObjects), items_(std::move(other.items_))
{
    CopySettings(other);
    other.items_.clear();
}

TStringList& TStringList::operator=(TStringList&& other) noexcept
{
    if (this == &other) return *this;
    FreeObjects();
    CopySettings(other);
    OwnsObjects = other.OwnsObjects;
    items_ = std::move(other.items_);
    other.items_.clear();
    return *this;
}

// Everything but the items and the ownership of their objects.
void TStringList::CopySettings(const TStringList& other)
{
    NameValueSeparator = other.NameValueSeparator;
    Delimiter = other.Delimiter;
    QuoteChar = other.QuoteChar;
    StrictDelimiter = other.StrictDelimiter;
    CaseSensitive = other.CaseSensitive;
    Duplicates = other.Duplicates;
    sorted_ = other.sorted_;
}

void TStringList::FreeObjects()
{
    if (!OwnsObjects) return;
    for (Item& item : items_) {
        delete item.object;
        item.object = nullptr;
    }
}

// ---- Items --------------------------------------------------------------------------------

void TStringList::CheckIndex(int index) const
{
    if (index < 0 || index >= Count()) throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TStringList::CheckUnsorted() const
{
    if (sorted_) throw EStringListError("Operation not allowed on sorted list");
}

const std::string& TStringList::Strings(int index) const
{
    CheckIndex(index);
    return items_[index].text;
}

void TStringList::PutString(int index, const std::string& text)
{
    CheckUnsorted();
    CheckIndex(index);
    items_[index].text = text;
}

TObject* TStringList::Objects(int index) const
{
    CheckIndex(index);
    return items_[index].object;
}

void TStringList::PutObject(int index, TObject* object)
{
    CheckIndex(index);
    items_[index].object = object;
}

int TStringList::Add(const std::string& text) { return AddObject(text, nullptr); }

int TStringList::AddObject(const std::string& text, TObject* object)
{
    if (!sorted_) {
        items_.push_back({text, object});
        return Count() - 1;
    }
    const int index = FindSortedIndex(text);
    const bool found = index < Count() && CompareStrings(items_[index].text, text) == 0;
    if (found && Duplicates == TDuplicates::dupIgnore) return index;
    if (found && Duplicates == TDuplicates::dupError) throw EStringListError("String list does not allow duplicates");
    items_.insert(items_.begin() + index, Item{text, object});
    return index;
}

void TStringList::AddStrings(const TStringList& other)
{
    const std::vector<Item> copy = other.items_;  // other may be this list
    for (const Item& item : copy) AddObject(item.text, item.object);
}

void TStringList::Insert(int index, const std::string& text) { InsertObject(index, text, nullptr); }

void TStringList::InsertObject(int index, const std::string& text, TObject* object)
{
    CheckUnsorted();
    if (index < 0 || index > Count()) throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    items_.insert(items_.begin() + index, Item{text, object});
}

void TStringList::Delete(int index)
{
    CheckIndex(index);
    if (OwnsObjects) delete items_[index].object;
    items_.erase(items_.begin() + index);
}

void TStringList::Clear()
{
    FreeObjects();
    items_.clear();
}

void TStringList::Exchange(int index1, int index2)
{
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(items_[index1], items_[index2]);
}

void TStringList::Move(int currentIndex, int newIndex)
{
    if (currentIndex == newIndex) return;
    CheckUnsorted();
    CheckIndex(currentIndex);
    CheckIndex(newIndex);
    Item item = std::move(items_[currentIndex]);
    items_.erase(items_.begin() + currentIndex);
    items_.insert(items_.begin() + newIndex, std::move(item));
}

void TStringList::Assign(const TStringList& other)
{
    if (this == &other) return;
    Clear();
    CopySettings(other);
    items_ = other.items_;
}

bool TStringList::Equals(const TStringList& other) const
{
    if (Count() != other.Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (items_[i].text != other.items_[i].text) return false;
    return true;
}

// ---- Lookup -------------------------------------------------------------------------------

int TStringList::CompareStrings(const std::string& a, const std::string& b) const
{
    if (CaseSensitive) return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
    return CompareText(a, b);
}

int TStringList::FindSortedIndex(const std::string& text) const
{
    const auto it = std::lower_bound(items_.begin(), items_.end(), text,
                                     [this](const Item& item, const std::string& t) { return CompareStrings(item.text, t) < 0; });
    return static_cast<int>(it - items_.begin());
}

int TStringList::IndexOf(const std::string& text) const
{
    if (sorted_) {
        const int index = FindSortedIndex(text);
        return index < Count() && CompareStrings(items_[index].text, text) == 0 ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(items_[i].text, text) == 0) return i;
    return -1;
}

int TStringList::IndexOfObject(const TObject* object) const
{
    for (int i = 0; i < Count(); ++i)
        if (items_[i].object == object) return i;
    return -1;
}

int TStringList::IndexOfName(const std::string& name) const
{
    for (int i = 0; i < Count(); ++i) {
        const std::string& text = items_[i].text;
        const size_t separator = text.find(NameValueSeparator);
        if (separator != std::string::npos && CompareStrings(text.substr(0, separator), name) == 0) return i;
    }
    return -1;
}

// ---- Name=Value pairs ---------------------------------------------------------------------

std::string TStringList::Names(int index) const
{
    const std::string& text = Strings(index);
    const size_t separator = text.find(NameValueSeparator);
    return separator == std::string::npos ? std::string() : text.substr(0, separator);
}

std::string TStringList::ValueFromIndex(int index) const
{
    const std::string& text = Strings(index);
    const size_t separator = text.find(NameValueSeparator);
    return separator == std::string::npos ? std::string() : text.substr(separator + 1);
}

std::string TStringList::Values(const std::string& name) const
{
    const int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStringList::SetValue(const std::string& name, const std::string& value)
{
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) Delete(index);
        return;
    }
    const std::string line = name + NameValueSeparator + value;
    if (index < 0) {
        Add(line);
    } else if (sorted_) {  // the new text may belong elsewhere in the order
        Item old = items_[index];
        items_.erase(items_.begin() + index);
        try {
            AddObject(line, old.object);
        } catch (...) {
            items_.insert(items_.begin() + index, std::move(old));
            throw;
        }
    } else {
        items_[index].text = line;
    }
}

// ---- Whole-list texts ---------------------------------------------------------------------

std::string TStringList::Text() const
{
    size_t size = 0;
    for (const Item& item : items_) size += item.text.size() + 2;
    std::string text;
    text.reserve(size);
    for (const Item& item : items_) {
        text += item.text;
        text += "\r\n";
    }
    return text;
}

void TStringList::SetText(const std::string& text)
{
    Clear();
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) {
            Add(text.substr(pos));
            return;
        }
        Add(text.substr(pos, end - pos));
        pos = end;
        if (text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
}

bool TStringList::NeedsQuotes(const std::string& text) const
{
    return std::any_of(text.begin(), text.end(),
                       [this](char c) { return IsBlankOrControl(c) || c == QuoteChar || c == Delimiter; });
}

std::string TStringList::DelimitedText() const
{
    if (Count() == 1 && items_[0].text.empty()) return std::string(2, QuoteChar);
    std::string result;
    for (int i = 0; i < Count(); ++i) {
        if (i > 0) result += Delimiter;
        const std::string& text = items_[i].text;
        if (!NeedsQuotes(text)) {
            result += text;
            continue;
        }
        result += QuoteChar;
        for (char c : text) {
            if (c == QuoteChar) result += QuoteChar;
            result += c;
        }
        result += QuoteChar;
    }
    return result;
}

namespace {

// Reads a quoted item starting at the quote; a doubled quote stands for one, a missing closing
// quote takes the rest of the text. Leaves pos after the closing quote.
std::string ExtractQuoted(const std::string& text, size_t& pos, char quote)
{
    std::string item;
    ++pos;
    while (pos < text.size()) {
        if (text[pos] != quote) {
            item += text[pos++];
            continue;
        }
        if (pos + 1 < text.size() && text[pos + 1] == quote) {
            item += quote;
            pos += 2;
            continue;
        }
        ++pos;
        break;
    }
    return item;
}

}  // namespace

void TStringList::SetDelimitedText(const std::string& text)
{
    Clear();
    const bool blanksSeparate = !StrictDelimiter;
    auto skipBlanks = [&](size_t& pos) {
        while (blanksSeparate && pos < text.size() && IsBlankOrControl(text[pos])) ++pos;
    };
    size_t pos = 0;
    skipBlanks(pos);
    while (pos < text.size()) {
        if (text[pos] == QuoteChar) {
            Add(ExtractQuoted(text, pos, QuoteChar));
        } else {
            const size_t start = pos;
            while (pos < text.size() && text[pos] != Delimiter && !(blanksSeparate && IsBlankOrControl(text[pos]))) ++pos;
            Add(text.substr(start, pos - start));
        }
        skipBlanks(pos);
        if (pos < text.size() && text[pos] == Delimiter) {
            if (pos + 1 == text.size()) Add(std::string());
            ++pos;
            skipBlanks(pos);
        }
    }
}

std::string TStringList::CommaText() const
{
    TStringList copy(*this);
    copy.Delimiter = ',';
    copy.QuoteChar = '"';
    copy.StrictDelimiter = false;
    return copy.DelimitedText();
}

void TStringList::SetCommaText(const std::string& text)
{
    const char delimiter = Delimiter;
    const char quote = QuoteChar;
    const bool strict = StrictDelimiter;
    Delimiter = ',';
    QuoteChar = '"';
    StrictDelimiter = false;
    try {
        SetDelimitedText(text);
    } catch (...) {
        Delimiter = delimiter;
        QuoteChar = quote;
        StrictDelimiter = strict;
        throw;
    }
    Delimiter = delimiter;
    QuoteChar = quote;
    StrictDelimiter = strict;
}

// ---- Sorting ------------------------------------------------------------------------------

void TStringList::SetSorted(bool sorted)
{
    if (sorted && !sorted_) Sort();
    sorted_ = sorted;
}

void TStringList::Sort()
{
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; });
}

// ---- Files --------------------------------------------------------------------------------

void TStringList::LoadFromFile(const std::string& path) { LoadFromFile(path, ProgramCodePage()); }

void TStringList::SaveToFile(const std::string& path) const { SaveToFile(path, ProgramCodePage()); }

void TStringList::LoadFromFile(const std::string& path, int codePage)
{
    SetText(ConvertCodePage(ReadWholeFile(path), codePage, kUtf8CodePage));
}

void TStringList::SaveToFile(const std::string& path, int codePage) const
{
    WriteFileSafely(path, ConvertCodePage(Text(), kUtf8CodePage, codePage));
}
