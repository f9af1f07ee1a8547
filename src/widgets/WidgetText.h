// Text at the widget boundary: the program's Shift_JIS text and file-system paths in and out of widgets.
#pragma once

#include <QString>

#include <string>
#include <vector>

// Shift_JIS text shown in a widget, and a widget's text as Shift_JIS (a
// character with no Shift_JIS code becomes "?"), through code page 932.
QString ShownText(const std::string& Sjis);
std::string WidgetText(const QString& Text);

// The program's text for a multi-line box: CR LF and lone CR become the
// box's line break; with MaxLength > 0 the text is cut to that many UTF-16
// units (never inside a surrogate pair).
QString BoxText(const std::string& Sjis, int MaxLength = 0);
// The lines of a multi-line box's plain text as Shift_JIS: an empty text has
// no lines, and a line break at the very end starts no further line.
std::vector<std::string> BoxLines(const QString& PlainText);

// File-system paths stay file-system bytes inside the program. They meet
// widget text only through these two: for showing a path (a message, the
// start folder of a file dialog) and for taking one back (a dialog's choice,
// a dropped file).
QString PathToWidget(const std::string& FsPath);
std::string WidgetToPath(const QString& Path);
