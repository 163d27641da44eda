#include "tests/support/access.h"

#include <QFile>

#include <mdbtools.h>

namespace {

// The page of the table's definition, which every data page of the table names at byte 4.
long paginaDeDefinicion(const QString& ruta, const QString& tabla)
{
    MdbHandle* h = mdb_open(QFile::encodeName(ruta).constData(), MDB_NOFLAGS);
    if (!h)
        return -1;
    long pagina = -1;
    if (mdb_read_catalog(h, MDB_TABLE)) {
        for (guint i = 0; i < h->catalog->len; ++i) {
            const auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(h->catalog, i));
            if (e->object_type == MDB_TABLE
                && tabla.compare(QString::fromUtf8(e->object_name), Qt::CaseInsensitive) == 0)
                pagina = long(e->table_pg);
        }
    }
    mdb_close(h);
    return pagina;
}

}  // namespace

bool copiaAccessConPaginaBorrada(const QString& original, const QString& destino,
                                 const QString& tabla, int cual)
{
    constexpr int kPagina = 4096;   // Jet 4
    const long definicion = paginaDeDefinicion(original, tabla);
    QFile f(original);
    if (definicion < 0 || !f.open(QIODevice::ReadOnly))
        return false;
    QByteArray datos = f.readAll();
    int vistas = 0;
    for (qsizetype p = 0; p + kPagina <= datos.size(); p += kPagina) {
        const auto* b = reinterpret_cast<const uchar*>(datos.constData() + p);
        const long duena = long(b[4]) | long(b[5]) << 8 | long(b[6]) << 16 | long(b[7]) << 24;
        if (b[0] != 0x01 || duena != definicion || vistas++ != cual)
            continue;
        datos.replace(p, kPagina, QByteArray(kPagina, '\0'));
        QFile::remove(destino);
        QFile salida(destino);
        return salida.open(QIODevice::WriteOnly) && salida.write(datos) == datos.size();
    }
    return false;
}
