// Reading a received message once for its fields, its MIME tree and its layout:
// from POP3-style lines, from a whole text and from a file alike.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "MessageReader.h"
#include "TestFiles.h"
#include "cp932.h"

namespace {

const std::string DataDir = std::string(VELNARO_TEST_DATA) + "/message/";

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
