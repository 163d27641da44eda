#pragma once

#include "db/copiasauto.h"
#include "ui/common/ventana.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QTableWidget;

// The automatic backups as the user meets them: the "Copias automáticas…" window of the Backup
// choice, the list of copies "Cargar copia" offers first, the copy with its progress window
// when the program ends or the day changes, and the notice at start. The copying and the rules
// are db/copiasauto's.
namespace copiasautomaticas {

// "Copias automáticas": on/off, the folder, and where and how old the last good copy is.
class VentanaCopiasAuto : public Ventana {
    Q_OBJECT

public:
    VentanaCopiasAuto(const QString& rutaBaseDatos, QWidget* parent = nullptr);
    void FormActivate() override;

    void BotonElegirClick();
    void BotonAhoraClick();
    void BotonAceptarClick();

private:
    // Stores the folder and the switch as shown; false (and the user told why) when it cannot.
    bool guardarLoEscrito();

    QString ruta_;
    QCheckBox* CheckAutomaticas = nullptr;
    QLineEdit* EditCarpeta = nullptr;
    QLabel* LabelUltima = nullptr;
};

// "Cargar copia": the automatic copies, newest first, with date, time, size, patients and
// visits; or another file.
class VentanaElegirCopia : public Ventana {
    Q_OBJECT

public:
    VentanaElegirCopia(const QList<copiasauto::CopiaEnCarpeta>& copias, const QString& carpeta,
                       QWidget* parent = nullptr);
    // The file chosen once the window closed with Accepted; "" for "Otro fichero…".
    QString elegida() const { return elegida_; }

    void BotonCargarClick();
    void BotonOtroClick();

private:
    QList<copiasauto::CopiaEnCarpeta> copias_;
    QTableWidget* TablaCopias = nullptr;
    QString elegida_;
};

void ajustar(QWidget* padre, const QString& rutaBaseDatos);

// The file "Cargar copia" is to load: one of the automatic copies when there are any and the
// user picks one, otherwise any file from the file dialog; empty when cancelled.
QString elegirCopiaACargar(QWidget* padre, const QString& rutaBaseDatos);

// An automatic copy now, on the default connection: a progress window once it takes more than
// a moment, and a Spanish message when it fails. True when a copy was written.
bool hacer(const QString& rutaBaseDatos);

// At start, once the main window is up: what the last attempts left to say.
void alArrancar(const QString& rutaBaseDatos);

}  // namespace copiasautomaticas
