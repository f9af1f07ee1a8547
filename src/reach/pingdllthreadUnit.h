// pingdllthread: the worker thread that runs one system-path echo and reports completion to the GUI thread with a queued call.
#pragma once

#include <QThread>

#include <functional>
#include <memory>
#include <string>

#include "pingdll.h"

class pingdllthread : public QThread {
    Q_OBJECT
public:
    // Makes the wrapper for AddressText (TICMPException when the system echo
    // path cannot be set up). Prepare everything before start().
    explicit pingdllthread(const std::string& AddressText, QObject* Parent = nullptr);
    // The same with a wrapper already loaded.
    pingdllthread(std::unique_ptr<ICPMDLL> Wrapper, const std::string& AddressText,
                  QObject* Parent = nullptr);
    // Waits for the thread to end, then releases the wrapper.
    ~pingdllthread() override;

    ICPMDLL& Wrapper() { return *FWrapper; }
    // True once the completion call has run on the thread that made the worker.
    bool Completed() const { return FCompleted; }

    // Runs on the thread that made the worker, after Execute has finished.
    std::function<void()> OnCompleted;

    // Results; read them only once Completed() is true.
    bool Failed = false;
    std::string FailText;
    std::string ReplyAddress;
    int ReplyStatus = 0;
    int TimeoutTenths = 0;

protected:
    void run() override;
    // The echo itself, on the worker thread.
    void Execute();

private:
    std::unique_ptr<ICPMDLL> FWrapper;
    bool FCompleted = false;
};
