// Transfer encoding lists (base64, quoted-printable, plain, uuencode), content
// parameters with RFC 2231 values, MIME part parsing and leaves, and the MIME
// composer and decoder on real-looking messages with compose round trips.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "MIMEx.h"
#include "TestFiles.h"
#include "cp932.h"
#include "sjisconv.h"

namespace {

const std::string DataDir = std::string(VELNARO_TEST_DATA) + "/message/";

class MIMEx : public ::testing::Test {
protected:
    std::string Saved(TMIMEPart* P, const std::string& Name = "out") {
        EXPECT_EQ(P->SaveAttachment(Dir.Path, Name), Dir.Path + Name);
        return ReadFileText(Dir.Path + Name);
    }
    TTempDir Dir;
};

std::vector<std::string> LinesOf(const TStrings& L) {
    std::vector<std::string> V;
    for (int i = 0; i < L.GetCount(); ++i) V.push_back(L[i]);
    return V;
}

void Feed(TMIMEPart& P, std::initializer_list<std::string> Lines) {
    for (const std::string& L : Lines) P.AddLine(L);
}

double SecondsSince(std::chrono::steady_clock::time_point T0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count();
}

// The lines decoded by a list that holds them as ordinary or as packed lines.
template <class List>
std::string Decoded(const std::vector<std::string>& Lines, bool Packed = false) {
    List L;
    for (const std::string& S : Lines) Packed ? L.AddPacked(S) : void(L.Add(S));
    std::ostringstream Out;
    L.DecodeTo(Out);
    return Out.str();
}

}  // namespace

TEST_F(MIMEx, QuotedPrintableAndBase64TextDecodeOnceKeepingIndentationAndEscapes) {
    TMIMEx M;
    M.DecodeFile(DataDir + "qp_softbreaks.eml");
    M.Root->LeafAt(0)->DecodeTextBody();
    EXPECT_EQ(LinesOf(M.Root->LeafAt(0)->Body()).back(),
              "After an empty line. Trailing soft break with blanksjoined.");
    EXPECT_EQ(Saved(M.Root->LeafAt(1)), ReadFileText(DataDir + "qp_table.csv"));

    TMIMEx B;
    B.DecodeFile(DataDir + "base64_sjis.eml");
    TMIMEPart* Sj = B.Root->LeafAt(0);
    const std::vector<std::string> Want = {SJ("日本語のテキストです。"), SJ("  字下げした行"), "",
                                           SJ("最後の行"), "X"};
    Sj->DecodeTextBody();
    EXPECT_EQ(LinesOf(Sj->Body()), Want);
    Sj->DecodeTextBody();  // a second call leaves the text alone
    EXPECT_EQ(LinesOf(Sj->Body()), Want);
    TMIMEPart* Jis = B.Root->LeafAt(1);  // lines starting with ESC
    Jis->DecodeTextBody();
    EXPECT_EQ(LinesOf(Jis->Body()), (std::vector<std::string>{SJ("漢字で始まる行"), "abc"}));
}

TEST_F(MIMEx, ComposeSinglePartsOfTextOrAnAttachment) {
    TMIMEx M;
    TBaseMessage H;
    H.SetField("To", "tanaka@example.com");
    H.SetField("Subject", "hello");
    TStringList Body;
    Body.Add("plain ascii");
    M.AddTextPart(&H.Header(), &Body);
    M.Compose();
    EXPECT_EQ(M.Lines->GetText(),
              "To: tanaka@example.com\r\nSubject: hello\r\nContent-Type: text/plain; charset=us-ascii\r\n"
              "Content-Transfer-Encoding: 7bit\r\nMIME-Version: 1.0\r\n\r\nplain ascii\r\n");
    TMIMEx J;
    H.SetField("Subject", SJ("件名"));
    J.AddTextPart(&H.Header(), &Body);
    EXPECT_EQ(J.Root->GetField("Content-Type"), "text/plain; charset=iso-2022-jp");

    // An attachment alone is the root.
    WriteFileText(Dir.Path + "x.bin", "abc");
    TMIMEx A;
    A.AddAttachment(Dir.Path + "x.bin", "", "");
    EXPECT_EQ(A.Root->SubType + " " + A.Root->GetFileName(), "octet-stream x.bin");
}

class ComposeRoundTrip : public MIMEx, public ::testing::WithParamInterface<bool> {};

