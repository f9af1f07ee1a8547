// Messages as header and body lines with field access (TBaseMessage), the
// fields of received internet messages (TINetMessage), the mail date parser
// and the address routines.
#pragma once

#include <memory>
#include <string>

#include "Classes.h"
#include "SysUtils.h"

// Raised for a bad line index: "Out of Index range (" + index + ")".
class BM_Exception : public Exception {
public:
    using Exception::Exception;
};

// One internet message or MIME body part as lines without line ends: the
// header lines, an optional empty separator line, and the body lines.
//
// As a TStrings it shows the logical list
//   0 .. H-1        header lines
//   H               the separator (an empty string), only when HasSeparator()
//   H+1 .. H+B      body lines
// so assigning a raw text (SetText) or adding lines one by one sorts them into
// header and body: everything up to the first empty line is header, that empty
// line is the separator, every later line is body.
//
// Whenever Body is not empty the separator is present; every read of a line or
// of the count and every insert and delete restores that first.
class TBaseMessage : public TStrings {
public:
    TBaseMessage();
    ~TBaseMessage() override;
    TBaseMessage(const TBaseMessage&) = delete;
    TBaseMessage& operator=(const TBaseMessage&) = delete;

    // A fresh, empty object of the same class as this one. Code that holds a
    // message of some descendant class creates another of that class through
    // it; every descendant overrides it.
    virtual std::unique_ptr<TBaseMessage> NewInstance() const;

    // List storage (see the layout above). Bad indexes raise BM_Exception and
    // leave the message unchanged.
    std::string Get(int Index) const override;
    int GetCount() const override;
    // Index < H: inserts a non-empty S into the header (an empty S is ignored).
    // Index = H: a non-empty S becomes the last header line; an empty S becomes
    //            the separator, or the first body line when the separator exists.
    // Index > H: inserts S into the body at Index - H - 1.
    void Insert(int Index, const std::string& S) override;
    // Deleting the separator while the body holds lines does nothing.
    void Delete(int Index) override;
    // Empties both lists and drops the separator.
    void Clear() override;
    // From another TBaseMessage: copies its header, body and separator flag.
    // From any other list: clears and adds every line.
    void Assign(const TStrings& Source) override;

    // Unfolded value of the first header field called Name: the rest of its
    // line after "Name: ", then for each continuation line (non-empty, starting
    // with a space or tab) one space and that line without its leading blanks.
    // Empty when there is no such field.
    virtual std::string GetField(const std::string& Name) const;
    // Removes the first field called Name with its continuation lines, then
    // appends the line Name + ": " + Value at the end of the header.
    void SetField(const std::string& Name, const std::string& Value);
    // Removes the first field called Name with its continuation lines.
    void DeleteField(const std::string& Name);

    // Appends to Dest (not cleared) the header lines, one empty line (always)
    // and the body lines.
    void SaveToStrings(TStrings& Dest) const;
    // Clears header and body (the separator flag keeps its value) and fills
    // them from Source: lines up to the first empty one go to the header, that
    // line is dropped, all later lines go to the body.
    virtual void LoadFromStrings(const TStrings& Source);

    // True when Line starts field Name: its first length(Name) + 2 bytes equal
    // Name + ": ", ASCII letters compared without regard to case.
    static bool IsFieldLine(const std::string& Line, const std::string& Name);
    // Index in Header of the first line of field Name, -1 when there is none.
    int FindField(const std::string& Name) const;
    // S without the spaces and tabs at its front.
    static std::string TrimLeadingBlanks(const std::string& S);

    bool HasSeparator() const;
    void SetHasSeparator(bool Value) { FHasSeparator = Value; }
    // The owned lists; other message classes work on them directly.
    TStringList& Header() { return *FHeader; }
    const TStringList& Header() const { return *FHeader; }
    TStringList& Body() { return *FBody; }
    const TStringList& Body() const { return *FBody; }

protected:
    // Sets the separator flag when the body holds lines.
    void RestoreSeparator() const;
    static std::string IndexMessage(int Index);

private:
    mutable bool FHasSeparator = false;
    std::unique_ptr<TStringList> FHeader;
    std::unique_ptr<TStringList> FBody;
};

// A received internet message with its common fields as ready values. Every
// value is computed at its first read and kept; an empty string or zero counts
// as not yet computed. The values are not recomputed when the lines change:
// use a fresh object per message.
class TINetMessage : public TBaseMessage {
public:
    TINetMessage();
    ~TINetMessage() override;

    std::unique_ptr<TBaseMessage> NewInstance() const override;

    // From another TINetMessage: takes its values (computing them there) and
    // its lines. From any other list: forgets all values and takes the lines.
    void Assign(const TStrings& Source) override;
    // Calls HeaderNeeded first when the header holds no line.
    std::string GetField(const std::string& Name) const override;

    // The Subject and From fields decoded to Shift_JIS display text. From is
    // the whole field (display name and address).
    virtual std::string Subject() const;
    virtual std::string From() const;
    // Hook for a descendant that fetches its header on demand; nothing here.
    virtual void HeaderNeeded() const {}

    // The Date field in Japan time (UTC+9) whatever the machine's zone; 0 when
    // there is no usable date.
    TDateTime Date() const;
    // The Message-ID field as written, angle brackets included.
    std::string MessageID() const;
    // The identifiers of the References field, each with its angle brackets;
    // without any, the identifier of In-Reply-To.
    const TStringList& References() const;
    // The Lines field, or the number of body lines when that gives 0.
    int Lines() const;
    // Sum over all lines of length + 1.
    int Size() const;

private:
    void ClearCaches();

    mutable std::string FSubject;
    mutable std::string FFrom;
    mutable TDateTime FDate = 0;
    mutable std::string FMessageID;
    std::unique_ptr<TStringList> FReferences;
    mutable int FLines = 0;
    mutable int FSize = 0;
};

// The date of a Date field ("Mon, 5 Dec 2026 10:00:00 +0900") in Japan time;
// 0 when it cannot be read.
TDateTime ParseMailDate(const std::string& Text);
// The bare address of a header value: quoted strings, comments and blanks are
// dropped, and the text inside the first "<" ... ">" is taken. Returns Text
// unchanged when nothing is left.
std::string ExtractMailAddress(const std::string& Text);
// The text from the last "<" before the last ">" to that ">", inclusive;
// Text unchanged when there is no such pair.
std::string ExtractAngleAddr(const std::string& Text);

// Trims Text and cuts off the part before the first Delimiter (returned, not
// trimmed); Text keeps what follows the delimiter. Without a delimiter the
// whole trimmed Text is returned and Text becomes empty.
std::string NextToken(std::string& Text, const std::string& Delimiter);
// A two-digit year placed within 50 years of the current year (or of
// CurrentYear).
int ExpandTwoDigitYear(int Year);
int ExpandTwoDigitYear(int Year, int CurrentYear);
// T, a time in zone Zone ("+0530", "-05:30", "EST", ...), moved to GMT. Zone
// names are compared without regard to case: UT, GMT, Z, JST and the
// North American EST/EDT, CST/CDT, MST/MDT, PST/PDT; any other name reads as
// GMT.
TDateTime ZoneToGMT(const std::string& Zone, TDateTime T);
// T plus nine hours.
TDateTime GMTToJST(TDateTime T);
