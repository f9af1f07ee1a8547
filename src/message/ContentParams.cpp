// Content parameters: the items of Content-Type and Content-Disposition,
// RFC 2231 values and percent-encoding.
#include "ContentParams.h"

#include <algorithm>
#include <cstring>

#include "MIMEShared.h"
#include "codex.h"
#include "sjisconv.h"
#include "uni2sj.h"

using namespace mime_detail;

void ParseParamItem(const std::string& Item, std::string& Name, std::string& Section, std::string& Value) {
    const size_t Eq = Item.find('=');
    const size_t Star = Item.find('*');
    const size_t NameEnd = std::min(Eq, Star);
    Name = Item.substr(0, NameEnd == std::string::npos ? Item.size() : NameEnd);
    Section.clear();
    if (Star != std::string::npos && Star < Eq)
        Section = Item.substr(Star + 1, Eq == std::string::npos ? std::string::npos : Eq - Star - 1);
    Value = Eq == std::string::npos ? std::string() : Item.substr(Eq + 1);
}

std::string PercentEncode(const std::string& Text) {
    static const char Hex[] = "0123456789ABCDEF";
    std::string Out;
    Out.reserve(Text.size() * 3);
    for (char ch : Text) {
        const unsigned char c = U(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            std::strchr("!#$&*+-.^_{|}", c) != nullptr) {
            if (c != 0) {
                Out += ch;
                continue;
            }
        }
        Out += '%';
        Out += Hex[c >> 4];
        Out += Hex[c & 15];
    }
    return Out;
}

std::string CharsetToSJIS(const std::string& Charset, const std::string& Bytes, bool ForUnknownAsJIS) {
    const std::string C = UpperCase(Trim(Charset));
    if (C.compare(0, 11, "ISO-2022-JP") == 0) return JISToSJIS(Bytes);
    if (C == "UTF-8" || C == "UTF8") return UTF8ToSJIS(Bytes);
    if (C == "SHIFT_JIS" || C == "SHIFT-JIS" || C == "SJIS" || C == "X-SJIS" || C == "CP932" ||
        C == "WINDOWS-31J" || C == "MS_KANJI")
        return Bytes;
    if (C == "EUC-JP" || C == "X-EUC-JP" || C == "EUCJP") return JISToSJIS(EUCToJIS(Bytes));
    return ForUnknownAsJIS ? JISToSJIS(Bytes) : Bytes;
}

std::string RFC2231Decode(const std::string& Value) {
    const size_t Q1 = Value.find('\'');
    if (Q1 == std::string::npos) return PercentDecode(Value);
    const size_t Q2 = Value.find('\'', Q1 + 1);
    const std::string Encoded = Value.substr((Q2 == std::string::npos ? Q1 : Q2) + 1);
    return CharsetToSJIS(Value.substr(0, Q1), PercentDecode(Encoded), false);
}

std::string RFC2231EncodeValue(const std::string& Value) {
    bool Plain = true;
    for (char c : Value)
        if (U(c) < 0x20 || U(c) > 0x7F) Plain = false;
    if (Plain) return PercentEncode(Value);
    return "iso-2022-jp'jp'" + PercentEncode(SJISToJIS(Value));
}

std::vector<std::string> SplitParamValue(const std::string& Value) {
    std::vector<std::string> Pieces;
    std::string Cur;
    int CurKind = 0;
    const size_t N = Value.size();
    for (size_t i = 0; i < N;) {
        const bool Double = IsSJISLead(U(Value[i])) && i + 1 < N && IsSJISTrail(U(Value[i + 1]));
        const int Kind = Double ? 2 : 1;
        if (Kind != CurKind && !Cur.empty()) {
            Pieces.push_back(Cur);
            Cur.clear();
        }
        CurKind = Kind;
        Cur.append(Value, i, static_cast<size_t>(Kind));
        i += static_cast<size_t>(Kind);
        if (Cur.size() >= 40) {
            Pieces.push_back(Cur);
            Cur.clear();
        }
    }
    if (!Cur.empty()) Pieces.push_back(Cur);
    return Pieces;
}

