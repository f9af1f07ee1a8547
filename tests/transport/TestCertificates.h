// Test fixture: a test authority and server certificates made with the openssl command, good and bad ones.
#pragma once

#include <string>

// The files MakeTestCertificates writes into a folder. The server
// certificates name localhost, mail.example.test and 127.0.0.1 and share
// one key (server.key).
struct TTestCertificates {
    std::string Dir;      // ends in "/"
    std::string CaFile;   // the test authority (trust it in the client)
    std::string Key;      // the key of every server certificate
    std::string Good;     // issued by the test authority, valid for ten years
    std::string Expired;  // issued by the test authority, valid in January 2020 only
    std::string Rogue;    // issued by another authority that nobody trusts
};

// Makes the certificates in Dir (created when missing). False with the
// reason when the openssl command is missing or fails.
bool MakeTestCertificates(const std::string& Dir, TTestCertificates& Out, std::string& Why);
