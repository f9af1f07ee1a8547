// One received message read in one pass: its header fields and its MIME tree.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "BaseMsg.h"
#include "LineSplitter.h"
#include "MIMEx.h"
#include "ReadLayout.h"

// Reads a received message once, from lines already in memory (the lines of
// a POP3 RETR reply, dots undone), from a whole text or a file, or piece by
// piece: the header lines go into a TINetMessage (decoded subject and
// sender, Japan-time date, identifiers), every line goes into the MIME tree,
// and the size is counted. The body is held once, in the tree. Each read
// forgets the message read before, so one reader serves a window for good.
class TMessageReader {
public:
    TMessageReader();
    ~TMessageReader();
    TMessageReader(const TMessageReader&) = delete;
    TMessageReader& operator=(const TMessageReader&) = delete;

    // Decode encoded words inside plain text body lines (TMIMEx::DecodeAsHeader).
    bool DecodeAsHeader = false;

    // Lines without their line ends.
    void Read(const TStrings& Lines);
    // A whole text, split into lines at CR LF, LF or CR.
    void ReadText(std::string_view Text);
    // A file (Path in program text); EMIMEFileError when it cannot be read.
    void ReadFile(const std::string& Path);

    // Piece by piece: Begin, then the text in pieces of any size (AddBytes)
    // or line by line (AddLine), then End.
    void Begin();
    void AddBytes(const char* Data, size_t Size);
    void AddLine(std::string_view Line);
    void End();

    // The header of the message; its body lines are in the MIME tree only.
    TINetMessage& Message() { return *FMessage; }
    const TINetMessage& Message() const { return *FMessage; }
    // The MIME tree (Mime().Root); Mime().Lines is left empty.
    TMIMEx& Mime() { return FMime; }
    // The sum over all lines of length + 1, at most INT_MAX.
    int Size() const;
    // The Lines field, or the number of body lines when that gives 0.
    int Lines() const;
    int BodyLines() const { return FBodyLines; }

    // What the read page shows of the message (BuildReadLayout with its
    // subject); WithHeader puts the header lines first.
    TReadLayout Layout(bool WithHeader);

private:
    void Take(const std::string& Line);

    std::unique_ptr<TINetMessage> FMessage;
    TMIMEx FMime;
    TLineSplitter FSplitter;
    bool FInHeader = true;
    long long FSize = 0;
    int FBodyLines = 0;
};
