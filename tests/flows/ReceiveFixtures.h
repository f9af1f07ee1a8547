// Test fixtures of the receive flow: the flow with its reports recorded, and a POP3 server in this process that replies as a script says.
#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FlowFixtures.h"
#include "MailNews.h"
#include "MessageStore.h"
#include "ReceiveFlow.h"
#include "cp932.h"

// A receive flow whose reports are recorded, with a check that answers at once.
struct ReceiveHarness {
    TReceiveFlow Flow;
    TInstantCheck::TAnswer Reach;
    std::vector<std::string> ConnectStatuses, PopStatuses;
    std::vector<std::pair<TBoxIcon, std::string>> Boxes;
    std::vector<TListRow> Rows;
    bool ControlsOn = true;
    int HourglassDepth = 0;
    bool ProgressShown = false;
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
    std::string LastPop() const { return PopStatuses.empty() ? std::string() : PopStatuses.back(); }
    bool Saw(const std::vector<std::string>& Texts, const std::string& T) const {
        return std::find(Texts.begin(), Texts.end(), T) != Texts.end();
    }
    // Waits until the flow has no connection and its controls are on.
    bool Idle(int Ms = 20000) {
        return Wait([this] { return !Flow.Connected() && ControlsOn; }, Ms);
    }
    // Logs in, lists and waits for the end of the connection.
    bool List(const TAccountRecord& A) {
        PopStatuses.clear();
        Flow.PasswdOKClick(A);
        return Wait([this] { return LastPop() == SJ("メールの情報読み込みが完了しました"); }, 30000) &&
               Idle();
    }
};

// A POP3 server in this process. It greets, then answers each command line
// with Answer(command) (an empty answer hangs up). Replies go out in pieces of
// Piece bytes, one piece per turn of the event loop.
class ScriptedPop {
public:
    ScriptedPop() {
        Server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&Server, &QTcpServer::newConnection, [this] {
            QTcpSocket* P = Server.nextPendingConnection();
            ++Connections;
            auto Buffer = std::make_shared<std::string>();
            QObject::connect(P, &QTcpSocket::readyRead, [this, P, Buffer] {
                *Buffer += P->readAll().toStdString();
                size_t End;
                while ((End = Buffer->find("\r\n")) != std::string::npos) {
                    const std::string Command = Buffer->substr(0, End);
                    Buffer->erase(0, End + 2);
                    Commands.push_back(Command);
                    const std::string Reply = Answer ? Answer(Command) : "+OK\r\n";
                    if (Reply.empty()) {
                        P->disconnectFromHost();
                        return;
                    }
                    Write(P, Reply);
                    if (Command == "QUIT") P->disconnectFromHost();
                }
            });
            Write(P, "+OK ready <1.2@scripted>\r\n");
        });
    }
    int Port() const { return Server.serverPort(); }

    std::function<std::string(const std::string& Command)> Answer;
    size_t Piece = 0;  // 0: the whole reply at once
    std::vector<std::string> Commands;
    int Connections = 0;

    // A mailbox of messages with these texts: the replies to LIST, UIDL
    // (Uids, or -ERR when empty), TOP n 0, RETR n and DELE n.
    static std::string Mailbox(const std::vector<std::string>& Texts, const std::vector<std::string>& Uids,
                               const std::string& Command) {
        auto Number = [&](size_t Verb) { return std::stoi(Command.substr(Verb)); };
        if (Command == "LIST") {
            std::string R = "+OK\r\n";
            for (size_t I = 0; I < Texts.size(); ++I)
                R += std::to_string(I + 1) + " " + std::to_string(Texts[I].size()) + "\r\n";
            return R + ".\r\n";
        }
        if (Command == "UIDL") {
            if (Uids.empty()) return "-ERR not supported\r\n";
            std::string R = "+OK\r\n";
            for (size_t I = 0; I < Uids.size(); ++I) R += std::to_string(I + 1) + " " + Uids[I] + "\r\n";
            return R + ".\r\n";
        }
        if (Command.rfind("TOP ", 0) == 0 || Command.rfind("RETR ", 0) == 0) {
            const bool Top = Command[0] == 'T';
            const size_t N = static_cast<size_t>(Number(Top ? 4 : 5));
            if (N < 1 || N > Texts.size()) return "-ERR no such message\r\n";
            std::string T = Texts[N - 1];
            if (Top) T = T.substr(0, T.find("\r\n\r\n") + 4);
            return "+OK\r\n" + T + ".\r\n";
        }
        return "+OK\r\n";
    }

private:
    void Write(QTcpSocket* P, const std::string& Reply) {
        if (Piece == 0) {
            P->write(Reply.data(), static_cast<qint64>(Reply.size()));
            return;
        }
        // Pieces in order, each in its own turn of the event loop.
        auto Rest = std::make_shared<std::string>(Reply);
        auto Step = std::make_shared<std::function<void()>>();
        *Step = [this, P, Rest, Step] {
            const size_t N = std::min(Piece, Rest->size());
            P->write(Rest->data(), static_cast<qint64>(N));
            P->flush();
            Rest->erase(0, N);
            if (!Rest->empty()) QTimer::singleShot(1, P, *Step);
        };
        (*Step)();
    }

    QTcpServer Server;
};
