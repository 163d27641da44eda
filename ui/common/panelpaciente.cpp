#include "ui/common/panelpaciente.h"

#include "db/dataset.h"

#include <QGridLayout>
#include <QLabel>

namespace {

struct DatoPaciente {
    QString etiqueta, campo;
};

const DatoPaciente kDatosPaciente[] = {
    {QStringLiteral("Nombre:"), QStringLiteral("NOMBRE")},
    {QStringLiteral("Primer apellido:"), QStringLiteral("APELLIDO1")},
    {QStringLiteral("Segundo apellido:"), QStringLiteral("APELLIDO2")},
    {QStringLiteral("Teléfono 1:"), QStringLiteral("TLF1")},
    {QStringLiteral("Teléfono 2:"), QStringLiteral("TLF2")},
};

}  // namespace

PanelPaciente::PanelPaciente(int anchoValores, QWidget* parent)
    : QGroupBox(QStringLiteral("Datos del Paciente"), parent)
{
    setObjectName(QStringLiteral("GroupBox1"));
    auto* rejilla = new QGridLayout(this);
    rejilla->setVerticalSpacing(4);
    int fila = 0;
    for (const DatoPaciente& d : kDatosPaciente) {
        auto* valor = new QLabel(this);
        valor->setObjectName(QStringLiteral("DBText%1").arg(fila + 1));
        valor->setTextInteractionFlags(Qt::TextSelectableByMouse);
        valor->setMinimumWidth(anchoValores);
        QFont f = valor->font();
        f.setBold(true);
        valor->setFont(f);
        rejilla->addWidget(new QLabel(d.etiqueta, this), fila, 0);
        rejilla->addWidget(valor, fila, 1);
        valores_.append(valor);
        ++fila;
    }
    rejilla->setColumnStretch(1, 1);
    rejilla->setRowStretch(fila, 1);
}

void PanelPaciente::mostrar(const DataSet& datos)
{
    const bool hay = datos.isActive() && !datos.isEmpty();
    int i = 0;
    for (const DatoPaciente& d : kDatosPaciente) {
        QLabel* valor = valores_.at(i++);
        valor->setText(hay ? datos.fieldByName(d.campo).toString() : QString());
        valor->setAccessibleName(d.etiqueta + QLatin1Char(' ') + valor->text());
    }
}

QLabel* etiquetaDe(const QString& texto, QWidget* caja, QWidget* padre)
{
    auto* label = new QLabel(texto, padre);
    label->setBuddy(caja);
    caja->setAccessibleName(texto.chopped(1));
    return label;
}
