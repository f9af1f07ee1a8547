// Tests of the SMTP engine: the dialogue per reply, with STARTTLS and sign-in; recipients, reply assembly,
// message text, linear cost; nothing secret before the protection chosen, no plain fallback, nothing
// taken between a TLS go-ahead and the handshake.
#include <gtest/gtest.h>

#include "EngineHarness.h"

namespace {

const std::string Ready = "220 mx ready\r\n", Ok = "250 ok\r\n", Authed = "235 2.7.0 ok\r\n";
const std::string Helo = "HELO client.example.test\r\n", EhloLine = "EHLO client.example.test\r\n";
const std::string Mail = "MAIL FROM:<me@example.test>\r\n";
const std::string Message = "From: me@example.test\r\nTo: a@example.test\r\n\r\nbody\r\n";
// RFC 2195's example: user tim, password tanstaaftanstaaf, this challenge.
const std::string CramChallenge = "334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+\r\n";
const std::string CramAnswer = "dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw\r\n";
const std::string Plain = "AUTH PLAIN AHRpbQB0YW5zdGFhZnRhbnN0YWFm\r\n";

// An EHLO reply listing the extensions, separated by "|".
std::string Ehlo(const std::string& Extensions) {
    std::string R = "250-mx.example.test\r\n250-";
    for (char C : Extensions) C == '|' ? R += "\r\n250-" : R += C;
    return R + "\r\n250 8BITMIME\r\n";
}

}  // namespace

TEST(SmtpEngine, RepliesDriveTheDelivery) {
    const auto None = TSecurity::None, StartTls = TSecurity::StartTls, Tls = TSecurity::Tls;
    RunSmtpDialogues({
        {"To, Cc and Bcc in field order; Bcc left out of the text; dot-stuffed", None, false, false,
         "From: \"Me Myself\" <me@example.test>\r\nTo: a@example.test, B <b@example.test>\r\n"
         "Cc: c@example.test\r\nBcc: d@example.test\r\nSubject: hi\r\n\r\n.\r\n.x\r\nplain\r\n",
         Replies{Ready, Ok, Ok, Ok, Ok, Ok, Ok, "354 go\r\n", "250 queued\r\n"},
         Helo + Mail +
             "RCPT TO:<a@example.test>\r\nRCPT TO:<b@example.test>\r\nRCPT TO:<c@example.test>\r\n"
             "RCPT TO:<d@example.test>\r\nDATA\r\n"
             "From: \"Me Myself\" <me@example.test>\r\nTo: a@example.test, B <b@example.test>\r\n"
             "Cc: c@example.test\r\nSubject: hi\r\n\r\n..\r\n..x\r\nplain\r\n.\r\n",
         SmtpErrors{}, true},
        {"empty recipient entries are skipped, the rest named", None, false, false,
         "To: a@example.test,, b@example.test\r\nCc: ,c@example.test\r\n\r\nx\r\n",
         Replies{Ready, Ok, Ok, Ok, Ok, Ok},
         Helo + Mail +
             "RCPT TO:<a@example.test>\r\nRCPT TO:<b@example.test>\r\nRCPT TO:<c@example.test>\r\nDATA\r\n",
         SmtpErrors{}, false},
        {"a refused recipient is passed over", None, false, false,
         "To: bad@example.test, good@example.test\r\nCc: cc@example.test\r\n\r\nx\r\n",
         Replies{Ready, Ok, Ok, "550 5.1.1 refused\r\n", Ok},
         Helo + Mail +
             "RCPT TO:<bad@example.test>\r\nRCPT TO:<good@example.test>\r\nRCPT TO:<cc@example.test>\r\n",
         SmtpErrors{}, false},
        {"no To accepted: RSET, Cc not tried", None, false, false,
         "To: bad@example.test\r\nCc: cc@example.test\r\n\r\nx\r\n",
         Replies{Ready, Ok, Ok, "550 no\r\n", "250 reset\r\n"},
         Helo + Mail + "RCPT TO:<bad@example.test>\r\nRSET\r\n",
         SmtpErrors{{smtpRcpt, "\"To Addresses\" are not valid"}}, false},
        {"a multi-line reply is one reply", None, false, false, "To: a@example.test\r\n\r\nx\r\n",
         Replies{"220-mx\r\n220-ready\r\n220 now\r\n", "250-first\r\n250-second\r\n250 last\r\n"},
         Helo + Mail, SmtpErrors{}, false},
        {"STARTTLS, then the mechanism that the capabilities after TLS offer, then the message", StartTls,
         false, true, Message,
         Replies{Ready, Ehlo("PIPELINING|STARTTLS|AUTH CRAM-MD5"), "220 2.0.0 Ready\r\n250 injected\r\n",
                 "235 injected too\r\n", Handshake, Ehlo("AUTH PLAIN LOGIN"), Authed, Ok, Ok, "354 go\r\n",
                 "250 queued\r\n"},
         EhloLine + "STARTTLS\r\n" + EhloLine + Plain + Mail + "RCPT TO:<a@example.test>\r\nDATA\r\n" +
             Message + ".\r\n",
         SmtpErrors{}, true},
        {"PLAIN inside TLS", Tls, true, true, Message, Replies{Ready, Ehlo("AUTH LOGIN PLAIN"), Authed},
         EhloLine + Plain + Mail, SmtpErrors{}, false},
        {"LOGIN inside TLS", Tls, true, true, Message,
         Replies{Ready, Ehlo("AUTH=LOGIN"), "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n", Authed},
         EhloLine + "AUTH LOGIN\r\ndGlt\r\ndGFuc3RhYWZ0YW5zdGFhZg==\r\n" + Mail, SmtpErrors{}, false},
        {"CRAM-MD5 on a plain connection", None, false, true, Message,
         Replies{Ready, Ehlo("AUTH LOGIN CRAM-MD5"), CramChallenge, Authed},
         EhloLine + "AUTH CRAM-MD5\r\n" + CramAnswer + Mail, SmtpErrors{}, false},
        {"TLS without sign-in: EHLO, then MAIL", Tls, true, false, Message,
         Replies{Ready, Ehlo("AUTH PLAIN")}, EhloLine + Mail, SmtpErrors{}, false},
    });
}

