// The address book file "VELNARO.LST": one "name,address," line per entry.
#pragma once

#include <string>
#include <vector>

#include "SysUtils.h"

// Name of the address book file in the program's folder.
extern const char* const AddressBookFileName;

// One address book entry, Shift_JIS text.
struct TAddressEntry {
    std::string Name;
    std::string Address;
    bool operator==(const TAddressEntry& O) const { return Name == O.Name && Address == O.Address; }
};

// Raised when the address book file cannot be written; the message is
// "I/O エラー (%d)" with the system's error code, also kept in ErrorCode.
class EInOutError : public Exception {
public:
    EInOutError(const std::string& Msg, int Code) : Exception(Msg), ErrorCode(Code) {}
    int ErrorCode;
};

// ProgramDir() + "VELNARO.LST".
std::string AddressBookPath();

// One line of the file: the name is the text before the first ",", the
// address the text between it and the next ","; the rest is ignored. Without
// a second comma the address is empty; without any comma both are empty.
TAddressEntry ReadAddressLine(const std::string& Line);
// Every line of a file text (lines ended by CR LF, LF or CR; a line end at
// the very end starts no further line), one entry per line, empty lines
// giving empty entries.
std::vector<TAddressEntry> ReadAddressText(const std::string& Text);
// The file text for Entries: name + "," + address + "," + CR LF per entry (a
// line break inside a name or address is written as a space).
std::string AddressBookText(const std::vector<TAddressEntry>& Entries);

// Reads the file at Path into Entries; false when there is no file (or it
// cannot be read), and Entries is then left as it was.
bool LoadAddressBook(const std::string& Path, std::vector<TAddressEntry>& Entries);
// Replaces the file at Path by the lines of Entries. The new file is written
// beside the old one and renamed over it, so a failed write leaves the old
// file whole; EInOutError when any step fails. The file is private to the
// user (permissions 0600).
void ListSave(const std::string& Path, const std::vector<TAddressEntry>& Entries);
