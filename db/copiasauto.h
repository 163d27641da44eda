#pragma once

#include "db/copia.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

// Automatic backups: a dated copy of the data written into the practice's backup folder when
// the program ends and once a day in a session left open past midnight, the old ones thinned
// out, and what happened remembered for the next start. The copy itself is copia::guardar's,
// the same checked file as "Guardar copia".
namespace copiasauto {

// "clinora-copia-AAAAMMDD-HHMMSS.mdb".
QString nombreCopia(const QDateTime& momento);
// The moment in the name of one of our copies; invalid for any other name.
QDateTime momentoDe(const QString& nombreFichero);

// What clinora.ini's [Copias] says: the folder (Carpeta=, relative to the database's folder;
// by default "copias" beside it) and whether copies are made (Automaticas=no turns them off).
struct Ajustes {
    QString carpeta;        // absolute
    bool automaticas = true;
    bool porDefecto = true; // the folder was not chosen: it may be created
};
Ajustes leerAjustes(const QString& rutaBaseDatos);

// Writes Carpeta= and Automaticas= into clinora.ini beside the database, keeping every other
// line of the file as it was (the practice's data, comments). Throws DbError.
void guardarAjustes(const QString& rutaBaseDatos, const QString& carpeta, bool automaticas);
// The same on text: `texto` with the keys of `grupo` set, the rest untouched.
QString fijarClaves(const QString& texto, const QString& grupo,
                    const QList<QPair<QString, QString>>& claves);

// What the last attempts left, kept beside the database (the backup folder may be a disk that
// is not plugged in): the last good copy, and the last failure when it came after it.
struct Estado {
    QDateTime ultimaCorrecta;
    QString rutaUltima;
    QDateTime momentoFallo;   // invalid when the last attempt went well
    QString fallo;
};
Estado leerEstado(const QString& rutaBaseDatos);

// One of our copies in the folder.
struct CopiaEnCarpeta {
    QString ruta;
    QDateTime momento;
    qint64 bytes = 0;
};
// Newest first; files that are not ours are not listed.
QList<CopiaEnCarpeta> copiasEn(const QString& carpeta);

// Which of the copies taken at `momentos` the rotation removes on day `hoy`: it keeps the last
// of each of the last 7 days, the last of each of the 4 calendar weeks before the current one,
// and the last of each of the 12 calendar months before the current one. A copy dated after
// `hoy` is kept. Returns indexes into `momentos`.
QList<int> sobrantes(const QList<QDateTime>& momentos, const QDate& hoy);
// Applies it to the folder; only files named as ours are ever removed. Returns how many.
int rotar(const QString& carpeta, const QDate& hoy);

// Patients and visits in a backup file; -1 each when it cannot be read.
struct Recuento {
    int pacientes = -1;
    int visitas = -1;
};
Recuento contar(const QString& ruta);

// Makes an automatic copy of the data open on `db` (its file `rutaBaseDatos`) now, by the
// program's clock: into the folder, checked, then the rotation; the outcome is recorded for the
// next start. Returns the copy's path; on failure throws DbError with the Spanish message the
// user is to see (what failed, and when the last good copy was made). Does nothing and returns
// an empty path when automatic copies are turned off.
QString hacer(QSqlDatabase db, const QString& rutaBaseDatos, const copia::Progreso& progreso = {});

// At start: removes what an interrupted copy left in the folder, and returns what the user must
// be told (the last attempt failed; the last good copy is older than 7 days), or empty.
QString alArrancar(const QString& rutaBaseDatos);

// "el 08/12/2026 a las 05:10 (hace 3 días)"; "nunca" for an invalid moment.
QString describirMomento(const QDateTime& momento, const QDateTime& ahora);

// The day a session last copied: a copy is due once the clock has passed midnight since.
class Diaria {
public:
    explicit Diaria(const QDate& desde) : dia_(desde) {}
    bool toca(const QDate& hoy);

private:
    QDate dia_;
};

}  // namespace copiasauto