// STARTTLS not offered, PLAIN and LOGIN only on a plain connection and a refused sign-in are
// the send flow's cases, through the same client.
TEST(SmtpEngineTls, FailuresStopBeforeAnythingSecret) {
    const auto StartTls = TSecurity::StartTls, Tls = TSecurity::Tls;
    RunSmtpDialogues({
        {"STARTTLS refused", StartTls, false, true, Message,
         Replies{Ready, Ehlo("STARTTLS"), "454 4.7.0 TLS not available\r\n"}, EhloLine + "STARTTLS\r\n",
         SmtpErrors{{smtpStartTls, "454 4.7.0 TLS not available"}}, false},
        {"TLS chosen, connection plain", Tls, false, true, Message,
         Replies{Ready, Ehlo("STARTTLS|AUTH CRAM-MD5")}, EhloLine, SmtpErrors{{smtpStartTls, SmtpNoStartTls}},
         false},
        {"EHLO refused", Tls, true, true, Message, Replies{Ready, "502 5.5.2 not recognized\r\n"}, EhloLine,
         SmtpErrors{{smtpEhlo, "502 5.5.2 not recognized"}}, false},
        {"no AUTH at all", Tls, true, true, Message, Replies{Ready, Ehlo("SIZE 1000")}, EhloLine,
         SmtpErrors{{smtpAuth, SmtpNoAuthMechanism}}, false},
        {"a challenge after the password", Tls, true, true, Message,
         Replies{Ready, Ehlo("AUTH PLAIN"), "334 more?\r\n"}, EhloLine + Plain,
         SmtpErrors{{smtpAuthPass, "334 more?"}}, false},
    });
}

TEST(SmtpEngine, MessageTextIsCheckedAndCannotEndEarly) {
    RecordingSmtp S;
    TStringList M;
    M.SetText("Subject: x\r\nTo: \r\n\r\nbody\r\n");  // without To: refused before connecting
    EXPECT_FALSE(S.SendMessage(M));
    EXPECT_EQ(S.Opens, 0);
    EXPECT_TRUE(S.Wire.empty());
    EXPECT_TRUE(S.Errors.empty());
    // Without From the own address is used and written into the text.
    M.SetText("To: x@example.test\r\n\r\nbody\r\n");
    ASSERT_TRUE(S.SendMessage(M));
    EXPECT_EQ(S.FromAddress, "me@example.test");
    EXPECT_EQ(S.MessageText, "To: x@example.test\r\nFrom: me@example.test\r\n\r\nbody\r\n.\r\n");
    // A line break inside a line of the list is stuffed like any line start.
    RecordingSmtp Evil;
    M.Clear();
    M.Add("To: a@example.test");
    M.Add("");
    M.Add("x\r\n.\r\nRCPT TO:<evil@example.test>");
    ASSERT_TRUE(Evil.SendMessage(M));
    EXPECT_EQ(Evil.MessageText.substr(Evil.MessageText.find("\r\n\r\n") + 4),
              "x\r\n..\r\nRCPT TO:<evil@example.test>\r\n.\r\n");
}

TEST(SmtpEngine, MalformedRepliesAreRefusedOrWaitedOn) {
    RecordingSmtp S;
    TStringList M;
    M.SetText("To: a@example.test\r\n\r\nx\r\n");
    ASSERT_TRUE(S.SendMessage(M));
    S.Feed("220\r\n");  // code straight followed by CR LF
    EXPECT_EQ(S.Errors, (SmtpErrors{{smtpNone, "220"}}));
    S.Feed("2\n0 x");  // a blank fourth, but an LF within the first four bytes
    EXPECT_EQ(S.Errors.size(), 2u);
    S.Feed("garbage\r\n");
    EXPECT_EQ(S.Errors.back(), std::make_pair(smtpNone, std::string("garbage")));
    S.Feed("\r\n\r\n\r\n");
    EXPECT_EQ(S.Errors.back().second, "no message");
    // A multi-line reply whose last line has no blank never completes.
    S.Feed("220-a\r\n220\r\n");
    EXPECT_EQ(S.ReceiveBuffer(), "220-a\r\n220\r\n");
    EXPECT_TRUE(S.Wire.empty());

    // Two replies in one read are one reply of two lines.
    RecordingSmtp Two;
    ASSERT_TRUE(Two.SendMessage(M));
    Two.Feed("220 a\r\n220 b\r\n");
    EXPECT_EQ(Two.Sends, 1);
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
