// Benchmark: the receive flow against Python's poplib on the same real Dovecot (header-only and whole-message listings),
// memory per listed message, the event loop while the real window lists 10,000 messages, and reading a 30 MB message
// in the window against velnaro-msg.
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "../BenchCommon.h"
#include "Main.h"
#include "MailNews.h"
#include "MailServers.h"
#include "MessageStore.h"
#include "BaseMsg.h"
#include "ReceiveFlow.h"
#include "cp932.h"
#include "sjisconv.h"

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point T) { return std::chrono::duration<double>(Clock::now() - T).count(); }

std::string PeerScript, MsgTool;

// Seconds the command's last line gives, or the command's own wall time when
// Timed is false.
double Run(const std::string& Cmd, bool Timed = true) {
    const auto T0 = Clock::now();
    FILE* F = popen(Cmd.c_str(), "r");
    if (!F) return -1;
    double T = -1;
    char Line[256];
    while (fgets(Line, sizeof Line, F))
        if (Timed) T = std::atof(Line);
    const int Rc = pclose(F);
    if (Rc != 0) return -1;
    return Timed ? T : Since(T0);
}

size_t HeapInUse() { return mallinfo2().uordblks; }

// A message of about Size bytes with a Japanese subject and sender.
std::string Message(int N, size_t Size) {
    std::string H =
        "From: =?ISO-2022-JP?B?GyRCOjRGIxsoQg==?= <sender" + std::to_string(N) +
        "@example.test>\r\nTo: bench@example.test\r\n"
        "Subject: =?ISO-2022-JP?B?GyRCQkckQTlnJG8kOxsoQg==?= " +
        std::to_string(N) + "\r\nDate: Tue, 01 Dec 2026 09:15:00 +0900\r\nMessage-ID: <" + std::to_string(N) +
        "@bench.example.test>\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\n";
    std::string Body;
    const std::string Line =
        SJISToJIS(SJ("本日の会議資料をお送りします。ご確認のほどよろしくお願いいたします。")) + "\r\n";
    while (H.size() + Body.size() + Line.size() <= Size) Body += Line;
    return H + Body;
}

void Seed(const std::string& User, int Count, size_t Size) {
    MailServers::Get().Empty(User);
    for (int I = 1; I <= Count; ++I) MailServers::Get().Seed(User, Message(I, Size));
}

struct TListing {
    double Seconds = -1;
    size_t Heap = 0;         // heap growth while listing
    size_t HeaderBytes = 0;  // bytes of the header lines kept
    int Rows = 0;
};

TListing FlowListing(const std::string& User, bool HeaderOnly) {
    TListing R;
    const size_t Before = HeapInUse();
    auto Flow = std::make_unique<TReceiveFlow>();
    Flow->Port = MailServers::Get().PopPort();
    Flow->MakeReachCheck = [] { return std::make_unique<TAtOnce>(); };
    bool Done = false;
    Flow->Events.OnPopStatus = [&](const std::string& S) {
        if (S == SJ("メールの情報読み込みが完了しました")) Done = true;
    };
    Flow->Events.OnRowAdded = [&](const TListRow&) { ++R.Rows; };
    Flow->Events.OnMessageBox = [](TBoxIcon, const std::string& T) {
        std::fprintf(stderr, "box: %s\n", Cp932ToUtf8(T).c_str());
    };
    TAccountRecord A;
    A.eUserName = User;
    A.ePassword = User + "pw";
    A.Edit1 = "127.0.0.1";
    A.mailhead = HeaderOnly;
    const auto T0 = Clock::now();
    Flow->PasswdOKClick(A);
    ProcessEventsUntil([&] { return Done; }, 600000);
    R.Seconds = Since(T0);
    ProcessEventsUntil([&] { return !Flow->Connected(); }, 5000);
    Flow->Pop()->Lines.Clear();
    R.Heap = HeapInUse() - Before;
    const TMessageStore& S = Flow->MessageStore();
    for (int I = 0; I < S.Count(); ++I) {
        const TStringList& H = S.Message(I)->Header();
        for (int J = 0; J < H.Count(); ++J) R.HeaderBytes += H.View(J).size();
    }
    if (!Done) R.Seconds = -1;
    return R;
}

double Best(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V.empty() ? -1 : V.front();
}

