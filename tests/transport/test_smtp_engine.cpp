// Tests of the SMTP engine: message preparation, dialogue, recipients, reply assembly, linear cost.
#include <gtest/gtest.h>

#include "EngineHarness.h"

namespace {

void Load(TStringList& L, const std::string& Text) { L.SetText(Text); }

// Answers the greeting, HELO and MAIL.
void Greet(RecordingSmtp& S) {
    S.Feed("220 mx ready\r\n");
    S.Feed("250 hello\r\n");
    S.Feed("250 sender ok\r\n");
}

}  // namespace

TEST(SmtpEngine, DeliversToCcAndBccInFieldOrderWithDotStuffing) {
    RecordingSmtp S;
    TStringList M;
    Load(M, "From: \"Me Myself\" <me@example.test>\r\nTo: a@example.test, B <b@example.test>\r\n"
            "Cc: c@example.test\r\nBcc: d@example.test\r\nSubject: hi\r\n\r\n.\r\n.x\r\nplain\r\n");
    ASSERT_TRUE(S.SendMessage(M));
    EXPECT_EQ(S.Opens, 1);
    Greet(S);
    EXPECT_EQ(S.Sent[0], "HELO client.example.test\r\n");
    EXPECT_EQ(S.Sent[1], "MAIL FROM:<me@example.test>\r\n");
    for (const char* R : {"250 a ok\r\n", "250 b ok\r\n", "250 c ok\r\n", "250 d ok\r\n"}) S.Feed(R);
    ASSERT_EQ(S.Sent.size(), 7u);
    EXPECT_EQ(S.Sent[2], "RCPT TO:<a@example.test>\r\n");
    EXPECT_EQ(S.Sent[3], "RCPT TO:<b@example.test>\r\n");
    EXPECT_EQ(S.Sent[4], "RCPT TO:<c@example.test>\r\n");
    EXPECT_EQ(S.Sent[5], "RCPT TO:<d@example.test>\r\n");
    EXPECT_EQ(S.Sent[6], "DATA\r\n");
    ASSERT_EQ(S.Accepted.Count(), 4);
    EXPECT_EQ(S.Accepted[0], "250 a ok");
    S.Feed("354 go\r\n");
    EXPECT_EQ(S.State, smtpText);
    const std::string Text = S.LastSent();
    EXPECT_EQ(Text.find("Bcc"), std::string::npos);
    EXPECT_NE(Text.find("\r\n\r\n..\r\n..x\r\nplain\r\n.\r\n"), std::string::npos);
    EXPECT_EQ(Text.substr(Text.size() - 3), ".\r\n");
    S.Feed("250 queued\r\n");
    EXPECT_EQ(S.SendComps, 1);
    EXPECT_EQ(S.State, smtpReady);
    // A second message on the same connection starts with MAIL at once.
    ASSERT_TRUE(S.SendMessage(M));
    EXPECT_EQ(S.LastSent(), "MAIL FROM:<me@example.test>\r\n");
}

TEST(SmtpEngine, MessageWithoutToIsRefusedBeforeConnecting) {
    RecordingSmtp S;
    TStringList M;
    Load(M, "Subject: x\r\nTo: \r\n\r\nbody\r\n");
    EXPECT_FALSE(S.SendMessage(M));
    EXPECT_EQ(S.Opens, 0);
    EXPECT_TRUE(S.Sent.empty());
    EXPECT_TRUE(S.Errors.empty());
    // Without From the own address is used and written into the text.
    Load(M, "To: x@example.test\r\n\r\nbody\r\n");
    ASSERT_TRUE(S.SendMessage(M));
    EXPECT_EQ(S.FromAddress, "me@example.test");
    EXPECT_NE(S.MessageText.find("From: me@example.test\r\n"), std::string::npos);
}

TEST(SmtpEngine, EmptyRecipientEntriesAreSkippedNotTheRestDropped) {
    RecordingSmtp S;
    TStringList M;
    Load(M, "To: a@example.test,, b@example.test\r\nCc: ,c@example.test\r\n\r\nx\r\n");
    ASSERT_TRUE(S.SendMessage(M));
    Greet(S);
    S.Feed("250 ok\r\n");
    S.Feed("250 ok\r\n");
    S.Feed("250 ok\r\n");
    ASSERT_EQ(S.Sent.size(), 6u);
    EXPECT_EQ(S.Sent[2], "RCPT TO:<a@example.test>\r\n");
    EXPECT_EQ(S.Sent[3], "RCPT TO:<b@example.test>\r\n");
    EXPECT_EQ(S.Sent[4], "RCPT TO:<c@example.test>\r\n");
    EXPECT_EQ(S.Sent[5], "DATA\r\n");
}

