// The clinic database: schema, recognising our files, bound values, the dataset, backups.
#include "db/comando.h"
#include "db/copia.h"
#include "db/dataset.h"
#include "db/error.h"
#include "db/esquema.h"
#include "db/formatos.h"
#include "db/sql.h"
#include "tests/support/entorno.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

QByteArray huella(const QString& ruta)
{
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

}  // namespace

class TestBaseDatos : public QObject {
    Q_OBJECT

private slots:
    void nuevaBaseTieneTablaCodigoEnUno()
    {
        Entorno e;
        QCOMPARE(e.valor("SELECT codigo FROM tabla_codigo").toInt(), 1);
        QCOMPARE(e.valor("SELECT COUNT(*) FROM tabla_codigo").toInt(), 1);
        QCOMPARE(e.valor("PRAGMA application_id").toInt(), esquema::kApplicationId);
        QCOMPARE(QFile(e.rutaBD()).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }
};

CLINORA_TEST_MAIN(TestBaseDatos)
#include "tst_basedatos.moc"
