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

TEST(BaseMessage, AssignedTextSortsIntoHeaderSeparatorAndBody) {
    TBaseMessage M;
    M.SetText("A: 1\r\nB: 2\r\n\r\nx\r\n\r\ny\r\n");
    EXPECT_EQ(Lines(M.Header()), "[A: 1][B: 2]");
    EXPECT_EQ(Lines(M.Body()), "[x][][y]");
    EXPECT_TRUE(M.HasSeparator());
    EXPECT_EQ(M.Count(), 6);
    EXPECT_EQ(M.Get(2), "");
    EXPECT_EQ(M.GetText(), "A: 1\r\nB: 2\r\n\r\nx\r\n\r\ny\r\n");

    M.SetText("A: 1\nB: 2");  // no empty line: all header
    EXPECT_FALSE(M.HasSeparator());
    EXPECT_EQ(M.Count(), 2);
    EXPECT_EQ(M.Body().GetCount(), 0);

    M.SetText("\rx\r\ry");  // leading empty line: empty header
    EXPECT_EQ(M.Header().GetCount(), 0);
    EXPECT_EQ(Lines(M.Body()), "[x][][y]");
    EXPECT_EQ(M.Get(0), "");
}

TEST(BaseMessage, BadIndexesRaiseAndLeaveTheMessageAlone) {
    TBaseMessage M;
    M.SetText("A: 1\r\n\r\nbody");
    const std::string Before = M.GetText();
    try {
        M.Get(7);
        FAIL() << "no exception";
    } catch (const BM_Exception& E) {
        EXPECT_STREQ(E.what(), "Out of Index range (7)");
    }
    EXPECT_THROW(M.Get(M.Count()), BM_Exception);
    EXPECT_THROW(M.Get(-1), BM_Exception);
    EXPECT_THROW(M.Delete(M.Count()), BM_Exception);
    EXPECT_THROW(M.Delete(-1), BM_Exception);
    EXPECT_THROW(M.Insert(M.Count() + 1, "z"), BM_Exception);
    EXPECT_EQ(M.GetText(), Before);

    M.Insert(M.Count(), "end");  // at Count: appended to the body
    EXPECT_EQ(M.Body().Get(1), "end");

    M.SetText("A: 1");
    EXPECT_THROW(M.Delete(1), BM_Exception);  // no separator to delete
}

TEST(BaseMessage, InsertAndDeleteKeepHeaderFreeOfEmptyLines) {
    TBaseMessage M;
    M.SetText("A: 1\r\nB: 2\r\n\r\nx");
    M.Insert(0, "");  // ignored: the header never holds an empty line
    EXPECT_EQ(M.Count(), 4);
    M.Insert(2, "C: 3");  // at H: last header line
    EXPECT_EQ(Lines(M.Header()), "[A: 1][B: 2][C: 3]");
    M.Insert(3, "");  // at H with a separator: first body line
    EXPECT_EQ(Lines(M.Body()), "[][x]");

    M.Delete(3);  // the separator while the body holds lines: nothing happens
    EXPECT_EQ(M.Count(), 6);
    M.Put(0, "Z: 9");
    EXPECT_EQ(M.Header().Get(0), "Z: 9");

    TBaseMessage S;
    S.SetText("\r\nonly");
    S.Delete(1);  // body and header now empty: the separator goes too
    EXPECT_EQ(S.Count(), 0);
    EXPECT_FALSE(S.HasSeparator());

    // A body filled directly still shows a separator before it.
    TBaseMessage D;
    D.Header().Add("A: 1");
    D.Body().Add("x");
    EXPECT_EQ(D.GetText(), "A: 1\r\n\r\nx\r\n");
}

TEST(BaseMessage, FieldNamesMatchWithoutCaseAndNeedColonSpace) {
    TBaseMessage M;
    M.SetText("SUBJECT: hi\r\nFrom:me\r\nTo : you\r\nX-Empty: \r\nFolded: a\r\n b\r\n\t  c\r\nNext: n");
    EXPECT_EQ(M.GetField("subject"), "hi");
    EXPECT_EQ(M.GetField("From"), "");
    EXPECT_EQ(M.GetField("To"), "");
    EXPECT_EQ(M.GetField("X-Empty"), "");
    EXPECT_EQ(M.GetField("Missing"), "");
    EXPECT_EQ(M.GetField("Folded"), "a b c");
    EXPECT_EQ(M.GetField("Next"), "n");
    // Only ASCII letters fold: other bytes compare exactly.
    M.Header().Add("\x82\xC0: sj");
    EXPECT_EQ(M.GetField("\x82\xC0"), "sj");
    EXPECT_EQ(M.GetField("\x82\xE0"), "");
}

TEST(BaseMessage, SetAndDeleteFieldTakeContinuationLines) {
    TBaseMessage M;
    M.SetText("Received: one\r\n  more\r\nSubject: old\r\n\tfold\r\nReceived: two\r\n\r\nbody");
    M.DeleteField("received");
    EXPECT_EQ(Lines(M.Header()), "[Subject: old][\tfold][Received: two]");
    M.SetField("Subject", "new");
    EXPECT_EQ(Lines(M.Header()), "[Received: two][Subject: new]");
    M.DeleteField("None");
    EXPECT_EQ(M.Header().GetCount(), 2);

    // A value cannot smuggle in a second header line.
    M.SetField("Subject", "a\r\nBcc: x@y");
    EXPECT_EQ(M.Header().Get(1), "Subject: a  Bcc: x@y");
    M.SaveToStrings(M.Body());
    EXPECT_EQ(M.Body().GetCount(), 5);
}

TEST(BaseMessage, DeletingAHugeFoldedFieldStaysLinear) {
    TBaseMessage M;
    M.Header().Add("X-Big: start");
    for (int i = 0; i < 200000; ++i) M.Header().Add(" continued");
    M.Header().Add("Subject: kept");
    const auto Start = std::chrono::steady_clock::now();
    M.DeleteField("X-Big");
    const auto Ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - Start)
            .count();
    EXPECT_EQ(Lines(M.Header()), "[Subject: kept]");
    EXPECT_LT(Ms, 2000);
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
    TBaseMessage L;
    L.LoadFromStrings(In);
    EXPECT_EQ(Lines(L.Header()), "[H: 1]");
    EXPECT_EQ(Lines(L.Body()), "[][b]");
    L.LoadFromStrings(L);  // from itself: the lines survive
    EXPECT_EQ(L.GetText(), "H: 1\r\n\r\n\r\nb\r\n");

    TBaseMessage Copy;
    Copy.Assign(M);
    EXPECT_EQ(Copy.GetText(), M.GetText());
    Copy.Assign(In);  // from a plain list: sorted by the insert rules
    EXPECT_EQ(Lines(Copy.Body()), "[][b]");
    Copy.Assign(Copy.Header());
    EXPECT_EQ(Lines(Copy.Header()), "[H: 1]");

    std::unique_ptr<TBaseMessage> Fresh = TINetMessage().NewInstance();
    EXPECT_NE(dynamic_cast<TINetMessage*>(Fresh.get()), nullptr);
    EXPECT_EQ(Fresh->Count(), 0);
}
