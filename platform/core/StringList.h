#pragma once
// String list with an object per item (the class library's TStrings/TStringList).
// Texts are UTF-8; name lookups ignore case unless CaseSensitive is set.
#include <string>
#include <vector>

#include "platform/core/SysUtils.h"

class TStringList : public TObject {
public:
    TStringList() = default;
    ~TStringList() override;  // frees the objects when OwnsObjects
    TStringList(const TStringList& other);  // copies texts and object pointers, never ownership
    TStringList& operator=(const TStringList& other);
    TStringList(TStringList&& other) noexcept;  // takes the items, objects and ownership
    TStringList& operator=(TStringList&& other) noexcept;
    std::string ClassName() const override { return "TStringList"; }

    // Items
    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& Strings(int index) const;  // raises EStringListError out of range
    void PutString(int index, const std::string& text);
    const std::string& operator[](int index) const { return Strings(index); }
    TObject* Objects(int index) const;
    void PutObject(int index, TObject* object);
    int Add(const std::string& text);
    int AddObject(const std::string& text, TObject* object);
    void AddStrings(const TStringList& other);
    void Insert(int index, const std::string& text);
    void InsertObject(int index, const std::string& text, TObject* object);
    void Delete(int index);
    void Clear();
    void Exchange(int index1, int index2);
    void Move(int currentIndex, int newIndex);
    void Assign(const TStringList& other);
    bool Equals(const TStringList& other) const;  // texts only

    // Lookup
    int IndexOf(const std::string& text) const;
    int IndexOfObject(const TObject* object) const;
    int IndexOfName(const std::string& name) const;

    // Name=Value pairs
    std::string Names(int index) const;           // text before the first separator, "" without one
    std::string ValueFromIndex(int index) const;  // text after the first separator
    std::string Values(const std::string& name) const;
    void SetValue(const std::string& name, const std::string& value);  // "" deletes the pair
    char NameValueSeparator = '=';

    // Whole-list texts
    std::string Text() const;  // every line followed by CR LF
    void SetText(const std::string& text);  // splits at CR LF, CR or LF
    std::string DelimitedText() const;
    void SetDelimitedText(const std::string& text);
    std::string CommaText() const;  // DelimitedText with ',' and '"'
    void SetCommaText(const std::string& text);
    char Delimiter = ',';
    char QuoteChar = '"';
    bool StrictDelimiter = false;  // false: blanks separate items too

    // Sorting
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    void Sort();
    bool CaseSensitive = false;
    enum class TDuplicates { dupIgnore, dupAccept, dupError };
    TDuplicates Duplicates = TDuplicates::dupIgnore;
    bool OwnsObjects = false;

    // Files: 8-bit text in the program code page, converted to and from UTF-8.
    // Raise EInOutError when the file can't be read or written.
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path) const;  // written safely (temporary file, then rename)
    // The same in a given code page (65001 = UTF-8), for files that are not "ANSI" text.
    void LoadFromFile(const std::string& path, int codePage);
    void SaveToFile(const std::string& path, int codePage) const;

private:
    struct Item {
        std::string text;
        TObject* object = nullptr;
    };
    int CompareStrings(const std::string& a, const std::string& b) const;
    int FindSortedIndex(const std::string& text) const;
    void CheckIndex(int index) const;
    void CheckUnsorted() const;
    bool NeedsQuotes(const std::string& text) const;
    void FreeObjects();
    void CopySettings(const TStringList& other);

    std::vector<Item> items_;
    bool sorted_ = false;
};

// Text comparisons without regard to case, as the class library's SameText and CompareText;
// letters beyond ASCII (Czech and the like) compare case-insensitively too.
bool SameText(const std::string& a, const std::string& b);
int CompareText(const std::string& a, const std::string& b);
std::string UpperCase(const std::string& text);
std::string LowerCase(const std::string& text);
std::string Trim(const std::string& text);  // drops blanks and control characters at both ends
