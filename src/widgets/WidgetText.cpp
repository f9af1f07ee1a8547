// Text at the widget boundary: file-system paths shown in widgets and taken back from them.
#include "WidgetText.h"

#include <QFile>

QString PathToWidget(const std::string& FsPath) {
    return QFile::decodeName(QByteArray::fromStdString(FsPath));
}

std::string WidgetToPath(const QString& Path) { return QFile::encodeName(Path).toStdString(); }
