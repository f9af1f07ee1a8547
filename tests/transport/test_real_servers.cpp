// Tests of TPOPx against a real Dovecot and of TSMTPx against a real Postfix delivering into its Maildir.
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
    PopSession(const std::string& User, const std::string& Password, bool Apop = false) {
        Pop.Address = "127.0.0.1";
        Pop.Port = MailServers::Get().PopPort();
        Pop.User = User;
        Pop.Password = Password;
        Pop.APop = Apop;
        Pop.OnRecvComp = [this](bool Ok, TPopState S) { Events.push_back({Ok, S}); };
        Pop.OnGetError = [this](bool Ok, TPopState S) { Events.push_back({Ok, S}); };
        Pop.OnError = [](QObject*, TCustomWinSocket*, TErrorEvent, int& Code) {
            ADD_FAILURE() << "socket error " << Code;
            Code = 0;
        };
    }
    ~PopSession() { End(); }
    // Runs Start and waits for the next completion; returns it.
    std::pair<bool, TPopState> Step(const std::function<void()>& Start) {
        Events.clear();
        Start();
        if (!ProcessEventsUntil([this] { return !Events.empty(); }, 20000)) return {false, popNone};
        return Events.front();
    }
    std::pair<bool, TPopState> Login() {
        return Step([this] { Pop.Connect(); });
    }
    void End() {
        Pop.Quit();
        ProcessEventsUntil([this] { return !Pop.Opening(); }, 5000);
    }
};

struct SmtpSession {
    TSMTPx Smtp;
    int Done = 0;
    std::vector<std::pair<TSMTPState, std::string>> Errors;
    SmtpSession() {
        Smtp.Address = "127.0.0.1";
        Smtp.Port = MailServers::Get().SmtpPort();
        Smtp.Domain = "client.example.test";
        Smtp.MyAddress = "sender@example.test";
        Smtp.OnSendComp = [this](TObject*) { ++Done; };
        Smtp.OnSMTPError = [this](TSMTPState S, const std::string& R) { Errors.push_back({S, R}); };
    }
    ~SmtpSession() {
        Smtp.Quit();
        ProcessEventsUntil([this] { return !Smtp.Opening(); }, 5000);
    }
    bool Send(const std::string& Text) {
        TStringList L;
        L.SetText(Text);
        if (!Smtp.SendMessage(L)) return false;
        return ProcessEventsUntil([this] { return Done > 0 || !Errors.empty(); }, 20000);
    }
};

// Waits until the user's mailbox holds a message containing Needle.
bool Delivered(const std::string& User, const std::string& Needle) {
    return ProcessEventsUntil(
        [&] {
            for (const std::string& M : MailServers::Get().Messages(User))
                if (M.find(Needle) != std::string::npos) return true;
            return false;
        },
        20000);
}

std::string WithCrLf(const std::string& LfText) {
    std::string R;
    for (char C : LfText) {
        if (C == '\n') R += '\r';
        R += C;
    }
    return R;
}

}  // namespace

TEST(DovecotPop3, UserPassAndApopLoginsAndWrongPasswords) {
    NEED_SERVERS(Dovecot);
    MailServers& S = MailServers::Get();
    S.Empty("carol");
    {
        PopSession P("carol", "carolpw");
        EXPECT_EQ(P.Login(), std::make_pair(true, popList));
        EXPECT_EQ(P.Pop.MessageCount, 0);
        EXPECT_TRUE(P.Pop.Sizes.empty());
        EXPECT_EQ(P.Pop.LastCommand, "LIST");
    }
    S.Empty("dave");
    S.Seed("dave", "Subject: apop\n\nhello\n");
    {
        PopSession P("dave", "davepw", true);
        EXPECT_EQ(P.Login(), std::make_pair(true, popList));
        EXPECT_EQ(P.Pop.MessageCount, 1);
    }
    {
        PopSession P("alice", "wrong");
        EXPECT_EQ(P.Login(), std::make_pair(false, popPass));
        EXPECT_EQ(P.Pop.State, popReady);
    }
    {
        PopSession P("dave", "wrong", true);
        EXPECT_EQ(P.Login(), std::make_pair(false, popApop));
        EXPECT_EQ(P.Pop.State, popReady);
    }
}

