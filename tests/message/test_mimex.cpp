// The MIME composer and decoder on real-looking messages, compose round trips,
// uuencoded blocks and hostile input.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "MIMEx.h"
#include "TestFiles.h"
#include "cp932.h"

namespace {

const std::string DataDir = std::string(VELNARO_TEST_DATA) + "/message/";

class MIMEx : public ::testing::Test {
protected:
    void SetUp() override {
        char Tmpl[] = "/tmp/velnaro-mimex-XXXXXX";
        ASSERT_NE(mkdtemp(Tmpl), nullptr);
        Dir = Tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + Dir + "'").c_str()); }

    // Decodes a sample message the way a POP3 reply arrives: as lines.
    void Load(TMIMEx& M, const std::string& Name) {
        TStringList L;
        L.SetText(ReadFileText(DataDir + Name));
        M.Decode(L);
    }
    std::string Saved(TMIMEPart* P, const std::string& Name = "out") {
        EXPECT_EQ(P->SaveAttachment(Dir, Name), Dir + "/" + Name);
        return ReadFileText(Dir + "/" + Name);
    }
    std::string Dir;
};

std::vector<std::string> BodyOf(TMIMEPart* P) {
    std::vector<std::string> V;
    for (int i = 0; i < P->Body().GetCount(); ++i) V.push_back(P->Body()[i]);
    return V;
}

}  // namespace

TEST_F(MIMEx, MultipartWithPreambleEpilogueAndEncodedWordName) {
    TMIMEx M;
    Load(M, "multipart_preamble.eml");
    TMIMEPart* R = M.Root.get();
    ASSERT_EQ(R->LeafCount(), 2);
    EXPECT_EQ(BodyOf(R), (std::vector<std::string>{"This is a multi-part message in MIME format.", "", "",
                                                   "epilogue line"}));
    TMIMEPart* Text = R->LeafAt(0);
    EXPECT_EQ(BodyOf(Text),
              (std::vector<std::string>{SJ("田中様"), "", SJ("お世話になっております。資料を添付します。"),
                                        "  indented line"}));
    TMIMEPart* Att = R->LeafAt(1);
    EXPECT_EQ(Att->GetFileName(), SJ("資料.bin"));
    EXPECT_EQ(Saved(Att), ReadFileText(DataDir + "multipart_preamble.att"));
}

TEST_F(MIMEx, NestedMultipart) {
    TMIMEx M;
    Load(M, "nested_multipart.eml");
    ASSERT_EQ(M.Root->LeafCount(), 4);
    EXPECT_EQ(BodyOf(M.Root->LeafAt(0)), std::vector<std::string>{SJ("こんにちは")});
    EXPECT_EQ(M.Root->LeafAt(1)->SubType, "html");
    TMIMEPart* Png = M.Root->LeafAt(2);
    EXPECT_EQ(Png->MediaType + "/" + Png->SubType, "image/png");
    EXPECT_EQ(Png->GetFileName(), "");
    EXPECT_EQ(Saved(Png), ReadFileText(DataDir + "nested_multipart.png"));
    EXPECT_EQ(BodyOf(M.Root->LeafAt(3)), std::vector<std::string>{"second text"});
}

TEST_F(MIMEx, ContinuedRfc2231Names) {
    TMIMEx M;
    Load(M, "rfc2231_names.eml");
    ASSERT_EQ(M.Root->LeafCount(), 4);
    EXPECT_EQ(M.Root->LeafAt(1)->GetFileName(), SJ("報告書_2026年3月.pdf"));
    EXPECT_EQ(M.Root->LeafAt(2)->GetFileName(), SJ("見積書.xls"));
    EXPECT_EQ(M.Root->LeafAt(3)->GetFileName(), SJ("添付ファイル名.txt"));
    EXPECT_EQ(Saved(M.Root->LeafAt(3)), "own form");
}

TEST_F(MIMEx, UuencodedBlocksInPlainText) {
    TMIMEx M;
    Load(M, "uuencoded.eml");
    ASSERT_EQ(M.Root->LeafCount(), 1);
    const TStringList& Body = M.Root->Body();
    EXPECT_EQ(UUBlockCount(Body), 2);
    EXPECT_EQ(UUBlockName(Body, 1), "first.bin");
    EXPECT_EQ(UUBlockName(Body, 2), "second.txt");
    EXPECT_EQ(UUBlockName(Body, 3), "");
    UUSaveBlock(Body, 2, Dir + "/second");
    EXPECT_EQ(ReadFileText(Dir + "/second"), ReadFileText(DataDir + "uu_second.txt"));
    UUSaveBlock(Body, 1, Dir + "/first");
    EXPECT_EQ(ReadFileText(Dir + "/first"), ReadFileText(DataDir + "uu_first.bin"));
    // Saving the part writes each block to the caller's name in turn.
    EXPECT_EQ(M.Root->SaveAttachment(Dir, "x"), Dir + "/x;" + Dir + "/x");
    EXPECT_EQ(ReadFileText(Dir + "/x"), ReadFileText(DataDir + "uu_second.txt"));

    TStringList Three;
    Three.AddStrings(Body);
    Three.Add("begin 644 third.bin");
    EXPECT_EQ(UUBlockCount(Three), 0);
    TMIMEPart Plain;
    Plain.AddLine("");
    Plain.AddLine("no blocks here");
    Plain.AddLine("");
    EXPECT_EQ(Saved(&Plain), "no blocks here\r\n\r\n");
}

