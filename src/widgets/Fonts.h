// The program's fonts, named explicitly: Qt reports none of the Japanese fonts as fixed-pitch.
#pragma once

#include <QFont>

// The windows' proportional Japanese font, 12 pixels.
QFont WindowFont();
// The fixed-pitch Gothic of the text boxes and the message list, 12 pixels.
QFont FixedFont();
// The fixed-pitch Mincho of the signature editor's ruler, 12 pixels.
QFont MinchoFont();
