// Tests of the message line store (header/body sorting, index rules, fields) and
// of internet message fields, mail dates in Japan time and addresses.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

#include "BaseMsg.h"
#include "cp932.h"

namespace {

std::string Lines(const TStrings& L) {
    std::string R;
    for (int i = 0; i < L.GetCount(); ++i) R += "[" + L.Get(i) + "]";
    return R;
}

std::string Parsed(const std::string& Text) {
    return FormatDateTime("yyyy-mm-dd hh:nn:ss", ParseMailDate(Text));
}
const char* const NoDate = "1899-12-30 00:00:00";  // the zero date-time

}  // namespace

TEST(BaseMessage, TextSortsIntoHeaderSeparatorAndBodyAndComesBackTheSame) {
    TBaseMessage M;
    M.SetText("A: 1\r\nB: 2\r\n\r\nx\r\n\r\ny\r\n");
    EXPECT_EQ(Lines(M.Header()) + Lines(M.Body()), "[A: 1][B: 2][x][][y]");
    EXPECT_EQ(M.Count(), 6);
    EXPECT_EQ(M.GetText(), "A: 1\r\nB: 2\r\n\r\nx\r\n\r\ny\r\n");
    M.SetText("A: 1\nB: 2");  // no empty line: all header
    EXPECT_FALSE(M.HasSeparator());
    M.SetText("\rx\r\ry");  // leading empty line: empty header
    EXPECT_EQ(Lines(M.Header()) + "|" + Lines(M.Body()), "|[x][][y]");
    // A body filled directly still shows a separator before it.
    TBaseMessage D;
    D.Header().Add("A: 1");
    D.Body().Add("x");
    EXPECT_EQ(D.GetText(), "A: 1\r\n\r\nx\r\n");
}

TEST(BaseMessage, IndexRulesKeepTheHeaderFreeOfEmptyLinesAndBadIndexesRaise) {
    TBaseMessage M;
    M.SetText("A: 1\r\nB: 2\r\n\r\nx");
    EXPECT_THROW(M.Get(M.Count()), BM_Exception);
    EXPECT_THROW(M.Delete(M.Count()), BM_Exception);
    EXPECT_THROW(M.Insert(M.Count() + 1, "z"), BM_Exception);
    EXPECT_EQ(M.GetText(), "A: 1\r\nB: 2\r\n\r\nx\r\n");
    M.Insert(0, "");      // ignored: the header never holds an empty line
    M.Insert(2, "C: 3");  // at the header's end: last header line
    M.Insert(3, "");      // at the separator: first body line
    M.Insert(M.Count(), "end");
    EXPECT_EQ(Lines(M.Header()) + Lines(M.Body()), "[A: 1][B: 2][C: 3][][x][end]");
    M.Delete(3);  // the separator while the body holds lines: nothing happens
    EXPECT_EQ(M.Count(), 7);
    M.SetText("\r\nonly");
    M.Delete(1);  // body and header now empty: the separator goes too
    EXPECT_EQ(M.Count(), 0);
    M.SetText("A: 1");
    EXPECT_THROW(M.Delete(1), BM_Exception);  // no separator to delete
}

TEST(BaseMessage, FieldsByNameWithTheirContinuationLines) {
    TBaseMessage M;
    M.SetText(
        "SUBJECT: hi\r\nFrom:me\r\nTo : you\r\nX-Empty: \r\nFolded: a\r\n b\r\n\t  c\r\nReceived: one\r\n  more\r\n"
        "Received: two\r\n\r\nbody");
    const std::pair<const char*, const char*> Reads[] = {
        {"subject", "hi"}, {"From", ""}, {"To", ""}, {"X-Empty", ""}, {"Missing", ""}, {"Folded", "a b c"}};
    for (const auto& [Name, Value] : Reads) EXPECT_EQ(M.GetField(Name), Value) << Name;
    // Only ASCII letters fold: other bytes compare exactly.
    M.Header().Add("\x82\xC0: sj");
    EXPECT_EQ(M.GetField("\x82\xC0") + "|" + M.GetField("\x82\xE0"), "sj|");
    M.DeleteField("received");
    M.DeleteField("\x82\xC0");
    M.SetField("Folded", "new");
    M.SetField("Subject", "a\r\nBcc: x@y");  // replaced; no second header line smuggled in
    EXPECT_EQ(Lines(M.Header()),
              "[From:me][To : you][X-Empty: ][Received: two][Folded: new][Subject: a  Bcc: x@y]");
}

TEST(BaseMessage, DeletingAHugeFoldedFieldStaysLinear) {
    TBaseMessage M;
    M.Header().Add("X-Big: start");
    for (int i = 0; i < 200000; ++i) M.Header().Add(" continued");
    M.Header().Add("Subject: kept");
    const auto Start = std::chrono::steady_clock::now();
    M.DeleteField("X-Big");
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(2));
    EXPECT_EQ(Lines(M.Header()), "[Subject: kept]");
}

TEST(BaseMessage, SaveLoadAndAssignCopyLinesFaithfully) {
    TBaseMessage M;
    M.SetText("A: 1");
    TStringList Out;
    Out.Add("kept");
    M.SaveToStrings(Out);
    EXPECT_EQ(Lines(Out), "[kept][A: 1][]");  // the empty line is always written
    TStringList In;
    In.SetText("H: 1\r\n\r\n\r\nb");
    M.LoadFromStrings(In);
    M.LoadFromStrings(M);  // from itself: the lines survive
    EXPECT_EQ(M.GetText(), "H: 1\r\n\r\n\r\nb\r\n");
    M.Assign(In);  // from a plain list: sorted by the insert rules
    EXPECT_EQ(Lines(M.Body()), "[][b]");
}

TEST(MailDate, OffsetsZoneNamesAndOddFieldsInJapanTime) {
    const std::pair<const char*, const char*> Cases[] = {
        {"Fri, 05 Jun 2026 12:00:00 +0530", "2026-06-05 15:30:00"},
        {"Sat, 6 Jun 2026 08:00:00 -0330", "2026-06-06 20:30:00"},
        {"Wed, 10 Jun 2026 10:00:00 EST", "2026-06-11 00:00:00"},
        {"Thu, 11 Jun 2026 09:30:00 EDT", "2026-06-11 22:30:00"},
        {"Mon, 7 Dec 2026 17:00:00 PST", "2026-12-08 10:00:00"},
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
    Old ? setenv("TZ", Saved.c_str(), 1) : unsetenv("TZ");
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
