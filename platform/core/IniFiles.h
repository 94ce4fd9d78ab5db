#pragma once
// Ini files held in memory (the class library's TMemIniFile) and written through (TIniFile).
//
// Reading rules: every line is trimmed of blanks and control characters; empty lines and lines
// beginning with ';' are skipped; "[name]" opens a section (name trimmed); lines before the first
// section are ignored; a line with '=' is stored as name=value with the blanks around both parts
// removed, a line without '=' is kept as it is. Sections and keys are matched without regard to
// case; a repeated section name is listed twice but lookups find the first; repeated keys stay,
// in order. Written text puts an empty line after each section.
#include <string>
#include <vector>

#include "platform/core/StringList.h"

class TMemIniFile : public TObject {
public:
    // Reads the file when it exists; codePage 0 means the program code page.
    explicit TMemIniFile(const std::string& fileName, int codePage = 0);
    std::string ClassName() const override { return "TMemIniFile"; }

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& ident, const std::string& defaultValue) const;
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    // Decimal, "$1F" or "0x1F"; anything else gives the default.
    int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const;
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;  // integer <> 0
    void WriteBool(const std::string& section, const std::string& ident, bool value);              // "1" / "0"
    // Float text always has '.' as decimal separator; text that isn't a number gives the default.
    double ReadFloat(const std::string& section, const std::string& ident, double defaultValue) const;
    void WriteFloat(const std::string& section, const std::string& ident, double value);

    void ReadSections(TStringList& strings) const;  // every section name, repeated ones too
    void ReadSection(const std::string& section, TStringList& strings) const;        // key names
    void ReadSectionValues(const std::string& section, TStringList& strings) const;  // every line
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& ident) const;
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& ident);

    void GetStrings(TStringList& strings) const;  // the whole text, as it would be written
    void SetStrings(const TStringList& strings);  // replaces everything, reading by the rules above
    void Clear();

    // Writes the text to FileName (temporary file, then rename); raises EInOutError on failure.
    void UpdateFile();
    // Changes the file name; with reload the content is read from the new file (cleared if missing).
    void Rename(const std::string& fileName, bool reload);

protected:
    virtual void Changed() {}  // after every change of the content

private:
    struct Section {
        std::string name;
        TStringList lines;
    };
    void AddLine(const std::string& rawLine);
    void LoadFile();
    const Section* FindSection(const std::string& name) const;
    Section* FindSection(const std::string& name);
    Section& SectionForWriting(const std::string& name);

    std::string fileName_;
    int codePage_;
    std::vector<Section> sections_;
};

// An ini file whose every change goes to the file at once.
class TIniFile : public TMemIniFile {
public:
    explicit TIniFile(const std::string& fileName, int codePage = 0) : TMemIniFile(fileName, codePage) {}
    std::string ClassName() const override { return "TIniFile"; }

protected:
    void Changed() override { UpdateFile(); }
};
