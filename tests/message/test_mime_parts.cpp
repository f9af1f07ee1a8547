// Content parameters with RFC 2231 values, MIME part parsing and leaves.
#include <gtest/gtest.h>

#include <chrono>

#include "MIMEx.h"
#include "cp932.h"
#include "sjisconv.h"

namespace {

void Feed(TMIMEPart& P, std::initializer_list<std::string> Lines) {
    for (const std::string& L : Lines) P.AddLine(L);
}

double SecondsSince(std::chrono::steady_clock::time_point T0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count();
}

}  // namespace

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
        {"../../etc/passwd", "passwd"},
        {"C:\\Windows\\evil.exe", "evil.exe"},
        {"..", ""},
        {"dir/..", ""},
        {std::string("a\0b\x01.txt", 8), "ab.txt"},
        {SJ("表示.txt"), SJ("表示.txt")},  // 0x5C as a trail byte stays
        {std::string(300, 'n') + ".pdf", std::string(196, 'n') + ".pdf"},
    };
    for (const auto& [Name, Safe] : Cases) EXPECT_EQ(SafeFileName(Name), Safe) << Name;
}
