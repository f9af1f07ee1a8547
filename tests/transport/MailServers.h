// Test fixture: real Dovecot and Postfix on loopback, configured in the build tree, stopped by PID at exit.
#pragma once

#include <string>
#include <vector>

class MailServers {
public:
    // The servers of this process; each starts on first use.
    static MailServers& Get();

    // False with the reason when the server cannot run here.
    bool StartDovecot(std::string& Why);
    bool StartPostfix(std::string& Why);

    int PopPort() const { return FPopPort; }
    int SmtpPort() const { return FSmtpPort; }

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
    MailServers();
    void Prepare();
    void StartWatchdog();

    std::string FRoot;
    bool FPrepared = false;
    int FPopPort = 0;
    int FSmtpPort = 0;
    int FDovecotPid = 0;
    int FPostfixPid = 0;
    bool FDovecotFailed = false, FPostfixFailed = false;
    std::string FDovecotWhy, FPostfixWhy;
    int FWatchdogPipe = -1;
    int FSeq = 0;
};
