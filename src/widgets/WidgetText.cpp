// Text at the widget boundary: the program's Shift_JIS text and file-system paths in and out of widgets.
#include "WidgetText.h"

#include <QFile>

#include "cp932.h"

QString ShownText(const std::string& Sjis) { return QString::fromStdU16String(Cp932ToUtf16(Sjis)); }

std::string WidgetText(const QString& Text) { return Utf16ToCp932(Text.toStdU16String()); }

QString PathToWidget(const std::string& FsPath) {
    return QFile::decodeName(QByteArray::fromStdString(FsPath));
}

std::string WidgetToPath(const QString& Path) { return QFile::encodeName(Path).toStdString(); }
