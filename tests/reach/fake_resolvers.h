// Name resolvers for the tests: one that answers with a fixed result through the event loop, one that never answers.
#pragma once

#include <QObject>
#include <QTimer>

#include <string>
#include <vector>

#include "getname.h"

// Answers every lookup, from the event loop, with Error and Addresses.
class AnsweringResolver : public TNameResolver {
public:
    AnsweringResolver(int Error, std::vector<uint32_t> Addresses)
        : Error(Error), Addresses(std::move(Addresses)) {}
    int Start(const std::string& Name, TAnswer Answer, int& Err) override {
        Names.push_back(Name);
        Err = 0;
        int Handle = ++LastHandle;
        QTimer::singleShot(10, &Context, [this, Handle, Answer] { Answer(Handle, Error, Addresses); });
        return Handle;
    }
    bool Cancel(int, int& Err) override {
        Err = 0;
        return true;
    }
    int Error;
    std::vector<uint32_t> Addresses;
    std::vector<std::string> Names;

private:
    QObject Context;
    int LastHandle = 0;
};

// Takes every lookup and never answers; records the cancels.
class SilentResolver : public TNameResolver {
public:
    int Start(const std::string& Name, TAnswer, int& Err) override {
        Names.push_back(Name);
        Err = 0;
        return 77;
    }
    bool Cancel(int Handle, int& Err) override {
        Cancelled.push_back(Handle);
        Err = 0;
        return true;
    }
    std::vector<std::string> Names;
    std::vector<int> Cancelled;
};
