// Tests of the reply rules: recipients, subject, reply fields and the quoted body.
#include <gtest/gtest.h>

#include <memory>

#include "BaseMsg.h"
#include "Reply.h"
#include "cp932.h"

namespace {

std::unique_ptr<TINetMessage> Message(const std::string& Extra) {
    auto M = std::make_unique<TINetMessage>();
    M->SetText("From: \"Yamada, Taro\" <taro@example.jp>\r\n"
               "To: \"Suzuki, Hanako\" <hanako@example.jp>, me@example.test,\r\n"
               " Jiro <JIRO@example.jp>\r\n"
               "Cc: =?ISO-2022-JP?B?GyRCO3hPOhsoQg==?= <saburo@example.jp>, TARO@example.jp (again), ,\r\n"
               " Me <ME@Example.test>\r\n"
               "Message-ID: <m2@example.jp>\r\n" +
               Extra + "\r\nbody\r\n");
    return M;
}

TReplySource Source(const TINetMessage* Shown) {
    return {true,  "(2)\"Yamada, Taro\" <taro@example.jp>",          "RE: plans",
            Shown, {"Subject: RE: plans", "", SJ("了解です。"), ""}, SJ("私 <me@example.test>")};
}

TEST(Reply, ReplyAndReplyToAllFillTheSendPage) {
    const struct {
        bool ToAll;
        std::string Extra, References;
    } Cases[] = {
        {false, "References: <m0@example.jp> <m1@example.jp>\r\n",
         "<m0@example.jp> <m1@example.jp> <m2@example.jp>"},
        {true, "References: <m0@example.jp>\r\nIn-Reply-To: <m1@example.jp>\r\n",
         "<m0@example.jp> <m2@example.jp>"},
        {false, "In-Reply-To: <m1@example.jp>\r\n", "<m1@example.jp> <m2@example.jp>"},
        {true, "", "<m2@example.jp>"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Extra);
        const auto M = Message(C.Extra);
        TSendDraft D;
        D.CC = "old cc";
        D.Files = {"/tmp/old.bin"};
        EXPECT_TRUE(MakeReply(Source(M.get()), C.ToAll, D));
        // Everyone: the sender first, every To and Cc address cleaned, no
        // empty entries, no repeats, not the own address.
        EXPECT_EQ(D.To, C.ToAll ? "taro@example.jp,hanako@example.jp,JIRO@example.jp" : "taro@example.jp");
        EXPECT_EQ(D.CC, C.ToAll ? "saburo@example.jp" : "");
        EXPECT_EQ(D.Subject, "RE:RE: plans");  // the prefix goes on every time
        EXPECT_EQ(D.InReplyToId, "<m2@example.jp>");
        EXPECT_EQ(D.ReferencesText, C.References);
        EXPECT_EQ(D.Body, ">Subject: RE: plans\r\n>\r\n>" + SJ("了解です。") + "\r\n>");
        EXPECT_TRUE(D.Files.empty());
    }
}

TEST(Reply, WithoutASelectedRowOnlyToCcAndSubjectAreEmptied) {
    const auto M = Message("");
    TReplySource S = Source(M.get());
    S.RowSelected = false;
    TSendDraft D{"a@x", "b@x", "s", "kept", {"/tmp/kept.bin"}, "<kept@x>", ""};
    EXPECT_FALSE(MakeReply(S, true, D));
    EXPECT_EQ(D.To + D.CC + D.Subject, "");
    EXPECT_EQ(D.Body, "kept");
    EXPECT_EQ(D.Files.size(), 1u);
    EXPECT_EQ(D.InReplyToId, "<kept@x>");

    // A reply to all without a shown message answers the sender alone.
    EXPECT_TRUE(MakeReply(Source(nullptr), true, D));
    EXPECT_EQ(D.To, "taro@example.jp");
    EXPECT_EQ(D.CC, "");
    EXPECT_EQ(D.InReplyToId, "");
}

}  // namespace
