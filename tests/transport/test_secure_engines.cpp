// Tests of the engines' secure-connection states: CAPA and STLS, EHLO, STARTTLS and AUTH, each reply also one byte per read.
#include <gtest/gtest.h>

#include "CrMD5.h"
#include "EngineHarness.h"

namespace {

const std::string PopGreeting = "+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n";
const std::string CapaWithStls = "+OK Capability list follows\r\nTOP\r\nuser\r\nstls\r\nSASL PLAIN\r\n.\r\n";

// RFC 2195's example: user tim, password tanstaaftanstaaf, this challenge.
const std::string CramChallenge = "334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+\r\n";
const std::string CramAnswer = "dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw\r\n";

std::string Ehlo(const std::string& Extensions) {
    std::string R = "250-mx.example.test\r\n";
    size_t Start = 0;
    while (Start < Extensions.size()) {
        size_t End = Extensions.find('|', Start);
        if (End == std::string::npos) End = Extensions.size();
        R += "250-" + Extensions.substr(Start, End - Start) + "\r\n";
        Start = End + 1;
    }
    return R + "250 8BITMIME\r\n";
}

bool SentAny(const std::vector<std::string>& Sent, const std::string& Needle) {
    for (const std::string& S : Sent)
        if (S.find(Needle) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST(Hmac, RfcVectorsAndLongKeys) {
    EXPECT_EQ(HmacMd5Hex(std::string(16, '\x0b'), "Hi There"), "9294727a3638bb1c13f48ef8158bfc9d");
    EXPECT_EQ(HmacMd5Hex("Jefe", "what do ya want for nothing?"), "750c783e6ab0b503eaa86e310a5db738");
    EXPECT_EQ(HmacMd5Hex("tanstaaftanstaaf", "<1896.697170952@postoffice.reston.mci.net>"),
              "b913a602c7eda7a495b4e6e7334d3890");
    EXPECT_EQ(HmacMd5Hex(std::string(100, 'k'), "x"), "2917e317832330baa72b773a7941a286");
}

TEST(PopEngineTls, CapaStlsThenLoginInsideTls) {
    for (size_t Piece : {0u, 1u})
        for (bool Apop : {false, true}) {
            SCOPED_TRACE(std::to_string(Piece) + (Apop ? " apop" : " user"));
            RecordingPop P;
            P.Security = TSecurity::StartTls;
            P.APop = Apop;
            P.User = "mrose";
            P.Password = "tanstaaf";
            P.Feed(PopGreeting, Piece);
            ASSERT_EQ(P.Sent, std::vector<std::string>{"CAPA\r\n"});
            EXPECT_EQ(P.State, popCapa);
            P.Feed(CapaWithStls, Piece);
            EXPECT_EQ(P.Capabilities, (std::vector<std::string>{"TOP", "USER", "STLS", "SASL"}));
            EXPECT_EQ(P.LastSent(), "STLS\r\n");
            // Whatever follows the +OK before the handshake is nobody's reply.
            P.Feed("+OK Begin TLS\r\n-ERR injected\r\n", Piece);
            P.Feed("+OK injected too\r\n", Piece);
            EXPECT_EQ(P.TlsStarts, 1);
            EXPECT_EQ(P.Sent.size(), 2u);
            EXPECT_TRUE(P.Events.empty());
            P.TlsStarted();
            EXPECT_TRUE(P.Capabilities.empty());
            // APOP still digests the greeting's timestamp.
            EXPECT_EQ(P.LastSent(),
                      Apop ? "APop mrose c4c9334bac560ecc979e58001b3e22fb\r\n" : "USER mrose\r\n");
            if (!Apop) {
                P.Feed("+OK\r\n", Piece);
                EXPECT_EQ(P.LastSent(), "PASS tanstaaf\r\n");
            }
            P.Feed("+OK\r\n", Piece);
            P.Feed("+OK\r\n1 10\r\n.\r\n", Piece);
            ASSERT_EQ(P.Events.size(), 1u);
            EXPECT_EQ(P.Events[0], std::make_pair(true, popList));
            P.TlsStarted();  // once only
            EXPECT_EQ(P.Sent.size(), Apop ? 4u : 5u);
        }
}

TEST(PopEngineTls, NoStlsMeansAnErrorAndNoLogin) {
    const struct {
        const char* Name;
        std::string Capa;  // reply to CAPA
        std::string Stls;  // reply to STLS, when sent
        TPopState Failed;
    } Cases[] = {
        {"CAPA refused", "-ERR unknown command\r\n", "", popCapa},
        {"STLS not listed", "+OK\r\nUSER\r\nTOP\r\n.\r\n", "", popCapa},
        {"STLS only as a longer word", "+OK\r\nSTLSX\r\n X STLS\r\n.\r\n", "", popCapa},
        {"endless listing", "+OK\r\n" + std::string(70000, 'A') + "\r\n", "", popCapa},
        {"STLS refused", CapaWithStls, "-ERR TLS not available\r\n", popStls},
    };
    for (const auto& C : Cases)
        for (size_t Piece : {0u, 1u}) {
            SCOPED_TRACE(std::string(C.Name) + " " + std::to_string(Piece));
            RecordingPop P;
            P.Security = TSecurity::StartTls;
            P.User = "u";
            P.Password = "secret";
            P.Feed(PopGreeting, Piece);
            P.Feed(C.Capa, Piece);
            if (!C.Stls.empty()) P.Feed(C.Stls, Piece);
            ASSERT_EQ(P.Events.size(), 1u);
            EXPECT_EQ(P.Events[0], std::make_pair(false, C.Failed));
            EXPECT_EQ(P.State, popReady);
            EXPECT_EQ(P.TlsStarts, 0);
            EXPECT_FALSE(SentAny(P.Sent, "USER") || SentAny(P.Sent, "secret") || SentAny(P.Sent, "APop"));
        }
}

TEST(PopEngineTls, TlsFromTheFirstByteLogsInAtOnce) {
    RecordingPop P;
    P.Security = TSecurity::Tls;
    P.User = "u";
    P.Feed(PopGreeting);
    EXPECT_EQ(P.Sent, std::vector<std::string>{"USER u\r\n"});
}

TEST(SmtpEngineTls, StartTlsThenCramMd5SignInThenTheMessage) {
    for (size_t Piece : {0u, 1u}) {
        SCOPED_TRACE(Piece);
        RecordingSmtp S;
        S.Security = TSecurity::StartTls;
        S.SignIn = true;
        S.AuthUser = "tim";
        S.AuthPassword = "tanstaaftanstaaf";
        TStringList M;
        M.SetText("To: a@example.test\r\nSubject: x\r\n\r\nbody\r\n");
        ASSERT_TRUE(S.SendMessage(M));
        S.Feed("220 mx ESMTP\r\n", Piece);
        EXPECT_EQ(S.LastSent(), "EHLO client.example.test\r\n");
        S.Feed(Ehlo("PIPELINING|STARTTLS|ENHANCEDSTATUSCODES"), Piece);
        EXPECT_TRUE(S.Capabilities.StartTls);
        EXPECT_EQ(S.LastSent(), "STARTTLS\r\n");
        S.Feed("220 2.0.0 Ready to start TLS\r\n250 injected\r\n", Piece);
        S.Feed("235 injected too\r\n", Piece);
        EXPECT_EQ(S.TlsStarts, 1);
        EXPECT_EQ(S.Sent.size(), 2u);
        S.Encrypted = true;
        S.TlsStarted();
        EXPECT_FALSE(S.Capabilities.StartTls);
        EXPECT_EQ(S.LastSent(), "EHLO client.example.test\r\n");
        S.Feed(Ehlo("AUTH PLAIN LOGIN CRAM-MD5"), Piece);
        EXPECT_EQ(S.Capabilities.AuthMechanisms, (std::vector<std::string>{"PLAIN", "LOGIN", "CRAM-MD5"}));
        EXPECT_EQ(S.LastSent(), "AUTH CRAM-MD5\r\n");
        EXPECT_EQ(S.State, smtpAuth);
        S.Feed(CramChallenge, Piece);
        EXPECT_EQ(S.LastSent(), CramAnswer);
        EXPECT_EQ(S.State, smtpAuthPass);
        S.Feed("235 2.7.0 Authentication successful\r\n", Piece);
        EXPECT_EQ(S.LastSent(), "MAIL FROM:<me@example.test>\r\n");
        for (const char* Reply : {"250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 queued\r\n"})
            S.Feed(Reply, Piece);
        EXPECT_EQ(S.SendComps, 1);
        EXPECT_TRUE(S.Errors.empty());
        // A second message on the same connection neither greets nor signs in again.
        const size_t Before = S.Sent.size();
        ASSERT_TRUE(S.SendMessage(M));
        EXPECT_EQ(S.Sent[Before], "MAIL FROM:<me@example.test>\r\n");
    }
}

TEST(SmtpEngineTls, BestMechanismAndItsSteps) {
    const struct {
        const char* Extensions;
        bool Encrypted;
        std::vector<std::pair<std::string, std::string>> Steps;  // sent line, then the reply to it
    } Cases[] = {
        {"AUTH PLAIN LOGIN CRAM-MD5", true, {{"AUTH CRAM-MD5", CramChallenge}, {CramAnswer, "235 ok\r\n"}}},
        {"AUTH LOGIN PLAIN", true, {{"AUTH PLAIN AHRpbQB0YW5zdGFhZnRhbnN0YWFm", "235 ok\r\n"}}},
        {"AUTH=LOGIN",
         true,
         {{"AUTH LOGIN", "334 VXNlcm5hbWU6\r\n"},
          {"dGlt", "334 UGFzc3dvcmQ6\r\n"},
          {"dGFuc3RhYWZ0YW5zdGFhZg==", "235 ok\r\n"}}},
        {"AUTH LOGIN CRAM-MD5", false, {{"AUTH CRAM-MD5", CramChallenge}, {CramAnswer, "235 ok\r\n"}}},
    };
    for (const auto& C : Cases)
        for (size_t Piece : {0u, 1u}) {
            SCOPED_TRACE(std::string(C.Extensions) + " " + std::to_string(Piece));
            RecordingSmtp S;
            S.Security = C.Encrypted ? TSecurity::Tls : TSecurity::None;
            S.Encrypted = C.Encrypted;
            S.SignIn = true;
            S.AuthUser = "tim";
            S.AuthPassword = "tanstaaftanstaaf";
            S.State = smtpNone;
            S.Feed("220 mx\r\n", Piece);
            S.Feed(Ehlo(C.Extensions), Piece);
            for (const auto& [Line, Reply] : C.Steps) {
                EXPECT_EQ(S.LastSent(), Line.back() == '\n' ? Line : Line + "\r\n");
                S.Feed(Reply, Piece);
            }
            EXPECT_EQ(S.LastSent(), "MAIL FROM:<>\r\n");
            EXPECT_TRUE(S.Errors.empty());
        }
}

TEST(SmtpEngineTls, FailuresStopBeforeAnythingSecretAndKeepTheState) {
    const struct {
        const char* Name;
        TSecurity Security;
        bool Encrypted;
        std::vector<std::string> Replies;  // after the greeting
        std::pair<TSMTPState, std::string> Error;
    } Cases[] = {
        {"STARTTLS not offered",
         TSecurity::StartTls,
         false,
         {Ehlo("AUTH PLAIN LOGIN")},
         {smtpStartTls, SmtpNoStartTls}},
        {"STARTTLS refused",
         TSecurity::StartTls,
         false,
         {Ehlo("STARTTLS"), "454 4.7.0 TLS not available\r\n"},
         {smtpStartTls, "454 4.7.0 TLS not available"}},
        {"TLS chosen, connection plain",
         TSecurity::Tls,
         false,
         {Ehlo("STARTTLS|AUTH CRAM-MD5")},
         {smtpStartTls, SmtpNoStartTls}},
        {"EHLO refused",
         TSecurity::Tls,
         true,
         {"502 5.5.2 Error: command not recognized\r\n"},
         {smtpEhlo, "502 5.5.2 Error: command not recognized"}},
        {"plain text offers PLAIN and LOGIN only",
         TSecurity::None,
         false,
         {Ehlo("AUTH PLAIN LOGIN")},
         {smtpAuth, SmtpNoAuthMechanism}},
        {"no AUTH at all", TSecurity::Tls, true, {Ehlo("SIZE 1000")}, {smtpAuth, SmtpNoAuthMechanism}},
        {"sign-in refused",
         TSecurity::Tls,
         true,
         {Ehlo("AUTH CRAM-MD5"), CramChallenge, "535 5.7.8 Error: authentication failed\r\n"},
         {smtpAuthPass, "535 5.7.8 Error: authentication failed"}},
        {"PLAIN refused at once",
         TSecurity::Tls,
         true,
         {Ehlo("AUTH PLAIN"), "535 5.7.8 failed\r\n"},
         {smtpAuthPass, "535 5.7.8 failed"}},
        {"a challenge after the password",
         TSecurity::Tls,
         true,
         {Ehlo("AUTH PLAIN"), "334 more?\r\n"},
         {smtpAuthPass, "334 more?"}},
    };
    for (const auto& C : Cases)
        for (size_t Piece : {0u, 1u}) {
            SCOPED_TRACE(std::string(C.Name) + " " + std::to_string(Piece));
            RecordingSmtp S;
            S.Security = C.Security;
            S.Encrypted = C.Encrypted;
            S.SignIn = true;
            S.AuthUser = "tim";
            S.AuthPassword = "tanstaaftanstaaf";
            TStringList M;
            M.SetText("To: a@example.test\r\n\r\nbody\r\n");
            ASSERT_TRUE(S.SendMessage(M));
            S.Feed("220 mx\r\n", Piece);
            for (const std::string& R : C.Replies) S.Feed(R, Piece);
            ASSERT_EQ(S.Errors.size(), 1u);
            EXPECT_EQ(S.Errors[0], C.Error);
            EXPECT_EQ(S.TlsStarts, 0);
            EXPECT_FALSE(SentAny(S.Sent, "MAIL"));
            // Before a usable mechanism inside the chosen protection, no AUTH at all.
            if (C.Error.first != smtpAuthPass) {
                EXPECT_FALSE(SentAny(S.Sent, "AUTH"));
            }
            // Like a refused command: no further message until reset.
            EXPECT_NE(S.State, smtpReady);
            EXPECT_FALSE(S.SendMessage(M));
        }
}

TEST(SmtpEngineTls, HeloStaysWithoutTlsAndSignIn) {
    RecordingSmtp S;
    S.State = smtpNone;
    S.Feed("220 mx\r\n");
    EXPECT_EQ(S.LastSent(), "HELO client.example.test\r\n");
    RecordingSmtp T;  // TLS from the first byte, no sign-in: EHLO, then MAIL
    T.Security = TSecurity::Tls;
    T.Encrypted = true;
    T.Feed("220 mx\r\n");
    EXPECT_EQ(T.LastSent(), "EHLO client.example.test\r\n");
    T.Feed(Ehlo("AUTH PLAIN"));
    EXPECT_EQ(T.LastSent(), "MAIL FROM:<>\r\n");
}
