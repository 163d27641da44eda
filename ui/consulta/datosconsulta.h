#pragma once

#include "db/consulta.h"
#include "ui/common/ventana.h"

class QLineEdit;
class QRadioButton;

// Window "Clinora 1.1 - Datos de la consulta": the practice's own data that every invoice
// prints (clinora.ini, [Consulta]) and how invoices are numbered ([Facturas]). Edited here so
// nobody has to write the file by hand; the rest of the file stays as it was.
class TFormDatosConsulta : public Ventana {
    Q_OBJECT

public:
    explicit TFormDatosConsulta(QWidget* parent = nullptr);

    // Reads the file beside the database on every opening.
    void FormActivate() override;

    // What the boxes hold now.
    DatosConsulta datos() const;
    bool cambiado() const { return cambiado_; }

    // Handlers, public so tests reach them as the user would.
    void BitBtnGuardarClick();    // "&Guardar"
    void BitBtnCancelarClick();   // "&Cancelar"

    // Cancelar and the title bar's close both come here: a change is never dropped unasked.
    void reject() override;

private:
    void crearControles();
    void mostrar(const DatosConsulta& d);
    // Writes the file; false (with the message shown) when the user goes back to the boxes or
    // the file cannot be written.
    bool guardar();

    QString ruta_;
    bool cambiado_ = false;
    bool cargando_ = false;
    QLineEdit* EditNombre = nullptr;
    QLineEdit* EditTitulo = nullptr;
    QLineEdit* EditColegiado = nullptr;
    QLineEdit* EditNif = nullptr;
    QLineEdit* EditDireccion = nullptr;
    QLineEdit* EditPoblacion = nullptr;
    QLineEdit* EditTelefono = nullptr;
    QLineEdit* EditExencion = nullptr;
    QRadioButton* RadioPacienteFecha = nullptr;
    QRadioButton* RadioCorrelativa = nullptr;
};

namespace datosconsulta {

// Before an invoice is printed: when the practice's name or NIF is missing, says which lines
// the invoice would lack and offers to fill them in now (`completar` opens the window).
// False when the user cancels the printing; printing without them stays possible.
bool revisarAntesDeImprimir(const DatosConsulta& d, const std::function<void()>& completar);

}  // namespace datosconsulta
