// The program's fonts, named explicitly: Qt reports none of the Japanese fonts as fixed-pitch.
#include "Fonts.h"

namespace {
QFont Font(const char* Family, bool Fixed) {
    QFont F(QString::fromLatin1(Family));
    F.setPixelSize(12);
    if (Fixed) F.setStyleHint(QFont::TypeWriter);
    return F;
}
}  // namespace

QFont WindowFont() { return Font("IPAPGothic", false); }
QFont FixedFont() { return Font("IPAGothic", true); }
QFont MinchoFont() { return Font("IPAMincho", true); }
