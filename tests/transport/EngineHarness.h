// Protocol engines on a recording transport instead of a socket, and one runner per engine that
// plays a dialogue of server replies, fed whole and then one byte per read.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "MailEngine.h"

// Stands, among the replies of a dialogue, for the end of the TLS handshake.
const std::string Handshake = "<handshake>";

const std::string PopGreeting = "+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n";
const std::string PopListing = "+OK 2 messages\r\n1 120\r\n2 4000\r\n.\r\n";

// The replies of a dialogue, one read each.
using Replies = std::vector<std::string>;
using PopEvents = std::vector<std::pair<bool, TPopState>>;
using SmtpErrors = std::vector<std::pair<TSMTPState, std::string>>;

template <class Engine>
struct Recording : Engine {
    std::string Wire, LastSent;  // every byte sent, and the last command
    int Sends = 0, Opens = 0, Closes = 0, TlsStarts = 0;
    bool Encrypted = false;  // what the transport says about the connection
    void TransportSend(const std::string& T) override {
        Wire += T;
        LastSent = T;
        ++Sends;
    }
    void TransportClose() override { ++Closes; }
    void TransportStartTls() override { ++TlsStarts; }
    // Feeds Text in pieces of Piece bytes (0 = all at once).
    void Feed(const std::string& Text, size_t Piece = 0) {
        if (Piece == 0) Piece = Text.size() ? Text.size() : 1;
        for (size_t I = 0; I < Text.size(); I += Piece) this->DataArrived(Text.substr(I, Piece));
    }
    // Plays the replies; checks that the engine asked for a handshake exactly when the dialogue has one.
    void Converse(const Replies& R, size_t Piece) {
        for (const std::string& Reply : R) {
            if (Reply != Handshake) {
                Feed(Reply, Piece);
                continue;
            }
            Encrypted = true;
            this->TlsStarted();
        }
        EXPECT_EQ(TlsStarts, std::count(R.begin(), R.end(), Handshake) ? 1 : 0);
    }
};

struct RecordingPop : Recording<TPopEngine> {
    PopEvents Events;  // every completion, in order
    std::vector<TPopState> StatesInHandler;
    RecordingPop() {
        User = "mrose";
        Password = "tanstaaf";
        OnRecvComp = OnGetError = [this](bool Ok, TPopState S) {
            Events.push_back({Ok, S});
            StatesInHandler.push_back(State);
        };
    }
};

struct RecordingSmtp : Recording<TSMTPEngine> {
    int SendComps = 0;
    SmtpErrors Errors;
    RecordingSmtp() {
        MyAddress = "me@example.test";
        Domain = "client.example.test";
        AuthUser = "tim";
        AuthPassword = "tanstaaftanstaaf";
        OnSendComp = [this](TObject*) { ++SendComps; };
        OnSMTPError = [this](TSMTPState S, const std::string& R) { Errors.push_back({S, R}); };
    }
    void TransportOpen() override { ++Opens; }
    bool TransportEncrypted() const override { return Encrypted; }
};

struct PopDialogue {
    const char* Name;
    TSecurity Security;
    bool Apop;
    Replies Server;
    std::string Wire;  // every byte the client sent
    PopEvents Events;
    TPopState End;
};

inline void RunPopDialogues(const std::vector<PopDialogue>& Dialogues) {
    for (const PopDialogue& D : Dialogues)
        for (size_t Piece : {0u, 1u}) {
            SCOPED_TRACE(std::string(D.Name) + (Piece ? ", one byte per read" : ""));
            RecordingPop P;
            P.Security = D.Security;
            P.APop = D.Apop;
            P.Converse(D.Server, Piece);
            EXPECT_EQ(P.Wire, D.Wire);
            EXPECT_EQ(P.Events, D.Events);
            EXPECT_EQ(P.State, D.End);
            // A handler finds the engine ready for the next command.
            for (size_t I = 0; I < P.Events.size(); ++I)
                EXPECT_EQ(P.StatesInHandler[I], P.Events[I].second == popNone ? popNone : popReady);
        }
}

struct SmtpDialogue {
    const char* Name;
    TSecurity Security;
    bool Encrypted;  // from the first byte
    bool SignIn;
    std::string Message;
    Replies Server;
    std::string Wire;  // every byte the client sent
    SmtpErrors Errors;
    bool Delivered;
};

inline void RunSmtpDialogues(const std::vector<SmtpDialogue>& Dialogues) {
    for (const SmtpDialogue& D : Dialogues)
        for (size_t Piece : {0u, 1u}) {
            SCOPED_TRACE(std::string(D.Name) + (Piece ? ", one byte per read" : ""));
            RecordingSmtp S;
            S.Security = D.Security;
            S.Encrypted = D.Encrypted;
            S.SignIn = D.SignIn;
            TStringList M;
            M.SetText(D.Message);
            ASSERT_TRUE(S.SendMessage(M));
            EXPECT_EQ(S.Opens, 1);
            S.Converse(D.Server, Piece);
            EXPECT_EQ(S.Wire, D.Wire);
            EXPECT_EQ(S.Errors, D.Errors);
            EXPECT_EQ(S.SendComps, D.Delivered ? 1 : 0);
            if (D.Delivered) {
                // The next message on the connection neither greets nor signs in again.
                const int Before = S.Sends;
                ASSERT_TRUE(S.SendMessage(M));
                ASSERT_EQ(S.Sends, Before + 1);
                EXPECT_EQ(S.LastSent.substr(0, 10), "MAIL FROM:");
            } else if (!D.Errors.empty() && D.Errors.back().first != smtpRcpt) {
                // Like a refused command: no further message until reset.
                EXPECT_FALSE(S.SendMessage(M));
            }
        }
}
