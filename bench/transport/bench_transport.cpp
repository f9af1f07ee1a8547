// Benchmark: TPOPx and TSMTPx against Python's poplib and smtplib on the same local servers, plain and over TLS.
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "MailNews.h"
#include "MailServers.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point Start) {
    return std::chrono::duration<double>(Clock::now() - Start).count();
}

std::string PyScript;  // path of the Python peer

double Python(const std::string& Args) {
    const std::string Cmd = "/usr/bin/python3 " + PyScript + " " + Args;
    FILE* F = popen(Cmd.c_str(), "r");
    if (!F) return -1;
    double T = -1;
    if (fscanf(F, "%lf", &T) != 1) T = -1;
    pclose(F);
    return T;
}

// Logs in as User and runs Work once the listing is there; returns seconds
// from Connect to the end of Work's last reply.
double PopRun(const std::string& User, bool Top, bool Tls = false) {
    TPOPx Pop;
    Pop.Address = "127.0.0.1";
    Pop.Port = MailServers::Get().PopPort();
    if (Tls) Pop.SetSecurity({MailServers::Get().PopsPort(), TSecurity::Tls, "mail.example.test", {}});
    Pop.User = User;
    Pop.Password = User + "pw";
    bool Done = false;
    int Next = 0;
    auto Step = [&](bool, TPopState S) {
        if (S == popList) {
            Next = 1;
        } else {
            ++Next;
        }
        if (Top ? Next > Pop.MessageCount : S == popRetr) {
            Done = true;
            return;
        }
        if (Top)
            Pop.RetrieveHeader(Next);
        else
            Pop.Retrieve(1);
    };
    Pop.OnRecvComp = Step;
    Pop.OnGetError = [&](bool, TPopState S) {
        std::fprintf(stderr, "POP3 error in state %d\n", S);
        Done = true;
    };
    const auto Start = Clock::now();
    Pop.Connect();
    ProcessEventsUntil([&] { return Done; }, 600000);
    const double T = Seconds(Start);
    Pop.Quit();
    ProcessEventsUntil([&] { return !Pop.Opening(); }, 5000);
    return T;
}

double SmtpRun(const TStringList& Message, bool Tls = false) {
    TSMTPx Smtp;
    Smtp.Address = "127.0.0.1";
    Smtp.Port = MailServers::Get().SmtpPort();
    if (Tls) {
        // Submission: STARTTLS, then the sign-in.
        Smtp.SetSecurity({MailServers::Get().SubmissionPort(), TSecurity::StartTls, "mail.example.test", {}});
        Smtp.SignIn = true;
        Smtp.AuthUser = "dave";
        Smtp.AuthPassword = "davepw";
    }
    Smtp.Domain = "bench.example.test";
    Smtp.MyAddress = "bench@example.test";
    bool Done = false;
    Smtp.OnSendComp = [&](TObject*) { Done = true; };
    Smtp.OnSMTPError = [&](TSMTPState, const std::string& R) {
        std::fprintf(stderr, "SMTP error: %s\n", R.c_str());
        Done = true;
    };
    const auto Start = Clock::now();
    Smtp.SendMessage(Message);
    ProcessEventsUntil([&] { return Done; }, 600000);
    const double T = Seconds(Start);
    Smtp.Quit();
    ProcessEventsUntil([&] { return !Smtp.Opening(); }, 5000);
    return T;
}

// Runs both sides in turn, Runs times each, and reports the best time of each
// (taking turns keeps a change in the machine's load from favouring one side).
template <typename F, typename G>
void Compare(const char* What, int Runs, F Ours, G Theirs, double MB);

void Report(const char* What, double Ours, double Theirs, double MB) {
    std::printf("%-36s TPOPx/TSMTPx %7.3f s   Python %7.3f s   ratio %.2f", What, Ours, Theirs,
                Ours / Theirs);
    if (MB > 0) std::printf("   (%.0f MB/s vs %.0f MB/s)", MB / Ours, MB / Theirs);
    std::printf("\n");
}

template <typename F, typename G>
void Compare(const char* What, int Runs, F Ours, G Theirs, double MB) {
    double A = 1e9, B = 1e9;
    for (int I = 0; I < Runs; ++I) {
        A = std::min(A, Ours());
        B = std::min(B, Theirs());
    }
    Report(What, A, B, MB);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication App(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_transport PEER.py [runs]\n");
        return 2;
    }
    PyScript = argv[1];
    const int Runs = argc > 2 ? std::atoi(argv[2]) : 3;
    MailServers& S = MailServers::Get();
    std::string Why;
    if (!S.StartDovecot(Why) || !S.StartPostfix(Why)) {
        std::fprintf(stderr, "servers: %s\n", Why.c_str());
        return 1;
    }
    const std::string Port = std::to_string(S.PopPort());
    const std::string Ca = S.Certificates().CaFile;
    TClientSocket::ExtraCaCertificates = QSslCertificate::fromPath(QString::fromStdString(Ca));

    // One 50 MB message for alice; 1,000 small messages for bob.
    std::string Big = "Subject: big\n\n";
    for (int I = 0; Big.size() < (50u << 20); ++I)
        Big += "line " + std::to_string(I) + std::string(70, 'x') + "\n";
    S.Empty("alice");
    S.Seed("alice", Big);
    S.Empty("bob");
    for (int I = 0; I < 1000; ++I)
        S.Seed("bob", "From: a@example.test\nSubject: message " + std::to_string(I) +
                          "\nDate: Mon, 1 Jan 2024 00:00:00 +0900\n\nbody\n");
    PopRun("alice", false);  // warm the indexes and the page cache
    PopRun("bob", true);

    const double MB = Big.size() / 1048576.0;
    Compare(
        "RETR of a 50 MB message", Runs, [] { return PopRun("alice", false); },
        [&] { return Python("retr " + Port + " alice"); }, MB);
    Compare(
        "RETR of a 50 MB message over TLS", Runs, [] { return PopRun("alice", false, true); },
        [&] { return Python("retr-tls " + std::to_string(S.PopsPort()) + " alice " + Ca); }, MB);
    Compare(
        "TOP n 0 of 1,000 messages", Runs, [] { return PopRun("bob", true); },
        [&] { return Python("top " + Port + " bob"); }, 0);

    // A 30 MB message to carol.
    std::string Text = "From: bench@example.test\r\nTo: carol@example.test\r\nSubject: bench\r\n\r\n";
    for (int I = 0; Text.size() < (30u << 20); ++I)
        Text += "line " + std::to_string(I) + std::string(70, 'y') + "\r\n";
    TStringList Lines;
    Lines.SetText(Text);
    const std::string SmtpPort = std::to_string(S.SmtpPort());
    const std::string File = "/tmp/velnaro-bench-" + std::to_string(getpid()) + ".eml";
    {
        FILE* F = std::fopen(File.c_str(), "wb");
        std::fwrite(Text.data(), 1, Text.size(), F);
        std::fclose(F);
    }
    Compare(
        "sending a 30 MB message", Runs, [&] { return SmtpRun(Lines); },
        [&] { return Python("smtp " + SmtpPort + " " + File); }, Text.size() / 1048576.0);
    Compare(
        "sending 30 MB, STARTTLS and sign-in", Runs, [&] { return SmtpRun(Lines, true); },
        [&] { return Python("smtp-starttls " + std::to_string(S.SubmissionPort()) + " " + File + " " + Ca); },
        Text.size() / 1048576.0);
    std::remove(File.c_str());
    S.Empty("carol");
    return 0;
}
