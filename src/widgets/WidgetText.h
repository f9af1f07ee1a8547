// Text at the widget boundary: file-system paths shown in widgets and taken back from them.
#pragma once

#include <QString>

#include <string>

// File-system paths stay file-system bytes inside the program. They meet
// widget text only through these two: for showing a path (a message, the
// start folder of a file dialog) and for taking one back (a dialog's choice,
// a dropped file).
QString PathToWidget(const std::string& FsPath);
std::string WidgetToPath(const QString& Path);
