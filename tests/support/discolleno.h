#pragma once

#include <QString>

struct sqlite3_vfs;

// A disk that fills up, for the engine: while one of these lives, every file the engine opens
// under `carpeta` refuses writes past `bytesLibres` bytes with SQLITE_FULL, as a full disk does
// (without root, which a real small disk would need). Files elsewhere are written as always.
class DiscoLleno {
public:
    DiscoLleno(const QString& carpeta, long long bytesLibres);
    ~DiscoLleno();
    DiscoLleno(const DiscoLleno&) = delete;
    DiscoLleno& operator=(const DiscoLleno&) = delete;

private:
    sqlite3_vfs* anterior_;
};
