// mailto links (RFC 6068) taken apart into the fields of the send page.
#pragma once

#include <string>

// Program text (Shift_JIS) for eTo, eCC, eSubject and reMessageText.
struct TMailtoFields {
    std::string To;       // the addresses of the link and of its "to" fields, joined by ", "
    std::string CC;       // the addresses of its "cc" fields, joined by ", "
    std::string Subject;  // the first "subject" field
    std::string Body;     // the first "body" field, lines joined by CR LF
};

// Takes Link apart when it starts with "mailto:" (in any case) and returns
// true; otherwise returns false and leaves Fields as they are.
//
// Field names are matched without regard to case; fields other than to, cc,
// subject and body (bcc, in-reply-to, ...) are ignored. Percent escapes are
// decoded ("+" stays "+"); a "%" not followed by two hexadecimal digits stays
// as typed. The decoded bytes are read as UTF-8 and converted to Shift_JIS;
// bytes that are not UTF-8 are taken as Shift_JIS as they are. Control
// characters become spaces in To, CC and Subject, so a link cannot add header
// lines; in the body CR LF, CR and LF become line breaks, tabs stay and other
// control characters are dropped.
bool ParseMailto(const std::string& Link, TMailtoFields& Fields);