TEST_F(MIMEx, QuotedPrintableTextAndAttachment) {
    TMIMEx M;
    Load(M, "qp_softbreaks.eml");
    TMIMEPart* Text = M.Root->LeafAt(0);
    Text->DecodeTextBody();
    EXPECT_EQ(
        BodyOf(Text),
        (std::vector<std::string>{
            "This line is long and is broken here with a soft line break so that it fits, and a=b stays.", "",
            "After an empty line. Trailing soft break with blanksjoined."}));
    EXPECT_EQ(Saved(M.Root->LeafAt(1)), ReadFileText(DataDir + "qp_table.csv"));
}

TEST_F(MIMEx, Base64TextKeepsIndentationAndEscapes) {
    TMIMEx M;
    Load(M, "base64_sjis.eml");
    TMIMEPart* Sj = M.Root->LeafAt(0);
    Sj->DecodeTextBody();
    EXPECT_EQ(BodyOf(Sj), (std::vector<std::string>{SJ("日本語のテキストです。"), SJ("  字下げした行"), "",
                                                    SJ("最後の行"), "X"}));
    Sj->DecodeTextBody();  // a second call leaves the text alone
    EXPECT_EQ(Sj->Body().GetCount(), 5);
    TMIMEPart* Jis = M.Root->LeafAt(1);
    Jis->DecodeTextBody();
    EXPECT_EQ(BodyOf(Jis), (std::vector<std::string>{SJ("漢字で始まる行"), "abc"}));
}

TEST_F(MIMEx, ComposeSinglePart) {
    TMIMEx M;
    TBaseMessage H;
    H.SetField("To", "tanaka@example.com");
    H.SetField("Subject", "hello");
    TStringList Body;
    Body.Add("plain ascii");
    M.AddTextPart(&H.Header(), &Body);
    EXPECT_EQ(M.Root->GetField("Content-Type"), "text/plain; charset=us-ascii");
    M.Compose();
    EXPECT_EQ(M.Lines->GetText(),
              "To: tanaka@example.com\r\nSubject: hello\r\nContent-Type: text/plain; charset=us-ascii\r\n"
              "Content-Transfer-Encoding: 7bit\r\nMIME-Version: 1.0\r\n\r\nplain ascii\r\n");

    TMIMEx J;
    H.SetField("Subject", SJ("件名"));
    J.AddTextPart(&H.Header(), &Body);
    EXPECT_EQ(J.Root->GetField("Content-Type"), "text/plain; charset=iso-2022-jp");
    J.Compose();
    EXPECT_EQ((*J.Lines)[1], "Subject: =?ISO-2022-JP?B?GyRCN29MPhsoSg==?=");
}

class ComposeRoundTrip : public MIMEx, public ::testing::WithParamInterface<bool> {};

