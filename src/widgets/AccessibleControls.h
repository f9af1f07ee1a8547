// What assistive technology is told about the program's own controls beyond Qt's defaults.
#pragma once

#include <QPushButton>

#include <functional>

// A button whose own mouse and key handling is not a click (the calendar's
// month button steps on a press of either mouse button). OnPress is what
// the accessibility press action does, as a click with the left button.
class TStepButton : public QPushButton {
    Q_OBJECT
public:
    explicit TStepButton(QWidget* Parent = nullptr);
    std::function<void()> OnPress;
};

// Announces a plain top-level QWidget as a window (Qt would call it a filler).
void AnnounceAsWindow(QWidget* Window);
