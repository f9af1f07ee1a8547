// Test fixtures of the flows against the real Dovecot and Postfix: starting them, seeding mailboxes, reading back what arrived through the receive flow.
#pragma once

#include <unistd.h>

#include <gtest/gtest.h>

#include "MailServers.h"
#include "ReceiveFixtures.h"
#include "Secure.h"

// Skips the test without root; fails when a server does not start. The CA
// of the test certificates is trusted from then on.
#define NEED_SERVERS(WithPostfix)                                                                            \
    do {                                                                                                     \
        if (geteuid() != 0) {                                                                                \
            GTEST_SKIP() << "the real Dovecot and Postfix need root to run here";                            \
        }                                                                                                    \
        std::string Why;                                                                                     \
        ASSERT_TRUE(MailServers::Get().StartDovecot(Why)) << Why;                                            \
        if (WithPostfix) {                                                                                   \
            ASSERT_TRUE(MailServers::Get().StartPostfix(Why)) << Why;                                        \
        }                                                                                                    \
        TClientSocket::ExtraCaCertificates =                                                                 \
            QSslCertificate::fromPath(QString::fromStdString(MailServers::Get().Certificates().CaFile));     \
    } while (0)

// The user's mailbox holds exactly these messages, in this order.
inline void SeedOnly(const std::string& User, const std::vector<std::string>& Texts) {
    MailServers::Get().Empty(User);
    for (const std::string& T : Texts) MailServers::Get().Seed(User, T);
}

inline std::string Simple(const std::string& Subject) {
    return "Subject: " + Subject + "\r\n\r\n" + Subject + " body\r\n";
}

// An account of User on the real Dovecot: plain POP3, or TLS after STLS.
inline TAccountRecord PopAccount(const std::string& User, bool HeaderOnly = true, bool Tls = false) {
    TAccountRecord A = ReceiveHarness::Account(User, HeaderOnly);
    A.Edit1 = "mail.example.test";  // the name the certificate gives
    A.PopPort = MailServers::Get().PopPort();
    A.PopSecurity = Tls ? 1 : 0;
    return A;
}

// Once User's mailbox holds Count messages: lists it through the receive
// flow in whole-message mode with APOP, with STLS when Tls, and reads the last message.
inline bool ReadBack(ReceiveHarness& H, const std::string& User, size_t Count, bool Tls = false) {
    TAccountRecord A = PopAccount(User, false, Tls);
    A.ApopOn = true;
    return Wait([&] { return MailServers::Get().Messages(User).size() >= Count; }, 20000) && H.List(A) &&
           H.Rows.size() == Count && H.Read(A, int(Count) - 1) && H.Shown;
}
