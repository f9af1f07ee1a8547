// Transfer encodings, content parameters, MIME parts and the MIME composer and decoder.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "BaseMsg.h"
#include "Classes.h"
#include "SysUtils.h"

// File paths given to this unit are program text (Shift_JIS) like any other
// text; they are converted to UTF-8 where the file system is called.

// Raised when a file cannot be opened for reading or created for writing.
class EMIMEFileError : public Exception {
public:
    using Exception::Exception;
};

// ---------------------------------------------------------------------------
// Transfer encodings
// ---------------------------------------------------------------------------

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

// ---------------------------------------------------------------------------
// Content parameters
// ---------------------------------------------------------------------------

// The parameters of a Content-Type or Content-Disposition value, one item per
// parameter as written ("charset=iso-2022-jp", "filename*0*=..."); the first
// item of a disposition list is the disposition type.
class TContentParams : public TStringList {
public:
    // Splits Text into items at ";" (blanks and ";" after an item are
    // skipped; a ";" inside quotes splits too). Hides TStrings::SetText.
    void SetText(const std::string& Text);
    // The value of parameter Name: quoted values give their inside, others
    // their percent-decoded bytes; items are joined in list order. A value
    // continued in the standard form (only the first extended item carries
    // charset'language') is joined as bytes before its one charset
    // conversion; items with their own charset prefix convert one by one.
    // ISO-2022-JP, UTF-8, Shift_JIS and EUC-JP values become Shift_JIS.
    std::string ParamValue(const std::string& Name) const;
    // Replaces parameter Name by items in RFC 2231 form.
    void SetParam(const std::string& Name, const std::string& Value);
    // Removes every item whose name is Name.
    void DeleteParam(const std::string& Name);
    // Rewrites header field FieldName of Part: its value up to the first ";",
    // then ";" CR LF TAB + item for each item. Nothing when the field is empty.
    void WriteToField(TBaseMessage& Part, const std::string& FieldName) const;
};

// Name (before the first "*" or "="), section (after that first "*" up to the
// first "=") and value (after the first "=") of one parameter item.
void ParseParamItem(const std::string& Item, std::string& Name, std::string& Section, std::string& Value);
std::string PercentDecode(const std::string& Text);
std::string PercentEncode(const std::string& Text);
// charset'language'text (or charset'text) to Shift_JIS; text alone is
// percent-decoded.
std::string RFC2231Decode(const std::string& Value);
// Percent-encoded ASCII, or "iso-2022-jp'jp'" + the percent-encoded JIS text.
std::string RFC2231EncodeValue(const std::string& Value);
// Pieces of at most 40 bytes that never split a double-byte character and
// never mix single-byte and double-byte characters.
std::vector<std::string> SplitParamValue(const std::string& Value);
// Converts Bytes in the named charset to Shift_JIS: ISO-2022-JP, UTF-8,
// EUC-JP and Shift_JIS (with its aliases) are understood; with
// ForUnknownAsJIS set, any other charset goes through JISToSJIS, else the
// bytes stay as they are.
std::string CharsetToSJIS(const std::string& Charset, const std::string& Bytes, bool ForUnknownAsJIS);

// ---------------------------------------------------------------------------
// MIME parts
// ---------------------------------------------------------------------------

// Multipart nesting beyond this many levels is not split: deeper boundary
// lines stay body lines of the innermost part.
constexpr int MaxMIMEDepth = 64;

// One node of a MIME tree: a message whose header describes the part and
// whose body is its content (for a multipart, the preamble, then the lines
// after the closing boundary), with the child parts in Parts.
class TMIMEPart : public TBaseMessage {
public:
    TMIMEPart();
    ~TMIMEPart() override;

    std::unique_ptr<TBaseMessage> NewInstance() const override;

    // Empties parameters and children, InHeader true, Closed false, MediaType
    // "text", no MimeVersion or Charset; SubType, Encoding, FileName and
    // Boundary keep their values. Then clears the lines.
    void Clear() override;
    // The inherited load, then ParseHeader.
    void LoadFromStrings(const TStrings& Source) override;

    // Reads the header into the fields.
    void ParseHeader();
    // Feeds one received line: header, then body or children by boundaries.
    void AddLine(const std::string& Line);
    // One body line to Shift_JIS by Charset.
    std::string ConvertCharset(const std::string& Line) const;
    // The transfer encoding in lower case (read from the header when empty).
    std::string GetEncoding();
    void SetMimeVersion(const std::string& Value) { MimeVersion = Value; }
    std::string GetFileName();
    void SetFileName(const std::string& Name);
    // The boundary, made once when empty.
    std::string GetBoundary();
    // The body becomes the base64 form of the file; Content-Transfer-Encoding
    // base64; the file name from the last component of Path.
    void AttachFile(const std::string& Path);
    // Appends the part and its children as wire lines (header words encoded,
    // text in ISO-2022-JP).
    void WriteTo(TStrings& Dest);

