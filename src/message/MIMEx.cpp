// The MIME composer and decoder: a received message into a tree of parts, and
// text and attachments into wire-ready lines.
#include "MIMEx.h"

#include <fstream>

#include "LineSplitter.h"
#include "MIMEShared.h"
#include "Utf8.h"
#include "sjisconv.h"

using namespace mime_detail;

namespace {

// Shift_JIS text: ASCII, lead-trail pairs and half-width katakana only.
bool IsValidSJIS(const std::string& S) {
    const size_t N = S.size();
    for (size_t i = 0; i < N; ++i) {
        const unsigned char c = U(S[i]);
        if (c < 0x80 || IsHankakuKana(c)) continue;
        if (IsSJISLead(c) && i + 1 < N && IsSJISTrail(U(S[i + 1]))) {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

// Control bytes a text file does not hold (tab, line ends, form feed, ESC of
// JIS text and the old end-of-file mark are fine).
bool HasBinaryControls(const std::string& S) {
    for (char ch : S) {
        const unsigned char c = U(ch);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1B && c != 0x1A) ||
            c == 0x7F)
            return true;
    }
    return false;
}

}  // namespace

TMIMEx::TMIMEx() : Lines(std::make_unique<TStringList>()) { Root = NewPart(); }

TMIMEx::~TMIMEx() = default;

std::unique_ptr<TMIMEPart> TMIMEx::NewPart() const {
    auto P = std::make_unique<TMIMEPart>();
    P->DecodeAsHeader = DecodeAsHeader;
    P->RFC2231Encode = RFC2231Encode;
    return P;
}

void TMIMEx::BeginDecode() {
    Lines->Clear();
    ResetTree();
}

void TMIMEx::ResetTree() {
    Root->Clear();
    // A new message starts from nothing: no boundary or type of the last one.
    Root->SubType = "plain";
    Root->Encoding.clear();
    Root->FileName.clear();
    Root->Boundary.clear();
}

void TMIMEx::Decode(const TStrings& Source) {
    if (&Source != Lines.get()) {
        Lines->Clear();
        Lines->Reserve(Source.GetCount());
        Lines->AddStrings(Source);
    }
    ResetTree();
    const int N = Lines->GetCount();
    for (int i = 0; i < N; ++i) Root->AddLine(Lines->At(i));
}

void TMIMEx::DecodeText(const std::string& Text) {
    BeginDecode();
    TLineSplitter Split;
    TMIMEPart* R = Root.get();
    auto Emit = [R](std::string_view L) { R->AddLine(std::string(L)); };
    Split.Feed(Text.data(), Text.size(), Emit);
    Split.Finish(Emit);
}

void TMIMEx::DecodeFile(const std::string& Path) {
    std::ifstream F(NativePath(Path), std::ios::binary);
    if (!F) throw EMIMEFileError("Cannot open file \"" + Path + "\"");
    BeginDecode();
    TLineSplitter Split;
    TMIMEPart* R = Root.get();
    auto Emit = [R](std::string_view L) { R->AddLine(std::string(L)); };
    std::string Buf(1 << 20, '\0');
    while (F) {
        F.read(&Buf[0], static_cast<std::streamsize>(Buf.size()));
        const std::streamsize Got = F.gcount();
        if (Got <= 0) break;
        Split.Feed(Buf.data(), static_cast<size_t>(Got), Emit);
    }
    Split.Finish(Emit);
}

namespace {
void AppendHeaderLines(TStringList& Dest, const TStrings* Src) {
    if (!Src) return;
    for (int i = 0; i < Src->GetCount(); ++i) {
        std::string L = Src->Get(i);
        if (!L.empty()) Dest.Add(L);  // a header holds no empty line
    }
}
void AppendLines(TStringList& Dest, const TStrings* Src) {
    if (!Src) return;
    for (int i = 0; i < Src->GetCount(); ++i) Dest.Add(Src->Get(i));
}
}  // namespace

void TMIMEx::AddTextPart(const TStrings* HeaderLines, const TStrings* BodyLines) {
    if (!HeaderLines && !BodyLines) return;
    bool Ascii = !BodyLines || IsAllASCII(*BodyLines);
    if (Ascii && HeaderLines) Ascii = IsAllASCII(*HeaderLines);
    const std::string CT = Ascii ? "text/plain; charset=us-ascii" : "text/plain; charset=iso-2022-jp";
    TMIMEPart* P;
    if (Root->Header().GetCount() == 0 && Root->Body().GetCount() == 0) {
        P = Root.get();
    } else {
        if (Root->MediaType != "multipart") MakeMultipart();
        P = Root->InsertChild(Root->Parts.size(), NewPart());
    }
    AppendHeaderLines(P->Header(), HeaderLines);
    P->SetField("Content-Type", CT);
    P->SetField("Content-Transfer-Encoding", "7bit");
    P->ParseHeader();
    AppendLines(P->Body(), BodyLines);
}

void TMIMEx::AddAttachment(const std::string& Path, const std::string& MediaType,
                           const std::string& SubType) {
    std::string CT;
    if (MediaType.empty()) {
        const size_t Slash = Path.find_last_of('/');
        const size_t Dot = Path.find_last_of('.');
        const std::string Ext = (Dot == std::string::npos || (Slash != std::string::npos && Dot < Slash))
                                    ? ""
                                    : LowerCase(Path.substr(Dot));
        if (Ext == ".jpg" || Ext == ".jpeg") {
            CT = "image/jpeg";
        } else if (Ext == ".gif") {
            CT = "image/gif";
        } else if (Ext == ".txt") {
            // ASCII and Shift_JIS text travels as an inline text part. Other
            // bytes (UTF-8 text as Linux editors write it, binary data) would
            // lose their characters there: they go as a named attachment.
            const std::string Bytes = ReadWholeFile(Path);
            const bool Binary = HasBinaryControls(Bytes);
            if (!Binary && (!HasHigh(Bytes) || (!IsValidUtf8(Bytes) && IsValidSJIS(Bytes)))) {
                TStringList TextLines;
                TextLines.SetText(Bytes);
                AddTextPart(nullptr, &TextLines);
                return;
            }
            CT = (!Binary && IsValidUtf8(Bytes)) ? "text/plain; charset=utf-8" : "application/octet-stream";
        } else {
            CT = "application/octet-stream";
        }
    } else {
        CT = MediaType + "/" + (SubType.empty() ? std::string("octet-stream") : SubType);
    }
    if (Root->Header().GetCount() > 0) {
        if (Root->MediaType != "multipart") MakeMultipart();
        auto P = NewPart();
        P->SetField("Content-Type", CT);
        P->AttachFile(Path);
        P->ParseHeader();
        Root->InsertChild(Root->Parts.size(), std::move(P));
    } else {
        Root->SetField("Content-Type", CT);
        Root->AttachFile(Path);
        Root->ParseHeader();
    }
}

void TMIMEx::MakeMultipart() {
    if (Root->MediaType == "multipart") return;
    std::string CT = Root->GetField("Content-Type");
    if (CT.empty()) {
        if (!IsAllASCII(Root->Header()))
            CT = "text/plain; charset=iso-2022-jp";
        else if (IsAllASCII(Root->Body()))
            CT = "text/plain; charset=us-ascii";
        else
            CT = "text/plain; charset=iso-2022-jp";
    }
    std::string CTE = Root->GetField("Content-Transfer-Encoding");
    if (CTE.empty()) CTE = "7bit";
    const std::string CD = Root->GetField("Content-Disposition");
    const std::string CDesc = Root->GetField("Content-Description");

    auto Child = NewPart();
    TStringList& RB = Root->Body();
    for (int i = 0; i < RB.GetCount(); ++i) Child->Body().AddPacked(RB.View(i));
    RB.Clear();
    Child->SetField("Content-Type", CT);
    Child->SetField("Content-Transfer-Encoding", CTE);
    if (!CD.empty()) Child->SetField("Content-Disposition", CD);
    if (!CDesc.empty()) Child->SetField("Content-Description", CDesc);
    Child->ParseHeader();

    Root->SetField("Content-Type", "multipart/mixed; Boundary=\"" + Root->GetBoundary() + "\"");
    Root->DeleteField("Content-Transfer-Encoding");
    Root->DeleteField("Content-Disposition");
    Root->DeleteField("Content-Description");
    Root->InsertChild(0, std::move(Child));
    Root->ParseHeader();
}

void TMIMEx::Compose() {
    Lines->Clear();
    Root->SetMimeVersion("1.0");
    Root->SetField("MIME-Version", "1.0");
    Root->WriteTo(*Lines);
}
