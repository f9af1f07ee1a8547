// The read page's layout of received messages (text lines, markers, attachment
// list) and saving attachments into real folders.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "BaseMsg.h"
#include "ReadLayout.h"
#include "TestFiles.h"
#include "cp932.h"

namespace {

const std::string DataDir = std::string(VELNARO_TEST_DATA) + "/message/";

std::vector<std::string> FilesIn(const std::string& Dir) {
    std::vector<std::string> Names;
    DIR* D = opendir(Dir.c_str());
    while (dirent* E = D ? readdir(D) : nullptr)
        if (std::string(E->d_name) != "." && std::string(E->d_name) != "..") Names.push_back(E->d_name);
    if (D) closedir(D);
    return Names;
}

class ReadLayout : public ::testing::Test {
protected:
    void SetUp() override {
        char Tmpl[] = "/tmp/velnaro-layout-XXXXXX";
        ASSERT_NE(mkdtemp(Tmpl), nullptr);
        Dir = Tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + Dir + "'").c_str()); }

    // Loads a sample as the read page does: the message's lines into a
    // TINetMessage for its subject, then into the MIME component.
    TReadLayout Lay(const std::string& Name, bool WithHeader = false) {
        TINetMessage Msg;
        Msg.SetText(ReadFileText(DataDir + Name));
        TStringList Lines;
        Msg.SaveToStrings(Lines);
        Mime.Decode(Lines);
        return BuildReadLayout(Mime, WithHeader, Msg.Subject());
    }
    TMIMEx Mime;
    std::string Dir;
};

using Entries = std::vector<std::pair<std::string, int>>;
Entries EntriesOf(const TReadLayout& L) {
    Entries E;
    for (const TAttachmentEntry& A : L.Attachments) E.emplace_back(Cp932ToUtf8(A.Name), A.Number);
    return E;
}

}  // namespace

TEST_F(ReadLayout, MarkersShownLeavesNamesForNamelessPartsAndTheHeaderToggle) {
    TReadLayout L = Lay("nested_multipart.eml");
    const std::vector<std::string> Want = {
        "------<Subject is nested (text/plain) >------", "", SJ("こんにちは"), "",
        "------<Attached TextFile (text/plain) >------", "", "second text"};
    EXPECT_EQ(L.Lines, Want);
    EXPECT_EQ(EntriesOf(L), (Entries{{"text1.html", 1}, {"image2.png", 2}}));
    EXPECT_TRUE(L.CanSave);
    ASSERT_EQ(L.Shown.size(), 2u);
    EXPECT_EQ(L.Shown[1].Leaf, 3);
    EXPECT_EQ(L.Shown[1].FirstLine, 6);

    // The header toggle puts the root's header first, exactly as received.
    TReadLayout H = Lay("multipart_preamble.eml", true);
    const size_t HeaderLines = Mime.Root->Header().GetCount();
    EXPECT_EQ(H.Lines[5], "Subject: =?ISO-2022-JP?B?GyRCMnE1RDtxTkEkTkF3SVUbKEI=?=");
    EXPECT_EQ(H.Lines[HeaderLines], SJ("------<Subject is 会議資料の送付 (text/plain) >------"));
    EXPECT_EQ(H.Lines.back(), "  indented line");
    EXPECT_EQ(EntriesOf(H), (Entries{{"資料.bin", 1}}));
}

TEST_F(ReadLayout, UuencodedFilesInPlainTextAreListedAndSavedByNumber) {
    TReadLayout L = Lay("uuencoded.eml");
    EXPECT_EQ(EntriesOf(L), (Entries{{"first.bin", 1}, {"second.txt", 2}}));
    EXPECT_EQ(L.Lines.front(), "Two files follow.");
    EXPECT_EQ(L.Lines.back(), "bye");  // uuencoded lines stay in the text
    std::string Error;
    ASSERT_TRUE(SaveAttachmentAs(Mime, 2, Dir + "/2nd", Error)) << Error;
    EXPECT_EQ(ReadFileText(Dir + "/2nd"), ReadFileText(DataDir + "uu_second.txt"));
    EXPECT_FALSE(SaveAttachmentAs(Mime, 3, Dir + "/3rd", Error));
    EXPECT_EQ(Error, SJ("保存する添付ファイルがありません"));
    EXPECT_EQ(FilesIn(Dir), std::vector<std::string>{"2nd"});
    // Saving the whole part writes each block to the caller's name in turn.
    EXPECT_EQ(Mime.Root->SaveAttachment(Dir, "x"), Dir + "/x;" + Dir + "/x");
    EXPECT_EQ(ReadFileText(Dir + "/x"), ReadFileText(DataDir + "uu_second.txt"));
    // A block never ended makes no block at all.
    TStringList Open;
    Open.AddStrings(Mime.Root->Body());
    Open.Add("begin 644 third.bin");
    EXPECT_EQ(UUBlockCount(Open), 0);
}

