// Tests of the engines' secure states: CAPA and STLS, EHLO, STARTTLS and AUTH; nothing secret before
// the protection chosen, no plain fallback, nothing taken between a TLS go-ahead and the handshake.
#include <gtest/gtest.h>

#include "EngineHarness.h"

namespace {

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

const std::string Message = "From: me@example.test\r\nTo: a@example.test\r\n\r\nbody\r\n";
const std::string Greeting = "220 mx ESMTP\r\n";
const std::string EhloLine = "EHLO client.example.test\r\n";
const std::string Mail = "MAIL FROM:<me@example.test>\r\n";
const std::string Ok = "235 2.7.0 ok\r\n";

}  // namespace

TEST(PopEngineTls, StlsIsRequiredWhenChosen) {
    const auto T = TSecurity::StartTls;
    const std::string Stls = "+OK Begin TLS\r\n-ERR injected\r\n";  // the rest is nobody's reply
    RunPopDialogues({
        {"USER and PASS inside TLS", T, false,
         Reads(PopGreeting, CapaWithStls, Stls, "+OK injected too\r\n", Handshake, "+OK\r\n", "+OK\r\n",
               "+OK\r\n1 10\r\n.\r\n", Handshake),
         "CAPA\r\nSTLS\r\nUSER mrose\r\nPASS tanstaaf\r\nLIST\r\n", Completes(true, popList), popReady},
        {"APOP inside TLS digests the greeting's timestamp", T, true,
         Reads(PopGreeting, CapaWithStls, Stls, Handshake, "+OK\r\n", "+OK\r\n1 10\r\n.\r\n"),
         "CAPA\r\nSTLS\r\nAPop mrose c4c9334bac560ecc979e58001b3e22fb\r\nLIST\r\n", Completes(true, popList),
         popReady},
        {"CAPA refused", T, false, Reads(PopGreeting, "-ERR unknown command\r\n"), "CAPA\r\n",
         Completes(false, popCapa), popReady},
        {"STLS not listed", T, false, Reads(PopGreeting, "+OK\r\nUSER\r\nTOP\r\n.\r\n"), "CAPA\r\n",
         Completes(false, popCapa), popReady},
        {"STLS only as a longer word", T, true, Reads(PopGreeting, "+OK\r\nSTLSX\r\n X STLS\r\n.\r\n"),
         "CAPA\r\n", Completes(false, popCapa), popReady},
        {"endless listing", T, false, Reads(PopGreeting, "+OK\r\n" + std::string(70000, 'A') + "\r\n"),
         "CAPA\r\n", Completes(false, popCapa), popReady},
        {"STLS refused", T, true, Reads(PopGreeting, CapaWithStls, "-ERR TLS not available\r\n"),
         "CAPA\r\nSTLS\r\n", Completes(false, popStls), popReady},
    });
}

TEST(SmtpEngineTls, SignInAfterTheChosenProtectionWithTheBestMechanism) {
    const auto None = TSecurity::None, StartTls = TSecurity::StartTls, Tls = TSecurity::Tls;
    const std::string Plain = "AUTH PLAIN AHRpbQB0YW5zdGFhZnRhbnN0YWFm\r\n";
    RunSmtpDialogues({
        {"STARTTLS, then the mechanism that the capabilities after TLS offer, then the message", StartTls,
         false, true, Message,
         Reads(Greeting, Ehlo("PIPELINING|STARTTLS|AUTH CRAM-MD5"), "220 2.0.0 Ready\r\n250 injected\r\n",
               "235 injected too\r\n", Handshake, Ehlo("AUTH PLAIN LOGIN"), Ok, "250 ok\r\n", "250 ok\r\n",
               "354 go\r\n", "250 queued\r\n"),
         EhloLine + "STARTTLS\r\n" + EhloLine + Plain + Mail + "RCPT TO:<a@example.test>\r\nDATA\r\n" +
             Message + ".\r\n",
         NoError, true},
        {"PLAIN inside TLS", Tls, true, true, Message, Reads(Greeting, Ehlo("AUTH LOGIN PLAIN"), Ok),
         EhloLine + Plain + Mail, NoError, false},
        {"LOGIN inside TLS", Tls, true, true, Message,
         Reads(Greeting, Ehlo("AUTH=LOGIN"), "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n", Ok),
         EhloLine + "AUTH LOGIN\r\ndGlt\r\ndGFuc3RhYWZ0YW5zdGFhZg==\r\n" + Mail, NoError, false},
        {"CRAM-MD5 on a plain connection", None, false, true, Message,
         Reads(Greeting, Ehlo("AUTH LOGIN CRAM-MD5"), CramChallenge, Ok),
         EhloLine + "AUTH CRAM-MD5\r\n" + CramAnswer + Mail, NoError, false},
        {"TLS without sign-in: EHLO, then MAIL", Tls, true, false, Message,
         Reads(Greeting, Ehlo("AUTH PLAIN")), EhloLine + Mail, NoError, false},
        {"neither TLS nor sign-in: HELO", None, false, false, Message, Reads(Greeting),
         "HELO client.example.test\r\n", NoError, false},
    });
}

TEST(SmtpEngineTls, FailuresStopBeforeAnythingSecret) {
    const auto None = TSecurity::None, StartTls = TSecurity::StartTls, Tls = TSecurity::Tls;
    RunSmtpDialogues({
        {"STARTTLS not offered", StartTls, false, true, Message, Reads(Greeting, Ehlo("AUTH PLAIN LOGIN")),
         EhloLine, Fails(smtpStartTls, SmtpNoStartTls), false},
        {"STARTTLS refused", StartTls, false, true, Message,
         Reads(Greeting, Ehlo("STARTTLS"), "454 4.7.0 TLS not available\r\n"), EhloLine + "STARTTLS\r\n",
         Fails(smtpStartTls, "454 4.7.0 TLS not available"), false},
        {"TLS chosen, connection plain", Tls, false, true, Message,
         Reads(Greeting, Ehlo("STARTTLS|AUTH CRAM-MD5")), EhloLine, Fails(smtpStartTls, SmtpNoStartTls),
         false},
        {"EHLO refused", Tls, true, true, Message, Reads(Greeting, "502 5.5.2 not recognized\r\n"), EhloLine,
         Fails(smtpEhlo, "502 5.5.2 not recognized"), false},
        {"a plain connection offers PLAIN and LOGIN only", None, false, true, Message,
         Reads(Greeting, Ehlo("AUTH PLAIN LOGIN")), EhloLine, Fails(smtpAuth, SmtpNoAuthMechanism), false},
        {"no AUTH at all", Tls, true, true, Message, Reads(Greeting, Ehlo("SIZE 1000")), EhloLine,
         Fails(smtpAuth, SmtpNoAuthMechanism), false},
        {"sign-in refused", Tls, true, true, Message,
         Reads(Greeting, Ehlo("AUTH CRAM-MD5"), CramChallenge, "535 5.7.8 authentication failed\r\n"),
         EhloLine + "AUTH CRAM-MD5\r\n" + CramAnswer, Fails(smtpAuthPass, "535 5.7.8 authentication failed"),
         false},
        {"a challenge after the password", Tls, true, true, Message,
         Reads(Greeting, Ehlo("AUTH PLAIN"), "334 more?\r\n"),
         EhloLine + "AUTH PLAIN AHRpbQB0YW5zdGFhZnRhbnN0YWFm\r\n", Fails(smtpAuthPass, "334 more?"), false},
    });
}
