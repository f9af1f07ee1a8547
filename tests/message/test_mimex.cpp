// The MIME composer and decoder on real-looking messages, compose round trips,
// uuencoded blocks and hostile input.
#include <gtest/gtest.h>

#include <sstream>

#include "MIMEx.h"
#include "TestFiles.h"
#include "cp932.h"

namespace {

const std::string DataDir = std::string(VELNARO_TEST_DATA) + "/message/";

class MIMEx : public ::testing::Test {
protected:
    // Decodes a sample message the way a POP3 reply arrives: as lines.
    void Load(TMIMEx& M, const std::string& Name) {
        TStringList L;
        L.SetText(ReadFileText(DataDir + Name));
        M.Decode(L);
    }
    std::string Saved(TMIMEPart* P, const std::string& Name = "out") {
        EXPECT_EQ(P->SaveAttachment(Dir.Path, Name), Dir.Path + Name);
        return ReadFileText(Dir.Path + Name);
    }
    TTempDir Dir;
};

std::vector<std::string> BodyOf(TMIMEPart* P) {
    std::vector<std::string> V;
    for (int i = 0; i < P->Body().GetCount(); ++i) V.push_back(P->Body()[i]);
    return V;
}

}  // namespace

TEST_F(MIMEx, QuotedPrintableAndBase64TextDecodeOnceKeepingIndentationAndEscapes) {
    TMIMEx M;
    Load(M, "qp_softbreaks.eml");
    M.Root->LeafAt(0)->DecodeTextBody();
    EXPECT_EQ(BodyOf(M.Root->LeafAt(0)).back(),
              "After an empty line. Trailing soft break with blanksjoined.");
    EXPECT_EQ(Saved(M.Root->LeafAt(1)), ReadFileText(DataDir + "qp_table.csv"));

    TMIMEx B;
    Load(B, "base64_sjis.eml");
    TMIMEPart* Sj = B.Root->LeafAt(0);
    const std::vector<std::string> Want = {SJ("日本語のテキストです。"), SJ("  字下げした行"), "",
                                           SJ("最後の行"), "X"};
    Sj->DecodeTextBody();
    EXPECT_EQ(BodyOf(Sj), Want);
    Sj->DecodeTextBody();  // a second call leaves the text alone
    EXPECT_EQ(BodyOf(Sj), Want);
    TMIMEPart* Jis = B.Root->LeafAt(1);  // lines starting with ESC
    Jis->DecodeTextBody();
    EXPECT_EQ(BodyOf(Jis), (std::vector<std::string>{SJ("漢字で始まる行"), "abc"}));
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
    J.Compose();
    EXPECT_EQ((*J.Lines)[1], "Subject: =?ISO-2022-JP?B?GyRCN29MPhsoSg==?=");

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
    EXPECT_EQ(BodyOf(D.Root->LeafAt(0)), BodyOf(M.Root->LeafAt(0)));
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
    std::vector<std::string> Lines;
    for (int i = 0; i < Enc.GetCount(); ++i) Lines.push_back(Enc[i]);
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
    EXPECT_EQ(BodyOf(P), Lines);
    EXPECT_EQ(Saved(P, "again"), Bin);
}
