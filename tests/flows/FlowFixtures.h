// Test fixtures of the flows: a reachability check that answers at once, a send flow with its reports recorded, an in-process mail server for SMTP and POP3 scripts.
#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

#include "MailNews.h"
#include "SendFlow.h"
#include "cp932.h"

using TBoxes = std::vector<std::pair<TBoxIcon, std::string>>;

inline bool Wait(const std::function<bool()>& Done, int Ms = 10000) { return ProcessEventsUntil(Done, Ms); }
inline bool Has(const std::vector<std::string>& Texts, const std::string& T) {
    return std::find(Texts.begin(), Texts.end(), T) != Texts.end();
}
inline std::string Last(const std::vector<std::string>& Texts) { return Texts.empty() ? "" : Texts.back(); }
// A loopback port nothing listens on.
inline int ClosedPort() {
    QTcpServer Gone;
    Gone.listen(QHostAddress::LocalHost, 0);
    return Gone.serverPort();
}

// A reachability check that answers at once with the values of Answer.
struct TInstantCheck : TReachCheck {
    struct TAnswer {
        bool Found = true, Reachable = true;
        std::string Address = "127.0.0.1", ErrorText;
        int Checks = 0;
    };
    explicit TInstantCheck(TAnswer& A) : Answer(A) {}
    void Check() override {
        ++Answer.Checks;
        Found = Answer.Found;
        Reachable = Answer.Reachable;
        Address = Answer.Address;
        ErrorText = Answer.ErrorText;
    }
    TAnswer& Answer;
};

inline TSendDraft Draft(const std::string& To = "alice@example.test", const std::string& Subject = "hello") {
    return {To, "", Subject, "line 1\r\nline 2", {}, "", ""};
}

// A send flow whose reports are recorded, with a check that answers at once.
struct SendHarness {
    std::unique_ptr<TSendFlow> Flow;
    TInstantCheck::TAnswer Reach;
    std::vector<std::string> Statuses;
    TBoxes Boxes;
    bool ControlsOn = true;
    int SettingsShown = 0, HourglassDepth = 0;
    std::string Subject;                                         // as the flow last set it
    std::vector<std::pair<std::string, std::string>> Questions;  // trust questions: text, fingerprint
    bool Trust = false;                                          // the answer to them

    explicit SendHarness(int Port, int Tag = 0) : Flow(std::make_unique<TSendFlow>(Tag)) {
        Flow->Port = Port;
        Flow->MakeReachCheck = [this] { return std::make_unique<TInstantCheck>(Reach); };
        Flow->Events.OnStatus = [this](const std::string& S) { Statuses.push_back(S); };
        Flow->Events.OnMessageBox = [this](TBoxIcon I, const std::string& T) { Boxes.push_back({I, T}); };
        Flow->Events.OnSendControls = [this](bool On) { ControlsOn = On; };
        Flow->Events.OnShowSettings = [this] { ++SettingsShown; };
        Flow->Events.OnHourglass = [this](bool On) { HourglassDepth += On ? 1 : -1; };
        Flow->Events.OnSubjectChanged = [this](const std::string& S) { Subject = S; };
        Flow->Events.OnTrustCertificate = [this](const std::string& Text, const std::string& Fp) {
            Questions.push_back({Text, Fp});
            return Trust;
        };
    }
    static TAccountRecord Account() {
        TAccountRecord A;
        A.eUserName = "sender";
        A.Edit2 = "smtp.example.test";
        A.Edit4 = "sender@example.test";
        return A;
    }
    std::string LastStatus() const { return Last(Statuses); }
    std::string LastBox() const { return Boxes.empty() ? "" : Boxes.back().second; }
    // Sends and waits until the flow reports Final as its status.
    bool SendAndWait(const TAccountRecord& A, const TSendDraft& D, const std::string& Final) {
        Statuses.clear();
        Flow->SendBtnClick(A, D);
        return Wait([&] { return LastStatus() == Final && !Flow->Composing(); });
    }
};

// A mail server in this process. It greets, then answers each command line
// with Answer(command): the bytes to send, "" to hang up, "-" for nothing.
// After a reply that starts with 354 it takes the text up to the line "."
// (SMTP's DATA) and answers 250. Replies go out in pieces of Piece bytes, one
// piece per turn of the event loop.
class FakeServer {
public:
    explicit FakeServer(const std::string& Greeting) {
        Server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&Server, &QTcpServer::newConnection, [this, Greeting] {
            QTcpSocket* P = Server.nextPendingConnection();
            ++Connections;
            auto Buffer = std::make_shared<std::string>();
            auto InData = std::make_shared<bool>(false);
            QObject::connect(P, &QTcpSocket::readyRead, [=] { Read(P, *Buffer, *InData); });
            Write(P, Greeting);
        });
    }
    int Port() const { return Server.serverPort(); }

    std::function<std::string(const std::string& Command)> Answer;
    size_t Piece = 0;  // 0: the whole reply at once
    std::vector<std::string> Commands;
    std::vector<std::string> Texts;  // the texts after DATA, dots as sent
    int Connections = 0;

private:
    void Read(QTcpSocket* P, std::string& Buffer, bool& InData) {
        Buffer += P->readAll().toStdString();
        for (size_t End; (End = Buffer.find(InData ? "\r\n.\r\n" : "\r\n")) != std::string::npos;) {
            const std::string Line = Buffer.substr(0, End);
            Buffer.erase(0, End + (InData ? 5 : 2));
            if (InData) {
                Texts.push_back(Line + "\r\n");
                InData = false;
                Write(P, "250 2.0.0 queued\r\n");
                continue;
            }
            Commands.push_back(Line);
            const std::string Reply = Answer(Line);
            if (Reply.empty()) return P->abort();
            if (Reply != "-") Write(P, Reply);
            InData = Reply.rfind("354", 0) == 0;
            if (Line == "QUIT") return P->disconnectFromHost();
        }
    }
    void Write(QTcpSocket* P, const std::string& Reply) {
        const size_t N = Piece ? std::min(Piece, Reply.size()) : Reply.size();
        P->write(Reply.data(), static_cast<qint64>(N));
        P->flush();
        if (N < Reply.size()) QTimer::singleShot(1, P, [this, P, Rest = Reply.substr(N)] { Write(P, Rest); });
    }

    QTcpServer Server;
};

// An SMTP server that accepts everything, unless Refuse gives another reply
// line to a command that starts with Verb.
struct FakeSmtp : FakeServer {
    FakeSmtp() : FakeServer("220 fake ESMTP\r\n") {
        Answer = [this](const std::string& Command) {
            if (!Verb.empty() && Command.rfind(Verb, 0) == 0)
                return Reply.empty() || Reply == "-" ? Reply : Reply + "\r\n";
            return std::string(Command == "DATA" ? "354 go ahead\r\n" : "250 ok\r\n");
        };
    }
    void Refuse(const std::string& V, const std::string& R) { Verb = V, Reply = R; }
    std::string Verb, Reply;
};