TEST_F(ReadLayout, SinglePartTextListsNothingAndNamedPartShowsNoText) {
    TINetMessage Msg;
    Msg.SetText("Subject: hi\r\n\r\nhello\r\nbegin 644 but no block follows\r\n");
    TStringList Lines;
    Msg.SaveToStrings(Lines);
    Mime.Decode(Lines);
    TReadLayout L = BuildReadLayout(Mime, false, Msg.Subject());
    EXPECT_TRUE(L.Attachments.empty());
    EXPECT_FALSE(L.CanSave);
    EXPECT_EQ(L.Lines, (std::vector<std::string>{"hello", "begin 644 but no block follows"}));

    // A named single part whose body travels uuencoded is entry 0 and saves
    // as the decoded data, not as an empty file.
    TReadLayout N = Lay("layout/single_named_uu.eml");
    EXPECT_TRUE(N.Lines.empty());
    EXPECT_EQ(EntriesOf(N), (Entries{{"data.bin", 0}}));
    std::string Saved, Error;
    ASSERT_TRUE(SaveAttachmentInto(Mime, N.Attachments[0], Dir, Saved, Error)) << Error;
    EXPECT_EQ(ReadFileText(Saved), ReadFileText(DataDir + "layout/single_named_uu.bin"));
}

TEST_F(ReadLayout, NamesFromTheMessageNeverLeaveTheChosenFolder) {
    TReadLayout L = Lay("layout/hostile_names.eml");
    // An HTML first leaf is shown as its source.
    EXPECT_EQ(L.Lines[0], SJ("------<Subject is 請求書 (text/html) >------"));
    EXPECT_EQ(L.Lines[2], "<p>see \"attached\"</p>");
    EXPECT_EQ(EntriesOf(L),
              (Entries{{"evil.sh", 1}, {"請求.txt", 2}, {"image3.gif", 3}, {"application4.bin", 4}}));
    const std::string Sub = Dir + "/in";
    ASSERT_EQ(mkdir(Sub.c_str(), 0755), 0);
    for (const TAttachmentEntry& E : L.Attachments) {
        std::string Saved, Error;
        ASSERT_TRUE(SaveAttachmentInto(Mime, E, Sub, Saved, Error)) << Error;
    }
    EXPECT_EQ(FilesIn(Dir), std::vector<std::string>{"in"});
    EXPECT_EQ(FilesIn(Sub).size(), 4u);
    EXPECT_EQ(ReadFileText(Sub + "/evil.sh"), ReadFileText(DataDir + "layout/hostile_evil.bin"));
    struct stat St;
    ASSERT_EQ(stat((Sub + "/evil.sh").c_str(), &St), 0);
    const mode_t Mask = umask(0);
    umask(Mask);
    EXPECT_EQ(St.st_mode & 0777, 0666 & ~Mask);
    // A subtype that is no plain word never becomes a path.
    TMIMEPart P;
    P.MediaType = "../..";
    P.SubType = "../x";
    EXPECT_EQ(NamelessPartName(P, 1), "..1.bin");
}

TEST_F(ReadLayout, FailedSaveKeepsTheOldFileAndLeavesNoTemporaryFile) {
    TReadLayout L = Lay("layout/hostile_names.eml");
    std::string Error;
    EXPECT_FALSE(SaveAttachmentAs(Mime, 1, Dir + "/no-such-dir/x", Error));
    EXPECT_EQ(Error.rfind(SJ("添付ファイルを保存できませんでした: "), 0), 0u) << Cp932ToUtf8(Error);

    // A write that fails half-way (file size limit) leaves the target as it was.
    const std::string Target = Dir + "/evil.sh";
    std::ofstream(Target) << "old";
    struct rlimit Old;
    getrlimit(RLIMIT_FSIZE, &Old);
    struct rlimit Small = Old;
    Small.rlim_cur = 100;
    auto OldHandler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &Small);
    const bool Ok = SaveAttachmentAs(Mime, 1, Target, Error);
    setrlimit(RLIMIT_FSIZE, &Old);
    signal(SIGXFSZ, OldHandler);
    EXPECT_FALSE(Ok);
    EXPECT_EQ(ReadFileText(Target), "old");
    EXPECT_EQ(FilesIn(Dir), std::vector<std::string>{"evil.sh"});

    // Saving over a folder fails without touching it.
    EXPECT_FALSE(SaveAttachmentAs(Mime, 1, Dir, Error));
    EXPECT_FALSE(SaveAttachmentAs(Mime, 9, Target, Error));
    EXPECT_FALSE(SaveAttachmentAs(Mime, 1, Dir + "/", Error));
    EXPECT_EQ(FilesIn(Dir), std::vector<std::string>{"evil.sh"});
}
