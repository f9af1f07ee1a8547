// The address book file "VELNARO.LST": one "name,address," line per entry.
#include "AddressFile.h"

#include "LineSplitter.h"
#include "SafeFile.h"
#include "cp932.h"

const char* const AddressBookFileName = "VELNARO.LST";

std::string AddressBookPath() { return ProgramDir() + AddressBookFileName; }

TAddressEntry ReadAddressLine(const std::string& Line) {
    TAddressEntry E;
    size_t First = Line.find(',');
    if (First == std::string::npos) return E;
    E.Name = Line.substr(0, First);
    size_t Second = Line.find(',', First + 1);
    if (Second != std::string::npos) E.Address = Line.substr(First + 1, Second - First - 1);
    return E;
}

std::vector<TAddressEntry> ReadAddressText(const std::string& Text) {
    std::vector<TAddressEntry> Entries;
    ForEachLine(Text, [&](std::string_view Line) { Entries.push_back(ReadAddressLine(std::string(Line))); });
    return Entries;
}

namespace {

// A line break inside a name or an address would split its entry in two on
// the next read; it is written as a space.
void AppendOneLine(std::string& Out, const std::string& S) {
    for (char C : S) Out += (C == '\r' || C == '\n') ? ' ' : C;
}

}  // namespace

std::string AddressBookText(const std::vector<TAddressEntry>& Entries) {
    std::string Out;
    for (const TAddressEntry& E : Entries) {
        AppendOneLine(Out, E.Name);
        Out += ',';
        AppendOneLine(Out, E.Address);
        Out += ",\r\n";
    }
    return Out;
}

bool LoadAddressBook(const std::string& Path, std::vector<TAddressEntry>& Entries) {
    std::string Text;
    if (SafeFile::Read(Path, Text) != 0) return false;
    Entries = ReadAddressText(Text);
    return true;
}

void ListSave(const std::string& Path, const std::vector<TAddressEntry>& Entries) {
    int Err = SafeFile::Write(Path, AddressBookText(Entries), 0600);
    if (Err != 0) {
        std::string Msg = SJ("I/O エラー (%d)");
        Msg.replace(Msg.find("%d"), 2, IntToStr(Err));
        throw EInOutError(Msg, Err);
    }
}
