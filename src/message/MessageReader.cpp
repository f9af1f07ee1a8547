// One received message read in one pass: its header fields and its MIME tree.
#include "MessageReader.h"

#include <climits>
#include <fstream>

#include "MIMEShared.h"

TMessageReader::TMessageReader() : FMessage(std::make_unique<TINetMessage>()) {}

TMessageReader::~TMessageReader() = default;

void TMessageReader::Begin() {
    // A fresh message object: its values are computed once and kept.
    FMessage = std::make_unique<TINetMessage>();
    FMime.DecodeAsHeader = DecodeAsHeader;
    FMime.Root->DecodeAsHeader = DecodeAsHeader;
    FMime.BeginDecode();
    FSplitter.Finish([](std::string_view) {});
    FInHeader = true;
    FSize = 0;
    FBodyLines = 0;
}

void TMessageReader::Take(const std::string& Line) {
    FSize += static_cast<long long>(Line.size()) + 1;
    if (FInHeader) {
        if (Line.empty()) {
            FInHeader = false;
            FMessage->SetHasSeparator(true);
        } else {
            FMessage->Header().Add(Line);
        }
    } else {
        ++FBodyLines;
    }
    FMime.Root->AddLine(Line);
}

void TMessageReader::AddLine(std::string_view Line) { Take(std::string(Line)); }

void TMessageReader::AddBytes(const char* Data, size_t Size) {
    FSplitter.Feed(Data, Size, [this](std::string_view L) { AddLine(L); });
}

void TMessageReader::End() {
    FSplitter.Finish([this](std::string_view L) { AddLine(L); });
}

void TMessageReader::Read(const TStrings& Lines) {
    Begin();
    const int N = Lines.GetCount();
    if (const auto* List = dynamic_cast<const TStringList*>(&Lines)) {
        for (int i = 0; i < N; ++i) Take(List->At(i));
    } else {
        for (int i = 0; i < N; ++i) Take(Lines.Get(i));
    }
}

void TMessageReader::ReadText(std::string_view Text) {
    Begin();
    AddBytes(Text.data(), Text.size());
    End();
}

void TMessageReader::ReadFile(const std::string& Path) {
    std::ifstream F(mime_detail::NativePath(Path), std::ios::binary);
    if (!F) throw EMIMEFileError("Cannot open file \"" + Path + "\"");
    Begin();
    std::string Buf(1 << 20, '\0');
    while (F) {
        F.read(&Buf[0], static_cast<std::streamsize>(Buf.size()));
        const std::streamsize Got = F.gcount();
        if (Got <= 0) break;
        AddBytes(Buf.data(), static_cast<size_t>(Got));
    }
    if (F.bad()) throw EMIMEFileError("Cannot read file \"" + Path + "\"");
    End();
}

int TMessageReader::Size() const { return FSize > INT_MAX ? INT_MAX : static_cast<int>(FSize); }

int TMessageReader::Lines() const {
    const int N = FMessage->Lines();  // the field: the message holds no body lines
    return N == 0 ? FBodyLines : N;
}

TReadLayout TMessageReader::Layout(bool WithHeader) {
    return BuildReadLayout(FMime, WithHeader, FMessage->Subject());
}
