// Tests of the settings file reader and writer on real files.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "IniFile.h"
#include "TestFiles.h"
#include "cp932.h"

namespace {

TEST(IniFile, ReadsHandWrittenFileWithOddSpacingQuotesHexAndMixedCase) {
    TTempDir Dir;
    const std::string Path = Dir.Path + "VELNARO.ini";
    const std::string Kanji = SJ("表示ソフト");  // trail bytes 0x5C among them
    WriteFileText(Path, "junk before sections\n"
                        "  [ number ]  \r\n"
                        "COUNT =  0x1F  \r\n"
                        "Start=\"  7 \"\r\n"
                        "neg=-12\n"
                        "bad=12abc\r"
                        "hexonly=0x\n"
                        "hexbad=0xZZ\n"
                        "big=0xFFFFFFFF\n"
                        "over=2147483648\n"
                        "[Account1]\r\n"
                        "user =  \"quoted name\" \r\n"
                        "single='x'\n"
                        "lone=\"half\n"
                        "name=" +
                            Kanji +
                            "\r\n"
                            "twice=first\r\n"
                            "TWICE=second\r\n"
                            "empty=\r\n");
    TIniFile Ini(Path);
    EXPECT_EQ(Ini.ReadInteger("Number", "count", 0), 31);
    EXPECT_EQ(Ini.ReadString("NUMBER", "start", ""), "  7 ");  // the quotes go, blanks inside stay
    EXPECT_EQ(Ini.ReadInteger("Number", "start", 0), 0);       // "  7 " is no number
    EXPECT_EQ(Ini.ReadInteger("Number", "neg", 0), -12);
    EXPECT_EQ(Ini.ReadInteger("Number", "bad", 5), 5);
    EXPECT_EQ(Ini.ReadInteger("Number", "hexonly", 5), 5);
    EXPECT_EQ(Ini.ReadInteger("Number", "hexbad", 5), 5);
    EXPECT_EQ(Ini.ReadInteger("Number", "big", 5), -1);
    EXPECT_EQ(Ini.ReadInteger("Number", "over", 5), 5);
    EXPECT_TRUE(Ini.ReadBool("Number", "count", false));
    EXPECT_EQ(Ini.ReadString("account1", "USER", ""), "quoted name");
    EXPECT_EQ(Ini.ReadString("Account1", "single", ""), "x");
    EXPECT_EQ(Ini.ReadString("Account1", "lone", ""), "\"half");
    EXPECT_EQ(Ini.ReadString("Account1", "name", ""), Kanji);
    EXPECT_EQ(Ini.ReadString("Account1", "twice", ""), "first");
    EXPECT_EQ(Ini.ReadString("Account1", "\x83\x61", "dflt"), "dflt");  // trail byte 'A' is not folded
    Ini.WriteString("Account1", "\x83\x41", "1");
    EXPECT_EQ(Ini.ReadString("Account1", "\x83\x61", "dflt"), "dflt");
    EXPECT_EQ(Ini.ReadString("Account1", "empty", "dflt"), "");
    EXPECT_EQ(Ini.ReadString("Account1", "missing", "dflt"), "dflt");
    EXPECT_EQ(Ini.ReadString("Account2", "user", "dflt"), "dflt");
    EXPECT_TRUE(Ini.ReadBool("Account2", "mailhead", true));

    TIniSectionValues Values;
    Ini.ReadSectionValues("ACCOUNT1", Values);
    ASSERT_EQ(Values.size(), 7u);
    EXPECT_EQ(Values[0], std::make_pair(std::string("user"), std::string("quoted name")));
    EXPECT_EQ(Values[4], std::make_pair(std::string("twice"), std::string("first")));
}

TEST(IniFile, MissingFileReadsDefaultsAndIsNotCreatedWithoutWrites) {
    TTempDir Dir;
    {
        TIniFile Ini(Dir.Path + "VELNARO.ini");
        EXPECT_EQ(Ini.ReadInteger("Number", "count", 0), 0);
        EXPECT_EQ(Ini.ReadString("Account0", "user", "x"), "x");
        Ini.UpdateFile();
    }
    EXPECT_TRUE(Dir.Files().empty());
}

TEST(IniFile, WritesInPlaceKeepsOrderAndSurvivesRoundTrip) {
    TTempDir Dir;
    const std::string Path = Dir.Path + "VELNARO.ini";
    WriteFileText(Path, "; comment\r\n[Number]\r\ncount=3\r\n[Account1]\r\nuser=a\r\n");
    {
        TIniFile Ini(Path);
        Ini.WriteInteger("number", "COUNT", 4);  // replaced in place, spelling of the file kept
        Ini.WriteString("Fresh", "zeta", "1");
        Ini.WriteString("Fresh", "alpha", "");
        Ini.WriteBool("Fresh", "mid", true);
        Ini.WriteString("Account1", "sig", std::string("line\r\n[Injected]\nx=1\0tail", 25));
        Ini.UpdateFile();
    }
    EXPECT_EQ(ReadFileText(Path), "; comment\r\n[Number]\r\ncount=4\r\n[Account1]\r\nuser=a\r\n"
                                  "sig=line  [Injected] x=1\r\n[Fresh]\r\nzeta=1\r\nalpha=\r\nmid=1\r\n");
    struct stat St;
    ASSERT_EQ(::stat(Path.c_str(), &St), 0);
    EXPECT_EQ(St.st_mode & 0777, 0600u);
    EXPECT_EQ(Dir.Files().size(), 1u);  // no temporary file left behind

    TIniFile Again(Path);
    EXPECT_EQ(Again.ReadString("Fresh", "alpha", "dflt"), "");
    Again.EraseSection("FRESH");
    EXPECT_EQ(Again.ReadString("Fresh", "zeta", "gone"), "gone");
    Again.WriteString("Fresh", "new", "v");  // a new section at the end, holding only the new key
    EXPECT_EQ(Again.GetText().substr(Again.GetText().find("[Fresh]")), "[Fresh]\r\nnew=v\r\n");
    Again.WriteString("Fresh", "long", std::string(3000, 'v'));  // read back cut to 2047 bytes
    EXPECT_EQ(Again.ReadString("Fresh", "long", ""), std::string(2047, 'v'));
}

TEST(IniFile, RefusedWriteRaisesPathMessageAndKeepsOldFile) {
    TTempDir Dir;
    const std::string Path = Dir.Path + "VELNARO.ini";
    WriteFileText(Path, "[Number]\r\ncount=1\r\n");
    ::chmod(Path.c_str(), 0644);
    ::chmod(Dir.Path.c_str(), 0555);
    {
        TAsUnprivileged User;
        TIniFile Ini(Path);
        Ini.WriteInteger("Number", "count", 2);
        try {
            Ini.UpdateFile();
            ADD_FAILURE() << "no error";
        } catch (const EIniFileException& E) {
            EXPECT_EQ(E.Message(), Path + SJ(" に書き込めません"));
        }
    }
    EXPECT_EQ(ReadFileText(Path), "[Number]\r\ncount=1\r\n");
    EXPECT_EQ(Dir.Files().size(), 1u);
}

TEST(IniFile, UnreadableFileIsNeverReplaced) {
    TTempDir Dir;
    const std::string Path = Dir.Path + "VELNARO.ini";
    WriteFileText(Path, "[Account1]\r\nuser=keep\r\n");
    ::chmod(Path.c_str(), 0);
    {
        TAsUnprivileged User;
        TIniFile Ini(Path);
        EXPECT_EQ(Ini.ReadString("Account1", "user", "dflt"), "dflt");
        Ini.WriteString("Account1", "user", "new");
        EXPECT_THROW(Ini.UpdateFile(), EIniFileException);
    }
    EXPECT_EQ(ReadFileText(Path), "[Account1]\r\nuser=keep\r\n");
}

TEST(IniFile, SavingThroughSymbolicLinkReplacesTheTarget) {
    TTempDir Dir;
    WriteFileText(Dir.Path + "real.ini", "[A]\r\nk=1\r\n");
    ASSERT_EQ(::symlink((Dir.Path + "real.ini").c_str(), (Dir.Path + "VELNARO.ini").c_str()), 0);
    TIniFile Ini(Dir.Path + "VELNARO.ini");
    Ini.WriteString("A", "k", "2");
    Ini.UpdateFile();
    struct stat St;
    ASSERT_EQ(::lstat((Dir.Path + "VELNARO.ini").c_str(), &St), 0);
    EXPECT_TRUE(S_ISLNK(St.st_mode));
    EXPECT_EQ(ReadFileText(Dir.Path + "real.ini"), "[A]\r\nk=2\r\n");
}

}  // namespace