TEST_P(ComposeRoundTrip, DecodesToTheSameTextNamesAndBytes) {
    std::string Bin;
    for (int i = 0; i < 5000; ++i) Bin += static_cast<char>((i * 31) ^ (i >> 3));
    WriteFileText(Dir.Path + "添付資料.bin", Bin);
    WriteFileText(Dir.Path + "note.TXT", SJ("テキスト添付\r\n二行目\r\n"));
    WriteFileText(Dir.Path + "utf8.txt", "UTF-8 テキスト\n");

    TMIMEx M;
    M.RFC2231Encode = GetParam();
    TBaseMessage H;
    H.SetField("From", "me@example.jp");
    H.SetField("Subject", SJ("添付のテスト"));
    TStringList Body;
    Body.SetText(SJ("本文の一行目\r\n\r\nascii line"));
    M.AddTextPart(&H.Header(), &Body);
    M.AddAttachment(SJ((Dir.Path + "添付資料.bin").c_str()), "", "");
    for (const char* Name : {"note.TXT", "utf8.txt"}) M.AddAttachment(Dir.Path + Name, "", "");
    M.Compose();
    const std::string Wire = M.Lines->GetText();
    for (unsigned char c : Wire) ASSERT_LT(c, 0x80);

    TMIMEx D;
    D.DecodeText(Wire);
    ASSERT_EQ(D.Root->LeafCount(), 4);
    EXPECT_EQ(LinesOf(D.Root->LeafAt(0)->Body()), LinesOf(M.Root->LeafAt(0)->Body()));
    TMIMEPart* A = D.Root->LeafAt(1);
    EXPECT_EQ(A->GetFileName(), SJ("添付資料.bin"));
    EXPECT_EQ(Saved(A), Bin);
    TMIMEPart* Note = D.Root->LeafAt(2);  // inline text part without a name
    EXPECT_EQ(Note->GetFileName() + Note->Body()[1], SJ("二行目"));
    TMIMEPart* Utf = D.Root->LeafAt(3);  // UTF-8 text travels as a named base64 attachment
    EXPECT_EQ(Utf->GetFileName() + " " + Utf->Charset, "utf8.txt utf-8");
    EXPECT_EQ(Saved(Utf), "UTF-8 テキスト\n");

    const std::string Name = A->GetField("Content-Type") + "|" + A->GetField("Content-Disposition");
    EXPECT_NE(
        Name.find(GetParam() ? "stream|attachment; filename*0*=iso-2022-jp'jp'" : "name=\"=?ISO-2022-JP?B?"),
        std::string::npos)
        << Name;
    // Composing the decoded tree again gives the same text.
    D.Compose();
    EXPECT_EQ(D.Lines->GetText(), Wire);
}

INSTANTIATE_TEST_SUITE_P(NameEncodings, ComposeRoundTrip, ::testing::Bool());

// A received attachment of several megabytes (its lines held packed) keeps
// its exact lines, odd ones included, and saves the same bytes before and
// after the lines have been read as strings.
TEST_F(MIMEx, LargeReceivedAttachmentKeepsItsLines) {
    std::string Bin(1700000, '\0');  // more than one full 2 MB chunk once encoded
    for (size_t i = 0; i < Bin.size(); ++i) Bin[i] = static_cast<char>((i * 131) ^ (i >> 9));
    TBase64List Enc;
    std::istringstream In(Bin);
    Enc.EncodeFrom(In);
    std::vector<std::string> Lines = LinesOf(Enc);
    Lines.insert(Lines.begin() + 7, "");  // an empty line and a ragged one decode the same
    Lines[100].insert(40, " \t*");
    std::string Wire = "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
                       "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    for (const std::string& L : Lines) Wire += L + "\r\n";
    Wire += "--b--\r\n";
    WriteFileText(Dir.Path + "big.eml", Wire);

    TMIMEx M;
    M.DecodeFile(Dir.Path + "big.eml");
    ASSERT_EQ(M.Root->LeafCount(), 1);
    TMIMEPart* P = M.Root->LeafAt(0);
    EXPECT_EQ(Saved(P), Bin);
    EXPECT_EQ(LinesOf(P->Body()), Lines);
    EXPECT_EQ(Saved(P, "again"), Bin);
}

