// The read page's layout of received messages (shown leaves, attachment list),
// saving attachments into real folders, and the one reader of a received message
// (from POP3-style lines, a whole text and a file alike). The markers, names and saved files
// of the sample messages are also checked end to end through velnaro-msg.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include "BaseMsg.h"
#include "MessageReader.h"
#include "ReadLayout.h"
#include "TestFiles.h"
#include "cp932.h"

namespace {

const std::string DataDir = std::string(VELNARO_TEST_DATA) + "/message/";

class ReadLayout : public ::testing::Test {
protected:
    // Reads a message as the read page does, through the one message reader.
    TReadLayout Lay(const std::string& Text, bool WithHeader = false) {
        Reader.ReadText(Text);
        return Reader.Layout(WithHeader);
    }
    TReadLayout LaySample(const std::string& Name) { return Lay(ReadFileText(DataDir + Name)); }
    TMIMEx& Mime() { return Reader.Mime(); }
    TMessageReader Reader;
    TTempDir Dir;
};

using Entries = std::vector<std::pair<std::string, int>>;
Entries EntriesOf(const TReadLayout& L) {
    Entries E;
    for (const TAttachmentEntry& A : L.Attachments) E.emplace_back(Cp932ToUtf8(A.Name), A.Number);
    return E;
}

// What a reader found, in one comparable value.
std::string Summary(TMessageReader& R) {
    std::string S = R.Message().Subject() + "|" + R.Message().From() + "|" + R.Message().MessageID() + "|" +
                    std::to_string(R.Message().Date()) + "|" + std::to_string(R.Size()) + "|" +
                    std::to_string(R.Lines()) + "|" + std::to_string(R.Mime().Root->LeafCount());
    const TReadLayout L = R.Layout(true);
    for (const std::string& Line : L.Lines) S += "\n" + Line;
    for (const TAttachmentEntry& E : L.Attachments) S += "\n[" + E.Name + std::to_string(E.Number) + "]";
    return S;
}

}  // namespace

// (velnaro-msg.sh checks the shown lines and names of the samples end to end.)
TEST_F(ReadLayout, ShownLeavesAttachmentsAndTheHeaderToggle) {
    EXPECT_EQ(LaySample("uuencoded.eml").Lines.back(), "bye");  // uuencoded lines stay in the text
    EXPECT_EQ(EntriesOf(LaySample("rfc2231_names.eml")),
              (Entries{{"報告書_2026年3月.pdf", 1}, {"見積書.xls", 2}, {"添付ファイル名.txt", 3}}));
    TReadLayout L = LaySample("nested_multipart.eml");
    ASSERT_EQ(L.Shown.size(), 2u);
    EXPECT_EQ(L.Lines.at(L.Shown[1].FirstLine) + std::to_string(L.Shown[1].Leaf), "second text3");
    std::string Error;  // the nameless image saves byte for byte
    ASSERT_TRUE(L.CanSave && SaveAttachmentAs(Mime(), 2, Dir.Path + "p", Error)) << Error;
    EXPECT_EQ(ReadFileText(Dir.Path + "p"), ReadFileText(DataDir + "nested_multipart.png"));
    // The header toggle puts the root's header first, exactly as received.
    TReadLayout H = Lay(ReadFileText(DataDir + "nested_multipart.eml"), true);
    EXPECT_EQ(H.Lines.size(), L.Lines.size() + Mime().Root->Header().GetCount());
    EXPECT_EQ(H.Lines.back(), L.Lines.back());
}

TEST_F(ReadLayout, SinglePartTextListsNothingAndANamedUuencodedPartSavesItsData) {
    TReadLayout L = Lay("Subject: hi\r\n\r\nhello\r\nbegin 644 but no block follows\r\n");
    EXPECT_TRUE(L.Attachments.empty());
    EXPECT_FALSE(L.CanSave);
    EXPECT_EQ(L.Lines, (std::vector<std::string>{"hello", "begin 644 but no block follows"}));
    // A named single part whose body travels uuencoded is entry 0 and saves
    // as the decoded data, not as an empty file.
    TReadLayout N = LaySample("layout/single_named_uu.eml");
    EXPECT_TRUE(N.Lines.empty());
    EXPECT_EQ(EntriesOf(N), (Entries{{"data.bin", 0}}));
    std::string Saved, Error;
    ASSERT_TRUE(SaveAttachmentInto(Mime(), N.Attachments[0], Dir.Path, Saved, Error)) << Error;
    EXPECT_EQ(ReadFileText(Saved), ReadFileText(DataDir + "layout/single_named_uu.bin"));
}

