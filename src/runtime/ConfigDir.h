// The folder of the settings file VELNARO.ini and the address book VELNARO.LST.
#pragma once

#include <string>

// What the choice depends on. Empty strings stand for unset variables.
struct TConfigDirInputs {
    std::string ProgramFolder;  // the executable's folder, ending in "/"
    bool Portable = false;      // the program was started with --portable
    std::string XdgConfigHome;  // $XDG_CONFIG_HOME
    std::string Home;           // $HOME
};

struct TConfigDirChoice {
    std::string Dir;        // ends in "/"
    bool Portable = false;  // Dir is the program folder
    int Error = 0;          // errno when the folder could not be created, else 0
};

// The program folder when it already holds VELNARO.ini (a portable copy) or
// when Portable is set; otherwise <config>/velnaro/, where <config> is
// XdgConfigHome when that is an absolute path and <home>/.config otherwise
// (<home>: Home when absolute, else the account's home from the password
// database). Missing folders of that path are created with mode 0700; when
// that fails, Dir still names the folder (reads find nothing, saves report
// the path) and Error tells why. Without any home folder the program folder
// is used.
TConfigDirChoice ChooseConfigDir(const TConfigDirInputs& In);

// The choice for this process (executable folder, environment, the portable
// switch), made once on first use and kept.
TConfigDirChoice ConfigDirChoice();
// Sets the --portable switch; call before the first ConfigDirChoice().
// It drops a kept choice, so the next use chooses again.
void SetPortableMode(bool On);
