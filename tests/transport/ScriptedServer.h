// An in-process TCP server on loopback whose replies the test writes byte by byte.
#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <string>

#include "MailNews.h"

class ScriptedServer {
public:
    ScriptedServer() {
        Server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&Server, &QTcpServer::newConnection, [this] {
            Peer = Server.nextPendingConnection();
            QObject::connect(Peer, &QTcpSocket::readyRead, [this] { Got += Peer->readAll().toStdString(); });
            QObject::connect(Peer, &QTcpSocket::disconnected, [this] { PeerClosed = true; });
        });
    }
    int Port() const { return Server.serverPort(); }
    bool WaitPeer(int Ms = 5000) {
        return ProcessEventsUntil([this] { return Peer != nullptr; }, Ms);
    }
    // Waits until the bytes received from the client contain S.
    bool WaitGot(const std::string& S, int Ms = 5000) {
        return ProcessEventsUntil([&] { return Got.find(S) != std::string::npos; }, Ms);
    }
    void Send(const std::string& S) {
        Peer->write(S.data(), static_cast<qint64>(S.size()));
        Peer->flush();
    }
    void Hangup() { Peer->disconnectFromHost(); }

    QTcpServer Server;
    QTcpSocket* Peer = nullptr;
    std::string Got;
    bool PeerClosed = false;
};

inline bool Wait(const std::function<bool()>& Done, int Ms = 5000) { return ProcessEventsUntil(Done, Ms); }
