// Name resolvers for the tests: one that answers with a fixed result through the event loop, one that never answers.
#pragma once

#include <QObject>
#include <QTimer>

#include <string>
#include <vector>

#include "getname.h"

// Answers every lookup, from the event loop, with Error and Addresses (or,
// when Answers is false, takes it and never answers); records names and cancels.
class AnsweringResolver : public TNameResolver {
public:
    AnsweringResolver(int Error, std::vector<uint32_t> Addresses, bool Answers = true)
        : Error(Error), Addresses(std::move(Addresses)), Answers(Answers) {}
    int Start(const std::string& Name, TAnswer Answer, int& Err) override {
        Names.push_back(Name);
        Err = 0;
        if (!Answers) return 77;
        QTimer::singleShot(10, &Context, [this, H = ++LastHandle, Answer] { Answer(H, Error, Addresses); });
        return LastHandle;
    }
    bool Cancel(int Handle, int& Err) override {
        Cancelled.push_back(Handle);
        Err = 0;
        return true;
    }
    int Error;
    std::vector<uint32_t> Addresses;
    std::vector<std::string> Names;
    std::vector<int> Cancelled;

private:
    bool Answers;
    QObject Context;
    int LastHandle = 0;
};

struct SilentResolver : AnsweringResolver {
    SilentResolver() : AnsweringResolver(0, {}, false) {}
};
