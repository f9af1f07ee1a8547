// Test fixture: a test authority and server certificates made with the openssl command, good and bad ones.
#include "TestCertificates.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// An authority for "openssl ca": a database in its own folder, and the
// extensions of a server certificate.
std::string CaConfig(const std::string& Dir) {
    return "[ca]\ndefault_ca = test_ca\n"
           "[test_ca]\ndatabase = " +
           Dir + "index.txt\nnew_certs_dir = " + Dir + "issued\nserial = " + Dir +
           "serial\n"
           "default_md = sha256\npolicy = any\nunique_subject = no\ncopy_extensions = none\n"
           "[any]\ncommonName = supplied\n"
           "[server]\nbasicConstraints = critical,CA:FALSE\nkeyUsage = critical,digitalSignature\n"
           "extendedKeyUsage = serverAuth\n"
           "subjectAltName = DNS:localhost,DNS:mail.example.test,IP:127.0.0.1\n";
}

}  // namespace

bool MakeTestCertificates(const std::string& Folder, TTestCertificates& Out, std::string& Why) {
    if (access("/usr/bin/openssl", X_OK) != 0) {
        Why = "the openssl command is not installed (Debian package openssl)";
        return false;
    }
    const std::string D = (fs::path(Folder) / "").string();
    fs::create_directories(D + "issued");
    std::ofstream(D + "index.txt", std::ios::trunc);
    std::ofstream(D + "serial", std::ios::trunc) << "1000\n";
    std::ofstream(D + "ca.cnf", std::ios::trunc) << CaConfig(D);
    const std::string Ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    const std::string Authority = " -addext basicConstraints=critical,CA:TRUE"
                                  " -addext keyUsage=critical,keyCertSign,cRLSign -days 3650";
    const std::string Ca =
        "openssl ca -batch -notext -config " + D + "ca.cnf -extensions server -in " + D + "server.csr";
    const std::string Script =
        "set -e; cd " + D + "; exec >openssl.log 2>&1\n" +
        // the test authority and a second one that no client trusts
        "openssl req -x509" + Ec + " -keyout ca.key -out ca.pem -subj '/CN=Velnaro Test CA'" + Authority +
        "\nopenssl req -x509" + Ec + " -keyout rogue-ca.key -out rogue-ca.pem -subj '/CN=Rogue CA'" +
        Authority + "\nopenssl req" + Ec +
        " -keyout server.key -out server.csr -subj '/CN=mail.example.test'\n" + Ca +
        " -cert ca.pem -keyfile ca.key -days 3650 -out good.pem\n" + Ca +
        " -cert ca.pem -keyfile ca.key -startdate 20200101000000Z -enddate 20200201000000Z -out expired.pem\n" +
        Ca + " -cert rogue-ca.pem -keyfile rogue-ca.key -days 3650 -out rogue.pem\n";
    std::ofstream(D + "make.sh", std::ios::trunc) << Script;
    if (std::system(("/bin/sh " + D + "make.sh").c_str()) != 0) {
        std::ifstream Log(D + "openssl.log");
        Why = "openssl failed: " + std::string(std::istreambuf_iterator<char>(Log), {});
        return false;
    }
    Out = {D, D + "ca.pem", D + "server.key", D + "good.pem", D + "expired.pem", D + "rogue.pem"};
    return true;
}
