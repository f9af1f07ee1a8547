// Tests of the SMTP engine: the dialogue per reply, recipients, reply assembly, message text, linear cost.
#include <gtest/gtest.h>

#include "EngineHarness.h"

namespace {

const std::string Helo = "HELO client.example.test\r\nMAIL FROM:<me@example.test>\r\n";
const std::string Ready = "220 mx ready\r\n", Ok = "250 ok\r\n";

}  // namespace

TEST(SmtpEngine, RepliesDriveTheDelivery) {
    const auto None = TSecurity::None;
    RunSmtpDialogues({
        {"To, Cc and Bcc in field order; Bcc left out of the text; dot-stuffed", None, false, false,
         "From: \"Me Myself\" <me@example.test>\r\nTo: a@example.test, B <b@example.test>\r\n"
         "Cc: c@example.test\r\nBcc: d@example.test\r\nSubject: hi\r\n\r\n.\r\n.x\r\nplain\r\n",
         Reads(Ready, Ok, Ok, Ok, Ok, Ok, Ok, "354 go\r\n", "250 queued\r\n"),
         Helo + "RCPT TO:<a@example.test>\r\nRCPT TO:<b@example.test>\r\nRCPT TO:<c@example.test>\r\n"
                "RCPT TO:<d@example.test>\r\nDATA\r\n"
                "From: \"Me Myself\" <me@example.test>\r\nTo: a@example.test, B <b@example.test>\r\n"
                "Cc: c@example.test\r\nSubject: hi\r\n\r\n..\r\n..x\r\nplain\r\n.\r\n",
         NoError, true},
        {"empty recipient entries are skipped, the rest named", None, false, false,
         "To: a@example.test,, b@example.test\r\nCc: ,c@example.test\r\n\r\nx\r\n",
         Reads(Ready, Ok, Ok, Ok, Ok, Ok),
         Helo +
             "RCPT TO:<a@example.test>\r\nRCPT TO:<b@example.test>\r\nRCPT TO:<c@example.test>\r\nDATA\r\n",
         NoError, false},
        {"a refused recipient is passed over", None, false, false,
         "To: bad@example.test, good@example.test\r\nCc: cc@example.test\r\n\r\nx\r\n",
         Reads(Ready, Ok, Ok, "550 5.1.1 refused\r\n", Ok),
         Helo + "RCPT TO:<bad@example.test>\r\nRCPT TO:<good@example.test>\r\nRCPT TO:<cc@example.test>\r\n",
         NoError, false},
        {"no To accepted: RSET, Cc not tried", None, false, false,
         "To: bad@example.test\r\nCc: cc@example.test\r\n\r\nx\r\n",
         Reads(Ready, Ok, Ok, "550 no\r\n", "250 reset\r\n"), Helo + "RCPT TO:<bad@example.test>\r\nRSET\r\n",
         Fails(smtpRcpt, "\"To Addresses\" are not valid"), false},
        {"a multi-line reply is one reply", None, false, false, "To: a@example.test\r\n\r\nx\r\n",
         Reads("220-mx\r\n220-ready\r\n220 now\r\n", "250-first\r\n250-second\r\n250 last\r\n"), Helo,
         NoError, false},
    });
}

TEST(SmtpEngine, MessageWithoutToIsRefusedBeforeConnecting) {
    RecordingSmtp S;
    TStringList M;
    M.SetText("Subject: x\r\nTo: \r\n\r\nbody\r\n");
    EXPECT_FALSE(S.SendMessage(M));
    EXPECT_EQ(S.Opens, 0);
    EXPECT_TRUE(S.Sent.empty());
    EXPECT_TRUE(S.Errors.empty());
    // Without From the own address is used and written into the text.
    M.SetText("To: x@example.test\r\n\r\nbody\r\n");
    ASSERT_TRUE(S.SendMessage(M));
    EXPECT_EQ(S.FromAddress, "me@example.test");
    EXPECT_EQ(S.MessageText, "To: x@example.test\r\nFrom: me@example.test\r\n\r\nbody\r\n.\r\n");
}

TEST(SmtpEngine, MalformedRepliesAreRefusedOrWaitedOn) {
    RecordingSmtp S;
    TStringList M;
    M.SetText("To: a@example.test\r\n\r\nx\r\n");
    ASSERT_TRUE(S.SendMessage(M));
    S.Feed("220\r\n");  // code straight followed by CR LF
    ASSERT_EQ(S.Errors.size(), 1u);
    EXPECT_EQ(S.Errors[0], std::make_pair(smtpNone, std::string("220")));
    S.Feed("2\n0 x");  // a blank fourth, but an LF within the first four bytes
    EXPECT_EQ(S.Errors.size(), 2u);
    S.Feed("garbage\r\n");
    EXPECT_EQ(S.Errors.back(), std::make_pair(smtpNone, std::string("garbage")));
    S.Feed("\r\n\r\n\r\n");
    EXPECT_EQ(S.Errors.back().second, "no message");
    // A multi-line reply whose last line has no blank never completes.
    S.Feed("220-a\r\n220\r\n");
    EXPECT_EQ(S.ReceiveBuffer(), "220-a\r\n220\r\n");
    EXPECT_TRUE(S.Sent.empty());

    // Two replies in one read are one reply of two lines.
    RecordingSmtp Two;
    ASSERT_TRUE(Two.SendMessage(M));
    Two.Feed("220 a\r\n220 b\r\n");
    EXPECT_EQ(Two.Sent.size(), 1u);
}

TEST(SmtpEngine, QuitResetAndAbortEndInSmtpNone) {
    RecordingSmtp S;
    S.Quit();
    EXPECT_TRUE(S.Sent.empty());
    S.State = smtpReady;
    S.Reset();
    EXPECT_EQ(S.LastSent(), "RSET\r\n");
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
    const std::string Line = "250-" + std::string(200, 'x') + "\r\n";
    std::string Piece;
    while (Piece.size() < 16384) Piece += Line;
    Piece.resize(16384);
    S.DataArrived("250-");
    for (int I = 0; I < 2000; ++I) S.DataArrived(Piece);  // 32 MB
    S.DataArrived("\r\n250 end\r\n");
    EXPECT_TRUE(S.ReceiveBuffer().empty());
    EXPECT_LE(S.ScannedBytes(), 2000u * Piece.size() + 64);
}

TEST(SmtpEngine, ALineBreakInsideAMessageLineCannotEndTheText) {
    RecordingSmtp S;
    TStringList M;
    M.Add("To: a@example.test");
    M.Add("");
    M.Add("x\r\n.\r\nRCPT TO:<evil@example.test>");
    ASSERT_TRUE(S.SendMessage(M));
    EXPECT_EQ(S.MessageText.substr(S.MessageText.find("\r\n\r\n") + 4),
              "x\r\n..\r\nRCPT TO:<evil@example.test>\r\n.\r\n");
}
