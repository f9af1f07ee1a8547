// Where the file dialogs of the windows start: the program folder of a portable copy, else the folder last used.
#include "DialogFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>

#include "ConfigDir.h"
#include "SysUtils.h"
#include "WidgetText.h"

namespace {

std::optional<TDialogFolderRules> Rules;
QString Remembered[2];

QString& Memory(TDialogFolder Kind) { return Remembered[Kind == TDialogFolder::Downloads ? 1 : 0]; }

QString WithSlash(QString Dir) {
    if (!Dir.endsWith(QLatin1Char('/'))) Dir += QLatin1Char('/');
    return Dir;
}

const TDialogFolderRules& CurrentRules() {
    if (!Rules) {
        TDialogFolderRules R;
        R.Portable = ConfigDirChoice().Portable;
        R.Home = QDir::homePath();
        R.Downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        Rules = R;
    }
    return *Rules;
}

}  // namespace

QString StartFolder(TDialogFolder Kind) {
    const TDialogFolderRules& R = CurrentRules();
    if (R.Portable) return PathToWidget(ProgramDir());
    if (!Memory(Kind).isEmpty()) return Memory(Kind);
    if (Kind == TDialogFolder::Downloads && !R.Downloads.isEmpty() && QFileInfo(R.Downloads).isDir())
        return WithSlash(R.Downloads);
    return WithSlash(R.Home);
}

void RememberFolder(TDialogFolder Kind, const QString& Chosen) {
    if (Chosen.isEmpty()) return;
    Memory(Kind) = WithSlash(QFileInfo(Chosen).absolutePath());
}

TDialogFolderRules DialogFolderRules() { return CurrentRules(); }

void SetDialogFolderRules(const TDialogFolderRules& NewRules) {
    Rules = NewRules;
    for (QString& M : Remembered) M.clear();
}
