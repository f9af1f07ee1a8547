// Test fixture: real Dovecot and Postfix on loopback, configured in the build tree, stopped by PID at exit.
#include "MailServers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {

const char* const Users[] = {"alice", "bob", "carol", "dave"};
const int MailUid = 8;  // Debian's "mail" user and group

// The configurations; "$NAME" stands for a value filled in at start.
const char* const DovecotConf =
    "base_dir = $R/dovecot/run\nstate_dir = $R/dovecot/state\nlog_path = $R/dovecot/dovecot.log\n"
    "protocols = pop3\nlisten = 127.0.0.1\ndisable_plaintext_auth = no\n"
    "ssl = yes\nssl_cert = <$GOOD\nssl_key = <$KEY\n"
    "auth_mechanisms = plain login apop cram-md5\nauth_failure_delay = 0\nfirst_valid_uid = 8\n"
    "mail_location = maildir:$R/mail/%u/Maildir\n"
    "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN $R/dovecot/users\n}\n"
    "userdb {\n  driver = static\n  args = uid=mail gid=mail home=$R/mail/%u\n}\n"
    "service pop3-login {\n  inet_listener pop3 {\n    port = $POP\n  }\n"
    "  inet_listener pop3s {\n    port = $POPS\n    ssl = yes\n  }\n}\n"
    "service anvil {\n  unix_listener anvil-auth-penalty {\n    mode = 0\n  }\n}\n";
// Postfix asks Dovecot to check sign-ins through this socket.
const char* const DovecotAuthForPostfix =
    "service auth {\n  unix_listener auth-postfix {\n    mode = 0600\n    user = postfix\n"
    "    group = postfix\n  }\n}\n";
const char* const PostfixMain =
    "compatibility_level = 3.6\nqueue_directory = $R/postfix/queue\ndata_directory = $R/postfix/data\n"
    "maillog_file = $R/postfix/postfix.log\nmaillog_file_prefixes = $R\n"
    "inet_interfaces = loopback-only\ninet_protocols = ipv4\nmyhostname = mx.example.test\n"
    "mydestination =\nmynetworks = 127.0.0.0/8\nalias_maps =\nalias_database =\n"
    "virtual_mailbox_domains = $DOMAIN\nvirtual_mailbox_base = $R/mail\n"
    "virtual_mailbox_maps = texthash:$R/postfix/etc/vmailbox\n"
    "virtual_uid_maps = static:8\nvirtual_gid_maps = static:8\nvirtual_minimum_uid = 8\n"
    "smtpd_recipient_restrictions = check_recipient_access texthash:$R/postfix/etc/refuse, "
    "permit_mynetworks, reject_unauth_destination\n"
    "message_size_limit = 0\nvirtual_mailbox_limit = 0\nsmtputf8_enable = no\nbiff = no\n"
    "smtpd_banner = $myhostname ESMTP\nsmtpd_peername_lookup = no\n"
    "smtpd_tls_cert_file = $GOOD\nsmtpd_tls_key_file = $KEY\n"
    "smtpd_sasl_type = dovecot\nsmtpd_sasl_path = $R/dovecot/run/auth-postfix\n";
// Mail only after a sign-in; the client rule stops loopback, which mynetworks admits.
const char* const PostfixSignInOnly =
    " -o smtpd_sasl_auth_enable=yes -o smtpd_client_restrictions=permit_sasl_authenticated,reject"
    " -o smtpd_relay_restrictions=permit_sasl_authenticated,reject";
const char* const PostfixServices =
    "tlsmgr unix - - n 1000? 1 tlsmgr\npickup unix n - n 60 1 pickup\ncleanup unix n - n - 0 cleanup\n"
    "qmgr unix n - n 300 1 qmgr\nrewrite unix - - n - - trivial-rewrite\nbounce unix - - n - 0 bounce\n"
    "defer unix - - n - 0 bounce\ntrace unix - - n - 0 bounce\nverify unix - - n - 1 verify\n"
    "flush unix n - n 1000? 0 flush\nproxymap unix - - n - - proxymap\n"
    "proxywrite unix - - n - 1 proxymap\nsmtp unix - - n - - smtp\nrelay unix - - n - - smtp\n"
    "showq unix n - n - - showq\nerror unix - - n - - error\nretry unix - - n - - error\n"
    "discard unix - - n - - discard\nlocal unix - n n - - local\nvirtual unix - n n - - virtual\n"
    "lmtp unix - - n - - lmtp\nanvil unix - - n - 1 anvil\nscache unix - - n - 1 scache\n"
    "postlog unix-dgram n - n - 1 postlogd\n";

