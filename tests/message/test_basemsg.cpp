// Tests of the message line store: header/body sorting, index rules and fields.
#include <gtest/gtest.h>

#include <chrono>

#include "BaseMsg.h"

namespace {

std::string Lines(const TStrings& L) {
    std::string R;
    for (int i = 0; i < L.GetCount(); ++i) R += "[" + L.Get(i) + "]";
    return R;
}

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