// The window lists Count messages while a 10 ms timer measures the longest
// gap between two turns of the event loop.
double WindowGap(const std::string& User, int Rows) {
    TMainForm W;
    W.Receive->Port = MailServers::Get().PopPort();
    W.Receive->MakeReachCheck = [] { return std::make_unique<TAtOnce>(); };
    W.resize(800, 600);
    W.show();
    QElapsedTimer Clock;
    double MaxGap = 0;
    qint64 Last = -1;
    QTimer Tick;
    QObject::connect(&Tick, &QTimer::timeout, [&] {
        const qint64 Now = Clock.elapsed();
        if (Last >= 0) MaxGap = std::max<double>(MaxGap, double(Now - Last));
        Last = Now;
    });
    TAccountRecord A;
    A.eUserName = User;
    A.ePassword = User + "pw";
    A.Edit1 = "127.0.0.1";
    W.Host.Account = A;
    W.eUserName->setEditText(QString::fromStdString(User));
    W.ePassword->setText(QString::fromStdString(User + "pw"));
    Clock.start();
    Tick.start(10);
    W.PasswdOKClick();
    QEventLoop Loop;
    QTimer Poll;
    QObject::connect(&Poll, &QTimer::timeout, [&] {
        if (W.ListView1->topLevelItemCount() == Rows && !W.Receive->Connected()) Loop.quit();
    });
    Poll.start(50);
    QTimer::singleShot(600000, &Loop, &QEventLoop::quit);
    Loop.exec();
    if (W.ListView1->topLevelItemCount() != Rows) return -1;
    std::printf("window listing of %d messages took %.3f s\n", Rows, Clock.elapsed() / 1000.0);
    return MaxGap;
}

// A message of about 30 MB: a 1 MB Japanese text part and three base64
// attachments.
std::string BigMessage() {
    std::string M =
        "From: =?ISO-2022-JP?B?GyRCOjRGIxsoQg==?= <big@example.test>\r\nTo: bench@example.test\r\n"
        "Subject: =?ISO-2022-JP?B?GyRCQkckQTlnJG8kOxsoQg==?=\r\nDate: Tue, 01 Dec 2026 09:15:00 +0900\r\n"
        "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"bench-boundary\"\r\n\r\n"
        "--bench-boundary\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\n";
    const std::string Line =
        SJISToJIS(SJ("本日の会議資料をお送りします。ご確認のほどよろしくお願いいたします。")) + "\r\n";
    const size_t Start = M.size();
    while (M.size() - Start < (1u << 20)) M += Line;
    std::mt19937 Rng(7);
    static const char B64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int K = 1; K <= 3; ++K) {
        M += "--bench-boundary\r\nContent-Type: application/octet-stream; name=\"data" + std::to_string(K) +
             ".bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
        std::string L(76, 'A');
        for (int I = 0; I < 124000; ++I) {
            for (char& C : L) C = B64[Rng() % 64];
            M += L;
            M += "\r\n";
        }
    }
    return M + "--bench-boundary--\r\n";
}

