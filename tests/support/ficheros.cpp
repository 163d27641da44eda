#include "tests/support/ficheros.h"

#include "db/acceso.h"
#include "db/comando.h"
#include "db/esquema.h"
#include "db/sql.h"

#include <QDir>
#include <QUuid>

QString conexionNueva()
{
    return QStringLiteral("prueba-") + QUuid::createUuid().toString(QUuid::Id128);
}

void conConexion(const QString& ruta, const std::function<void(QSqlDatabase)>& hacer)
{
    const QString nombre = conexionNueva();
    {
        QSqlDatabase db = esquema::abrir(ruta, nombre);
        hacer(db);
    }
    esquema::cerrar(nombre);
}

void insertarPaciente(QSqlDatabase db, int codigo, const QString& apellido,
                      const QString& comentario)
{
    sql::DatosPaciente p;
    p.codigo = codigo;
    p.nombre = QStringLiteral("ÁNGEL");
    p.apellido1 = apellido;
    p.apellido2 = QStringLiteral("ÑÚÑEZ");
    p.tlf1 = QStringLiteral("600000000");
    p.fechaAlta = QStringLiteral("01/01/2026");
    p.comentario = comentario;
    comando::ejecutar(sql::insertarPaciente(p), db);
}

void crearNuestro(const QString& ruta, int pacientes)
{
    esquema::crearFichero(ruta);
    conConexion(ruta, [&](QSqlDatabase db) {
        comando::Transaccion t(db);
        for (int i = 1; i <= pacientes; ++i) {
            insertarPaciente(db, i, QStringLiteral("APELLIDO%1").arg(i),
                             QString(40, QChar(u'A' + i % 26)));
            sql::NuevaVisita v;
            v.codigo = i;
            v.fecha = QStringLiteral("07/12/2026");
            v.hora = QStringLiteral("15:00");
            comando::ejecutar(sql::insertarVisita(v), db);
        }
        comando::ejecutar(sql::guardarTablaCodigo(pacientes + 1), db);
        t.commit();
    });
}

QStringList temporalesEn(const QString& carpeta)
{
    QStringList nuestros;
    for (const QString& n : QDir(carpeta).entryList(QDir::Files | QDir::Hidden)) {
        if (acceso::esTemporalNuestro(n))
            nuestros << n;
    }
    return nuestros;
}
