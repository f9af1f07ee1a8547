// The read page's view of a received message, without widgets: the lines of
// the read text box, the attachment list, and saving an attachment.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "MIMEx.h"

// One entry of the attachment list.
struct TAttachmentEntry {
    // The name the list shows and the save dialog proposes (Shift_JIS). Names
    // taken from the message are made safe with SafeFileName, so saving under
    // this name never leaves the chosen folder.
    std::string Name;
    // The 0-based leaf index in the message; for uuencoded files inside a
    // single-part text, the 1-based number of the file.
    int Number = 0;
};

// Where the text of one leaf stands in the read text box.
struct TShownLeaf {
    int Leaf = 0;       // leaf index
    int FirstLine = 0;  // index in TReadLayout::Lines of its first body line
    int LineCount = 0;
};

struct TReadLayout {
    // The read text box, one Shift_JIS string per line.
    std::vector<std::string> Lines;
    // The attachment list in order; the first entry is the one selected.
    std::vector<TAttachmentEntry> Attachments;
    // The leaves whose text is shown, in order.
    std::vector<TShownLeaf> Shown;
    // Leaf count of the message.
    int LeafCount = 0;
    // The save button is enabled: there is something to save.
    bool CanSave = false;
};

// Lays out the message held by Mime (already decoded with Decode, DecodeText
// or DecodeFile). WithHeader puts the root's header lines first, as received.
// Subject is the message's decoded subject (TINetMessage::Subject) for the
// marker line of a multipart message. Text leaves that are shown have their
// base64 or quoted-printable bodies decoded in place (DecodeTextBody).
TReadLayout BuildReadLayout(TMIMEx& Mime, bool WithHeader, const std::string& Subject);

// The name for a part without a file name at leaf index Index: media type,
// the index and an extension from the media type ("image2.png",
// "application1.bin").
std::string NamelessPartName(const TMIMEPart& Part, int Index);

// Saves attachment Number (a TAttachmentEntry::Number of the layout of the
// same message) to Path, a Shift_JIS path the user chose. The bytes go to a
// temporary file in the same folder that then replaces Path, so a failed save
// leaves neither half a file nor a damaged older file. Returns false with a
// Japanese (Shift_JIS) Error when nothing was saved.
bool SaveAttachmentAs(TMIMEx& Mime, int Number, const std::string& Path, std::string& Error);

// Saves an entry into folder Dir under its listed name (passed through
// SafeFileName once more); SavedPath receives the path written.
bool SaveAttachmentInto(TMIMEx& Mime, const TAttachmentEntry& Entry, const std::string& Dir,
                        std::string& SavedPath, std::string& Error);

// Writes the bytes SaveAttachmentInto saves for Entry to Out instead of a
// file, with the same Error texts (naming the file by the entry's name) when
// there is nothing to write.
bool WriteAttachment(TMIMEx& Mime, const TAttachmentEntry& Entry, std::ostream& Out, std::string& Error);