TEST(DovecotPop3, ListTopRetrDotLinesFiveMegabytesAndDele) {
    NEED_SERVERS(Dovecot);
    MailServers& S = MailServers::Get();
    S.Empty("alice");
    const std::string First = "From: a@example.test\nSubject: first\n\nbody line\n";
    const std::string Dotted = "Subject: dots\n\n.\n..\n.hidden\n..two\nend\n";
    std::string Big = "Subject: big\n\n";
    for (int I = 0; Big.size() < (5u << 20); ++I)
        Big += "line " + std::to_string(I) + std::string(70, 'x') + "\n";
    S.Seed("alice", First);
    S.Seed("alice", Dotted);
    S.Seed("alice", Big);

    PopSession P("alice", "alicepw");
    ASSERT_EQ(P.Login(), std::make_pair(true, popList));
    ASSERT_EQ(P.Pop.MessageCount, 3);
    EXPECT_EQ(P.Pop.MessageSize(0), static_cast<int>(WithCrLf(First).size()));
    EXPECT_EQ(P.Pop.MessageSize(2), static_cast<int>(WithCrLf(Big).size()));

    EXPECT_EQ(P.Step([&] { P.Pop.RetrieveHeader(1); }), std::make_pair(true, popTop));
    EXPECT_EQ(P.Pop.Lines.GetText(), "From: a@example.test\r\nSubject: first\r\n\r\n");

    EXPECT_EQ(P.Step([&] { P.Pop.Retrieve(2); }), std::make_pair(true, popRetr));
    EXPECT_EQ(P.Pop.Lines.GetText(), WithCrLf(Dotted));

    EXPECT_EQ(P.Step([&] { P.Pop.Retrieve(3); }), std::make_pair(true, popRetr));
    EXPECT_TRUE(P.Pop.Lines.GetText() == WithCrLf(Big));

    EXPECT_EQ(P.Step([&] { P.Pop.Delete(1); }), std::make_pair(true, popDele));
    P.End();
    EXPECT_EQ(P.Pop.State, popNone);

    PopSession Again("alice", "alicepw");
    ASSERT_EQ(Again.Login(), std::make_pair(true, popList));
    EXPECT_EQ(Again.Pop.MessageCount, 2);
}

TEST(PostfixSmtp, DeliversToCcAndBccRecipientsWithDotLinesIntact) {
    NEED_SERVERS(Dovecot, Postfix);
    MailServers& S = MailServers::Get();
    for (const char* U : {"alice", "bob", "carol", "dave"}) S.Empty(U);
    SmtpSession Smtp;
    const std::string Subject = "delivery-" + std::to_string(getpid());
    ASSERT_TRUE(
        Smtp.Send("From: Sender <sender@example.test>\r\nTo: alice@example.test,, dave@example.test\r\n"
                  "Cc: bob@example.test\r\nBcc: carol@example.test\r\nSubject: " +
                  Subject + "\r\n\r\n.\r\n..x\r\n.y\r\nlast\r\n"));
    ASSERT_TRUE(Smtp.Errors.empty()) << Smtp.Errors[0].second;
    EXPECT_EQ(Smtp.Done, 1);
    EXPECT_EQ(Smtp.Smtp.Accepted.Count(), 4);
    for (const char* U : {"alice", "bob", "carol", "dave"}) EXPECT_TRUE(Delivered(U, Subject)) << U;

    PopSession P("carol", "carolpw");  // the Bcc recipient
    ASSERT_EQ(P.Login(), std::make_pair(true, popList));
    ASSERT_EQ(P.Pop.MessageCount, 1);
    ASSERT_EQ(P.Step([&] { P.Pop.Retrieve(1); }), std::make_pair(true, popRetr));
    const std::string Text = P.Pop.Lines.GetText();
    EXPECT_EQ(Text.find("\r\nBcc:"), std::string::npos);
    EXPECT_NE(Text.find("Subject: " + Subject + "\r\n"), std::string::npos);
    EXPECT_NE(Text.find("\r\n\r\n.\r\n..x\r\n.y\r\nlast\r\n"), std::string::npos);
}

TEST(PostfixSmtp, RefusedRecipients) {
    NEED_SERVERS(Dovecot, Postfix);
    MailServers& S = MailServers::Get();
    S.Empty("dave");
    {
        SmtpSession Smtp;
        const std::string Subject = "half-refused-" + std::to_string(getpid());
        ASSERT_TRUE(Smtp.Send("To: refused@example.test, dave@example.test\r\nSubject: " + Subject +
                              "\r\n\r\nx\r\n"));
        EXPECT_EQ(Smtp.Done, 1);
        ASSERT_EQ(Smtp.Smtp.Rejected.Count(), 1);
        EXPECT_EQ(Smtp.Smtp.Rejected[0].substr(0, 4), "550 ");
        EXPECT_TRUE(Delivered("dave", Subject));
    }
    {
        SmtpSession Smtp;
        ASSERT_TRUE(
            Smtp.Send("To: refused@example.test\r\nCc: dave@example.test\r\nSubject: none\r\n\r\nx\r\n"));
        EXPECT_EQ(Smtp.Done, 0);
        ASSERT_EQ(Smtp.Errors.size(), 1u);
        EXPECT_EQ(Smtp.Errors[0], std::make_pair(smtpRcpt, std::string("\"To Addresses\" are not valid")));
        EXPECT_EQ(Smtp.Smtp.State, smtpReady);
    }
}