// Text with each "$NAME" (capital letters) replaced by its value; Values holds names and values in turn.
std::string Fill(const std::string& Text, const std::vector<std::string>& Values) {
    std::map<std::string, std::string> Value;
    for (size_t I = 0; I + 1 < Values.size(); I += 2) Value[Values[I]] = Values[I + 1];
    std::string R;
    for (size_t I = 0; I < Text.size(); ++I) {
        size_t End = I + 1;
        if (Text[I] == '$')
            while (End < Text.size() && std::isupper(static_cast<unsigned char>(Text[End]))) ++End;
        R += End == I + 1 ? Text.substr(I, 1) : Value.at(Text.substr(I + 1, End - I - 1));
        I = End - 1;
    }
    return R;
}

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }

// Binds a socket to a free loopback port when Port is 0 and gives that port;
// else connects to the port and gives it when something listens there (else 0).
int Loopback(int Port) {
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_port = htons(static_cast<uint16_t>(Port));
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t L = sizeof A;
    sockaddr* Address = reinterpret_cast<sockaddr*>(&A);
    const int S = socket(AF_INET, SOCK_STREAM, 0);
    const bool Ok =
        Port ? connect(S, Address, L) == 0 : bind(S, Address, L) == 0 && getsockname(S, Address, &L) == 0;
    close(S);
    return Ok ? ntohs(A.sin_port) : 0;
}

// A port that nothing on loopback uses right now, and that this process has
// not handed out before.
int FreePort() {
    static std::set<int> Given;
    for (;;)
        if (const int Port = Loopback(0); Port > 0 && Given.insert(Port).second) return Port;
}

// Waits up to five seconds for the port to accept a connection.
bool WaitListening(int Port) {
    for (int I = 0; I < 250; ++I, Pause())
        if (Loopback(Port)) return true;
    return false;
}

void Write(const std::string& P, const std::string& Text) { std::ofstream(P, std::ios::binary) << Text; }

std::string Read(const std::string& P) {
    std::ifstream In(P, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), {}};
}

}  // namespace

MailServers& MailServers::Get() {
    static MailServers* Instance = new MailServers();  // lives until exit; the watchdog cleans up
    return *Instance;
}

MailServers::MailServers()
    : FRoot(std::string(VELNARO_BUILD_DIR) + "/tests/mail-servers/" + std::to_string(getpid())) {}

void MailServers::Prepare() {
    if (FPrepared) return;
    FPrepared = true;
    // Folders of earlier runs whose process is gone. Parallel test processes
    // may sweep the same folder: ignore what vanishes.
    std::error_code Ec, Ignored;
    for (fs::directory_iterator It(fs::path(FRoot).parent_path(), Ec), End; !Ec && It != End;
         It.increment(Ec))
        if (const int Pid = std::atoi(It->path().filename().c_str());
            Pid > 0 && kill(Pid, 0) != 0 && errno == ESRCH)
            fs::remove_all(It->path(), Ignored);
    fs::remove_all(FRoot);
    fs::create_directories(FRoot);
    // The mail processes run as the mail user and must reach the Maildir.
    for (fs::path P = FRoot; P.string().rfind(VELNARO_BUILD_DIR, 0) == 0; P = P.parent_path()) {
        struct stat St;
        if (stat(P.c_str(), &St) == 0) chmod(P.c_str(), (St.st_mode & 07777) | 0755);
    }
    for (const char* U : Users)
        for (const char* Sub : {"cur", "new", "tmp"})
            fs::create_directories(FRoot + "/mail/" + U + "/Maildir/" + Sub);
    chown((FRoot + "/mail").c_str(), MailUid, MailUid);
    for (const auto& E : fs::recursive_directory_iterator(FRoot + "/mail"))
        chown(E.path().c_str(), MailUid, MailUid);
    FCertsMade = MakeTestCertificates(FRoot + "/certs", FCerts, FCertsWhy);
    StartWatchdog();
}