    // Leaves, depth first in message order. Counts are kept per part and
    // recomputed after the tree changes, so walking all leaves stays fast.
    int LeafCount() const;
    TMIMEPart* LeafAt(int Index) const;

    // Replaces the body of a base64 or quoted-printable text part by its
    // decoded Shift_JIS lines. Done once: a second call changes nothing.
    void DecodeTextBody();
    // Writes the content to Dir + "/" + FileName (an empty Dir is the current
    // folder) and returns the path or paths (";"-joined) written, empty when
    // nothing was written. base64, quoted-printable and 7bit/8bit/binary
    // decode by their list class; any other encoding saves each complete
    // uuencoded block of the body to that path in turn, or, without any, the
    // body lines as they are. FileName is used as given: names proposed from
    // message data go through SafeFileName first.
    std::string SaveAttachment(const std::string& Dir, const std::string& FileName);

    // Creates a child part carrying this part's flags and appends it.
    TMIMEPart* AddChild();
    // Call after editing Parts directly, so the leaf counts are recomputed.
    static void TreeChanged();

    std::string MediaType = "text";
    std::string SubType = "plain";
    std::unique_ptr<TContentParams> TypeParams;
    std::unique_ptr<TContentParams> DispositionParams;
    std::string Encoding;
    std::string FileName;
    std::string Charset;
    std::vector<std::unique_ptr<TMIMEPart>> Parts;
    bool InHeader = true;
    std::string Boundary;
    bool Closed = false;
    std::string MimeVersion;
    bool DecodeAsHeader = false;
    bool RFC2231Encode = false;
    // Nesting level: 0 for a root part.
    int Depth = 0;
    // DecodeTextBody has replaced the body by decoded text.
    bool TextDecoded = false;

private:
    bool SplitsBody() const;
    void BuildLeafIndex() const;

    std::string FDelimiter;  // "--" + Boundary, when splitting
    mutable uint64_t FLeafGen = 0;
    mutable int FLeafCount = 1;
    mutable std::vector<int> FLeafEnds;  // leaves up to and including child i
};

// ---------------------------------------------------------------------------
// Composer and decoder
// ---------------------------------------------------------------------------

class TMIMEx {
public:
    TMIMEx();
    ~TMIMEx();
    TMIMEx(const TMIMEx&) = delete;
    TMIMEx& operator=(const TMIMEx&) = delete;

    // Takes the lines of a received message: Lines becomes a copy of Source
    // (Source may be Lines itself) and the tree is rebuilt from them.
    void Decode(const TStrings& Source);
    // The same from a whole message text (lines split at CR LF, LF or CR) or
    // a file, without keeping a copy in Lines (which is left empty): the way
    // to read large messages in little memory.
    void DecodeText(const std::string& Text);
    void DecodeFile(const std::string& Path);

    // Either list may be null.
    void AddTextPart(const TStrings* HeaderLines, const TStrings* BodyLines);
    // MediaType and SubType may be empty: chosen from the file's extension.
    void AddAttachment(const std::string& Path, const std::string& MediaType, const std::string& SubType);
    void MakeMultipart();
    // Writes the message into Lines.
    void Compose();

    std::unique_ptr<TStringList> Lines;
    std::unique_ptr<TMIMEPart> Root;
    bool DecodeAsHeader = false;
    bool RFC2231Encode = false;

private:
    std::unique_ptr<TMIMEPart> NewPart() const;
    void BeginDecode();
};

// Uuencoded blocks inside plain text.
int UUBlockCount(const TStrings& Lines);
// The name in the "begin" line of block N (from 1); empty when there is none.
std::string UUBlockName(const TStrings& Lines, int N);
// Writes the bytes of block N (from 1) to the file Path.
void UUSaveBlock(const TStrings& Lines, int N, const std::string& Path);

// A file name taken from message data made safe to save under in a chosen
// folder: only its last path component (after any "/" or "\", Shift_JIS
// double-byte characters kept whole), without control bytes, "." and ".."
// refused, at most 200 bytes (the extension kept). Empty when nothing usable
// is left; the caller then names the part itself.
std::string SafeFileName(const std::string& Name);
