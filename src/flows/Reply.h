// The reply rules without widgets: the send page's fields for a reply and a reply to all.
#pragma once

#include <string>
#include <vector>

#include "SendDraft.h"

class TBaseMessage;

// What a reply is made from.
struct TReplySource {
    // The selected row of the message list, when one is selected: its caption
    // ("(" + number + ")" + the decoded From) and its "件名" column.
    bool RowSelected = false;
    std::string RowCaption;
    std::string RowSubject;
    // The message last shown in the read box (its header fields are read);
    // null when none has been shown. It need not be the selected row's.
    const TBaseMessage* Shown = nullptr;
    // The lines of the read box as shown (header and marker lines included).
    std::vector<std::string> ReadLines;
    // The account's own address; a reply to all leaves it out.
    std::string OwnAddress;
};

// The reply (ToAll false, reletterClick) and the reply to all (ToAll true,
// Button5Click) on the page's fields. To, CC and Subject are emptied first.
// With a row selected:
// - To is the cleaned row caption (the sender); a reply to all adds every
//   address of the shown message's To field, and CC gets every address of
//   its Cc field, each cleaned, without empty entries, repeats (bare
//   addresses compared without regard to case) or the own address;
// - InReplyToId is the shown message's Message-ID; ReferencesText is its
//   References, or else its In-Reply-To, followed by " " and that id, or the
//   id alone;
// - Subject is "RE:" + the row's subject (also when it starts with "RE:");
// - Body is every read box line with ">" in front, joined by CR LF;
// - the file list is emptied;
// and the result is true: the window shows the send page with the focus in
// the body. Without a selected row nothing else changes; the result is false.
bool MakeReply(const TReplySource& Source, bool ToAll, TSendDraft& Draft);
