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

TEST_F(ReadLayout, MultipartShowsSubjectMarkerTextAndListsNamedPart) {
    TReadLayout L = Lay("multipart_preamble.eml");
    ASSERT_GE(L.Lines.size(), 4u);
    EXPECT_EQ(L.Lines[0], SJ("------<Subject is 会議資料の送付 (text/plain) >------"));
    EXPECT_EQ(L.Lines[1], "");
    EXPECT_EQ(L.Lines[2], SJ("田中様"));
    EXPECT_EQ(L.Lines.back(), "  indented line");
    EXPECT_EQ(EntriesOf(L), (Entries{{"資料.bin", 1}}));
    EXPECT_TRUE(L.CanSave);

    // The header toggle puts the root's header first, exactly as received.
    TReadLayout H = Lay("multipart_preamble.eml", true);
    EXPECT_EQ(H.Lines[0], "Return-Path: <sato@example.jp>");
    EXPECT_EQ(H.Lines[5], "Subject: =?ISO-2022-JP?B?GyRCMnE1RDtxTkEkTkF3SVUbKEI=?=");
    const size_t HeaderLines = Mime.Root->Header().GetCount();
    EXPECT_EQ(H.Lines.size(), L.Lines.size() + HeaderLines);
    EXPECT_EQ(H.Lines[HeaderLines], L.Lines[0]);
}

TEST_F(ReadLayout, NestedTextFileMarkerAndNamesForNamelessParts) {
    TReadLayout L = Lay("nested_multipart.eml");
    const std::vector<std::string> Want = {
        "------<Subject is nested (text/plain) >------", "", SJ("こんにちは"), "",
        "------<Attached TextFile (text/plain) >------", "", "second text"};
    EXPECT_EQ(L.Lines, Want);
    EXPECT_EQ(EntriesOf(L), (Entries{{"text1.html", 1}, {"image2.png", 2}}));
    ASSERT_EQ(L.Shown.size(), 2u);
    EXPECT_EQ(L.Shown[1].Leaf, 3);
    EXPECT_EQ(L.Shown[1].FirstLine, 6);
}

TEST_F(ReadLayout, HtmlFirstLeafShownAsSourceAndBase64TextDecoded) {
    TReadLayout L = Lay("layout/hostile_names.eml");
    EXPECT_EQ(L.Lines[0], SJ("------<Subject is 請求書 (text/html) >------"));
    EXPECT_EQ(L.Lines[2], "<p>see \"attached\"</p>");

    TReadLayout B = Lay("base64_sjis.eml");
    // Shift_JIS with CR LF and ISO-2022-JP lines starting with ESC, both base64.
    const std::vector<std::string> Want = {"------<Subject is base64 text (text/plain) >------",
                                           "",
                                           SJ("日本語のテキストです。"),
                                           SJ("  字下げした行"),
                                           "",
                                           SJ("最後の行"),
                                           "X",
                                           "",
                                           "------<Attached TextFile (text/plain) >------",
                                           "",
                                           SJ("漢字で始まる行"),
                                           "abc"};
    EXPECT_EQ(B.Lines, Want);
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

TEST(ReadLayoutNames, NamelessPartTable) {
    auto Name = [](const char* Type, const char* Sub, int I) {
        TMIMEPart P;
        P.MediaType = Type;
        P.SubType = Sub;
        return NamelessPartName(P, I);
    };
    EXPECT_EQ(Name("image", "png", 2), "image2.png");
    EXPECT_EQ(Name("application", "octet-stream", 1), "application1.bin");
    EXPECT_EQ(Name("image", "jpeg", 3), "image3.jpeg");
    EXPECT_EQ(Name("image", "x-xpixmap", 1), "image1.xbm");
    EXPECT_EQ(Name("video", "x-sgi-movie", 4), "video4.movi");
    EXPECT_EQ(Name("application", "postscript", 5), "application5.ps");
    EXPECT_EQ(Name("audio", "mp4", 1), "audio1.mp4");
    // A subtype that is no plain word never becomes a path.
    EXPECT_EQ(Name("image", "../x", 1), "image1.bin");
    EXPECT_EQ(Name("../..", "png", 1), "..1.png");
}

TEST_F(ReadLayout, NamesFromTheMessageNeverLeaveTheChosenFolder) {
    TReadLayout L = Lay("layout/hostile_names.eml");
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
