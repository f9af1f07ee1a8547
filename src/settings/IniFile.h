// The settings file reader and writer: INI sections and keys with the private-profile rules.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "SysUtils.h"

// Raised when the settings file cannot be written; the message is the
// Shift_JIS text "<full path> に書き込めません", the path turned from the file
// system's UTF-8 into Shift_JIS like any other text the program shows.
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

// Longest value a read gives back, in bytes (the profile routines read into a
// 2048-byte buffer).
constexpr size_t IniMaxValueLength = 2047;

// Name and value pairs of one section, in the order of the file.
using TIniSectionValues = std::vector<std::pair<std::string, std::string>>;

// The operations the account records use. The string reads and writes, the
// section calls and the flush are virtual, so a caller can watch the order in
// which an operation touches the file; the typed calls go through
// ReadString/WriteString.
class TCustomIniFile {
public:
    explicit TCustomIniFile(std::string FileName) : FFileName(std::move(FileName)) {}
    virtual ~TCustomIniFile() = default;
    TCustomIniFile(const TCustomIniFile&) = delete;
    TCustomIniFile& operator=(const TCustomIniFile&) = delete;

    const std::string& FileName() const { return FFileName; }

    // The value of Ident in Section, blanks around it and one pair of
    // enclosing quotation marks (double or single) dropped, cut to 2047
    // bytes; Default when the section or the key is missing.
    virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                   const std::string& Default) = 0;
    // Creates the section and the key when needed, else replaces the value in
    // place. Line breaks in Value become spaces and a NUL byte ends it, so a
    // value always stays on its own line.
    virtual void WriteString(const std::string& Section, const std::string& Ident,
                             const std::string& Value) = 0;
    // Every key of Section with its value as ReadString gives it, in file
    // order; a key that occurs twice is listed once, with its first value.
    virtual void ReadSectionValues(const std::string& Section, TIniSectionValues& Values) = 0;
    // Removes every section named Section with all its keys.
    virtual void EraseSection(const std::string& Section) = 0;
    // Writes the changes to the disk; EIniFileException when that fails.
    virtual void UpdateFile() = 0;

    // Decimal integers; a value longer than two characters starting with "0x"
    // or "0X" is hexadecimal; anything else reads as Default.
    int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
    void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
    // Written as "1"/"0", read as an integer: non-zero is true.
    bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
    void WriteBool(const std::string& Section, const std::string& Ident, bool Value);

private:
    std::string FFileName;
};

// The settings file on disk. The whole file is read when the object is made
// and held in memory; UpdateFile writes it back by writing a temporary file in
// the same folder, flushing it to the disk and renaming it over the old one,
// so a crash or a full disk never leaves a half-written file. The file is
// created with permissions 0600. A file that exists but cannot be read is
// never replaced: UpdateFile raises instead of writing over what it could not
// see.
class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(const std::string& FileName);

    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) override;
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
    void ReadSectionValues(const std::string& Section, TIniSectionValues& Values) override;
    void EraseSection(const std::string& Section) override;
    void UpdateFile() override;

    // Replaces the content by the file text Text (used by the constructor and
    // by tests and fuzzers that have the text at hand).
    void SetText(const std::string& Text);
    // The file text as UpdateFile writes it: lines ended by CR LF.
    std::string GetText() const;
    bool Modified() const { return FModified; }

private:
    struct TLine {
        std::string Key;    // as in the file, blanks around it dropped; empty for other lines
        std::string Value;  // raw text after the first "="
        std::string Raw;    // a line that holds no key (comment), written back as it was
        bool IsKey = false;
    };
    struct TSection {
        std::string Name;
        std::vector<TLine> Lines;
        std::unordered_map<std::string, size_t> Index;  // folded key -> first line holding it
        bool Erased = false;
    };

    TSection* Find(const std::string& Section);
    const TLine* FindKey(const std::string& Section, const std::string& Ident);
    void AddLine(TSection& S, TLine Line);

    std::vector<std::string> FPreamble;  // lines before the first section
    std::vector<TSection> FSections;
    std::unordered_map<std::string, std::vector<size_t>> FSectionIndex;  // folded name -> live sections
    bool FModified = false;
    bool FUnreadable = false;
};

// The stored text of a value as a read gives it: blanks around it and one
// pair of enclosing quotation marks dropped, cut to 2047 bytes.
std::string IniCleanValue(const std::string& Raw);
// Integer reading rule of ReadInteger applied to a value already read.
int IniStrToIntDef(const std::string& Value, int Default);
