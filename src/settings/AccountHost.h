// How the settings window and a main window meet: the account list, and a main window's account and events.
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "Accounts.h"

class QObject;
class QWidget;

// The stored accounts as a reload gives them to the main window, for its
// user-name box and its account menus. Item i stands for account i + 1.
struct TAccountList {
    std::vector<std::string> Names;  // Shift_JIS
    std::vector<bool> PatrolFlags;   // the account takes part in the patrol
    int Selected = -1;               // the user-name box's chosen item, -1 for none
    // Sub-item i of "編集(&E)", "削除(&D)" and "巡回リスト" was chosen.
    std::function<void(int)> OnEdit;
    std::function<void(int)> OnDelete;
    std::function<void(int)> OnPatrol;
};

// A main window (the main window or a patrol window) as the settings window
// serves it: the account it uses, and events for what the settings window
// changes in it. The window owns its host and sets the events it wants;
// every event may be left empty. The settings window never touches the
// window's widgets.
struct TAccountHost {
    // The window the host belongs to; the settings window stops using the
    // host once this object is destroyed.
    QObject* Window = nullptr;
    // 1-based number of the stored account the window shows (SetMySelf).
    int MySelf = 0;
    // The account the window works with. While the settings window serves
    // this window, it is the settings window's fields; it stays as it was
    // when the settings window moves on to serve another window.
    TAccountRecord Account;

    // The connection page's user-name text and password text; the window's
    // own change handlers run when the text really changes.
    std::function<void(const QString&)> OnUserName;
    std::function<void(const QString&)> OnPassword;
    // The connection page's header-only box ("Cmailhead").
    std::function<void(bool)> OnHeaderOnly;
    // The connection page's status text (Shift_JIS).
    std::function<void(const std::string&)> OnConnectStatus;
    // "Apopで接続" was clicked: the message count, list and read text go.
    std::function<void()> OnClearMessages;
    // Main window only: a reload's account list, the enabled state of
    // "追加(&A)", and a text control of the settings window or the signature
    // editor that the user clicked or entered (the clipboard items follow it).
    std::function<void(const TAccountList&)> OnAccountList;
    std::function<void(bool)> OnAddItemEnabled;
    std::function<void(QWidget*)> OnTextFocus;
};
