// Secure connections without Qt: the TLS choice of a connection, a failed certificate check and its texts.
#pragma once

#include <string>
#include <vector>

// How a mail connection is protected. The numbers are those stored in the
// settings file and listed in the settings window.
enum class TSecurity {
    None = 0,      // plain TCP
    StartTls = 1,  // plain at first, then TLS through STLS (POP3) or STARTTLS (SMTP)
    Tls = 2,       // TLS from the first byte
};

// Everything a client needs to know about one server's connection before it
// connects: the port, the protection, the name the server's certificate must
// carry (the server name the user typed; the connection itself goes to the
// address the reachability check found), and the certificates the user has
// chosen to trust although their check failed.
struct TConnectionSecurity {
    int Port = 0;  // 0: leave the client's port as it is
    TSecurity Mode = TSecurity::None;
    std::string PeerName;
    std::vector<std::string> TrustedFingerprints;  // SHA-256, 64 upper-case hexadecimal digits each
};

// Why a server's certificate failed its check.
enum class TCertificateIssue {
    Expired,        // outside its validity period
    NameMismatch,   // does not name the server
    SelfSigned,     // signed by itself
    UnknownIssuer,  // its issuer is not among the trusted authorities
    Other,
};

// A certificate that failed its check, as the user is asked about it.
struct TCertificateProblem {
    std::string PeerName;                   // the name the certificate was checked against
    std::string Fingerprint;                // SHA-256 of the certificate, 64 upper-case hexadecimal digits
    std::vector<TCertificateIssue> Issues;  // each issue once, in the order found
};

// The fingerprint written in pairs of digits separated by colons ("AB:CD:...").
std::string FingerprintText(const std::string& Fingerprint);
// The upper-case form of a fingerprint of 64 hexadecimal digits (colons
// allowed between pairs); empty for anything else.
std::string NormalizeFingerprint(const std::string& Text);
// The Japanese sentence for one issue (Shift_JIS).
std::string CertificateIssueText(TCertificateIssue Issue);
// The question put to the user (Shift_JIS): the server, the reasons, the
// fingerprint, and whether to trust this one certificate for the account.
std::string CertificateQuestionText(const TCertificateProblem& Problem);
