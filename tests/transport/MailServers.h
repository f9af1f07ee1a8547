// Test fixture: real Dovecot and Postfix on loopback, configured in the build tree, stopped by PID at exit.
#pragma once

#include <string>
#include <vector>

#include "TestCertificates.h"

class MailServers {
public:
    // The servers of this process; each starts on first use.
    static MailServers& Get();

    // False with the reason when the server cannot run here.
    bool StartDovecot(std::string& Why);
    bool StartPostfix(std::string& Why);

    // Dovecot: POP3 (plain, with STLS) and POP3 over TLS. Postfix: plain
    // SMTP without STARTTLS, as ever; submission (STARTTLS required, no mail
    // without sign-in); SMTP over TLS with sign-in, once with the good
    // certificate and once each with the expired and the rogue one. Sign-in
    // goes through Dovecot (PLAIN, LOGIN, CRAM-MD5; the POP3 passwords).
    int PopPort() const { return FPopPort; }
    int PopsPort() const { return FPopsPort; }
    int SmtpPort() const { return FSmtpPort; }
    int SubmissionPort() const { return FSubmissionPort; }
    int SmtpsPort() const { return FSmtpsPort; }
    int ExpiredSmtpsPort() const { return FExpiredPort; }
    int RogueSmtpsPort() const { return FRoguePort; }
    // The certificates the servers use; CaFile is the authority to trust.
    const TTestCertificates& Certificates() const { return FCerts; }

    // Puts a message into the user's new mail, owned by the mail user.
    void Seed(const std::string& User, const std::string& Text);
    // Removes every message of the user.
    void Empty(const std::string& User);
    // The texts of the user's messages.
    std::vector<std::string> Messages(const std::string& User) const;

    // Users: alice, bob, carol, dave (passwords: the name followed by "pw");
    // SMTP refuses refused@example.test and knows <user>@example.test.
    static constexpr const char* Domain = "example.test";

private:
    struct TServer {
        bool Tried = false;
        std::string Why;  // empty when the server runs
        int Pid = 0;
    };
    MailServers();
    void Prepare();
    void StartWatchdog();
    bool Once(TServer& S, std::string& Why, std::string (MailServers::*Run)());
    // Start the server; the reason it cannot run, or "" once it listens.
    std::string RunDovecot();
    std::string RunPostfix();

    std::string FRoot;
    bool FPrepared = false, FCertsMade = false;
    int FPopPort = 0, FPopsPort = 0;
    int FSmtpPort = 0, FSubmissionPort = 0, FSmtpsPort = 0, FExpiredPort = 0, FRoguePort = 0;
    TTestCertificates FCerts;
    std::string FCertsWhy;
    TServer FDovecot, FPostfix;
    int FWatchdog = -1;  // the pipe to the watchdog
    int FSeq = 0;
};
