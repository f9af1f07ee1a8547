// What the window flows share: how they report to their window, and the reachability check they run before connecting.
#pragma once

// A flow is the widget-free half of one task of the main window (sending,
// receiving). The window owns one flow per task and stays thin: it turns
// clicks into calls and shows what the flow reports. The conventions:
//
// - The flow owns its protocol client (created on first use, named as the
//   window names it, e.g. "Smtp" + Tag) and all state of the task. Windows
//   never reach into the client; tests may look at it.
// - The account comes as data: a TAccountRecord (Accounts.h) given to the
//   call that starts an operation; the page's fields come as a plain struct.
//   The flow keeps its own copies for the whole operation, so the window may
//   change its fields meanwhile.
// - Everything the window shows (status texts, message boxes with their icon,
//   enabling and disabling controls, the hourglass, showing the settings
//   window, a field the flow changes) is reported through the std::function
//   members of one events struct, named On..., which derives from TFlowEvents.
//   Each may be unset; the flow tests it before a call (Fire below). Texts
//   are Shift_JIS; the window converts them at its boundary.
// - A message box callback returns when the user has closed the box; the
//   window may run a nested event loop for it, so the flow re-reads its state
//   afterwards.
// - The reachability check is made through MakeReachCheck, one check per
//   connection attempt, released after it. The default is a ChekPing; tests
//   give a check whose resolver is a fake, or one that answers at once.
// - Waits that process events (the reachability check, a client quitting)
//   may run other handlers, the window's close among them: the flow holds an
//   alive token across such waits and stops when the flow has gone.
// - A protocol client is never deleted inside one of its own events: the
//   release is deferred to the event loop.
// - Work that would hold the event loop for long (composing a large message)
//   runs on a worker thread that touches only its own job; its result comes
//   back as a queued call on the window's thread.
// - Handlers keep the names the window's handlers have (SendBtnClick,
//   SMTPConnect, ...), so the window's code reads like the flow's.

#include <functional>
#include <memory>
#include <string>
#include <utility>

class TNameResolver;

// The alive token of the conventions above: it outlives the flow where a
// wait or a client event may see the flow end.
struct TFlowLife {
    bool Alive = true;
    int EventDepth = 0;  // client events running
};

// The icon of a message box; the values are those of QMessageBox::Icon.
enum class TBoxIcon { NoIcon = 0, Information = 1, Warning = 2, Critical = 3 };

// The events every flow reports; a flow's own events struct derives from it.
struct TFlowEvents {
    // A message box with an OK button; returns when it has been closed.
    std::function<void(TBoxIcon Icon, const std::string& Text)> OnMessageBox;
    // The hourglass cursor on (true) or back to normal (false).
    std::function<void(bool On)> OnHourglass;
    // Show the account settings window; does not wait for it.
    std::function<void()> OnShowSettings;
    // A server's certificate failed its check. Text is the whole question
    // (the reasons and the fingerprint; Shift_JIS) for a Yes/No box; the
    // answer is true for Yes. On Yes the window stores Fingerprint with the
    // account (TForm3::TrustCertificate with the window's account number),
    // and the connection goes on; on No it ends. Unset: No.
    std::function<bool(const std::string& Text, const std::string& Fingerprint)> OnTrustCertificate;
};

// Calls Event with Args when it is set. The call goes through a copy, so the
// handler may replace the event while it runs.
template <typename Fn, typename... Args>
void Fire(const Fn& Event, Args&&... A) {
    if (!Event) return;
    Fn Handler = Event;
    Handler(std::forward<Args>(A)...);
}

// One reachability check: set Host and TimeoutTenths, call Check, read the
// results. Check may process events while it waits; exceptions of the check
// (Exception and its descendants) reach the caller.
class TReachCheck {
public:
    virtual ~TReachCheck() = default;
    virtual void Check() = 0;

    std::string Host;
    int TimeoutTenths = 40;  // tenths of a second
    // Texts for the user raised during the check (a failed or slow lookup).
    std::function<void(const std::string& Text)> OnMessage;

    bool Found = false;      // the name resolved
    bool Reachable = false;  // the echo was answered (also true when not Found)
    std::string Address;     // the dotted address to connect to; may be empty
    std::string ErrorText;   // why the echo failed
};

using TReachCheckFactory = std::function<std::unique_ptr<TReachCheck>()>;

// Checks made by ChekPing; lookups go through Resolver (not owned) when it is
// given, else through the system.
TReachCheckFactory ChekPingFactory(TNameResolver* Resolver = nullptr);