TEST_F(ReadLayout, NamesFromTheMessageBecomePlainFileNamesAndFailedSavesKeepTheOldFile) {
    TReadLayout L = LaySample("layout/hostile_names.eml");
    EXPECT_EQ(L.Lines[0], SJ("------<Subject is 請求書 (text/html) >------"));  // shown as its source
    EXPECT_EQ(EntriesOf(L),
              (Entries{{"evil.sh", 1}, {"請求.txt", 2}, {"image3.gif", 3}, {"application4.bin", 4}}));
    std::string Saved, Error;
    ASSERT_TRUE(SaveAttachmentInto(Mime(), L.Attachments[0], Dir.Path, Saved, Error)) << Error;
    EXPECT_EQ(Saved, Dir.Path + "evil.sh");
    EXPECT_NE(access(Saved.c_str(), X_OK), 0);  // never executable
    // A type that is no plain word never becomes a path.
    TMIMEPart P;
    P.MediaType = "../..";
    P.SubType = "../x";
    EXPECT_EQ(NamelessPartName(P, 1), "..1.bin");

    // Failed saves keep the old file and leave no temporary file.
    EXPECT_FALSE(SaveAttachmentAs(Mime(), 1, Dir.Path + "no-such-dir/x", Error));
    EXPECT_EQ(Error.rfind(SJ("添付ファイルを保存できませんでした: "), 0), 0u) << Cp932ToUtf8(Error);

    // A write that fails half-way (file size limit) leaves the target as it was.
    const std::string Target = Saved;
    WriteFileText(Target, "old");
    struct rlimit Old;
    getrlimit(RLIMIT_FSIZE, &Old);
    const struct rlimit Small = {100, Old.rlim_max};
    auto OldHandler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &Small);
    const bool Ok = SaveAttachmentAs(Mime(), 1, Target, Error);
    setrlimit(RLIMIT_FSIZE, &Old);
    signal(SIGXFSZ, OldHandler);
    EXPECT_FALSE(Ok);
    EXPECT_EQ(ReadFileText(Target), "old");
    EXPECT_EQ(Dir.Files(), std::vector<std::string>{"evil.sh"});

    // Saving over a folder, or a number with no attachment, fails without touching anything.
    EXPECT_FALSE(SaveAttachmentAs(Mime(), 1, Dir.Path.substr(0, Dir.Path.size() - 1), Error));
    EXPECT_FALSE(SaveAttachmentAs(Mime(), 9, Target, Error));
    EXPECT_EQ(Error, SJ("保存する添付ファイルがありません"));
    EXPECT_EQ(Dir.Files(), std::vector<std::string>{"evil.sh"});
}

TEST(MessageReader, LinesTextAndFileReadAlikeAndEachReadStartsAfresh) {
    TMessageReader Reused;
    for (const char* Name : {"multipart_preamble.eml", "nested_multipart.eml", "uuencoded.eml",
                             "qp_softbreaks.eml", "layout/hostile_names.eml"}) {
        SCOPED_TRACE(Name);
        const std::string Text = ReadFileText(DataDir + Name);
        TStringList Lines;  // as a POP3 RETR reply hands them over
        Lines.SetText(Text);
        TMessageReader FromLines, FromText;
        FromLines.Read(Lines);
        FromText.ReadText(Text);
        Reused.ReadFile(DataDir + Name);
        const std::string Want = Summary(FromLines);
        EXPECT_EQ(Summary(FromText), Want);
        EXPECT_EQ(Summary(Reused), Want);
        // The size counts every line with one line end, as TINetMessage does.
        TINetMessage Whole;
        Whole.SetText(Text);
        EXPECT_EQ(FromLines.Size(), Whole.Size());
        EXPECT_EQ(FromLines.Lines(), Whole.Lines());
        EXPECT_EQ(FromLines.Message().Header().GetCount(), Whole.Header().GetCount());
        EXPECT_EQ(FromLines.Message().Body().GetCount(), 0);  // the body is held once, in the tree
    }
    EXPECT_EQ(Reused.Message().Subject(), SJ("請求書"));
    EXPECT_THROW(Reused.ReadFile(DataDir + "no-such.eml"), EMIMEFileError);
}

TEST(MessageReader, PiecesAndTheLinesField) {
    const std::string Text = "Subject: =?ISO-2022-JP?B?GyRCRnxLXBsoQg==?=\r\nLines: 7\r\n\r\none\r\ntwo\r";
    TMessageReader R;
    R.Begin();
    for (char C : Text) R.AddBytes(&C, 1);  // a CR and its LF in different pieces
    R.End();
    EXPECT_EQ(R.Message().Subject(), SJ("日本"));
    EXPECT_EQ(R.Lines(), 7);  // the field wins over the two body lines
    EXPECT_EQ(R.BodyLines(), 2);
    EXPECT_EQ(R.Layout(false).Lines, (std::vector<std::string>{"one", "two"}));
}
