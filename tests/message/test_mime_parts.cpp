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

}  // namespace

TEST(ContentParams, SplitsItemsAndReadsValues) {
    TContentParams P;
    P.SetText("text/plain; charset=iso-2022-jp");
    ASSERT_EQ(P.GetCount(), 2);
    EXPECT_EQ(P[0], "text/plain");
    EXPECT_EQ(P.ParamValue("Charset"), "iso-2022-jp");

    P.SetText("name=\"a%20b\"; x=a%20b ;filename=\"semi;colon.txt\"");
    EXPECT_EQ(P.ParamValue("name"), "a%20b");  // quoted: inside unchanged
    EXPECT_EQ(P.ParamValue("x"), "a b");
    EXPECT_EQ(P.ParamValue("filename"), "semi;colon.txt");
    EXPECT_EQ(P.ParamValue("missing"), "");
}

TEST(ContentParams, Rfc2231ValuesInJapaneseCharsets) {
    TContentParams P;
    const std::string Jis = SJISToJIS(SJ("日本語"));
    // This program's own form: each piece with its own prefix.
    P.SetText("filename*0*=iso-2022-jp'jp'" + PercentEncode(SJISToJIS(SJ("日本"))) +
              "; filename*1*=iso-2022-jp'jp'" + PercentEncode(SJISToJIS(SJ("語"))));
    EXPECT_EQ(P.ParamValue("filename"), SJ("日本語"));
    // Standard form: only the first item carries the charset; the pieces
    // split an escape sequence and, in UTF-8, a character.
    P.SetText("filename*0*=ISO-2022-JP'ja'" + PercentEncode(Jis.substr(0, 2)) +
              "; filename*1*=" + PercentEncode(Jis.substr(2)));
    EXPECT_EQ(P.ParamValue("filename"), SJ("日本語"));
    P.SetText("filename*0*=utf-8''%E6%97%A5%E6; filename*1*=%9C%AC.txt");
    EXPECT_EQ(P.ParamValue("filename"), SJ("日本.txt"));
    P.SetText("filename*=Shift_JIS''%93%FA%96%7B");
    EXPECT_EQ(P.ParamValue("filename"), SJ("日本"));
    P.SetText("filename*=EUC-JP'ja'%C6%FC%CB%DC");
    EXPECT_EQ(P.ParamValue("filename"), SJ("日本"));
    P.SetText("title*0*=us-ascii'en'a%2A; title*1*=b; title*2=\"c;d\"");
    EXPECT_EQ(P.ParamValue("title"), "a*bc;d");
}

TEST(ContentParams, ThousandsOfContinuationsStayLinear) {
    std::string Text = "filename*0*=utf-8''";
    for (int i = 1; i <= 20000; ++i) Text += "; filename*" + std::to_string(i) + "*=%E6%97%A5";
    TContentParams P;
    const auto T0 = std::chrono::steady_clock::now();
    P.SetText(Text);
    const std::string V = P.ParamValue("filename");
    P.DeleteParam("filename");
    const double Secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count();
    EXPECT_EQ(V.size(), 40000u);
    EXPECT_EQ(P.GetCount(), 0);
    EXPECT_LT(Secs, 2.0);
}

TEST(ContentParams, SetParamWritesRfc2231Items) {
    TContentParams P;
    P.SetParam("filename", "my file.txt");
    ASSERT_EQ(P.GetCount(), 1);
    EXPECT_EQ(P[0], "filename=my%20file.txt");

    std::string Long;
    for (int i = 0; i < 30; ++i) Long += SJ("漢");
    P.SetParam("filename", Long);
    ASSERT_EQ(P.GetCount(), 2);
    EXPECT_EQ(P[0].substr(0, 28), "filename*0*=iso-2022-jp'jp'%");
    EXPECT_EQ(P[1].substr(0, 28), "filename*1*=iso-2022-jp'jp'%");
    EXPECT_EQ(P.ParamValue("filename"), Long);

    const std::vector<std::string> Pieces = SplitParamValue(std::string(39, 'a') + SJ("字") + "b" + SJ("末"));
    ASSERT_EQ(Pieces.size(), 4u);
    EXPECT_EQ(Pieces[1], SJ("字"));
    EXPECT_EQ(Pieces[3], SJ("末"));

    // Half-width katakana needs the charset prefix, so it is written extended.
    P.SetParam("filename", "\xb1\xb2.txt");
    EXPECT_EQ(P[0].substr(0, 10), "filename*=");
    EXPECT_EQ(P.ParamValue("filename"), SJ("アイ.txt"));
}

TEST(MIMEPart, MultipartWithPreambleAndEpilogue) {
    TMIMEPart P;
    Feed(P, {"MIME-Version: 1.0", "Content-Type: Multipart/Mixed; boundary=\"xx\"", "", "preamble", "--xx",
             "Content-Type: text/plain; charset=EUC-JP", "", "\xc6\xfc\xcb\xdc", "--xx ", "--xx",
             "Content-Type: application/octet-stream", "", "QUJD", "--xx--", "epilogue"});
    EXPECT_EQ(P.MediaType, "multipart");
    EXPECT_EQ(P.SubType, "mixed");
    EXPECT_EQ(P.Boundary, "xx");
    ASSERT_EQ(P.Parts.size(), 2u);
    ASSERT_EQ(P.Body().GetCount(), 2);
    EXPECT_EQ(P.Body()[0], "preamble");
    EXPECT_EQ(P.Body()[1], "epilogue");
    // The boundary with a trailing blank is a body line of the first part.
    ASSERT_EQ(P.Parts[0]->Body().GetCount(), 2);
    EXPECT_EQ(P.Parts[0]->Body()[0], SJ("日本"));
    EXPECT_EQ(P.Parts[0]->Body()[1], "--xx ");
    EXPECT_EQ(P.Parts[1]->Body()[0], "QUJD");
}