// The real window in whole-message mode lists the big message; from the end
// of its RETR reply to the row, plus the double-click until the text is in
// the read box.
double WindowRead(const std::string& User) {
    TMainForm W;
    W.Receive->Port = MailServers::Get().PopPort();
    W.Receive->MakeReachCheck = [] { return std::make_unique<TAtOnce>(); };
    W.Cmailhead->setChecked(false);
    TAccountRecord A;
    A.eUserName = User;
    A.ePassword = User + "pw";
    A.Edit1 = "127.0.0.1";
    A.mailhead = false;
    W.Host.Account = A;
    W.eUserName->setEditText(QString::fromStdString(User));
    W.ePassword->setText(QString::fromStdString(User + "pw"));
    // The end of the RETR reply is where the flow reports its status first.
    Clock::time_point RetrEnd{}, RowIn{};
    TReceiveEvents& E = W.Receive->Events;
    auto Status = E.OnPopStatus;
    E.OnPopStatus = [&](const std::string& S) {
        if (S == "2" + SJ("通目を読み込み中")) RetrEnd = Clock::now();
        Status(S);
    };
    auto Row = E.OnRowAdded;
    E.OnRowAdded = [&](const TListRow& R) {
        Row(R);
        RowIn = Clock::now();
    };
    W.PasswdOKClick();
    ProcessEventsUntil([&] { return W.ListView1->topLevelItemCount() == 1 && !W.Receive->Connected(); },
                       600000);
    if (W.ListView1->topLevelItemCount() != 1) return -1;
    const double Store = std::chrono::duration<double>(RowIn - RetrEnd).count();
    W.ListView1->setCurrentItem(W.ListView1->topLevelItem(0));
    const auto T0 = Clock::now();
    W.CheckListBox1DblClick();
    const double Show = Since(T0);
    if (W.mReadMessage->document()->isEmpty()) return -1;
    return Store + Show;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_receive PEER.py VELNARO-MSG RUNS\n");
        return 2;
    }
    PeerScript = argv[1];
    MsgTool = argv[2];
    const int Runs = std::max(1, std::atoi(argv[3]));
    // An optional fourth argument picks parts: list, gap, whole, read.
    const std::string Parts = argc > 4 ? argv[4] : "list gap whole read";
    auto Part = [&](const char* Name) { return Parts.find(Name) != std::string::npos; };
    std::string Why;
    if (!MailServers::Get().StartDovecot(Why)) {
        std::fprintf(stderr, "Dovecot: %s\n", Why.c_str());
        return 1;
    }
    const std::string Port = std::to_string(MailServers::Get().PopPort());
    auto Peer = [&](const std::string& Mode, const std::string& User) {
        return Run("/usr/bin/python3 " + PeerScript + " " + Mode + " " + Port + " " + User);
    };

    // Header-only listing of 10,000 messages; the first run builds Dovecot's index.
    if (Part("list") || Part("gap")) Seed("alice", 10000, 2000);
    std::vector<double> Ours, Theirs;
    if (Part("list")) {
        Peer("top", "alice");
        TListing Last;
        for (int I = 0; I < Runs; ++I) {
            Last = FlowListing("alice", true);
            Ours.push_back(Last.Seconds);
            Theirs.push_back(Peer("top", "alice"));
        }
        std::printf(
            "header-only listing, 10000 messages: flow %.3f s, poplib %.3f s, ratio %.2f (target <= 1.2)\n",
            Best(Ours), Best(Theirs), Best(Ours) / Best(Theirs));
        const double PerRow = (double(Last.Heap) - double(Last.HeaderBytes)) / std::max(1, Last.Rows);
        std::printf(
            "memory: %zu bytes on the heap for %d rows, %zu of them header bytes: %.0f bytes per message beyond "
            "its header (target <= 4096)\n",
            Last.Heap, Last.Rows, Last.HeaderBytes, PerRow);
    }

    // The window lists the same 10,000.
    if (Part("gap")) {
        const double Gap = WindowGap("alice", 10000);
        std::printf(
            "window listing 10000 messages: longest event-loop gap %.0f ms (10 ms timer; target <= 50)\n",
            Gap);
    }

    // Whole-message listing of 1,000 messages of 20 KB.
    if (Part("whole")) {
        Seed("bob", 1000, 20 * 1024);
        Peer("retrall", "bob");
        Ours.clear();
        Theirs.clear();
        for (int I = 0; I < Runs; ++I) {
            Ours.push_back(FlowListing("bob", false).Seconds);
            Theirs.push_back(Peer("retrall", "bob"));
        }
        std::printf(
            "whole-message listing, 1000 x 20 KB: flow %.3f s, poplib %.3f s, ratio %.2f (target <= 1.2)\n",
            Best(Ours), Best(Theirs), Best(Ours) / Best(Theirs));
    }

    // Reading a 30 MB message in whole-message mode against velnaro-msg.
    if (Part("read")) {
        const std::string Big = BigMessage();
        const std::string File = "/tmp/velnaro-bench-big-" + std::to_string(getpid()) + ".eml";
        std::ofstream(File, std::ios::binary) << Big;
        MailServers::Get().Empty("carol");
        MailServers::Get().Seed("carol", Big);
        Ours.clear();
        Theirs.clear();
        for (int I = 0; I < Runs; ++I) {
            Ours.push_back(WindowRead("carol"));
            Theirs.push_back(Run(MsgTool + " " + File + " >/dev/null", false));
        }
        std::remove(File.c_str());
        std::printf(
            "reading a %.1f MB message: window %.3f s, velnaro-msg %.3f s, ratio %.2f (target <= 1.5)\n",
            Big.size() / 1048576.0, Best(Ours), Best(Theirs), Best(Ours) / Best(Theirs));
    }
    MailServers::Get().Empty("alice");
    MailServers::Get().Empty("bob");
    MailServers::Get().Empty("carol");
    return 0;
}