TEST(ContentParams, ItemsQuotedValuesAndRfc2231ValuesInJapaneseCharsets) {
    TContentParams P;
    P.SetText("text/plain; charset=iso-2022-jp");
    EXPECT_EQ(P[0] + "|" + P.ParamValue("Charset"), "text/plain|iso-2022-jp");
    const std::string Jis = SJISToJIS(SJ("日本語"));
    const std::pair<std::string, std::string> Cases[] = {
        {"name=\"a%20b\"; x=a%20b ;filename=\"semi;colon.txt\"", "a%20b|a b|semi;colon.txt"},
        // This program's own form: each piece with its own prefix.
        {"filename*0*=iso-2022-jp'jp'" + PercentEncode(SJISToJIS(SJ("日本"))) +
             "; filename*1*=iso-2022-jp'jp'" + PercentEncode(SJISToJIS(SJ("語"))),
         "||" + SJ("日本語")},
        // Standard form: only the first item carries the charset; the pieces
        // split an escape sequence and, in UTF-8, a character.
        {"filename*0*=ISO-2022-JP'ja'" + PercentEncode(Jis.substr(0, 2)) +
             "; filename*1*=" + PercentEncode(Jis.substr(2)),
         "||" + SJ("日本語")},
        {"filename*0*=utf-8''%E6%97%A5%E6; filename*1*=%9C%AC.txt", "||" + SJ("日本.txt")},
        {"filename*=Shift_JIS''%93%FA%96%7B", "||" + SJ("日本")},
        {"filename*=EUC-JP'ja'%C6%FC%CB%DC", "||" + SJ("日本")},
        {"name*0*=us-ascii'en'a%2A; name*1*=b; name*2=\"c;d\"", "a*bc;d||"},
    };
    for (const auto& [Text, Values] : Cases) {
        P.SetText(Text);
        EXPECT_EQ(P.ParamValue("name") + "|" + P.ParamValue("x") + "|" + P.ParamValue("filename"), Values)
            << Text;
    }
}

TEST(ContentParams, SetParamWritesRfc2231ItemsThatReadBack) {
    TContentParams P;
    P.SetParam("filename", "my file.txt");
    EXPECT_EQ(P.GetText(), "filename=my%20file.txt\r\n");
    std::string Long = "a";  // pieces never split a double-byte character
    for (int i = 0; i < 30; ++i) Long += SJ("漢");
    P.SetParam("filename", Long);
    ASSERT_EQ(P.GetCount(), 3);
    EXPECT_EQ(P[1].substr(0, 28), "filename*1*=iso-2022-jp'jp'%");
    EXPECT_EQ(P.ParamValue("filename"), Long);
    // Half-width katakana needs the charset prefix, so it is written extended.
    P.SetParam("filename", "\xb1\xb2.txt");
    EXPECT_EQ(P[0].substr(0, 10), "filename*=");
    EXPECT_EQ(P.ParamValue("filename"), SJ("アイ.txt"));
}

TEST(ContentParams, ThousandsOfContinuationsStayLinear) {
    std::string Text = "filename*0*=utf-8''";
    for (int i = 1; i <= 20000; ++i) Text += "; filename*" + std::to_string(i) + "*=%E6%97%A5";
    TContentParams P;
    const auto T0 = std::chrono::steady_clock::now();
    P.SetText(Text);
    EXPECT_EQ(P.ParamValue("filename").size(), 40000u);
    P.DeleteParam("filename");
    EXPECT_EQ(P.GetCount(), 0);
    EXPECT_LT(SecondsSince(T0), 2.0);
}

TEST(MIMEPart, MultipartWithPreambleEpilogueAndABoundaryWithTrailingBlank) {
    TMIMEPart P;
    Feed(P, {"MIME-Version: 1.0", "Content-Type: Multipart/Mixed; boundary=\"xx\"", "", "preamble", "--xx",
             "Content-Type: text/plain; charset=EUC-JP", "", "\xc6\xfc\xcb\xdc", "--xx ", "--xx",
             "Content-Type: application/octet-stream", "", "QUJD", "--xx--", "epilogue"});
    EXPECT_EQ(P.MediaType + "/" + P.SubType + " " + P.Boundary, "multipart/mixed xx");
    ASSERT_EQ(P.Parts.size(), 2u);
    EXPECT_EQ(P.Body().GetText(), "preamble\r\nepilogue\r\n");
    // The boundary with a trailing blank is a body line of the first part.
    EXPECT_EQ(P.Parts[0]->Body().GetText(), SJ("日本") + "\r\n--xx \r\n");
    EXPECT_EQ(P.Parts[1]->Body().GetText(), "QUJD\r\n");
}

