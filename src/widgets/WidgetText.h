// Text at the widget boundary: the program's Shift_JIS text and file-system paths in and out of widgets.
#pragma once

#include <QString>

#include <string>

// Shift_JIS text shown in a widget, and a widget's text as Shift_JIS (a
// character with no Shift_JIS code becomes "?"), through code page 932.
QString ShownText(const std::string& Sjis);
std::string WidgetText(const QString& Text);

// File-system paths stay file-system bytes inside the program. They meet
// widget text only through these two: for showing a path (a message, the
// start folder of a file dialog) and for taking one back (a dialog's choice,
// a dropped file).
QString PathToWidget(const std::string& FsPath);
std::string WidgetToPath(const QString& Path);
