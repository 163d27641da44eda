#include "tests/support/discolleno.h"

#include <QFile>

#include <sqlite3.h>

#include <cstring>

namespace {

QByteArray g_carpeta;
long long g_libres = 0;
sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;

// Our file in front, the real one right behind it in the same block.
struct Fichero {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* real(sqlite3_file* f)
{
    return reinterpret_cast<Fichero*>(f)->real;
}

int cerrar(sqlite3_file* f) { return real(f)->pMethods->xClose(real(f)); }
int leer(sqlite3_file* f, void* b, int n, sqlite3_int64 o)
{
    return real(f)->pMethods->xRead(real(f), b, n, o);
}
int escribir(sqlite3_file* f, const void* b, int n, sqlite3_int64 o)
{
    if (o + n > g_libres)
        return SQLITE_FULL;
    return real(f)->pMethods->xWrite(real(f), b, n, o);
}
int truncar(sqlite3_file* f, sqlite3_int64 n) { return real(f)->pMethods->xTruncate(real(f), n); }
int sincronizar(sqlite3_file* f, int m) { return real(f)->pMethods->xSync(real(f), m); }
int tamano(sqlite3_file* f, sqlite3_int64* n) { return real(f)->pMethods->xFileSize(real(f), n); }
int bloquear(sqlite3_file* f, int n) { return real(f)->pMethods->xLock(real(f), n); }
int desbloquear(sqlite3_file* f, int n) { return real(f)->pMethods->xUnlock(real(f), n); }
int reservado(sqlite3_file* f, int* r)
{
    return real(f)->pMethods->xCheckReservedLock(real(f), r);
}
int control(sqlite3_file* f, int op, void* a)
{
    return real(f)->pMethods->xFileControl(real(f), op, a);
}
int sector(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
int caracteristicas(sqlite3_file* f)
{
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}

// Version 1: no shared memory nor mapping, which the program's files (no WAL) never use.
const sqlite3_io_methods kMetodos = {1,      cerrar,   leer,      escribir,    truncar,
                                     sincronizar, tamano, bloquear, desbloquear, reservado,
                                     control, sector,   caracteristicas, nullptr, nullptr,
                                     nullptr, nullptr,  nullptr,   nullptr};

int abrir(sqlite3_vfs*, sqlite3_filename nombre, sqlite3_file* f, int flags, int* salida)
{
    const bool dentro = nombre && std::strncmp(nombre, g_carpeta.constData(),
                                               size_t(g_carpeta.size())) == 0;
    if (!dentro)
        return g_real->xOpen(g_real, nombre, f, flags, salida);
    auto* nuestro = reinterpret_cast<Fichero*>(f);
    nuestro->real = reinterpret_cast<sqlite3_file*>(nuestro + 1);
    nuestro->base.pMethods = nullptr;
    const int rc = g_real->xOpen(g_real, nombre, nuestro->real, flags, salida);
    if (rc == SQLITE_OK)
        nuestro->base.pMethods = &kMetodos;
    return rc;
}

}  // namespace

DiscoLleno::DiscoLleno(const QString& carpeta, long long bytesLibres)
    : anterior_(sqlite3_vfs_find(nullptr))
{
    g_real = anterior_;
    g_carpeta = QFile::encodeName(carpeta) + '/';
    g_libres = bytesLibres;
    g_vfs = *g_real;
    g_vfs.zName = "disco-lleno";
    g_vfs.szOsFile = int(sizeof(Fichero)) + g_real->szOsFile;
    g_vfs.xOpen = abrir;
    g_vfs.pNext = nullptr;
    sqlite3_vfs_register(&g_vfs, 1);
}

DiscoLleno::~DiscoLleno()
{
    sqlite3_vfs_unregister(&g_vfs);
    sqlite3_vfs_register(anterior_, 1);
}
