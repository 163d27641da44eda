#pragma once

#include "ui/common/ventana.h"

class QPlainTextEdit;

// Window "Clinora 1.1 - Acerca de ...": the program's name and version, its credits and the
// notes on the latest release. Borderless; "Cerrar" (or Escape) closes it.
class TFormAcerca : public Ventana {
    Q_OBJECT

public:
    explicit TFormAcerca(QWidget* parent = nullptr);

    // The release notes as the window shows them, line by line.
    static QString notas();

    void BitBtn1Click();

private:
    QPlainTextEdit* Memo2 = nullptr;
};
