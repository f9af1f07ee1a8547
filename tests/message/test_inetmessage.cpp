// Tests of internet message fields, mail dates in Japan time and addresses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "BaseMsg.h"
#include "cp932.h"

namespace {

std::string Parsed(const std::string& Text) {
    return FormatDateTime("yyyy-mm-dd hh:nn:ss", ParseMailDate(Text));
}
const char* const NoDate = "1899-12-30 00:00:00";  // the zero date-time

}  // namespace

TEST(MailDate, OffsetsZoneNamesAndOddFieldsInJapanTime) {
    const std::pair<const char*, const char*> Cases[] = {
        {"Fri, 05 Jun 2026 12:00:00 +0530", "2026-06-05 15:30:00"},
        {"Sat, 6 Jun 2026 08:00:00 -0330", "2026-06-06 20:30:00"},
        {"Wed, 10 Jun 2026 10:00:00 EST", "2026-06-11 00:00:00"},
        {"Thu, 11 Jun 2026 09:30:00 EDT", "2026-06-11 22:30:00"},
        {"Thu, 11 Jun 2026 20:15:00 cdt", "2026-06-12 10:15:00"},
        {"5 dec 2026 10:00:00 -09:30", "2026-12-06 04:30:00"},
        {"Fri, 05 Jun 2026 12:00:00 +0530 (IST)", "2026-06-05 15:30:00"},
        {"5 Dec 2026 10:00:00 Mst", "2026-12-06 02:00:00"},
        {"5 Dec 2026 10:00:00 jst", "2026-12-05 10:00:00"},
        {"5 Dec 2026 10:00:00 Z", "2026-12-05 19:00:00"},
        {"5 Dec 2026 10:00:00 CET", "2026-12-05 19:00:00"},  // unknown names read as GMT
        {"5 Dec 2026 10:00:00", "2026-12-05 19:00:00"},
        {"5 Dec 2026 10:07 -0100", "2026-12-05 20:07:00"},  // no seconds
        // Odd fields fall back; impossible or yearless dates give no date.
        {"0 Dec 2026 10:00:00 JST", "2026-12-01 10:00:00"},
        {"5 December 2026 10:00:00 JST", "2026-01-05 10:00:00"},
        {"5 Dec 2026 24:60:60 JST", "2026-12-05 00:00:00"},
        {"1 Jan 00 00:00:00 JST", "2000-01-01 00:00:00"},
        {"30 Feb 2026 10:00:00 JST", NoDate},
        {"Mon, 5 Dec 10:00:00 +0900", NoDate},
        {"5 Dec 12345 10:00:00 JST", NoDate},
        {"5 Dec 2026 10:00:00 +99999999", NoDate},
        {"5 Dec 2026 10:00:00 -2147483647", NoDate},
        {"", NoDate},
        {"99999999999999999999 Dec 99999999999 999999999999:99999999999:9 +", NoDate},
        {"Mon, ", NoDate},
    };
    for (const auto& [Field, Japan] : Cases) EXPECT_EQ(Parsed(Field), Japan) << Field;
    // Two-digit years land within fifty years of the current one.
    EXPECT_EQ(ExpandTwoDigitYear(76, 2026), 2076);
    EXPECT_EQ(ExpandTwoDigitYear(77, 2026), 1977);
    EXPECT_EQ(ExpandTwoDigitYear(10, 2080), 2110);
}

TEST(MailDate, JapanTimeWhateverTheMachineZone) {
    const char* Old = getenv("TZ");
    const std::string Saved = Old ? Old : "";
    for (const char* Z : {"UTC0", "EST5EDT,M3.2.0,M11.1.0", "JST-9", "<+14>-14", "NPT-5:45"}) {
        setenv("TZ", Z, 1);
        tzset();
        EXPECT_EQ(Parsed("Sun, 6 Dec 2026 23:59:59 -1200"), "2026-12-07 20:59:59") << Z;
        EXPECT_EQ(Parsed("Sun, 29 Mar 2026 01:30:00 GMT"), "2026-03-29 10:30:00") << Z;
    }
    if (Old)
        setenv("TZ", Saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(INetMessage, DecodedFieldsReferencesLinesAndSize) {
    TINetMessage M;
    M.SetText("Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=\r\n"
              "From: =?iso-2022-jp?B?GyRCOzNFRBsoQg==?= <yamada@example.jp>\r\n"
              "Date: Mon, 5 Dec 2026 10:00:00 GMT\r\n"
              "In-Reply-To: your mail of <c@z> and <d@w>\r\nLines: -3\r\n"
              "\r\nline1\r\nline2\r\nline3");
    EXPECT_EQ(M.Subject() + "|" + M.From(), SJ("テスト|山田") + " <yamada@example.jp>");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", M.Date()), "2026-12-05 19:00:00");
    EXPECT_EQ(M.References().GetText(), "<d@w>\r\n");
    EXPECT_EQ(M.Lines(), 3);  // a bad Lines field: the body lines
    TINetMessage R;
    R.SetText("References: <a@x> <b@y>\r\nIn-Reply-To: <c@z>\r\nLines: 42\r\n\r\n0123456789");
    EXPECT_EQ(R.References().GetText(), "<a@x>\r\n<b@y>\r\n");
    EXPECT_EQ(R.Size(), 65);  // every line, the empty one too, with a one-byte line end
    // Assign from a plain list computes the values afresh.
    TStringList Plain;
    Plain.SetText("Lines: 7");
    R.Assign(Plain);
    EXPECT_EQ(R.References().GetCount() * 100 + R.Lines(), 7);
}

TEST(MailAddress, BareAddressesFromHeaderValues) {
    const std::pair<std::string, std::string> Cases[] = {
        {"\"Yamada, Taro\" <taro@example.jp>", "taro@example.jp"},
        {SJ("山田 太郎 <taro@example.jp>"), "taro@example.jp"},
        {"taro @ example.jp (Taro <Yamada>)", "taro@example.jp"},
        {"<taro@example.jp", "taro@example.jp"},
        {"  (only a comment) ", "  (only a comment) "},
    };
    for (const auto& [Text, Address] : Cases) EXPECT_EQ(ExtractMailAddress(Text), Address) << Text;
    EXPECT_EQ(ExtractAngleAddr("re: <a@b> and <c@d> end"), "<c@d>");
    EXPECT_EQ(ExtractAngleAddr("no brackets>"), "no brackets>");
    EXPECT_EQ(ExtractAngleAddr("x<y"), "x<y");
}