TEST(MIMEPart, LeavesOfNestedParts) {
    TMIMEPart P;
    Feed(P, {"Content-Type: multipart/mixed; boundary=o", "", "--o",
             "Content-Type: multipart/alternative; boundary=i", "", "--i", "", "a", "--i", "", "b", "--i--",
             "--o", "", "c", "--o--"});
    EXPECT_EQ(P.LeafCount(), 3);
    EXPECT_EQ(P.LeafAt(0)->Body()[0], "a");
    EXPECT_EQ(P.LeafAt(1), P.Parts[0]->Parts[1].get());
    EXPECT_EQ(P.LeafAt(2), P.Parts[1].get());
    EXPECT_EQ(P.LeafAt(3), nullptr);
    EXPECT_EQ(P.LeafAt(-1), nullptr);
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
    TMIMEPart* Inner = P.Parts[0].get();
    Inner->AddChild();  // deep inside, after the index was built
    EXPECT_EQ(P.LeafCount(), 3);
    EXPECT_EQ(P.LeafAt(1), Inner->Parts[1].get());

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
    for (int i = 0; i < 200; ++i) {
        P.AddLine("Content-Type: multipart/mixed; boundary=b" + std::to_string(i));
        P.AddLine("");
        P.AddLine("--b" + std::to_string(i));
    }
    int Depth = 0;
    for (TMIMEPart* Q = &P; !Q->Parts.empty(); Q = Q->Parts.back().get()) ++Depth;
    EXPECT_EQ(Depth, MaxMIMEDepth);
    EXPECT_EQ(P.LeafCount(), 1);
    // The deepest part keeps the deeper boundaries as body lines.
    EXPECT_GT(P.LeafAt(0)->Body().GetCount(), 100);

    TMIMEPart Flat;
    Flat.AddLine("Content-Type: multipart/mixed; boundary=f");
    Flat.AddLine("");
    for (int i = 0; i < 50000; ++i) Flat.AddLine("--f");
    const auto T0 = std::chrono::steady_clock::now();
    int Found = 0;
    for (int i = 0; i < Flat.LeafCount(); ++i)
        Found += Flat.LeafAt(i) == Flat.Parts[static_cast<size_t>(i)].get();
    EXPECT_EQ(Found, 50000);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count(), 2.0);
}

TEST(MIMEPart, FileNamesFromParameters) {
    TMIMEPart P;
    Feed(P, {"Content-Type: application/octet-stream; name=\"=?ISO-2022-JP?B?GyRCRnxLXBsoQg==?=.doc\"", ""});
    EXPECT_EQ(P.GetFileName(), SJ("日本.doc"));
    TMIMEPart Q;
    Feed(Q, {"Content-Type: image/png", "Content-Disposition: attachment;",
             " filename*=UTF-8''%E5%86%99%E7%9C%9F.png", ""});
    EXPECT_EQ(Q.GetFileName(), SJ("写真.png"));

    TMIMEPart Out;
    Out.SetField("Content-Type", "application/octet-stream");
    Out.SetFileName(SJ("名前.bin"));
    EXPECT_EQ(Out.GetField("Content-Disposition").substr(0, 36), "attachment; filename=\"=?ISO-2022-JP?");
    EXPECT_NE(Out.GetField("Content-Type").find("name=\"=?ISO-2022-JP?B?"), std::string::npos);
    TMIMEPart Out2;
    Out2.RFC2231Encode = true;
    Out2.SetField("Content-Type", "application/octet-stream");
    Out2.SetFileName(SJ("名前.bin"));
    EXPECT_EQ(Out2.GetField("Content-Type"), "application/octet-stream");
    EXPECT_EQ(Out2.GetField("Content-Disposition").substr(0, 42),
              "attachment;\r\n\tfilename*0*=iso-2022-jp'jp'%");
}

TEST(SafeFileName, KeepsOnlyTheLastComponent) {
    EXPECT_EQ(SafeFileName("../../etc/passwd"), "passwd");
    EXPECT_EQ(SafeFileName("C:\\Windows\\evil.exe"), "evil.exe");
    EXPECT_EQ(SafeFileName(".."), "");
    EXPECT_EQ(SafeFileName("dir/.."), "");
    EXPECT_EQ(SafeFileName(std::string("a\0b\x01.txt", 8)), "ab.txt");
    EXPECT_EQ(SafeFileName(SJ("表示.txt")), SJ("表示.txt"));  // 0x5C as a trail byte stays
    const std::string Long = SafeFileName(std::string(300, 'n') + ".pdf");
    EXPECT_EQ(Long.size(), 200u);
    EXPECT_EQ(Long.substr(196), ".pdf");
}