// Items end at a ";" outside double quotes, so a quoted file name holding
// ";" stays one item. The blanks and ";" after an item are skipped.
void TContentParams::SetText(const std::string& Text) {
    BeginUpdate();
    Clear();
    const size_t N = Text.size();
    size_t i = 0;
    while (i < N) {
        const size_t Start = i;
        bool Quoted = false;
        while (i < N && (Quoted || Text[i] != ';')) {
            if (Text[i] == '"') Quoted = !Quoted;
            ++i;
        }
        Add(Text.substr(Start, i - Start));
        while (i < N &&
               (Text[i] == '\t' || Text[i] == '\n' || Text[i] == '\r' || Text[i] == ' ' || Text[i] == ';'))
            ++i;
    }
    EndUpdate();
}

std::string TContentParams::ParamValue(const std::string& Name) const {
    std::string Result;
    // A value in the standard continued form: its charset and the bytes
    // gathered so far, converted once when the value ends.
    bool InGroup = false;
    std::string GroupCharset, GroupBytes;
    auto Flush = [&]() {
        if (InGroup) Result += CharsetToSJIS(GroupCharset, GroupBytes, false);
        InGroup = false;
        GroupCharset.clear();
        GroupBytes.clear();
    };
    std::string ItemName, Section, Value;
    const int N = GetCount();
    for (int i = 0; i < N; ++i) {
        const std::string& Item = At(i);
        ParseParamItem(Item, ItemName, Section, Value);
        if (!SameText(Trim(ItemName), Name)) continue;
        // Blanks around the value (before a following ";") are not part of it.
        size_t B = 0, E = Value.size();
        while (B < E && (Value[B] == ' ' || Value[B] == '\t')) ++B;
        while (E > B && (Value[E - 1] == ' ' || Value[E - 1] == '\t')) --E;
        if (B == E) continue;
        if (B > 0 || E < Value.size()) Value = Value.substr(B, E - B);
        if (Value.size() >= 2 && Value.front() == '"' && Value.back() == '"') {
            Flush();
            Result.append(Value, 1, Value.size() - 2);
            continue;
        }
        const size_t Eq = Item.find('=');
        const bool Extended = Eq != std::string::npos && Eq > 0 && Item[Eq - 1] == '*';
        const size_t Q1 = Value.find('\'');
        if (Q1 != std::string::npos) {
            Flush();
            const size_t Q2 = Value.find('\'', Q1 + 1);
            InGroup = true;
            GroupCharset = Value.substr(0, Q1);
            GroupBytes = PercentDecode(Value.substr((Q2 == std::string::npos ? Q1 : Q2) + 1));
        } else if (Extended && InGroup) {
            GroupBytes += PercentDecode(Value);
        } else {
            Flush();
            Result += PercentDecode(Value);
        }
    }
    Flush();
    return Result;
}

void TContentParams::SetParam(const std::string& Name, const std::string& Value) {
    DeleteParam(Name);
    // Values that need a charset prefix are written as extended ("*=") items.
    auto Extended = [](const std::string& V) {
        for (char c : V)
            if (U(c) < 0x20 || U(c) > 0x7F) return true;
        return false;
    };
    const std::vector<std::string> Pieces = SplitParamValue(Value);
    if (Pieces.size() <= 1) {
        Add(Name + (Extended(Value) ? "*=" : "=") + RFC2231EncodeValue(Value));
        return;
    }
    for (size_t k = 0; k < Pieces.size(); ++k)
        Add(Name + "*" + std::to_string(k) + (Extended(Pieces[k]) ? "*=" : "=") +
            RFC2231EncodeValue(Pieces[k]));
}

void TContentParams::DeleteParam(const std::string& Name) {
    // One pass that keeps the other items, rather than deleting one by one.
    std::vector<std::string> Kept;
    std::string ItemName, Section, Value;
    const int N = GetCount();
    bool Any = false;
    for (int i = 0; i < N; ++i) {
        ParseParamItem(At(i), ItemName, Section, Value);
        if (SameText(Trim(ItemName), Name))
            Any = true;
        else
            Kept.push_back(At(i));
    }
    if (!Any) return;
    Clear();
    for (const std::string& S : Kept) Add(S);
}

void TContentParams::WriteToField(TBaseMessage& Part, const std::string& FieldName) const {
    std::string V = Part.GetField(FieldName);
    if (V.empty()) return;
    const size_t Semi = V.find(';');
    if (Semi != std::string::npos) V.resize(Semi);
    Part.DeleteField(FieldName);
    const int N = GetCount();
    for (int i = 0; i < N; ++i) {
        V += ";\r\n\t";
        V += At(i);
    }
    Part.Header().Add(FieldName + ": " + V);
}
