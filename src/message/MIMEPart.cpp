// One MIME part: header fields, the line-by-line receiving parser, the leaf
// index, writing out, decoding text bodies and saving content.
#include "MIMEPart.h"

#include <algorithm>
#include <fstream>

#include "MIMEShared.h"
#include "codex.h"
#include "sjisconv.h"

using namespace mime_detail;

TMIMEPart::TMIMEPart()
    : TypeParams(std::make_unique<TContentParams>()), DispositionParams(std::make_unique<TContentParams>()),
      FTree(std::make_shared<TTreeState>()) {}

TMIMEPart::~TMIMEPart() = default;

std::unique_ptr<TBaseMessage> TMIMEPart::NewInstance() const { return std::make_unique<TMIMEPart>(); }

void TMIMEPart::TreeChanged() { ++FTree->Changes; }

void TMIMEPart::Clear() {
    TypeParams->Clear();
    DispositionParams->Clear();
    Parts.clear();
    TreeChanged();
    FPhase = TLinePhase::Header;
    MediaType = "text";
    MimeVersion.clear();
    Charset.clear();
    TextDecoded = false;
    TBaseMessage::Clear();
}

void TMIMEPart::LoadFromStrings(const TStrings& Source) {
    TBaseMessage::LoadFromStrings(Source);
    ParseHeader();
}

void TMIMEPart::ParseHeader() {
    MimeVersion = GetField("MIME-Version");
    const std::string CT = GetField("Content-Type");
    if (!CT.empty()) {
        const size_t Slash = CT.find('/');
        std::string Rest;
        bool HasParams = false;
        if (Slash == std::string::npos) {
            const size_t Semi = CT.find(';');
            MediaType = LowerCase(Trim(CT.substr(0, Semi)));
            SubType.clear();
            if (Semi != std::string::npos) {
                HasParams = true;
                Rest = CT.substr(Semi + 1);
            }
        } else {
            MediaType = LowerCase(Trim(CT.substr(0, Slash)));
            const size_t Semi = CT.find(';', Slash + 1);
            if (Semi != std::string::npos) {
                SubType = LowerCase(Trim(CT.substr(Slash + 1, Semi - Slash - 1)));
                HasParams = true;
                Rest = CT.substr(Semi + 1);
            } else {
                SubType = LowerCase(Trim(CT.substr(Slash + 1)));
            }
        }
        if (HasParams) {
            TypeParams->SetText(Trim(Rest));
            Charset = TypeParams->ParamValue("charset");
            Boundary = TypeParams->ParamValue("boundary");
        }
    }
    Encoding = LowerCase(Trim(GetField("Content-Transfer-Encoding")));
    DispositionParams->SetText(GetField("Content-Disposition"));
    FileName = DispositionParams->ParamValue("filename");
    if (!RFC2231Encode) FileName = JISToSJIS(DecodeHeader(FileName));
    if (FileName.empty()) FileName = JISToSJIS(DecodeHeader(TypeParams->ParamValue("name")));
}

bool TMIMEPart::SplitsBody() const {
    return !Boundary.empty() && Depth < MaxMIMEDepth && MediaType == "multipart";
}

TMIMEPart* TMIMEPart::AddChild() {
    auto P = std::make_unique<TMIMEPart>();
    P->MimeVersion = MimeVersion;
    P->DecodeAsHeader = DecodeAsHeader;
    P->RFC2231Encode = RFC2231Encode;
    P->Depth = Depth + 1;
    P->FTree = FTree;
    Parts.push_back(std::move(P));
    TreeChanged();
    return Parts.back().get();
}

void TMIMEPart::JoinTree(const std::shared_ptr<TTreeState>& Tree, int NewDepth) {
    FTree = Tree;
    Depth = NewDepth;
    for (auto& P : Parts) P->JoinTree(Tree, NewDepth + 1);
}

TMIMEPart* TMIMEPart::InsertChild(size_t Index, std::unique_ptr<TMIMEPart> Child) {
    Child->JoinTree(FTree, Depth + 1);
    Index = std::min(Index, Parts.size());
    Parts.insert(Parts.begin() + static_cast<std::ptrdiff_t>(Index), std::move(Child));
    TreeChanged();
    return Parts[Index].get();
}

