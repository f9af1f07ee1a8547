// Tests of TPOPx against a real Dovecot and of TSMTPx against a real Postfix delivering into its Maildir:
// what the flow tests above them do not repeat (logins, TOP, DELE and a refused message are theirs).
#include <gtest/gtest.h>
#include <unistd.h>

#include "MailNews.h"
#include "MailServers.h"

namespace {

#define NEED_SERVERS(...)                                                                                    \
    do {                                                                                                     \
        if (geteuid() != 0) GTEST_SKIP() << "real Dovecot and Postfix need root to run here";                \
        std::string Why;                                                                                     \
        for (auto Start : {__VA_ARGS__}) ASSERT_TRUE((MailServers::Get().*Start)(Why)) << Why;               \
    } while (0)

using StartFn = bool (MailServers::*)(std::string&);
const StartFn Dovecot = &MailServers::StartDovecot;
const StartFn Postfix = &MailServers::StartPostfix;

struct PopSession {
    TPOPx Pop;
    std::vector<std::pair<bool, TPopState>> Events;
    explicit PopSession(const std::string& User) {
        Pop.Address = "127.0.0.1";
        Pop.Port = MailServers::Get().PopPort();
        Pop.User = User;
        Pop.Password = User + "pw";
        Pop.OnRecvComp = Pop.OnGetError = [this](bool Ok, TPopState S) { Events.push_back({Ok, S}); };
        Pop.OnError = [](QObject*, TCustomWinSocket*, TErrorEvent, int& Code) {
            ADD_FAILURE() << "socket error " << Code;
            Code = 0;
        };
    }
    ~PopSession() {
        Pop.Quit();
        ProcessEventsUntil([this] { return !Pop.Opening(); }, 5000);
    }
    // Runs Start and waits for the next completion; returns it.
    std::pair<bool, TPopState> Step(const std::function<void()>& Start) {
        Events.clear();
        Start();
        if (!ProcessEventsUntil([this] { return !Events.empty(); }, 20000)) return {false, popNone};
        return Events.front();
    }
};

std::string WithCrLf(const std::string& LfText) {
    std::string R;
    for (char C : LfText) (C == '\n' ? R += "\r\n" : R += C);
    return R;
}

}  // namespace

TEST(DovecotPop3, RetrGivesDotLinesAndFiveMegabytesWholeAtTheListedSizes) {
    NEED_SERVERS(Dovecot);
    MailServers& S = MailServers::Get();
    S.Empty("alice");
    const std::string Dotted = "Subject: dots\n\n.\n..\n.hidden\n..two\nend\n";
    std::string Big = "Subject: big\n\n";
    for (int I = 0; Big.size() < (5u << 20); ++I)
        Big += "line " + std::to_string(I) + std::string(70, 'x') + "\n";
    S.Seed("alice", Dotted);
    S.Seed("alice", Big);

    PopSession P("alice");
    ASSERT_EQ(P.Step([&] { P.Pop.Connect(); }), std::make_pair(true, popList));
    ASSERT_EQ(P.Pop.MessageCount, 2);
    // Dovecot lists the seeded files in its own order.
    const int BigNo = P.Pop.MessageSize(0) > P.Pop.MessageSize(1) ? 1 : 2;
    for (int No : {1, 2}) {
        const std::string Text = WithCrLf(No == BigNo ? Big : Dotted);
        EXPECT_EQ(P.Pop.MessageSize(No - 1), static_cast<int>(Text.size()));
        EXPECT_EQ(P.Step([&] { P.Pop.Retrieve(No); }), std::make_pair(true, popRetr));
        EXPECT_TRUE(P.Pop.Lines.GetText() == Text) << No;
    }
}

TEST(PostfixSmtp, DeliversToCcAndBccPassingEmptyAndRefusedEntriesWithDotLinesIntact) {
    NEED_SERVERS(Dovecot, Postfix);
    MailServers& S = MailServers::Get();
    for (const char* U : {"alice", "bob", "carol"}) S.Empty(U);
    TSMTPx Smtp;
    Smtp.Address = "127.0.0.1";
    Smtp.Port = S.SmtpPort();
    Smtp.Domain = "client.example.test";
    int Done = 0;
    std::vector<std::string> Errors;
    Smtp.OnSendComp = [&](TObject*) { ++Done; };
    Smtp.OnSMTPError = [&](TSMTPState, const std::string& R) { Errors.push_back(R); };
    TStringList L;
    L.SetText(
        "From: Sender <sender@example.test>\r\nTo: refused@example.test,, alice@example.test\r\n"
        "Cc: bob@example.test\r\nBcc: carol@example.test\r\nSubject: both\r\n\r\n.\r\n..x\r\n.y\r\nlast\r\n");
    ASSERT_TRUE(Smtp.SendMessage(L));
    ASSERT_TRUE(ProcessEventsUntil([&] { return Done > 0 || !Errors.empty(); }, 20000));
    ASSERT_TRUE(Errors.empty()) << Errors[0];
    EXPECT_EQ(Smtp.Accepted.Count(), 3);
    ASSERT_EQ(Smtp.Rejected.Count(), 1);
    EXPECT_EQ(Smtp.Rejected[0].substr(0, 4), "550 ");
    Smtp.Quit();
    ProcessEventsUntil([&] { return !Smtp.Opening(); }, 5000);

    for (const char* U : {"alice", "bob", "carol"}) {
        ASSERT_TRUE(ProcessEventsUntil([&] { return !S.Messages(U).empty(); }, 20000)) << U;
        const std::string Text = S.Messages(U)[0];
        EXPECT_EQ(Text.find("\nBcc:"), std::string::npos) << U;
        EXPECT_NE(Text.find("\nSubject: both\n"), std::string::npos);
        EXPECT_EQ(Text.substr(Text.find("\n\n")), "\n\n.\n..x\n.y\nlast\n");
    }
}
