// Fuzz target: the settings file reader and the account operations on hostile settings files.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "Accounts.h"
#include "IniFile.h"

namespace {

// A settings file held in memory only: the fuzz input is its text, and
// flushing writes nothing.
class TMemoryIni : public TIniFile {
public:
    explicit TMemoryIni(const std::string& Text) : TIniFile("/nonexistent-velnaro-fuzz/VELNARO.ini") {
        SetText(Text);
    }
    void UpdateFile() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);

    // The text the writer produces reads back as the same file.
    TIniFile Ini("/nonexistent-velnaro-fuzz/a.ini");
    Ini.SetText(Text);
    const std::string Once = Ini.GetText();
    TIniFile Again("/nonexistent-velnaro-fuzz/b.ini");
    Again.SetText(Once);
    if (Again.GetText() != Once) __builtin_trap();

    Ini.ReadInteger("Number", "count", 0);
    TIniSectionValues Values;
    Ini.ReadSectionValues("Account1", Values);
    for (const auto& V : Values)
        if (V.second.size() > IniMaxValueLength) __builtin_trap();
    Ini.WriteString("Account1", "user", Text.substr(0, 64));
    Ini.EraseSection("Account2");
    Ini.WriteInteger("Account2", "signcount", 3);
    Ini.GetText();

    // The account operations on the same file.
    TAccountSettings Settings("/nonexistent-velnaro-fuzz/VELNARO.ini");
    Settings.OpenIni = [&Text](const std::string&) { return std::make_unique<TMemoryIni>(Text); };
    Settings.Reload();
    if (Settings.AccountCount < 0 || Settings.AccountCount > MaxAccounts) __builtin_trap();
    Settings.editdisp(2);
    Settings.DeleteAccount(1);
    return 0;
}
