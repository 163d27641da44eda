#pragma once

#include <QApplication>

// The application object. A database error raised inside any handler ends that handler and
// lands here, once for the whole program: the engine's message is shown in the standard error
// box and the program goes on.
class Aplicacion : public QApplication {
    Q_OBJECT

public:
    Aplicacion(int& argc, char** argv);
    bool notify(QObject* receptor, QEvent* evento) override;
};