void TMIMEPart::AddLine(const std::string& Line) {
    switch (FPhase) {
        case TLinePhase::Header:
            if (!Line.empty()) {
                Header().Add(Line);
            } else {
                ParseHeader();
                FPhase = SplitsBody() ? TLinePhase::Preamble : TLinePhase::Body;
            }
            return;
        case TLinePhase::Preamble:
        case TLinePhase::InChild: {
            const size_t BL = Boundary.size();
            if (Line.size() >= BL + 2 && Line[0] == '-' && Line[1] == '-' &&
                Line.compare(2, BL, Boundary) == 0) {
                if (Line.size() == BL + 2) {
                    AddChild();
                    FPhase = TLinePhase::InChild;
                    return;
                }
                if (Line.size() == BL + 4 && Line[BL + 2] == '-' && Line[BL + 3] == '-') {
                    FPhase = TLinePhase::Epilogue;
                    return;
                }
            }
            if (FPhase == TLinePhase::InChild)
                Parts.back()->AddLine(Line);
            else
                Body().AddPacked(ConvertCharset(Line));
            return;
        }
        case TLinePhase::Epilogue:
        case TLinePhase::Body: AddBodyLine(Line); return;
    }
}

void TMIMEPart::AddBodyLine(const std::string& Line) {
    // Body lines go to the packed store: a large attachment is then one
    // buffer, not a string per line.
    if (!MimeVersion.empty() && (MediaType != "text" || (SubType != "plain" && !SubType.empty()))) {
        Body().AddPacked(Line);
    } else if (MimeVersion.empty() || !DecodeAsHeader) {
        if (IsPlainAscii(Line))
            Body().AddPacked(Line);  // the conversion would copy it unchanged
        else
            Body().AddPacked(ConvertCharset(Line));
    } else {
        Body().AddPacked(ConvertCharset(DecodeHeader(Line)));
    }
}

std::string TMIMEPart::ConvertCharset(const std::string& Line) const {
    if (IsPlainAscii(Line)) return Line;
    return CharsetToSJIS(Charset, Line, true);
}

std::string TMIMEPart::GetEncoding() {
    if (Encoding.empty()) Encoding = Trim(GetField("Content-Transfer-Encoding"));
    return LowerCase(Encoding);
}

std::string TMIMEPart::GetFileName() {
    if (FileName.empty()) ParseHeader();
    return FileName;
}

void TMIMEPart::SetFileName(const std::string& Name) {
    if (Name == FileName) return;
    FileName = Name;
    if (Name.empty()) return;
    if (RFC2231Encode) {
        // The file name alone goes into Content-Disposition; parameters of
        // Content-Type stay where they are.
        SetField("Content-Disposition", "attachment");
        TContentParams Params;
        Params.SetParam("filename", Name);
        Params.WriteToField(*this, "Content-Disposition");
    } else {
        const std::string W = EncodeHeader(SJISToJIS(Name));
        // Start from the parameters the field holds now (a charset set just
        // before must survive the rewrite).
        const std::string CT = GetField("Content-Type");
        const size_t Semi = CT.find(';');
        if (Semi != std::string::npos) TypeParams->SetText(Trim(CT.substr(Semi + 1)));
        TypeParams->DeleteParam("name");
        TypeParams->Add("name=\"" + W + "\"");
        TypeParams->WriteToField(*this, "Content-Type");
        ParseHeader();
        FileName = Name;
        SetField("Content-Disposition", "attachment; filename=\"" + W + "\"");
    }
}

std::string TMIMEPart::GetBoundary() {
    if (Boundary.empty())
        Boundary = "=_Velnaro001_Boundary_" + FormatDateTime("yyyymmddhhmmss", Now()) + "_=";
    return Boundary;
}

void TMIMEPart::AttachFile(const std::string& Path) {
    // Encoded straight into the body; a missing file leaves it empty.
    if (FileExists(Path)) {
        std::ifstream F(NativePath(Path), std::ios::binary);
        if (!F) throw EMIMEFileError("Cannot open file \"" + Path + "\"");
        TBase64List::EncodeStream(F, Body());
    } else {
        Body().Clear();
    }
    SetField("Content-Transfer-Encoding", "base64");
    const size_t Slash = Path.find_last_of('/');
    SetFileName(Slash == std::string::npos ? Path : Path.substr(Slash + 1));
}

