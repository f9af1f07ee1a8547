// Test fixture: a test authority and server certificates made with the openssl command, good and bad ones.
#include "TestCertificates.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

// Run in the folder of the certificates: an authority for "openssl ca" (a
// database and the extensions of a server certificate), the test authority
// and a second one that no client trusts, and the server certificates.
const char* const Script = R"sh(set -e; cd "$(dirname "$0")"; exec >openssl.log 2>&1
mkdir -p issued; : >index.txt; echo 1000 >serial
printf '[ca]\ndefault_ca = test_ca\n[test_ca]\ndatabase = index.txt\nnew_certs_dir = issued\n' >ca.cnf
printf 'serial = serial\ndefault_md = sha256\npolicy = any\nunique_subject = no\n' >>ca.cnf
printf 'copy_extensions = none\n[any]\ncommonName = supplied\n[server]\n' >>ca.cnf
printf 'basicConstraints = critical,CA:FALSE\nkeyUsage = critical,digitalSignature\n' >>ca.cnf
printf 'extendedKeyUsage = serverAuth\n' >>ca.cnf
echo 'subjectAltName = DNS:localhost,DNS:mail.example.test,IP:127.0.0.1' >>ca.cnf
ec="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
authority="-addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign -days 3650"
sign="openssl ca -batch -notext -config ca.cnf -extensions server -in server.csr"
openssl req -x509 $ec -keyout ca.key -out ca.pem -subj '/CN=Velnaro Test CA' $authority
openssl req -x509 $ec -keyout rogue-ca.key -out rogue-ca.pem -subj '/CN=Rogue CA' $authority
openssl req $ec -keyout server.key -out server.csr -subj '/CN=mail.example.test'
$sign -cert ca.pem -keyfile ca.key -days 3650 -out good.pem
$sign -cert ca.pem -keyfile ca.key -startdate 20200101000000Z -enddate 20200201000000Z -out expired.pem
$sign -cert rogue-ca.pem -keyfile rogue-ca.key -days 3650 -out rogue.pem
)sh";

}  // namespace

bool MakeTestCertificates(const std::string& Folder, TTestCertificates& Out, std::string& Why) {
    const std::string D = (std::filesystem::path(Folder) / "").string();
    std::filesystem::create_directories(D);
    std::ofstream(D + "make.sh", std::ios::trunc) << Script;
    if (std::system(("/bin/sh " + D + "make.sh").c_str()) != 0) {
        std::ifstream Log(D + "openssl.log");
        Why = "openssl failed (Debian package openssl): " +
              std::string(std::istreambuf_iterator<char>(Log), {});
        return false;
    }
    Out = {D, D + "ca.pem", D + "server.key", D + "good.pem", D + "expired.pem", D + "rogue.pem"};
    return true;
}
