// The reply rules without widgets: the send page's fields for a reply and a reply to all.
#include "Reply.h"

#include <set>

#include "BaseMsg.h"
#include "Cleanadd.h"
#include "SysUtils.h"

namespace {

std::string FieldOf(const TBaseMessage* M, const char* Name) { return M ? M->GetField(Name) : std::string(); }

// Appends to List the cleaned addresses of Field that are not empty, not in
// Seen and not Own; Seen takes them.
void AddRecipients(const std::string& Field, const std::string& Own, std::set<std::string>& Seen,
                   std::string& List) {
    for (const std::string& Item : SplitAddressList(Field)) {
        const std::string A = CleanAddress(Item, false);
        const std::string Key = LowerCase(A);
        if (A.empty() || Key == Own || !Seen.insert(Key).second) continue;
        if (!List.empty()) List += ',';
        List += A;
    }
}

}  // namespace

bool MakeReply(const TReplySource& Source, bool ToAll, TSendDraft& Draft) {
    Draft.To.clear();
    Draft.CC.clear();
    Draft.Subject.clear();
    if (!Source.RowSelected) return false;

    const std::string Sender = CleanAddress(Source.RowCaption, false);
    if (!ToAll) {
        Draft.To = Sender;
    } else {
        // The sender always comes first, also when it is the own address (a
        // reply to one's own message still goes to its recipients).
        std::set<std::string> Seen{LowerCase(Sender)};
        const std::string Own = LowerCase(CleanAddress(Source.OwnAddress, false));
        Draft.To = Sender;
        AddRecipients(FieldOf(Source.Shown, "TO"), Own, Seen, Draft.To);
        AddRecipients(FieldOf(Source.Shown, "CC"), Own, Seen, Draft.CC);
    }

    const std::string Id = FieldOf(Source.Shown, "Message-ID");
    const std::string References = FieldOf(Source.Shown, "References");
    const std::string InReplyTo = FieldOf(Source.Shown, "In-Reply-To");
    Draft.InReplyToId = Id;
    if (!References.empty())
        Draft.ReferencesText = References + " " + Id;
    else if (!InReplyTo.empty())
        Draft.ReferencesText = InReplyTo + " " + Id;
    else
        Draft.ReferencesText = Id;

    Draft.Subject = "RE:" + Source.RowSubject;
    Draft.Body.clear();
    for (size_t i = 0; i < Source.ReadLines.size(); ++i) {
        if (i > 0) Draft.Body += "\r\n";
        Draft.Body += ">" + Source.ReadLines[i];
    }
    Draft.Files.clear();
    return true;
}
