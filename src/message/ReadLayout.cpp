// The read page's view of a received message: read text box lines, the
// attachment list with names for nameless parts, and saving an attachment.
#include "ReadLayout.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codex.h"
#include "cp932.h"
#include "sjisconv.h"

namespace {

// File names for parts without one, by media type: an exact type and subtype
// pair replaces the extension the subtype gives.
struct TExtRow {
    const char* Type;
    const char* SubType;
    const char* Ext;
};
const TExtRow ExtTable[] = {
    {"text", "html", "html"},
    {"image", "x-xbitmap", "xbm"},
    {"image", "x-xpixmap", "xbm"},
    {"image", "x-cmu-raster", "ras"},
    {"image", "x-portable-anymap", "pnm"},
    {"image", "x-portable-bitmap", "pbm"},
    {"image", "x-portable-graymap", "pgm"},
    {"image", "x-rgb", "rgb"},
    {"image", "gif", "gif"},
    {"image", "jpg", "jpg"},
    {"image", "jpeg", "jpeg"},
    {"image", "tiff", "tif"},
    {"audio", "basic", "au"},
    {"audio", "x-wav", "wav"},
    {"video", "quicktime", "mov"},
    {"video", "x-sgi-movie", "movi"},
    {"video", "mpeg", "mpg"},
    {"application", "java", "java"},
    {"application", "zip", "zip"},
    {"application", "x-tex", "tex"},
    {"application", "x-tar", "tar"},
    {"application", "postscript", "ps"},
};

// A subtype usable as an extension as it stands: letters, digits and - + _.
bool PlainToken(const std::string& S) {
    if (S.empty()) return false;
    for (char c : S) {
        const bool Ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '-' || c == '+' || c == '_';
        if (!Ok) return false;
    }
    return true;
}

// A name from message data as the list shows it: header words decoded, then
// made safe to save under; Fallback when nothing usable is left.
std::string ListName(const std::string& Raw, const std::string& Fallback) {
    const std::string Safe = SafeFileName(JISToSJIS(DecodeHeader(Raw)));
    return Safe.empty() ? Fallback : Safe;
}

// Whether a copy of the lines is worth testing for a uuencoded block: only a
// line long enough and starting with "begin" in any case can open one, so a
// plain text is not copied for nothing.
bool MayHoldUU(const TStringList& Lines) {
    const int N = Lines.GetCount();
    for (int i = 0; i < N; ++i) {
        const std::string& L = Lines.At(i);
        if (L.size() > 11 && strncasecmp(L.c_str(), "begin", 5) == 0) return true;
    }
    return false;
}

bool HoldsUUBlock(const TStringList& Lines) {
    if (!MayHoldUU(Lines)) return false;
    TUUxList Copy;
    Copy.Reserve(Lines.GetCount());
    Copy.AddStrings(Lines);
    return Copy.HasUUBlock();
}

void AddBody(TReadLayout& L, TMIMEPart* P, int Leaf) {
    P->DecodeTextBody();
    const TStringList& B = P->Body();
    TShownLeaf S;
    S.Leaf = Leaf;
    S.FirstLine = static_cast<int>(L.Lines.size());
    S.LineCount = B.GetCount();
    L.Lines.reserve(L.Lines.size() + static_cast<size_t>(S.LineCount));
    for (int i = 0; i < S.LineCount; ++i) L.Lines.push_back(B.At(i));
    L.Shown.push_back(S);
}

void AddEntry(TReadLayout& L, const std::string& Name, int Number) {
    L.Attachments.push_back(TAttachmentEntry{Name, Number});
    L.CanSave = true;
}

// Paths are program text (Shift_JIS); the file system takes UTF-8.
std::string Native(const std::string& Path) {
    for (char c : Path)
        if (static_cast<unsigned char>(c) >= 0x80) return Cp932ToUtf8(Path);
    return Path;
}

std::string SaveFailed(const std::string& Path, const std::string& Reason) {
    return SJ("添付ファイルを保存できませんでした: ") + Path + " (" + Reason + ")";
}

}  // namespace

std::string NamelessPartName(const TMIMEPart& Part, int Index) {
    std::string Ext = "bin";
    if (Part.SubType.size() < 5 && PlainToken(Part.SubType)) Ext = Part.SubType;
    for (const TExtRow& R : ExtTable)
        if (Part.MediaType == R.Type && Part.SubType == R.SubType) Ext = R.Ext;
    const std::string Name = SafeFileName(Part.MediaType + IntToStr(Index) + "." + Ext);
    return Name.empty() ? "part" + IntToStr(Index) + "." + Ext : Name;
}