void TMIMEPart::WriteTo(TStrings& Dest) {
    TStringList* Fast = dynamic_cast<TStringList*>(&Dest);
    const TStringList& H = Header();
    for (int i = 0; i < H.GetCount(); ++i) {
        const std::string& L = H.At(i);
        Dest.Add(HasHighOrEsc(L) ? EncodeHeader(SJISToJIS(L)) : L);
    }
    Dest.Add("");
    if (MediaType != "multipart" || Depth >= MaxMIMEDepth) {
        const TStringList& B = Body();
        const int N = B.GetCount();
        if (Fast) {
            Fast->Reserve(Fast->GetCount() + N);
            for (int i = 0; i < N; ++i) {
                const std::string_view L = B.View(i);
                Fast->Add(HasHigh(L) ? SJISToJIS(std::string(L)) : std::string(L));
            }
        } else {
            for (int i = 0; i < N; ++i) {
                const std::string_view L = B.View(i);
                Dest.Add(HasHigh(L) ? SJISToJIS(std::string(L)) : std::string(L));
            }
        }
        return;
    }
    Dest.Add("This is multipart message.");
    Dest.Add("");
    const std::string Delim = "--" + GetBoundary();
    for (auto& P : Parts) {
        Dest.Add(Delim);
        P->WriteTo(Dest);
    }
    Dest.Add(Delim + "--");
}

void TMIMEPart::BuildLeafIndex() const {
    FLeafEnds.resize(Parts.size());
    int Sum = 0;
    for (size_t i = 0; i < Parts.size(); ++i) {
        Sum += Parts[i]->LeafCount();
        FLeafEnds[i] = Sum;
    }
    FLeafCount = Sum;
    FLeafChanges = FTree->Changes;
}

int TMIMEPart::LeafCount() const {
    if (Parts.empty()) return 1;
    if (FLeafChanges != FTree->Changes) BuildLeafIndex();
    return FLeafCount;
}

TMIMEPart* TMIMEPart::LeafAt(int Index) const {
    if (Parts.empty()) return Index == 0 ? const_cast<TMIMEPart*>(this) : nullptr;
    if (Index < 0 || Index >= LeafCount()) return nullptr;
    const auto It = std::upper_bound(FLeafEnds.begin(), FLeafEnds.end(), Index);
    const size_t K = static_cast<size_t>(It - FLeafEnds.begin());
    const int Before = K == 0 ? 0 : FLeafEnds[K - 1];
    return Parts[K]->LeafAt(Index - Before);
}

// Decoded base64 text lines lose exactly the CR of their CR LF (and a CR
// closing the last line) and nothing else: indentation, trailing blanks and
// the ESC that opens a line of ISO-2022-JP text are part of the text.
void TMIMEPart::DecodeTextBody() {
    if (TextDecoded || MediaType != "text") return;
    const std::string Enc = GetEncoding();
    std::vector<std::string> Out;
    const TStringList& B = Body();
    const int N = B.GetCount();
    if (Enc == "quoted-printable") {
        std::string Buffer, Text;
        for (int i = 0; i < N; ++i) {
            const bool Soft = SplitSoftBreak(B.View(i), Text);
            Buffer += Text;
            if (!Soft) {
                Out.push_back(ConvertCharset(QPDecode(Buffer)));
                Buffer.clear();
            }
        }
        if (!Buffer.empty()) Out.push_back(ConvertCharset(QPDecode(Buffer)));
    } else if (Enc == "base64") {
        TBase64Stream Dec;
        std::string Bytes;
        auto TakeLines = [&](size_t From) {
            size_t Start = 0;
            for (;;) {
                const size_t LF = Bytes.find('\n', From);
                if (LF == std::string::npos) break;
                size_t E = LF;
                if (E > Start && Bytes[E - 1] == '\r') --E;
                Out.push_back(ConvertCharset(Bytes.substr(Start, E - Start)));
                Start = From = LF + 1;
            }
            if (Start > 0) Bytes.erase(0, Start);
        };
        for (int i = 0; i < N; ++i) {
            const size_t From = Bytes.size();
            Dec.Feed(B.View(i), Bytes);
            TakeLines(From);
        }
        const size_t From = Bytes.size();
        Dec.Finish(Bytes);
        TakeLines(From);
        if (!Bytes.empty()) {
            if (Bytes.back() == '\r') Bytes.pop_back();
            Out.push_back(ConvertCharset(Bytes));
        }
    } else {
        return;
    }
    Body().Clear();
    Body().Reserve(static_cast<int>(Out.size()));
    for (const std::string& L : Out) Body().Add(L);
    TextDecoded = true;
}

// How SaveAttachment writes the content: the kind, and for uuencoded content
// the last complete block (the one that stays in the file, each block being
// saved to the same file in turn) and how many there are.
struct TMIMEPart::TContentPlan {
    enum { Base64, QuotedPrintable, Plain, UUBlock, None } Kind = Plain;
    TUUxList Lists[2];
    TUUxList* Block = nullptr;
    int Blocks = 1;
};

