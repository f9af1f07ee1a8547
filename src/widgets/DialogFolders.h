// Where the file dialogs of the windows start: the program folder of a portable copy, else the folder last used.
#pragma once

#include <QString>

// Each kind remembers its own folder.
enum class TDialogFolder {
    Files,      // saving and opening text (N1Click, Open1Click), adding a file to send (Button2Click)
    Downloads,  // saving a received attachment (Button4Click)
};

// What the start folders depend on.
struct TDialogFolderRules {
    // The settings live in the program folder (a portable copy): every
    // dialog starts there, in ProgramDir().
    bool Portable = false;
    QString Home;       // the first folder of Files
    QString Downloads;  // the first folder of Downloads while it exists; else Home
};

// The folder a dialog of Kind starts in, ending in "/". A portable copy
// starts in ProgramDir(); otherwise the folder of the last file chosen in a
// dialog of this kind during this run, the first time Home (Downloads for
// saving an attachment). The remembered folders are kept in memory only.
QString StartFolder(TDialogFolder Kind);
// Remembers the folder of Chosen, the file a dialog of Kind returned; an
// empty Chosen (a cancelled dialog) changes nothing.
void RememberFolder(TDialogFolder Kind, const QString& Chosen);

// The rules in use; on first use they come from the settings folder choice
// (ConfigDirChoice), the home folder and the XDG download folder.
TDialogFolderRules DialogFolderRules();
// Replaces the rules and forgets the remembered folders.
void SetDialogFolderRules(const TDialogFolderRules& Rules);