TReadLayout BuildReadLayout(TMIMEx& Mime, bool WithHeader, const std::string& Subject) {
    TReadLayout L;
    TMIMEPart& Root = *Mime.Root;
    if (WithHeader) {
        const TStringList& H = Root.Header();
        for (int i = 0; i < H.GetCount(); ++i) L.Lines.push_back(H.At(i));
    }
    const int N = Root.LeafCount();
    L.LeafCount = N;
    if (N == 1) {
        TMIMEPart* P = Root.LeafAt(0);
        const std::string FN = P->GetFileName();
        if (!FN.empty()) {
            AddEntry(L, ListName(FN, NamelessPartName(*P, 0)), 0);
            return L;
        }
        P->DecodeTextBody();
        if (HoldsUUBlock(P->Body())) {
            L.CanSave = true;
            const int K = UUBlockCount(P->Body());
            for (int j = 1; j <= K; ++j)
                AddEntry(L, ListName(UUBlockName(P->Body(), j), "uufile" + IntToStr(j) + ".bin"), j);
        }
        AddBody(L, P, 0);
        return L;
    }
    for (int i = 0; i < N; ++i) {
        TMIMEPart* P = Root.LeafAt(i);
        const std::string FN = P->GetFileName();
        const std::string Type = "(" + P->MediaType + "/" + P->SubType + ")";
        if (!FN.empty()) {
            AddEntry(L, ListName(FN, NamelessPartName(*P, i)), i);
        } else if (i == 0) {
            L.Lines.push_back("------<Subject is " + Subject + " " + Type + " >------");
            L.Lines.emplace_back();
            AddBody(L, P, i);
        } else if (P->MediaType == "text" && P->SubType == "plain") {
            L.Lines.emplace_back();
            L.Lines.push_back("------<Attached TextFile " + Type + " >------");
            L.Lines.emplace_back();
            AddBody(L, P, i);
        } else {
            AddEntry(L, NamelessPartName(*P, i), i);
        }
    }
    return L;
}

namespace {

// What to write for attachment Number: leaf Number of a multipart; in a single
// part, uuencoded file Number (UUBlock) when its text holds such files, else
// the part itself (a named single part is entry 0, saved whole even when
// uuencoded). Null when there is no such attachment.
TMIMEPart* AttachmentPart(TMIMEx& Mime, int Number, int& UUBlock) {
    TMIMEPart& Root = *Mime.Root;
    TMIMEPart* Part = nullptr;
    UUBlock = 0;
    if (Root.LeafCount() > 1) {
        Part = Root.LeafAt(Number);
    } else {
        Part = Root.LeafAt(0);
        if (Number >= 1 && HoldsUUBlock(Part->Body())) {
            if (Number > UUBlockCount(Part->Body())) Part = nullptr;
            UUBlock = Number;
        }
    }
    return Number < 0 ? nullptr : Part;
}

std::string UnfinishedUU(const std::string& Path) {
    return SJ("添付ファイルの内容を取り出せませんでした（uuencodeのデータが途中で終わっています）: ") + Path;
}

}  // namespace

bool SaveAttachmentAs(TMIMEx& Mime, int Number, const std::string& Path, std::string& Error) {
    const size_t Slash = Path.find_last_of('/');
    const std::string Dir = Slash == std::string::npos ? std::string() : Path.substr(0, Slash + 1);
    const std::string Name = Slash == std::string::npos ? Path : Path.substr(Slash + 1);
    if (Name.empty()) {
        Error = SJ("保存先のファイル名がありません");
        return false;
    }
    int UUBlock;
    TMIMEPart* Part = AttachmentPart(Mime, Number, UUBlock);
    if (!Part) {
        Error = SJ("保存する添付ファイルがありません");
        return false;
    }

    // A temporary file beside the target, readable like any file the user
    // saves, then renamed over it.
    std::string Tmpl = Native(Dir.empty() ? std::string("./") : Dir) + ".velnaro-save-XXXXXX";
    const int Fd = mkstemp(&Tmpl[0]);
    if (Fd < 0) {
        Error = SaveFailed(Path, std::strerror(errno));
        return false;
    }
    const mode_t Mask = umask(0);
    umask(Mask);
    fchmod(Fd, 0666 & ~Mask);
    close(Fd);
    const std::string TmpName = Tmpl.substr(Tmpl.find_last_of('/') + 1);  // ASCII
    bool Written = false;
    try {
        errno = 0;
        if (UUBlock > 0) {
            UUSaveBlock(Part->Body(), UUBlock, Dir + TmpName);
            Written = true;
        } else {
            Written = !Part->SaveAttachment(Dir, TmpName).empty();
        }
    } catch (const std::exception& E) {
        const int Err = errno;
        std::remove(Tmpl.c_str());
        Error = SaveFailed(Path, Err ? std::strerror(Err) : E.what());
        return false;
    }
    if (!Written) {
        std::remove(Tmpl.c_str());
        Error = UnfinishedUU(Path);
        return false;
    }
    if (std::rename(Tmpl.c_str(), Native(Path).c_str()) != 0) {
        const int Err = errno;
        std::remove(Tmpl.c_str());
        Error = SaveFailed(Path, std::strerror(Err));
        return false;
    }
    return true;
}

bool SaveAttachmentInto(TMIMEx& Mime, const TAttachmentEntry& Entry, const std::string& Dir,
                        std::string& SavedPath, std::string& Error) {
    const std::string Name = SafeFileName(Entry.Name);
    if (Name.empty()) {
        Error = SJ("保存先のファイル名がありません");
        return false;
    }
    SavedPath = Dir.empty() ? Name : (Dir.back() == '/' ? Dir : Dir + "/") + Name;
    return SaveAttachmentAs(Mime, Entry.Number, SavedPath, Error);
}

bool WriteAttachment(TMIMEx& Mime, const TAttachmentEntry& Entry, std::ostream& Out, std::string& Error) {
    const std::string Name = SafeFileName(Entry.Name);
    if (Name.empty()) {
        Error = SJ("保存先のファイル名がありません");
        return false;
    }
    int UUBlock;
    TMIMEPart* Part = AttachmentPart(Mime, Entry.Number, UUBlock);
    if (!Part) {
        Error = SJ("保存する添付ファイルがありません");
        return false;
    }
    if (UUBlock > 0) {
        UUWriteBlock(Part->Body(), UUBlock, Out);
        return true;
    }
    if (!Part->WriteContent(Out)) {
        Error = UnfinishedUU(Name);
        return false;
    }
    return true;
}
