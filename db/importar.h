#pragma once

#include <QString>
#include <QList>
#include <QStringList>

#include <functional>

// Bringing a practice's old Access (Jet) file across: every patient and visit is read with
// libmdb and written through the program's own statements into a new clinic database. The old
// file is only ever read. Whatever could not come across as it stood is listed, each row named
// by its code and the date as stored, so the practice can find it in the old file.
namespace importacion {

// Whether the file's header says Jet or ACE (Access) database.
bool esAccess(const QString& ruta);

struct Resultado {
    QString origen;
    int pacientesLeidos = 0;
    int pacientesImportados = 0;
    int visitasLeidas = 0;
    int visitasImportadas = 0;
    qint64 siguienteCodigo = 1;
    bool codigoReconstruido = false;
    QStringList noImportadas;   // rows left out, with their reason
    QStringList cambiadas;      // rows brought across with a change, with what changed
    QStringList notas;          // decisions that apply to every row

    // A few lines with the counts, for the message box.
    QString resumen() const;
    // The whole report, as written to the text file beside the database.
    QString informe() const;
};

// Reads `origen` (only reads it) and builds a new clinic database at `destino`, which must not
// exist. The database is made under a temporary name beside `destino`, filled in one
// transaction and renamed into place only when complete; on any failure the temporary is
// removed and DbError is thrown with a Spanish message.
Resultado importar(const QString& origen, const QString& destino);

// The three tables as read from an old file: lower-case column names, every value as the text
// libmdb gives (yes/no as "1"/"0", NULL as the empty text), and the number of rows the table's
// definition says it holds (-1 when not known). Other tables are only named.
struct Tabla {
    bool existe = false;
    QStringList columnas;
    QList<QStringList> filas;
    qint64 declaradas = -1;
};
struct TablasAccess {
    Tabla paciente, visita, codigo;
    QStringList otras;
};

// What importar does once the old file is read; `origen` only names it in the report. A table
// that reads fewer rows than it declares (a damaged page, which libmdb skips) is refused.
Resultado importarTablas(const TablasAccess& tablas, const QString& origen,
                         const QString& destino);

// Tests only: called with the temporary file's path once every row is in, just before the
// rename; a hook that throws stands for a failure at the last moment. Empty removes it.
void fijarFalloDePrueba(std::function<void(const QString& temporal)> gancho);

}  // namespace importacion
