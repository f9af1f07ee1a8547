// pingdllthread: the worker thread that runs one system-path echo and reports completion to the GUI thread with a queued call.
#include "pingdllthreadUnit.h"

pingdllthread::pingdllthread(const std::string& AddressText, QObject* Parent)
    : QThread(Parent), FWrapper(std::make_unique<ICPMDLL>()) {
    FWrapper->SetDestination(AddressText);
}

pingdllthread::pingdllthread(std::unique_ptr<ICPMDLL> Wrapper, const std::string& AddressText,
                             QObject* Parent)
    : QThread(Parent), FWrapper(std::move(Wrapper)) {
    FWrapper->SetDestination(AddressText);
}

pingdllthread::~pingdllthread() { wait(); }

void pingdllthread::run() {
    Execute();
    // This object belongs to the thread that made it, so the call runs there.
    QMetaObject::invokeMethod(
        this,
        [this] {
            FCompleted = true;
            if (OnCompleted) OnCompleted();
        },
        Qt::QueuedConnection);
}

void pingdllthread::Execute() {
    try {
        FWrapper->Ping();
    } catch (const std::exception& E) {
        Failed = true;
        FailText = E.what();
    }
    ReplyAddress = FWrapper->ReplyAddress;
    ReplyStatus = FWrapper->Status;
}
