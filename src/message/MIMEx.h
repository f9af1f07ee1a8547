// The MIME composer and decoder (TMIMEx). This header also brings in the
// transfer encodings, content parameters, MIME parts and uuencoded blocks.
#pragma once

#include <memory>
#include <string>

#include "BaseMsg.h"
#include "Classes.h"
#include "ContentParams.h"
#include "MIMEEncodings.h"
#include "MIMEPart.h"
#include "UUBlocks.h"

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
    // Starts a received message given line by line: Lines and the tree are
    // emptied (nothing of the last message is kept); each line then goes to
    // Root->AddLine.
    void BeginDecode();

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
    void ResetTree();
};