void TMIMEPart::PlanContent(TContentPlan& Plan) {
    // Text already decoded for display is saved as those lines.
    if (TextDecoded) return;
    const std::string Enc = GetEncoding();
    if (Enc == "base64") {
        Plan.Kind = TContentPlan::Base64;
        return;
    }
    if (Enc == "quoted-printable") {
        Plan.Kind = TContentPlan::QuotedPrintable;
        return;
    }
    if (Enc == "7bit" || Enc == "8bit" || Enc == "binary") return;

    // Any other encoding: the complete uuencoded blocks of the body, else the
    // body lines as they are.
    TUUxList* Cur = &Plan.Lists[0];
    bool InBlock = false;
    int Blocks = 0;
    const TStringList& B = Body();
    for (int i = 0; i < B.GetCount(); ++i) {
        const std::string& L = B.At(i);
        if (!InBlock) {
            if (IsBeginLineAnyCase(L)) {
                InBlock = true;
                Cur->Clear();
                Cur->Add(L);
            }
            continue;
        }
        Cur->Add(L);
        if (IsEndAnyCase(L)) {
            InBlock = false;
            if (Cur->HasUUBlock()) {
                ++Blocks;
                Plan.Block = Cur;  // kept; the next block goes to the other list
                Cur = Cur == &Plan.Lists[0] ? &Plan.Lists[1] : &Plan.Lists[0];
            }
        }
    }
    if (Blocks > 0) {
        Plan.Kind = TContentPlan::UUBlock;
        Plan.Blocks = Blocks;
    } else if (InBlock) {
        Plan.Kind = TContentPlan::None;  // nothing but an unfinished block
    }
}

void TMIMEPart::WriteContentAs(const TContentPlan& Plan, std::ostream& Stream) {
    switch (Plan.Kind) {
        case TContentPlan::Base64: TBase64List::DecodeLines(Body(), Stream); break;
        case TContentPlan::QuotedPrintable: TQuotedPrintableList::DecodeLines(Body(), Stream); break;
        case TContentPlan::Plain: TPlainList::DecodeLines(Body(), Stream); break;
        case TContentPlan::UUBlock: Plan.Block->DecodeTo(Stream); break;
        case TContentPlan::None: break;
    }
}

bool TMIMEPart::WriteContent(std::ostream& Stream) {
    TContentPlan Plan;
    PlanContent(Plan);
    if (Plan.Kind == TContentPlan::None) return false;
    WriteContentAs(Plan, Stream);
    return true;
}

std::string TMIMEPart::SaveAttachment(const std::string& Dir, const std::string& FileName) {
    std::string Path = Dir;
    if (!Path.empty() && Path.back() != '/') Path += '/';
    Path += FileName;
    TContentPlan Plan;
    PlanContent(Plan);
    if (Plan.Kind == TContentPlan::None) return std::string();
    std::ofstream F = CreateFile(Path);
    WriteContentAs(Plan, F);
    CloseFile(F, Path);
    std::string Result = Path;
    for (int i = 1; i < Plan.Blocks; ++i) Result += ";" + Path;
    return Result;
}

std::string SafeFileName(const std::string& Name) {
    std::string Comp;
    const size_t N = Name.size();
    for (size_t i = 0; i < N; ++i) {
        const unsigned char c = U(Name[i]);
        if (IsSJISLead(c) && i + 1 < N && IsSJISTrail(U(Name[i + 1]))) {
            Comp.append(Name, i, 2);
            ++i;
        } else if (c == '/' || c == '\\') {
            Comp.clear();
        } else if (c >= 0x20 && c != 0x7F) {
            Comp += static_cast<char>(c);
        }
    }
    Comp = Trim(Comp);
    if (Comp == "." || Comp == "..") return std::string();
    constexpr size_t MaxLen = 200;
    if (Comp.size() <= MaxLen) return Comp;
    std::string Ext;
    const size_t Dot = Comp.find_last_of('.');
    if (Dot != std::string::npos && Dot > 0 && Comp.size() - Dot <= 16 && !HasHigh(Comp.substr(Dot)))
        Ext = Comp.substr(Dot);
    const size_t Keep = MaxLen - Ext.size();
    std::string Stem;
    for (size_t i = 0; i < Comp.size() - Ext.size();) {
        const size_t Len =
            (IsSJISLead(U(Comp[i])) && i + 1 < Comp.size() && IsSJISTrail(U(Comp[i + 1]))) ? 2 : 1;
        if (Stem.size() + Len > Keep) break;
        Stem.append(Comp, i, Len);
        i += Len;
    }
    return Stem + Ext;
}
