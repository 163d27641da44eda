#include "db/orden.h"

namespace orden {

QString clave(const QString& texto)
{
    QString k;
    k.reserve(texto.size() + 4);
    for (const QChar c : texto) {
        const QChar mayuscula = c.toUpper();
        // Ñ sorts after every other N: '~' is above every letter and digit a key can hold.
        if (mayuscula == QChar(0x00D1)) {
            k += QLatin1Char('N');
            k += kMarcaEnie;
            continue;
        }
        if (mayuscula == QChar(0x00DF)) {   // ß has no capital of its own
            k += QStringLiteral("SS");
            continue;
        }
        // Á, È, Ü, Ç ... weigh as their base letter.
        if (mayuscula.decompositionTag() == QChar::Canonical) {
            const QString partes = mayuscula.decomposition();
            if (!partes.isEmpty() && partes.front().unicode() < 0x80) {
                k += partes.front();
                continue;
            }
        }
        k += mayuscula;
    }
    return k;
}

}  // namespace orden