TEST(SmtpEngine, RefusedRecipientsAreCollectedAndNoAcceptedToResets) {
    RecordingSmtp S;
    TStringList M;
    Load(M, "To: bad@example.test, good@example.test\r\nCc: cc@example.test\r\n\r\nx\r\n");
    ASSERT_TRUE(S.SendMessage(M));
    Greet(S);
    S.Feed("550 5.1.1 refused\r\n");
    S.Feed("250 ok\r\n");
    EXPECT_EQ(S.LastSent(), "RCPT TO:<cc@example.test>\r\n");
    ASSERT_EQ(S.Rejected.Count(), 1);
    EXPECT_EQ(S.Rejected[0], "550 5.1.1 refused");
    EXPECT_TRUE(S.Errors.empty());

    RecordingSmtp T;
    ASSERT_TRUE(T.SendMessage(M));
    Greet(T);
    T.Feed("550 no\r\n");
    T.Feed("551 no\r\n");
    EXPECT_EQ(T.LastSent(), "RSET\r\n");  // Cc is not tried
    T.Feed("250 reset\r\n");
    ASSERT_EQ(T.Errors.size(), 1u);
    EXPECT_EQ(T.Errors[0], std::make_pair(smtpRcpt, std::string("\"To Addresses\" are not valid")));
    EXPECT_EQ(T.State, smtpReady);
}

TEST(SmtpEngine, RepliesAreAssembledFromPiecesAndMultiLineReplies) {
    RecordingSmtp S;
    TStringList M;
    Load(M, "To: a@example.test\r\n\r\nx\r\n");
    ASSERT_TRUE(S.SendMessage(M));
    S.Feed("22");
    S.Feed("0 ready\r");
    EXPECT_TRUE(S.Sent.empty());
    S.Feed("\n");
    EXPECT_EQ(S.LastSent(), "HELO client.example.test\r\n");
    S.Feed("250-first\r\n250-second\r\n", 1);
    EXPECT_EQ(S.Sent.size(), 1u);
    S.Feed("250 last\r\n", 2);
    ASSERT_EQ(S.Sent.size(), 2u);
    EXPECT_EQ(S.ReplyCode, 250);
    EXPECT_EQ(S.LastSent(), "MAIL FROM:<me@example.test>\r\n");

    // Two replies in one read are one reply of two lines.
    RecordingSmtp Two;
    ASSERT_TRUE(Two.SendMessage(M));
    Two.Feed("220 a\r\n220 b\r\n");
    EXPECT_EQ(Two.Sent.size(), 1u);
}

TEST(SmtpEngine, MalformedRepliesAreRefusedOrWaitedOn) {
    RecordingSmtp S;
    TStringList M;
    Load(M, "To: a@example.test\r\n\r\nx\r\n");
    ASSERT_TRUE(S.SendMessage(M));
    S.Feed("220\r\n");  // code straight followed by CR LF
    ASSERT_EQ(S.Errors.size(), 1u);
    EXPECT_EQ(S.Errors[0], std::make_pair(smtpNone, std::string("220")));
    S.Feed("2\n0 x");  // a blank fourth, but an LF within the first four bytes
    EXPECT_EQ(S.Errors.size(), 2u);
    S.Feed("garbage\r\n");
    EXPECT_EQ(S.Errors.back(), std::make_pair(smtpNone, std::string("garbage")));
    EXPECT_EQ(S.ReplyCode, 0);
    S.Feed("\r\n\r\n\r\n");
    EXPECT_EQ(S.Errors.back().second, "no message");
    // A multi-line reply whose last line has no blank never completes.
    S.Feed("220-a\r\n220\r\n");
    EXPECT_EQ(S.ReceiveBuffer(), "220-a\r\n220\r\n");
    EXPECT_EQ(S.State, smtpNone);
}

TEST(SmtpEngine, QuitResetAndAbort) {
    RecordingSmtp S;
    S.Quit();
    EXPECT_TRUE(S.Sent.empty());
    S.State = smtpReady;
    S.Reset();
    EXPECT_EQ(S.LastSent(), "RSET\r\n");
    S.Feed("250 ok\r\n");
    EXPECT_EQ(S.Errors.back(), std::make_pair(smtpRcpt, std::string("\"To Addresses\" are not valid")));
    S.Quit();
    S.Feed("221 bye\r\n");
    EXPECT_EQ(S.State, smtpNone);
    EXPECT_EQ(S.Closes, 1);
    S.State = smtpData;
    S.Abort();
    EXPECT_EQ(S.State, smtpNone);
    EXPECT_EQ(S.Closes, 2);
}

TEST(SmtpEngine, LongRepliesInPiecesAreScannedOnce) {
    RecordingSmtp S;
    S.State = smtpReady;
    std::string Line = "250-" + std::string(200, 'x') + "\r\n";
    std::string Piece;
    while (Piece.size() < 16384) Piece += Line;
    Piece.resize(16384);
    size_t Total = 0;
    S.DataArrived("250-");
    for (int I = 0; I < 2000; ++I, Total += Piece.size()) S.DataArrived(Piece);  // 32 MB
    S.DataArrived("\r\n250 end\r\n");
    EXPECT_TRUE(S.ReceiveBuffer().empty());
    EXPECT_LE(S.ScannedBytes(), Total + 64);
    // Embedded line breaks in message lines each end a line of their own.
    RecordingSmtp T;
    TStringList M;
    M.Add("To: a@example.test");
    M.Add("");
    M.Add("x\r\n.\r\nRCPT TO:<evil@example.test>");
    ASSERT_TRUE(T.SendMessage(M));
    EXPECT_EQ(T.MessageText.substr(T.MessageText.find("\r\n\r\n") + 4),
              "x\r\n..\r\nRCPT TO:<evil@example.test>\r\n.\r\n");
}
