// Test fixtures of the receive flow: the flow with its reports recorded, and a POP3 server in this process that answers as a mailbox or as a script says.
#pragma once

#include "FlowFixtures.h"
#include "MessageStore.h"
#include "ReceiveFlow.h"

// A receive flow whose reports are recorded, with a check that answers at once.
struct ReceiveHarness {
    TReceiveFlow Flow;
    TInstantCheck::TAnswer Reach;
    std::vector<std::string> ConnectStatuses, PopStatuses;
    TBoxes Boxes;
    std::vector<TListRow> Rows;
    bool ControlsOn = true, ProgressShown = false;
    int HourglassDepth = 0;
    std::string CountText, OkCaption;
    int Min = -1, Max = -1, Spin = -1;
    std::unique_ptr<TReadLayout> Shown;

    explicit ReceiveHarness(int Port) {
        Flow.Port = Port;
        Flow.MakeReachCheck = [this] { return std::make_unique<TInstantCheck>(Reach); };
        TReceiveEvents& E = Flow.Events;
        E.OnConnectStatus = [this](const std::string& S) { ConnectStatuses.push_back(S); };
        E.OnPopStatus = [this](const std::string& S) { PopStatuses.push_back(S); };
        E.OnMessageBox = [this](TBoxIcon I, const std::string& T) { Boxes.push_back({I, T}); };
        E.OnReceiveControls = [this](bool On) { ControlsOn = On; };
        E.OnHourglass = [this](bool On) { HourglassDepth += On ? 1 : -1; };
        E.OnProgressShown = [this](bool On) { ProgressShown = On; };
        E.OnCountText = [this](const std::string& T) { CountText = T; };
        E.OnOkCaption = [this](const std::string& T) { OkCaption = T; };
        E.OnSpinRange = [this](int A, int B, int V) { Min = A, Max = B, Spin = V; };
        E.OnSpinValue = [this](int V) { Spin = V; };
        E.OnRowsCleared = [this] { Rows.clear(); };
        E.OnRowAdded = [this](const TListRow& R) { Rows.push_back(R); };
        E.OnShowMessage = [this](const TReadLayout& L) { Shown = std::make_unique<TReadLayout>(L); };
    }
    static TAccountRecord Account(const std::string& User = "alice", bool HeaderOnly = true) {
        TAccountRecord A;
        A.eUserName = User;
        A.ePassword = User + "pw";
        A.Edit1 = "pop.example.test";
        A.mailhead = HeaderOnly;
        return A;
    }
    std::string LastPop() const { return Last(PopStatuses); }
    // Waits until the flow has no connection and its controls are on.
    bool Idle(int Ms = 20000) {
        return Wait([this] { return !Flow.Connected() && ControlsOn; }, Ms);
    }
    // Waits until a listing has ended.
    bool Listed() {
        return Wait(
                   [this] {
                       return !Flow.DeleteMode && LastPop() == SJ("メールの情報読み込みが完了しました");
                   },
                   30000) &&
               Idle();
    }
    // Logs in and lists.
    bool List(const TAccountRecord& A) {
        PopStatuses.clear();
        Flow.PasswdOKClick(A);
        return Listed();
    }
    // Reads Row and waits until it is shown or refused with a message box.
    bool Read(const TAccountRecord& A, int Row) {
        Shown.reset();
        Boxes.clear();
        PopStatuses.clear();
        Flow.CheckListBox1DblClick(A, Row);
        return Wait([this] { return Shown || !Boxes.empty(); }) && Idle();
    }
    // Marks the rows whose subject is one of Subjects and runs the delete pass.
    bool DeleteBySubject(const TAccountRecord& A, const std::vector<std::string>& Subjects) {
        for (size_t I = 0; I < Rows.size(); ++I)
            if (Has(Subjects, Rows[I].Subject)) Flow.ListView1Change(int(I), true);
        PopStatuses.clear();
        Flow.Button1Click(A);
        return Listed();  // the pass lists the mailbox again at its end
    }
};

// A POP3 server in this process.
struct ScriptedPop : FakeServer {
    ScriptedPop() : FakeServer("+OK ready <1.2@scripted>\r\n") {
        Answer = [](const std::string&) { return std::string("+OK\r\n"); };
    }
    // Answers as a mailbox of messages with these texts: LIST, UIDL (Uids,
    // or -ERR when empty), TOP n 0, RETR n; +OK to the rest.
    void Serve(const std::vector<std::string>& Texts, const std::vector<std::string>& Uids = {}) {
        Answer = [&Texts, Uids](const std::string& Command) { return Mailbox(Texts, Uids, Command); };
    }
    static std::string Mailbox(const std::vector<std::string>& Texts, const std::vector<std::string>& Uids,
                               const std::string& Command) {
        std::string R = "+OK\r\n";
        if (Command == "LIST" || Command == "UIDL") {
            if (Command == "UIDL" && Uids.empty()) return "-ERR not supported\r\n";
            for (size_t I = 0; I < Texts.size(); ++I)
                R += std::to_string(I + 1) + " " +
                     (Command == "UIDL" ? Uids[I] : std::to_string(Texts[I].size())) + "\r\n";
            return R + ".\r\n";
        }
        const bool Top = Command.rfind("TOP ", 0) == 0;
        if (!Top && Command.rfind("RETR ", 0) != 0) return R;
        const size_t N = std::stoul(Command.substr(Top ? 4 : 5));
        if (N < 1 || N > Texts.size()) return "-ERR no such message\r\n";
        const std::string& T = Texts[N - 1];
        return R + (Top ? T.substr(0, T.find("\r\n\r\n") + 4) : T) + ".\r\n";
    }
};
