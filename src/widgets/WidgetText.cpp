// Text at the widget boundary: the program's Shift_JIS text and file-system paths in and out of widgets.
#include "WidgetText.h"

#include <QFile>

#include "LineSplitter.h"
#include "cp932.h"

QString ShownText(const std::string& Sjis) { return QString::fromStdU16String(Cp932ToUtf16(Sjis)); }

std::string WidgetText(const QString& Text) { return Utf16ToCp932(Text.toStdU16String()); }

QString BoxText(const std::string& Sjis, int MaxLength) {
    std::string T;
    T.reserve(Sjis.size());
    for (size_t i = 0; i < Sjis.size(); ++i) {
        if (Sjis[i] == '\r') {
            T += '\n';
            if (i + 1 < Sjis.size() && Sjis[i + 1] == '\n') ++i;
        } else {
            T += Sjis[i];
        }
    }
    QString S = ShownText(T);
    if (MaxLength > 0 && S.size() > MaxLength) {
        int N = MaxLength;
        if (S.at(N - 1).isHighSurrogate()) --N;
        S.truncate(N);
    }
    return S;
}

std::vector<std::string> BoxLines(const QString& PlainText) {
    std::vector<std::string> Lines;
    ForEachLine(WidgetText(PlainText), [&](std::string_view L) { Lines.emplace_back(L); });
    return Lines;
}

QString PathToWidget(const std::string& FsPath) {
    return QFile::decodeName(QByteArray::fromStdString(FsPath));
}

std::string WidgetToPath(const QString& Path) { return QFile::encodeName(Path).toStdString(); }