// A child process that outlives nothing: this process writes the PID of each
// server it starts into a pipe; when this process ends (normally, by a failed
// assertion or by a crash) the pipe closes and the child stops those servers.
void MailServers::StartWatchdog() {
    int Fds[2];
    if (pipe(Fds) != 0) return;
    if (fork() == 0) {
        // Plain system calls only: this is a child of a threaded process.
        close(Fds[1]);
        int Pids[8], Count = 0;
        while (Count < 8 && read(Fds[0], &Pids[Count], sizeof(int)) == sizeof(int)) ++Count;
        for (char C; read(Fds[0], &C, 1) > 0;) {}
        for (int I = 0; I < Count; ++I) kill(Pids[I], SIGTERM);
        _exit(0);
    }
    close(Fds[0]);
    fcntl(FWatchdog = Fds[1], F_SETFD, FD_CLOEXEC);  // servers started later must not hold it
}

bool MailServers::Once(TServer& S, std::string& Why, std::string (MailServers::*Run)()) {
    if (!S.Tried) {
        S.Tried = true;
        S.Why = (this->*Run)();
        if (S.Pid > 1 && write(FWatchdog, &S.Pid, sizeof S.Pid) != sizeof S.Pid) S.Why += " (no watchdog)";
    }
    if (!S.Why.empty()) Why = S.Why;
    return S.Why.empty();
}

bool MailServers::StartDovecot(std::string& Why) { return Once(FDovecot, Why, &MailServers::RunDovecot); }
bool MailServers::StartPostfix(std::string& Why) { return Once(FPostfix, Why, &MailServers::RunPostfix); }

std::string MailServers::RunDovecot() {
    if (geteuid() != 0)
        return "the real-server tests need root (Dovecot and Postfix deliver as the mail user)";
    Prepare();
    if (!FCertsMade) return "no test certificates: " + FCertsWhy;
    const std::string D = FRoot + "/dovecot";
    fs::create_directories(D + "/state");
    fs::remove_all(D + "/run");  // stale sockets there slow the first login
    fs::create_directories(D + "/run");
    for (int* Port : {&FPopPort, &FPopsPort}) *Port = FreePort();
    std::string Passwd;
    for (const char* U : Users) Passwd += std::string(U) + ":{PLAIN}" + U + "pw\n";
    Write(D + "/users", Passwd);
    chmod((D + "/users").c_str(), 0644);
    const std::string Pop = std::to_string(FPopPort), Pops = std::to_string(FPopsPort);
    const std::string Conf =
        Fill(DovecotConf, {"R", FRoot, "GOOD", FCerts.Good, "KEY", FCerts.Key, "POP", Pop, "POPS", Pops});
    Write(D + "/dovecot.conf", Conf + (getpwnam("postfix") ? DovecotAuthForPostfix : ""));
    if (std::system(("/usr/sbin/dovecot -c " + D + "/dovecot.conf >" + D + "/start.log 2>&1").c_str()) != 0)
        return "dovecot did not start (Debian package dovecot-pop3d): " + Read(D + "/start.log") +
               Read(D + "/dovecot.log");
    // The daemon writes its PID file and opens its ports a moment after the
    // start command returns.
    for (int I = 0; I < 250 && (FDovecot.Pid = std::atoi(Read(D + "/run/master.pid").c_str())) <= 0; ++I)
        Pause();
    if (FDovecot.Pid <= 0 || !WaitListening(FPopPort) || !WaitListening(FPopsPort))
        return "dovecot does not listen: " + Read(D + "/dovecot.log");
    return "";
}

