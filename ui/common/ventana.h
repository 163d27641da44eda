#pragma once

#include <QDialog>
#include <functional>

// A secondary window: created once, shown modally, hidden again. FormActivate runs on every
// opening and again whenever a window opened above it closes; FormClose on every closing.
class Ventana : public QDialog {
    Q_OBJECT

public:
    explicit Ventana(QWidget* parent = nullptr);

    virtual void FormActivate() {}

    // A window closes on every request: a failing refresh in FormClose is shown once and the
    // window still goes, so no error can trap the user in it.
    void done(int result) override;

    // Escape closes only a window whose cancel button answers to it; elsewhere it could throw
    // away what the user typed.
    void setCerrarConEscape(bool cerrar) { cerrarConEscape_ = cerrar; }

protected:
    virtual void FormClose() {}
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend int showModal(Ventana* ventana);
    bool cerrarConEscape_ = false;
    // Closed while a window above it was still open (a deleted patient closes the record of
    // his visit beneath): it must not come back to life when that window returns.
    bool cerrada_ = false;
};

// Opens a window modally: runs its activation, waits until it closes, then re-runs the
// activation of the window that lies beneath. Every opening goes through here.
int showModal(Ventana* ventana);

// Tests replace the wait with their own script (it receives the window, already activated,
// and returns its result); an empty function restores the real modal loop.
using EjecutorModal = std::function<int(Ventana*)>;
void setEjecutorModal(EjecutorModal ejecutor);

// The windows currently open, innermost last.
const QList<Ventana*>& ventanasAbiertas();

// Tab and Shift+Tab walk `orden`, in that order.
void fijarOrdenTab(const QList<QWidget*>& orden);