TEST_P(ComposeRoundTrip, DecodesToTheSameTextNamesAndBytes) {
    std::string Bin;
    for (int i = 0; i < 5000; ++i) Bin += static_cast<char>((i * 31) ^ (i >> 3));
    WriteFileText(Dir + "/添付資料.bin", Bin);
    WriteFileText(Dir + "/photo.JPG", "\xff\xd8\xff\xe0 jpeg");
    WriteFileText(Dir + "/note.TXT", SJ("テキスト添付\r\n二行目\r\n"));
    WriteFileText(Dir + "/utf8.txt", "UTF-8 テキスト\n");

    TMIMEx M;
    M.RFC2231Encode = GetParam();
    TBaseMessage H;
    H.SetField("From", "me@example.jp");
    H.SetField("Subject", SJ("添付のテスト"));
    TStringList Body;
    Body.Add(SJ("本文の一行目"));
    Body.Add("");
    Body.Add("ascii line");
    M.AddTextPart(&H.Header(), &Body);
    M.AddAttachment(SJ((Dir + "/添付資料.bin").c_str()), "", "");
    M.AddAttachment(Dir + "/photo.JPG", "", "");
    M.AddAttachment(Dir + "/note.TXT", "", "");
    M.AddAttachment(Dir + "/utf8.txt", "", "");
    M.Compose();
    const std::string Wire = M.Lines->GetText();
    for (unsigned char c : Wire) ASSERT_LT(c, 0x80);
    EXPECT_EQ(Wire.find(SJ("添付")), std::string::npos);

    TMIMEx D;
    D.DecodeText(Wire);
    ASSERT_EQ(D.Root->LeafCount(), 5);
    EXPECT_EQ(BodyOf(D.Root->LeafAt(0)), BodyOf(M.Root->LeafAt(0)));
    TMIMEPart* A = D.Root->LeafAt(1);
    EXPECT_EQ(A->GetFileName(), SJ("添付資料.bin"));
    EXPECT_EQ(Saved(A), Bin);
    EXPECT_EQ(D.Root->LeafAt(2)->MediaType + "/" + D.Root->LeafAt(2)->SubType, "image/jpeg");
    EXPECT_EQ(Saved(D.Root->LeafAt(2)), "\xff\xd8\xff\xe0 jpeg");
    TMIMEPart* Note = D.Root->LeafAt(3);  // inline text part without a name
    EXPECT_EQ(Note->GetFileName(), "");
    EXPECT_EQ(BodyOf(Note), (std::vector<std::string>{SJ("テキスト添付"), SJ("二行目")}));
    TMIMEPart* Utf = D.Root->LeafAt(4);  // UTF-8 text travels as a named base64 attachment
    EXPECT_EQ(Utf->GetFileName(), "utf8.txt");
    EXPECT_EQ(Utf->Charset, "utf-8");
    EXPECT_EQ(Saved(Utf), "UTF-8 テキスト\n");

    if (GetParam()) {
        EXPECT_EQ(A->GetField("Content-Type"), "application/octet-stream");
        EXPECT_NE(A->GetField("Content-Disposition").find("filename*0*=iso-2022-jp'jp'"), std::string::npos);
    } else {
        EXPECT_NE(A->GetField("Content-Type").find("name=\"=?ISO-2022-JP?B?"), std::string::npos);
        EXPECT_NE(A->GetField("Content-Disposition").find("filename=\"=?ISO-2022-JP?B?"), std::string::npos);
    }
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
    std::vector<std::string> Lines;
    for (int i = 0; i < Enc.GetCount(); ++i) Lines.push_back(Enc[i]);
    Lines.insert(Lines.begin() + 7, "");  // an empty line and a ragged one decode the same
    Lines[100].insert(40, " \t*");
    std::string Wire = "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
                       "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    for (const std::string& L : Lines) Wire += L + "\r\n";
    Wire += "--b--\r\n";
    WriteFileText(Dir + "/big.eml", Wire);

    TMIMEx M;
    M.DecodeFile(Dir + "/big.eml");
    ASSERT_EQ(M.Root->LeafCount(), 1);
    TMIMEPart* P = M.Root->LeafAt(0);
    EXPECT_EQ(Saved(P), Bin);
    EXPECT_EQ(BodyOf(P), Lines);
    EXPECT_EQ(Saved(P, "again"), Bin);
}

TEST_F(MIMEx, AttachmentAloneAndTypeChoices) {
    WriteFileText(Dir + "/x.bin", "abc");
    TMIMEx M;
    M.AddAttachment(Dir + "/x.bin", "", "");
    EXPECT_EQ(M.Root->MediaType, "application");
    EXPECT_EQ(M.Root->SubType, "octet-stream");
    EXPECT_EQ(M.Root->GetFileName(), "x.bin");
    M.AddAttachment(Dir + "/x.bin", "image", "");
    ASSERT_EQ(M.Root->Parts.size(), 2u);
    EXPECT_EQ(M.Root->Parts[0]->GetFileName(), "x.bin");
    EXPECT_EQ(M.Root->Parts[1]->GetField("Content-Type").substr(0, 25), "image/octet-stream;\r\n\tnam");
}

TEST_F(MIMEx, HostileInputGivesDefinedResults) {
    std::string Msg = "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"q\"\r\n\r\n--q\r\n"
                      "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    Msg += std::string(3 << 20, 'A') + "\r\n";              // a line of megabytes
    Msg += std::string("a\0b\x01\xff!!==**", 11) + "\r\n";  // NUL bytes and base64 garbage
    Msg += "--q\r\nContent-Disposition: attachment; filename=\"../../x\"\r\n"
           "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: x-uue\r\n\r\n"
           "begin 644 x\r\nM!!\r\nend\r\n";  // unterminated multipart, bad uu count
    TMIMEx M;
    M.DecodeText(Msg);
    ASSERT_EQ(M.Root->LeafCount(), 2);
    TMIMEPart* T = M.Root->LeafAt(0);
    T->DecodeTextBody();
    ASSERT_GE(T->Body().GetCount(), 1);
    TMIMEPart* U = M.Root->LeafAt(1);
    EXPECT_EQ(SafeFileName(U->GetFileName()), "x");
    EXPECT_EQ(Saved(U), "begin 644 x\r\nM!!\r\nend\r\n");  // no complete block: saved as lines

    // The file and text routes read the same tree as the line route.
    WriteFileText(Dir + "/msg.eml", ReadFileText(DataDir + "nested_multipart.eml"));
    TMIMEx F;
    F.DecodeFile(Dir + "/msg.eml");
    ASSERT_EQ(F.Root->LeafCount(), 4);
    EXPECT_EQ(Saved(F.Root->LeafAt(2)), ReadFileText(DataDir + "nested_multipart.png"));
}