// A change anywhere below a part, through any of the tree's parts, is seen by
// the leaf index of every part above it; another tree's index stays as built.
TEST(MIMEPart, LeafIndexFollowsChangesAnywhereInTheTree) {
    TMIMEPart P, Other;
    Feed(P, {"Content-Type: multipart/mixed; boundary=o", "", "--o",
             "Content-Type: multipart/alternative; boundary=i", "", "--i", "", "a", "--i--", "--o", "", "c"});
    Feed(Other, {"Content-Type: multipart/mixed; boundary=x", "", "--x", "", "--x", ""});
    EXPECT_EQ(Other.LeafCount(), 2);
    EXPECT_EQ(P.LeafCount(), 2);
    EXPECT_EQ(P.LeafAt(0)->Body()[0], "a");
    EXPECT_EQ(P.LeafAt(2), nullptr);
    EXPECT_EQ(P.LeafAt(-1), nullptr);
    TMIMEPart* Inner = P.Parts[0].get();
    Inner->AddChild();  // deep inside, after the index was built
    EXPECT_EQ(P.LeafCount(), 3);
    EXPECT_EQ(P.LeafAt(1), Inner->Parts[1].get());
    EXPECT_EQ(P.LeafAt(2), P.Parts[1].get());

    auto Sub = std::make_unique<TMIMEPart>();
    Sub->AddChild();
    Sub->AddChild();
    TMIMEPart* Joined = P.InsertChild(0, std::move(Sub));
    EXPECT_EQ(P.LeafCount(), 5);
    Joined->Parts[1]->AddChild();  // a leaf becomes a multipart of two leaves
    Joined->Parts[1]->AddChild();
    EXPECT_EQ(P.LeafCount(), 6);
    EXPECT_EQ(P.LeafAt(2), Joined->Parts[1]->Parts[1].get());
    EXPECT_EQ(Joined->Parts[1]->Depth, 2);

    Inner->Clear();
    EXPECT_EQ(P.LeafCount(), 5);
    P.AddLine("--o");  // the decoder goes on where it stood
    EXPECT_EQ(P.LeafCount(), 6);
    EXPECT_EQ(Other.LeafCount(), 2);
}

TEST(MIMEPart, NestingIsBoundedAndManyPartsStayFast) {
    TMIMEPart P;
    for (int i = 0; i < 200; ++i)
        Feed(P, {"Content-Type: multipart/mixed; boundary=b" + std::to_string(i), "",
                 "--b" + std::to_string(i)});
    EXPECT_EQ(P.LeafAt(0)->Depth, MaxMIMEDepth);
    EXPECT_EQ(P.LeafCount(), 1);
    // The deepest part keeps the deeper boundaries as body lines.
    EXPECT_GT(P.LeafAt(0)->Body().GetCount(), 100);

    TMIMEPart Flat;
    Feed(Flat, {"Content-Type: multipart/mixed; boundary=f", ""});
    for (int i = 0; i < 50000; ++i) Flat.AddLine("--f");
    const auto T0 = std::chrono::steady_clock::now();
    int Found = 0;
    for (int i = 0; i < Flat.LeafCount(); ++i)
        Found += Flat.LeafAt(i) == Flat.Parts[static_cast<size_t>(i)].get();
    EXPECT_EQ(Found, 50000);
    EXPECT_LT(SecondsSince(T0), 2.0);
}

TEST(SafeFileName, KeepsOnlyTheLastComponent) {
    const std::pair<std::string, std::string> Cases[] = {
        {"C:\\Windows\\evil.exe", "evil.exe"},
        {"dir/..", ""},
        {std::string("a\0b\x01.txt", 8), "ab.txt"},
        {SJ("表示.txt"), SJ("表示.txt")},  // 0x5C as a trail byte stays
        {std::string(300, 'n') + ".pdf", std::string(196, 'n') + ".pdf"},
    };
    for (const auto& [Name, Safe] : Cases) EXPECT_EQ(SafeFileName(Name), Safe) << Name;
}

