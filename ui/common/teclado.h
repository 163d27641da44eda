#pragma once

#include <QObject>

// The keyboard of the desktop the program's users know, for every window at once:
// - Enter presses the focused button, as Space does;
// - where two buttons of a window carry the same Alt+letter, it presses the first of them in
//   tab order (Qt would only move the focus between them).
class Teclado : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    bool eventFilter(QObject* objeto, QEvent* evento) override;
};
