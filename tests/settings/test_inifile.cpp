// Tests of the settings file reader and writer on real files.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <tuple>

#include "IniFile.h"
#include "TestFiles.h"
#include "cp932.h"

namespace {

TEST(IniFile, ReadsHandWrittenFileWithOddSpacingQuotesNumbersAndMixedCase) {
    TTempDir Dir;
    const std::string Path = Dir.Path + "VELNARO.ini";
    const std::string Kanji = SJ("表示ソフト");  // trail bytes 0x5C among them
    WriteFileText(Path, "junk before sections\n  [ number ]  \r\n"
                        "COUNT =  0x1F  \r\nStart=\"  7 \"\r\nneg=-12\nbad=12abc\rhexonly=0x\nhexbad=0xZZ\n"
                        "big=0xFFFFFFFF\nover=2147483648\n"
                        "[Account1]\r\nuser =  \"quoted name\" \r\nsingle='x'\nlone=\"half\nname=" +
                            Kanji + "\r\ntwice=first\r\nTWICE=second\r\nempty=\r\n");
    TIniFile Ini(Path);
    const std::pair<const char*, int> Numbers[] = {
        {"count", 31}, {"start", 5}, {"neg", -12}, {"bad", 5},  {"hexonly", 5},
        {"hexbad", 5}, {"big", -1},  {"over", 5},  {"none", 5},
    };
    for (const auto& [Key, Value] : Numbers) EXPECT_EQ(Ini.ReadInteger("Number", Key, 5), Value) << Key;
    // Quotes go and blanks inside stay; the first of two keys counts; the
    // trail byte of "\x83\x41" is not folded to lower case.
    const std::tuple<const char*, const char*, std::string> Strings[] = {
        {"NUMBER", "start", "  7 "},     {"account1", "USER", "quoted name"},
        {"Account1", "single", "x"},     {"Account1", "lone", "\"half"},
        {"Account1", "name", Kanji},     {"Account1", "twice", "first"},
        {"Account1", "empty", ""},       {"Account2", "user", "dflt"},
        {"Account1", "\x83\x61", "dflt"}};
    Ini.WriteString("Account1", "\x83\x41", "1");
    for (const auto& [Section, Key, Value] : Strings)
        EXPECT_EQ(Ini.ReadString(Section, Key, "dflt"), Value) << Key;

    TIniSectionValues Values;
    Ini.ReadSectionValues("ACCOUNT1", Values);
    ASSERT_EQ(Values.size(), 7u);  // the second "twice" is not listed
    EXPECT_EQ(Values[4], std::make_pair(std::string("twice"), std::string("first")));
}

// The settings file is a symbolic link here: saving replaces the target.
TEST(IniFile, WritesInPlaceOnOneLineEachThroughALinkAndCreatesNoFileWithoutWrites) {
    TTempDir Dir;
    const std::string Path = Dir.Path + "VELNARO.ini";
    TIniFile(Path).UpdateFile();
    EXPECT_TRUE(Dir.Files().empty());

    WriteFileText(Dir.Path + "real.ini", "; comment\r\n[Number]\r\ncount=3\r\n[Account1]\r\nuser=a\r\n");
    ASSERT_EQ(::symlink((Dir.Path + "real.ini").c_str(), Path.c_str()), 0);
    {
        TIniFile Ini(Path);
        Ini.WriteInteger("number", "COUNT", 4);  // replaced in place, spelling of the file kept
        Ini.WriteString("Fresh", "zeta", "1");
        Ini.WriteString("Fresh", "alpha", "");
        Ini.WriteString("Account1", "sig", std::string("line\r\n[Injected]\nx=1\0tail", 25));
        Ini.UpdateFile();
    }
    EXPECT_EQ(ReadFileText(Dir.Path + "real.ini"),
              "; comment\r\n[Number]\r\ncount=4\r\n[Account1]\r\nuser=a\r\n"
              "sig=line  [Injected] x=1\r\n[Fresh]\r\nzeta=1\r\nalpha=\r\n");
    struct stat St;
    EXPECT_TRUE(::lstat(Path.c_str(), &St) == 0 && S_ISLNK(St.st_mode));
    EXPECT_EQ(Dir.Files().size(), 2u);  // no temporary file left behind
    TIniFile Again(Path);
    Again.WriteString("Fresh", "long", std::string(3000, 'v'));
    EXPECT_EQ(Again.ReadString("Fresh", "long", ""), std::string(2047, 'v'));  // read back cut
}

// (A folder that refuses the new file is the case of
// AccountsTest.FailedSaveKeepsTheFileWholeStillReloadsAndReportsThePath.)
TEST(IniFile, UnreadableFileIsKeptWholeAndTheErrorNamesIt) {
    TTempDir Dir;
    const std::string Path = Dir.Path + "VELNARO.ini";
    WriteFileText(Path, "[Account1]\r\nuser=keep\r\n");
    ::chmod(Path.c_str(), 0);
    {
        TAsUnprivileged User;
        TIniFile Ini(Path);
        Ini.WriteString("Account1", "count", "2");
        EXPECT_THROW(Ini.UpdateFile(), EIniFileException);
    }
    ::chmod(Path.c_str(), 0644);
    EXPECT_EQ(ReadFileText(Path), "[Account1]\r\nuser=keep\r\n");
    EXPECT_EQ(Dir.Files().size(), 1u);
}

}  // namespace
