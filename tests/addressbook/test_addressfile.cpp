// Tests of the address book file on real files.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "AddressFile.h"
#include "TestFiles.h"
#include "cp932.h"

namespace {

TEST(AddressFile, LinesReadByTheCommaRules) {
    const std::pair<const char*, TAddressEntry> Lines[] = {
        {",taro@example.jp,", {"", "taro@example.jp"}},
        {"Taro,a@b,ignored,more", {"Taro", "a@b"}},
        {"Taro,a@b", {"Taro", ""}},  // no second comma
        {"no comma at all", {"", ""}},
    };
    for (const auto& [Line, Entry] : Lines) EXPECT_EQ(ReadAddressLine(Line), Entry) << Line;
    const auto Entries = ReadAddressText("a,1,\r\n\r\nb,2,\nc,3,\rd,4,");
    ASSERT_EQ(Entries.size(), 5u);
    EXPECT_EQ(Entries[1], (TAddressEntry{"", ""}));
    EXPECT_EQ(Entries[4], (TAddressEntry{"d", "4"}));
}

TEST(AddressFile, RefusedSaveRaisesIoErrorAndKeepsOldFile) {
    TTempDir Dir;
    const std::string Path = Dir.Path + "VELNARO.LST";
    WriteFileText(Path, "a,b,\r\n");
    ::chmod(Path.c_str(), 0666);  // writable in place: only a write beside it and a rename is refused
    ::chmod(Dir.Path.c_str(), 0555);
    {
        TAsUnprivileged User;
        try {
            ListSave(Path, {{"n", "m"}});
            ADD_FAILURE() << "no error";
        } catch (const EInOutError& E) {
            EXPECT_EQ(E.Message(), SJ("I/O エラー (13)"));
        }
    }
    EXPECT_EQ(ReadFileText(Path), "a,b,\r\n");
}

}  // namespace