std::string MailServers::RunPostfix() {
    if (geteuid() != 0) return "the real-server tests need root (Postfix runs as root only)";
    // Sign-ins go to Dovecot's socket: without it smtpd stops at the first
    // sign-in and the master then holds the service back for a minute.
    std::string Why;
    if (!StartDovecot(Why)) return Why;
    const std::string P = FRoot + "/postfix", Etc = P + "/etc";
    for (const char* Sub : {"/etc", "/queue", "/data"}) fs::create_directories(P + Sub);
    const passwd* Postfix = getpwnam("postfix");
    if (!Postfix || chown((P + "/data").c_str(), Postfix->pw_uid, 0) != 0)
        return "no postfix user on this machine";
    const std::initializer_list<int*> Ports = {&FSmtpPort, &FSubmissionPort, &FSmtpsPort, &FExpiredPort,
                                               &FRoguePort};
    for (int* Port : Ports) *Port = FreePort();
    std::string Maps;
    for (const char* U : Users) Maps += std::string(U) + "@" + Domain + "  " + U + "/Maildir/\n";
    Write(Etc + "/vmailbox", Maps);
    Write(Etc + "/refuse", std::string("refused@") + Domain + "  550 5.1.1 Recipient refused for testing\n");
    Write(Etc + "/main.cf",
          Fill(PostfixMain, {"R", FRoot, "DOMAIN", Domain, "GOOD", FCerts.Good, "KEY", FCerts.Key}));
    // Plain SMTP as ever; submission with STARTTLS required; SMTPS with each certificate.
    const auto Smtpd = [](int Port) { return "127.0.0.1:" + std::to_string(Port) + " inet n - n - - smtpd"; };
    std::string Master = Smtpd(FSmtpPort) + "\n" + Smtpd(FSubmissionPort) +
                         " -o smtpd_tls_security_level=encrypt" + PostfixSignInOnly + "\n";
    for (const auto& [Port, Cert] : {std::pair<int, std::string>{FSmtpsPort, FCerts.Good},
                                     {FExpiredPort, FCerts.Expired},
                                     {FRoguePort, FCerts.Rogue}})
        Master += Smtpd(Port) + " -o smtpd_tls_wrappermode=yes -o smtpd_tls_cert_file=" + Cert +
                  PostfixSignInOnly + "\n";
    Write(Etc + "/master.cf", Master + PostfixServices);
    // "postfix start" waits until main.cf is two seconds old.
    const fs::file_time_type Old = fs::file_time_type::clock::now() - std::chrono::seconds(10);
    fs::last_write_time(Etc + "/main.cf", Old);
    fs::last_write_time(Etc + "/master.cf", Old);
    bool Up = std::system(("/usr/sbin/postfix -c " + Etc + " start >" + P + "/start.log 2>&1").c_str()) == 0;
    for (int* Port : Ports) Up = Up && WaitListening(*Port);
    FPostfix.Pid = std::atoi(Read(P + "/queue/pid/master.pid").c_str());
    if (!Up || FPostfix.Pid <= 0)
        return "postfix did not start (Debian package postfix): " + Read(P + "/start.log") +
               Read(P + "/postfix.log");
    return "";
}

void MailServers::Seed(const std::string& User, const std::string& Text) {
    const std::string P = FRoot + "/mail/" + User + "/Maildir/new/" + std::to_string(getpid()) + "." +
                          std::to_string(++FSeq) + ".seeded";
    Write(P, Text);
    chown(P.c_str(), MailUid, MailUid);
}

void MailServers::Empty(const std::string& User) {
    for (const char* Sub : {"/cur", "/new"})
        for (const auto& E : fs::directory_iterator(FRoot + "/mail/" + User + "/Maildir" + Sub))
            fs::remove(E.path());
}

std::vector<std::string> MailServers::Messages(const std::string& User) const {
    std::vector<std::string> R;
    std::error_code Missing;  // a user without a Maildir has no messages
    for (const char* Sub : {"/cur", "/new"})
        for (const auto& E : fs::directory_iterator(FRoot + "/mail/" + User + "/Maildir" + Sub, Missing))
            R.push_back(Read(E.path()));
    return R;
}