// The decoding rules: groups go on across lines, a pad ends the open group
// (n characters give n - 1 bytes), other bytes are passed over. Then random
// lines of alphabet characters, pads, blanks and other bytes, held as ordinary
// and as packed lines, decode as the same characters fed one per line do.
// (Encoding, line lengths and round trips are checked by fuzz_transfer_decoders.)
TEST(Base64List, FastDecodingMatchesTheCharacterRules) {
    EXPECT_EQ(Decoded<TBase64List>({"QU", "JD", "QQ==QUJD", "Q*U \x80I=", "Q=UJDQUJ"}),
              "ABCAABCABP\x90\xD0P");
    const std::string A = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    uint32_t Seed = 12345;
    auto Next = [&Seed](uint32_t N) {
        Seed = Seed * 1103515245u + 12345u;
        return (Seed >> 8) % N;
    };
    for (int Round = 0; Round < 200; ++Round) {
        std::vector<std::string> Lines(Next(20));
        for (std::string& L : Lines)
            for (uint32_t k = Next(Round % 2 ? 90 : 9); k > 0; --k) {
                const uint32_t R = Next(100);
                L += R < 90 ? A[Next(64)] : R < 94 ? '=' : R < 97 ? ' ' : static_cast<char>(Next(256));
            }
        std::vector<std::string> Chars;
        for (const std::string& L : Lines)
            for (char c : L) Chars.emplace_back(1, c);
        const std::string Slow = Decoded<TBase64List>(Chars);
        ASSERT_EQ(Decoded<TBase64List>(Lines), Slow) << Round;
        ASSERT_EQ(Decoded<TBase64List>(Lines, true), Slow) << Round;
    }
}

TEST(TextLists, QuotedPrintableSoftBreaksAndPlainLinesWithCrLf) {
    EXPECT_EQ(Decoded<TQuotedPrintableList>(
                  {"a=3Db", "soft=", "joined", "", "ends=3D", "lower=3d", "blanks after soft=  ", "x"}),
              "a=b\r\nsoftjoined\r\n\r\nends=\r\nlower=3d\r\nblanks after softx\r\n");
    EXPECT_EQ(Decoded<TPlainList>({"first", "", "  third", ""}), "first\r\n\r\n  third\r\n\r\n");
}

TEST(UUxList, BlocksRoundTripAndShortOrHostileLinesStayInside) {
    for (size_t Len = 57; Len <= 61; ++Len)
        EXPECT_EQ(TUUxList::IsUULine("M" + std::string(Len, 'A')), Len >= 58 && Len <= 60) << Len;
    std::string Data;
    for (int i = 0; i < 200; ++i) Data += static_cast<char>(i * 7);
    TUUxList L;
    L.FileName = "data.bin";
    L.Mode = "644";
    std::istringstream In(Data);
    L.EncodeFrom(In);
    EXPECT_EQ(L[0] + "|" + L[L.GetCount() - 1], "begin 644 data.bin|end");
    TUUxList Copy;
    Copy.SetText(L.GetText());
    EXPECT_TRUE(Copy.HasUUBlock() && Copy.FileName == "data.bin");
    std::ostringstream Out;
    Copy.DecodeTo(Out);
    EXPECT_EQ(Out.str(), Data);
    Copy.Delete(Copy.GetCount() - 1);  // no "end": no block
    EXPECT_FALSE(Copy.HasUUBlock());
    // "#86)C" is "abc"; dropping its last character reads it as zero. A count
    // far beyond the data is rejected, never read past the line.
    EXPECT_EQ(Decoded<TUUxList>({"begin 600 a.txt", "#86)C", "#86)", "end"}), "abcab@");
    EXPECT_EQ(Decoded<TUUxList>({"begin 600 a.txt", "M86)C", "\x01\x02\x03", "end"}), "");
    std::string Line;
    TUUxList::DecodeUULine("M!", Line);
    EXPECT_EQ(Line.size(), 45u);
}

TEST(EncodingList, FilesEmptyListAndMissingSource) {
    TTempDir Dir;
    TBase64List L;
    L.DecodeToFile(Dir.Path + "empty.bin");
    EXPECT_EQ(Dir.Files(), std::vector<std::string>{"empty.bin"});
    L.Add("QUJD");
    L.EncodeFromFile(Dir.Path + "missing.bin");  // the list stays as it was
    EXPECT_EQ(L.GetText(), "QUJD\r\n");
    EXPECT_THROW(L.DecodeToFile(Dir.Path + "no/such/dir/x.bin"), EMIMEFileError);
}
