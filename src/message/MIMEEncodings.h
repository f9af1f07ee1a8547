// Transfer encodings: lists of base64, quoted-printable, plain and uuencoded
// lines that decode to bytes and are built from bytes.
#pragma once

#include <iosfwd>
#include <string>

#include "Classes.h"
#include "SysUtils.h"

// File paths given to the MIME classes are program text (Shift_JIS) like any
// other text; they are converted to UTF-8 where the file system is called.

// Raised when a file cannot be opened for reading or created for writing.
class EMIMEFileError : public Exception {
public:
    using Exception::Exception;
};

// A list of encoded lines (without line ends) that decodes to bytes and is
// built from bytes.
class TEncodingList : public TStringList {
public:
    // Writes the decoded bytes of all lines to Stream.
    virtual void DecodeTo(std::ostream& Stream) const = 0;
    // Clears the list and fills it with the encoded lines of Stream's bytes
    // from its current position to its end.
    virtual void EncodeFrom(std::istream& Stream) = 0;

    // Creates (or replaces) the file and decodes into it.
    void DecodeToFile(const std::string& FileName) const;
    // Encodes the file; a missing file leaves the list unchanged.
    void EncodeFromFile(const std::string& FileName);
};

// Base64. Decoding treats all lines as one stream, so a group of four
// characters split over two lines decodes whole; characters outside the
// alphabet are skipped, and a pad "=" ends the group it closes (so lines that
// each carry their own padding still decode). Encoding writes 60 input bytes
// (80 characters) per line, padding only on the last line.
class TBase64List : public TEncodingList {
public:
    void DecodeTo(std::ostream& Stream) const override;
    void EncodeFrom(std::istream& Stream) override;
    // The decoding of any list of base64 lines (used on part bodies in place).
    static void DecodeLines(const TStringList& Lines, std::ostream& Stream);
    // Clears Dest and fills it with the base64 lines of Stream's bytes.
    static void EncodeStream(std::istream& Stream, TStringList& Dest);
};

// Quoted-printable. A line ending in "=" (blanks after it allowed) is a soft
// line break; every other line, empty ones included, is followed by CR LF.
// Encoding writes lines of at most 76 characters with soft breaks.
class TQuotedPrintableList : public TEncodingList {
public:
    void DecodeTo(std::ostream& Stream) const override;
    void EncodeFrom(std::istream& Stream) override;
    static void DecodeLines(const TStringList& Lines, std::ostream& Stream);
};

// Unencoded lines (7bit, 8bit, binary): each line, empty ones included, is
// written followed by CR LF as it travelled. Encoding splits the bytes into
// lines at CR LF, LF or CR.
class TPlainList : public TEncodingList {
public:
    void DecodeTo(std::ostream& Stream) const override;
    void EncodeFrom(std::istream& Stream) override;
    static void DecodeLines(const TStringList& Lines, std::ostream& Stream);
};

// Uuencode blocks ("begin MODE NAME", data lines, "`", "end").
class TUUxList : public TEncodingList {
public:
    void DecodeTo(std::ostream& Stream) const override;
    void EncodeFrom(std::istream& Stream) override;

    // True when the lines hold a complete block; sets Mode and FileName from
    // its "begin" line.
    bool HasUUBlock();
    // True when Line has the length its count character announces (one
    // character more or less allowed).
    static bool IsUULine(const std::string& Line);
    // Appends the bytes of one data line (IsUULine accepted) to Out. Missing
    // characters count as zero, so a short line never reads past its end.
    static void DecodeUULine(const std::string& Line, std::string& Out);

    // Input bytes per encoded line: 3..60 as set, anything else reads as 45.
    int GetLineBytes() const { return (LineBytes >= 3 && LineBytes <= 60) ? LineBytes : 45; }
    int LineBytes = 0;
    std::string FileName;
    std::string Mode;
};
