// Protocol engines on a recording transport instead of a socket.
#pragma once

#include <string>
#include <vector>

#include "MailEngine.h"

struct RecordingPop : TPopEngine {
    std::vector<std::string> Sent;
    int Closes = 0, TlsStarts = 0;
    std::vector<std::pair<bool, TPopState>> Events;  // every completion, in order
    RecordingPop() {
        OnRecvComp = [this](bool Ok, TPopState S) { Events.push_back({Ok, S}); };
        OnGetError = [this](bool Ok, TPopState S) { Events.push_back({Ok, S}); };
    }
    void TransportSend(const std::string& T) override { Sent.push_back(T); }
    void TransportClose() override { ++Closes; }
    void TransportStartTls() override { ++TlsStarts; }
    std::string LastSent() const { return Sent.empty() ? std::string() : Sent.back(); }
    // Feeds Text in pieces of Piece bytes (0 = all at once).
    void Feed(const std::string& Text, size_t Piece = 0) {
        if (Piece == 0) Piece = Text.size() ? Text.size() : 1;
        for (size_t I = 0; I < Text.size(); I += Piece) DataArrived(Text.substr(I, Piece));
    }
};

struct RecordingSmtp : TSMTPEngine {
    std::vector<std::string> Sent;
    int Opens = 0, Closes = 0, SendComps = 0, TlsStarts = 0;
    bool Encrypted = false;  // what the transport says about the connection
    std::vector<std::pair<TSMTPState, std::string>> Errors;
    RecordingSmtp() {
        MyAddress = "me@example.test";
        Domain = "client.example.test";
        OnSendComp = [this](TObject*) { ++SendComps; };
        OnSMTPError = [this](TSMTPState S, const std::string& R) { Errors.push_back({S, R}); };
    }
    void TransportSend(const std::string& T) override { Sent.push_back(T); }
    void TransportClose() override { ++Closes; }
    void TransportOpen() override { ++Opens; }
    void TransportStartTls() override { ++TlsStarts; }
    bool TransportEncrypted() const override { return Encrypted; }
    std::string LastSent() const { return Sent.empty() ? std::string() : Sent.back(); }
    void Feed(const std::string& Text, size_t Piece = 0) {
        if (Piece == 0) Piece = Text.size() ? Text.size() : 1;
        for (size_t I = 0; I < Text.size(); I += Piece) DataArrived(Text.substr(I, Piece));
    }
};
