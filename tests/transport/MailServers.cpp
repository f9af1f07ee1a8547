// Test fixture: real Dovecot and Postfix on loopback, configured in the build tree, stopped by PID at exit.
#include "MailServers.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

const char* const Users[] = {"alice", "bob", "carol", "dave"};
const int MailUid = 8;  // Debian's "mail" user and group

// A port that nothing on loopback uses right now, and that this process has
// not handed out before.
int FreePort() {
    static std::vector<int> Given;
    for (;;) {
        int S = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in A{};
        A.sin_family = AF_INET;
        A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(S, reinterpret_cast<sockaddr*>(&A), sizeof A);
        socklen_t L = sizeof A;
        getsockname(S, reinterpret_cast<sockaddr*>(&A), &L);
        close(S);
        const int Port = ntohs(A.sin_port);
        if (std::find(Given.begin(), Given.end(), Port) != Given.end()) continue;
        Given.push_back(Port);
        return Port;
    }
}

bool Listening(int Port) {
    int S = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_port = htons(static_cast<uint16_t>(Port));
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool Ok = connect(S, reinterpret_cast<sockaddr*>(&A), sizeof A) == 0;
    close(S);
    return Ok;
}

bool WaitListening(int Port, int Ms) {
    for (int I = 0; I < Ms / 20; ++I) {
        if (Listening(Port)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void Write(const fs::path& P, const std::string& Text) { std::ofstream(P, std::ios::binary) << Text; }

std::string Read(const fs::path& P) {
    std::ifstream In(P, std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
}

int ReadPid(const fs::path& P) {
    std::ifstream In(P);
    int Pid = 0;
    In >> Pid;
    return Pid;
}

void ChownTree(const fs::path& P, int Uid) {
    chown(P.c_str(), Uid, Uid);
    if (fs::is_directory(P))
        for (const auto& E : fs::recursive_directory_iterator(P)) chown(E.path().c_str(), Uid, Uid);
}

bool Installed(const char* Path) { return access(Path, X_OK) == 0; }

}  // namespace

MailServers& MailServers::Get() {
    static MailServers* Instance = new MailServers();  // lives until exit; the watchdog cleans up
    return *Instance;
}

MailServers::MailServers() {
    const fs::path Base = fs::path(VELNARO_BUILD_DIR) / "tests" / "mail-servers";
    FRoot = (Base / std::to_string(getpid())).string();
}

void MailServers::Prepare() {
    if (FPrepared) return;
    FPrepared = true;
    const fs::path Base = fs::path(FRoot).parent_path();
    // Folders of earlier runs whose process is gone.
    // Parallel test processes may sweep the same folder: ignore what vanishes.
    std::error_code Ec;
    for (fs::directory_iterator It(Base, Ec), End; !Ec && It != End; It.increment(Ec)) {
        const int Pid = std::atoi(It->path().filename().c_str());
        std::error_code Ignored;
        if (Pid > 0 && kill(Pid, 0) != 0 && errno == ESRCH) fs::remove_all(It->path(), Ignored);
    }
    fs::remove_all(FRoot);
    fs::create_directories(FRoot);
    for (fs::path P = FRoot; P != P.root_path(); P = P.parent_path()) {
        // The mail processes run as the mail user and must reach the Maildir.
        struct stat St;
        if (stat(P.c_str(), &St) == 0 && P.string().rfind(VELNARO_BUILD_DIR, 0) == 0)
            chmod(P.c_str(), (St.st_mode & 07777) | 0755);
    }
    fs::create_directories(fs::path(FRoot) / "mail");
    for (const char* U : Users) {
        for (const char* Sub : {"cur", "new", "tmp"})
            fs::create_directories(fs::path(FRoot) / "mail" / U / "Maildir" / Sub);
    }
    ChownTree(fs::path(FRoot) / "mail", MailUid);
    FCertsMade = MakeTestCertificates(FRoot + "/certs", FCerts, FCertsWhy);
    StartWatchdog();
}

// A child process that outlives nothing: when this process ends (normally,
// by a failed assertion or by a crash) the pipe closes and the child stops the
// servers this process started, by their PIDs.
void MailServers::StartWatchdog() {
    int Fds[2];
    if (pipe(Fds) != 0) return;
    const std::string PidDir = FRoot + "/pids";
    fs::create_directories(PidDir);
    const pid_t Child = fork();
    if (Child == 0) {
        close(Fds[1]);
        char B;
        while (read(Fds[0], &B, 1) > 0) {}
        // Stop each server whose PID file this process wrote (plain system
        // calls only: this is a child of a threaded process).
        for (const char* Name : {"dovecot", "postfix"}) {
            char Path[4096];
            snprintf(Path, sizeof Path, "%s/%s", PidDir.c_str(), Name);
            const int Fd = open(Path, O_RDONLY);
            if (Fd < 0) continue;
            char Buf[32] = {};
            const ssize_t N = read(Fd, Buf, sizeof Buf - 1);
            close(Fd);
            int Pid = 0;
            for (ssize_t I = 0; I < N && Buf[I] >= '0' && Buf[I] <= '9'; ++I) Pid = Pid * 10 + (Buf[I] - '0');
            if (Pid > 1) kill(Pid, SIGTERM);
        }
        _exit(0);
    }
    close(Fds[0]);
    FWatchdogPipe = Fds[1];
    fcntl(FWatchdogPipe, F_SETFD, FD_CLOEXEC);  // servers started later must not hold it
}

bool MailServers::StartDovecot(std::string& Why) {
    if (FDovecotPid > 0) return true;
    if (FDovecotFailed) return (Why = FDovecotWhy, false);
    FDovecotFailed = true;
    if (geteuid() != 0)
        return (Why = FDovecotWhy =
                    "the real-server tests need root (Dovecot and Postfix deliver as the mail user)",
                false);
    if (!Installed("/usr/sbin/dovecot") || !Installed("/usr/lib/dovecot/pop3"))
        return (Why = FDovecotWhy = "Dovecot POP3 is not installed (Debian package dovecot-pop3d)", false);
    Prepare();
    if (!FCertsMade) return (Why = FDovecotWhy = FCertsWhy, false);
    const fs::path Dir = fs::path(FRoot) / "dovecot";
    fs::create_directories(Dir / "state");
    fs::remove_all(Dir / "run");  // stale sockets there slow the first login
    fs::create_directories(Dir / "run");
    FPopPort = FreePort();
    FPopsPort = FreePort();
    // Postfix asks Dovecot to check sign-ins through this socket.
    const std::string AuthSocket = getpwnam("postfix")
                                       ? "service auth {\n  unix_listener auth-postfix {\n    mode = 0600\n"
                                         "    user = postfix\n    group = postfix\n  }\n}\n"
                                       : "";
    std::string Passwd;
    for (const char* U : Users) Passwd += std::string(U) + ":{PLAIN}" + U + "pw\n";
    Write(Dir / "users", Passwd);
    chmod((Dir / "users").c_str(), 0644);
    const std::string R = FRoot;
    Write(Dir / "dovecot.conf",
          "base_dir = " + (Dir / "run").string() +
              "\n"
              "state_dir = " +
              (Dir / "state").string() +
              "\n"
              "log_path = " +
              (Dir / "dovecot.log").string() +
              "\n"
              "protocols = pop3\nlisten = 127.0.0.1\ndisable_plaintext_auth = no\n"
              "ssl = yes\nssl_cert = <" +
              FCerts.Good + "\nssl_key = <" + FCerts.Key +
              "\n"
              "auth_mechanisms = plain login apop cram-md5\nauth_failure_delay = 0\nfirst_valid_uid = 8\n"
              "mail_location = maildir:" +
              R +
              "/mail/%u/Maildir\n"
              "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN " +
              (Dir / "users").string() +
              "\n}\n"
              "userdb {\n  driver = static\n  args = uid=mail gid=mail home=" +
              R +
              "/mail/%u\n}\n"
              "service pop3-login {\n  inet_listener pop3 {\n    port = " +
              std::to_string(FPopPort) +
              "\n  }\n  inet_listener pop3s {\n    port = " + std::to_string(FPopsPort) +
              "\n    ssl = yes\n  }\n}\n"
              "service anvil {\n  unix_listener anvil-auth-penalty {\n    mode = 0\n  }\n}\n" +
              AuthSocket);
    const std::string Cmd = "/usr/sbin/dovecot -c " + (Dir / "dovecot.conf").string() + " >" +
                            (Dir / "start.log").string() + " 2>&1";
    if (std::system(Cmd.c_str()) != 0)
        return (Why = FDovecotWhy =
                    "dovecot did not start: " + Read(Dir / "start.log") + Read(Dir / "dovecot.log"),
                false);
    // The daemon writes its PID file and opens its port a moment after the
    // start command returns.
    const fs::path PidFile = Dir / "run" / "master.pid";
    for (int I = 0; I < 250 && (FDovecotPid = ReadPid(PidFile)) <= 0; ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (FDovecotPid > 0) Write(fs::path(FRoot) / "pids" / "dovecot", std::to_string(FDovecotPid));
    const bool Up = WaitListening(FPopPort, 5000) && WaitListening(FPopsPort, 5000);
    if (FDovecotPid <= 0 || !Up)
        return (Why = FDovecotWhy = "dovecot does not listen: " + Read(Dir / "dovecot.log"), false);
    FDovecotFailed = false;
    return true;
}

bool MailServers::StartPostfix(std::string& Why) {
    if (FPostfixPid > 0) return true;
    if (FPostfixFailed) return (Why = FPostfixWhy, false);
    FPostfixFailed = true;
    if (geteuid() != 0)
        return (Why = FPostfixWhy = "the real-server tests need root (Postfix runs as root only)", false);
    if (!Installed("/usr/sbin/postfix") || !Installed("/usr/lib/postfix/sbin/master"))
        return (Why = FPostfixWhy = "Postfix is not installed (Debian package postfix)", false);
    // Sign-ins go to Dovecot's socket: without it smtpd stops at the first
    // sign-in and the master then holds the service back for a minute.
    if (!StartDovecot(Why)) return (FPostfixWhy = Why, false);
    Prepare();
    const fs::path Dir = fs::path(FRoot) / "postfix";
    const fs::path Etc = Dir / "etc";
    fs::create_directories(Etc);
    fs::create_directories(Dir / "queue");
    fs::create_directories(Dir / "data");
    chown((Dir / "data").c_str(), 0, 0);
    if (std::system(("chown postfix " + (Dir / "data").string()).c_str()) != 0)
        return (Why = FPostfixWhy = "no postfix user on this machine", false);
    FSmtpPort = FreePort();
    FSubmissionPort = FreePort();
    FSmtpsPort = FreePort();
    FExpiredPort = FreePort();
    FRoguePort = FreePort();
    std::string Maps;
    for (const char* U : Users) Maps += std::string(U) + "@" + Domain + "  " + U + "/Maildir/\n";
    Write(Etc / "vmailbox", Maps);
    Write(Etc / "refuse", std::string("refused@") + Domain + "  550 5.1.1 Recipient refused for testing\n");
    const std::string E = Etc.string();
    Write(Etc / "main.cf",
          "compatibility_level = 3.6\n"
          "queue_directory = " +
              (Dir / "queue").string() +
              "\n"
              "data_directory = " +
              (Dir / "data").string() +
              "\n"
              "maillog_file = " +
              (Dir / "postfix.log").string() +
              "\n"
              "maillog_file_prefixes = " +
              FRoot +
              "\n"
              "inet_interfaces = loopback-only\ninet_protocols = ipv4\nmyhostname = mx.example.test\n"
              "mydestination =\nmynetworks = 127.0.0.0/8\nalias_maps =\nalias_database =\n"
              "virtual_mailbox_domains = " +
              Domain +
              "\n"
              "virtual_mailbox_base = " +
              FRoot +
              "/mail\n"
              "virtual_mailbox_maps = texthash:" +
              E +
              "/vmailbox\n"
              "virtual_uid_maps = static:8\nvirtual_gid_maps = static:8\nvirtual_minimum_uid = 8\n"
              "smtpd_recipient_restrictions = check_recipient_access texthash:" +
              E +
              "/refuse, permit_mynetworks, reject_unauth_destination\n"
              "message_size_limit = 0\nvirtual_mailbox_limit = 0\nsmtputf8_enable = no\nbiff = no\n"
              "smtpd_banner = $myhostname ESMTP\nsmtpd_peername_lookup = no\n"
              "smtpd_tls_cert_file = " +
              FCerts.Good + "\nsmtpd_tls_key_file = " + FCerts.Key +
              "\n"
              "smtpd_sasl_type = dovecot\nsmtpd_sasl_path = " +
              FRoot + "/dovecot/run/auth-postfix\n");
    std::string Master = "127.0.0.1:" + std::to_string(FSmtpPort) + " inet n - n - - smtpd\n";
    // Mail only after a sign-in; the client rule stops loopback, which
    // mynetworks admits.
    const std::string SignInOnly = " -o smtpd_sasl_auth_enable=yes"
                                   " -o smtpd_client_restrictions=permit_sasl_authenticated,reject"
                                   " -o smtpd_relay_restrictions=permit_sasl_authenticated,reject";
    Master += "127.0.0.1:" + std::to_string(FSubmissionPort) +
              " inet n - n - - smtpd -o smtpd_tls_security_level=encrypt" + SignInOnly + "\n";
    const std::pair<int, std::string> Wrapped[] = {
        {FSmtpsPort, FCerts.Good}, {FExpiredPort, FCerts.Expired}, {FRoguePort, FCerts.Rogue}};
    for (const auto& [Port, Cert] : Wrapped)
        Master += "127.0.0.1:" + std::to_string(Port) +
                  " inet n - n - - smtpd -o smtpd_tls_wrappermode=yes -o smtpd_tls_cert_file=" + Cert +
                  SignInOnly + "\n";
    Master += "tlsmgr unix - - n 1000? 1 tlsmgr\n";
    for (const char* L : {"pickup unix n - n 60 1 pickup",
                          "cleanup unix n - n - 0 cleanup",
                          "qmgr unix n - n 300 1 qmgr",
                          "rewrite unix - - n - - trivial-rewrite",
                          "bounce unix - - n - 0 bounce",
                          "defer unix - - n - 0 bounce",
                          "trace unix - - n - 0 bounce",
                          "verify unix - - n - 1 verify",
                          "flush unix n - n 1000? 0 flush",
                          "proxymap unix - - n - - proxymap",
                          "proxywrite unix - - n - 1 proxymap",
                          "smtp unix - - n - - smtp",
                          "relay unix - - n - - smtp",
                          "showq unix n - n - - showq",
                          "error unix - - n - - error",
                          "retry unix - - n - - error",
                          "discard unix - - n - - discard",
                          "local unix - n n - - local",
                          "virtual unix - n n - - virtual",
                          "lmtp unix - - n - - lmtp",
                          "anvil unix - - n - 1 anvil",
                          "scache unix - - n - 1 scache",
                          "postlog unix-dgram n - n - 1 postlogd"})
        Master += std::string(L) + "\n";
    Write(Etc / "master.cf", Master);
    // "postfix start" waits until main.cf is two seconds old.
    const fs::file_time_type Old = fs::file_time_type::clock::now() - std::chrono::seconds(10);
    fs::last_write_time(Etc / "main.cf", Old);
    fs::last_write_time(Etc / "master.cf", Old);
    const std::string Cmd = "/usr/sbin/postfix -c " + E + " start >" + (Dir / "start.log").string() + " 2>&1";
    const int Rc = std::system(Cmd.c_str());
    bool Up = Rc == 0;
    for (int Port : {FSmtpPort, FSubmissionPort, FSmtpsPort, FExpiredPort, FRoguePort})
        Up = Up && WaitListening(Port, 5000);
    FPostfixPid = ReadPid(Dir / "queue" / "pid" / "master.pid");
    if (FPostfixPid > 0) Write(fs::path(FRoot) / "pids" / "postfix", std::to_string(FPostfixPid));
    if (!Up || FPostfixPid <= 0)
        return (Why = FPostfixWhy =
                    "postfix did not start: " + Read(Dir / "start.log") + Read(Dir / "postfix.log"),
                false);
    FPostfixFailed = false;
    return true;
}

void MailServers::Seed(const std::string& User, const std::string& Text) {
    const fs::path P = fs::path(FRoot) / "mail" / User / "Maildir" / "new" /
                       (std::to_string(getpid()) + "." + std::to_string(++FSeq) + ".seeded");
    Write(P, Text);
    chown(P.c_str(), MailUid, MailUid);
}

void MailServers::Empty(const std::string& User) {
    for (const char* Sub : {"cur", "new"})
        for (const auto& E : fs::directory_iterator(fs::path(FRoot) / "mail" / User / "Maildir" / Sub))
            fs::remove(E.path());
}

std::vector<std::string> MailServers::Messages(const std::string& User) const {
    std::vector<std::string> R;
    for (const char* Sub : {"cur", "new"}) {
        const fs::path D = fs::path(FRoot) / "mail" / User / "Maildir" / Sub;
        if (!fs::exists(D)) continue;
        for (const auto& E : fs::directory_iterator(D)) R.push_back(Read(E.path()));
    }
    return R;
}
