// TSendDraft: the fields of the send page as plain data.
#pragma once

#include <string>
#include <vector>

// The send page's fields. Texts are Shift_JIS; the body's lines may end in
// CR LF, LF or CR. Files are full paths as the file system names them.
struct TSendDraft {
    std::string To;  // several addresses separated by ","
    std::string CC;
    std::string Subject;
    std::string Body;
    std::vector<std::string> Files;
    // Set by a reply; written as In-Reply-To and References when not empty.
    std::string InReplyToId;
    std::string ReferencesText;
};
