#include "ui/patients/cajaspaciente.h"

#include "db/dataset.h"
#include "db/nif.h"
#include "ui/common/controles.h"
#include "ui/common/mensajes.h"

#include <QGridLayout>

const QList<CajaPaciente>& cajasPaciente()
{
    using P = sql::DatosPaciente;
    static const QList<CajaPaciente> cajas{
        {QStringLiteral("NOMBRE"), QStringLiteral("(*) Nombre:"), QStringLiteral("Nombre:"),
         sql::kLargoNombre, 2, 0, 1, &P::nombre,
         QStringLiteral("¡El campo \"Nombre\" está vacío, debes poner el nombre del paciente!")},
        {QStringLiteral("APELLIDO1"), QStringLiteral("(*) Primer Apellido:"),
         QStringLiteral("Primer apellido:"), sql::kLargoNombre, 2, 1, 1, &P::apellido1,
         QStringLiteral("¡El campo \"Primer Apellido\" está vacío, debes poner el primer "
                        "apellido del paciente!")},
        {QStringLiteral("APELLIDO2"), QStringLiteral("(*) Segundo Apellido:"),
         QStringLiteral("Segundo apellido:"), sql::kLargoNombre, 2, 2, 1, &P::apellido2,
         QStringLiteral("¡El campo \"Segundo Apellido\" está vacío, debes poner el segundo "
                        "apellido del paciente!")},
        {QStringLiteral("DNI"), QStringLiteral("DNI:"), QStringLiteral("DNI:"), sql::kLargoDni, 4,
         0, 1, &P::dni, QString()},
        {QStringLiteral("TLF1"), QStringLiteral("(*) Telf. de contacto:"),
         QStringLiteral("Telf. de contacto:"), sql::kLargoTelefono, 4, 1, 1, &P::tlf1,
         QStringLiteral("¡El campo \"Telf. de Contacto\" está vacío, debes poner un teléfono "
                        "donde poder contactar con el paciente!")},
        {QStringLiteral("TLF2"), QStringLiteral("Telf. alternativo:"),
         QStringLiteral("Tel. alternativo"), sql::kLargoTelefono, 4, 2, 1, &P::tlf2, QString()},
        {QStringLiteral("DIRECCION"), QStringLiteral("Dirección:"), QStringLiteral("Dirección:"),
         sql::kLargoDireccion, 6, 0, 1, &P::direccion, QString()},
        {QStringLiteral("POBLACION"), QStringLiteral("Población:"), QStringLiteral("Población:"),
         sql::kLargoPoblacion, 6, 1, 1, &P::poblacion, QString()},
        {QStringLiteral("PROVINCIA"), QStringLiteral("Provincia:"), QStringLiteral("Provincia:"),
         sql::kLargoPoblacion, 6, 2, 1, &P::provincia, QString()},
        {QStringLiteral("SOCIEDAD"), QStringLiteral("Aseguradora:"),
         QStringLiteral("Aseguradora:"), sql::kLargoSociedad, 8, 0, 1, &P::sociedad, QString()},
        {QStringLiteral("COMENTARIO"), QStringLiteral("Comentario:"),
         QStringLiteral("Comentario:"), sql::kLargoComentario, 10, 0, 3, &P::comentario,
         QString()},
    };
    return cajas;
}

QLineEdit* CajasPaciente::crear(const CajaPaciente& def, const QString& nombre,
                                QGridLayout* rejilla, QWidget* padre)
{
    auto* caja = new EditMayusculas(nombre, padre);
    // Typing stops at what the patient's row can keep and show again.
    caja->setMaxLength(def.largo);
    crearEditEtiquetado(caja, rotulo_ == Rotulo::Alta ? def.rotuloAlta : def.rotuloFicha,
                        rejilla, def.fila, def.columna, def.columnas);
    defs_.append(def);
    cajas_.append(caja);
    return caja;
}

void CajasPaciente::crearDatos(const QString& prefijo, QGridLayout* rejilla, QWidget* padre)
{
    int numero = 2;
    for (const CajaPaciente& def : cajasPaciente())
        crear(def, prefijo + QString::number(numero++), rejilla, padre);
}

QLineEdit* CajasPaciente::caja(const QString& campo) const
{
    for (qsizetype i = 0; i < defs_.size(); ++i) {
        if (defs_.at(i).campo == campo)
            return cajas_.at(i);
    }
    return nullptr;
}

void CajasPaciente::mostrar(const DataSet& fila)
{
    const bool hay = !fila.isEmpty();
    for (qsizetype i = 0; i < defs_.size(); ++i) {
        QLineEdit* caja = cajas_.at(i);
        const QString texto = hay ? fila.fieldByName(defs_.at(i).campo).toString() : QString();
        caja->setMaxLength(qMax(defs_.at(i).largo, int(texto.size())));
        caja->setText(texto);
        caja->setCursorPosition(0);
    }
}

void CajasPaciente::escribir(sql::DatosPaciente& paciente) const
{
    for (qsizetype i = 0; i < defs_.size(); ++i) {
        if (defs_.at(i).dato)
            paciente.*(defs_.at(i).dato) = cajas_.at(i)->text();
    }
}

bool CajasPaciente::obligatoriosRellenos() const
{
    for (qsizetype i = 0; i < defs_.size(); ++i) {
        const QString& aviso = defs_.at(i).avisoVacio;
        if (aviso.isEmpty() || !cajas_.at(i)->text().isEmpty())
            continue;
        mensajes::informacion(aviso);
        cajas_.at(i)->setFocus();
        return false;
    }
    return true;
}

bool CajasPaciente::dniAceptado() const
{
    QLineEdit* dni = caja(QStringLiteral("DNI"));
    if (!dni)
        return true;
    // Only a wrong letter: a passport or another country's card has a form of its own.
    const nif::Comprobacion c = nif::comprobar(dni->text());
    if (c.estado != nif::Estado::ControlIncorrecto)
        return true;
    if (mensajes::confirmacionAviso(
            QStringLiteral("El %1 «%2» no es válido: su letra de control debería ser «%3». "
                           "¿Guardarlo así de todas formas?")
                .arg(c.tipo, dni->text().trimmed(), c.esperado)))
        return true;
    dni->setFocus();
    return false;
}
