#include "db/sql.h"

#include "db/orden.h"

#include <optional>

namespace sql {

namespace {

// Joined lists name every column, qualifying the one column both tables share, so a grid or a
// handler can ask for "Visita.codigo" or "Paciente.codigo" and get the right one.
const QString& columnasPacienteVisita()
{
    static const QString columnas = QStringLiteral(
        "Paciente.codigo AS \"Paciente.codigo\", Paciente.nombre AS nombre, "
        "Paciente.apellido1 AS apellido1, Paciente.apellido2 AS apellido2, Paciente.dni AS dni, "
        "Paciente.tlf1 AS tlf1, Paciente.tlf2 AS tlf2, Paciente.direccion AS direccion, "
        "Paciente.poblacion AS poblacion, Paciente.provincia AS provincia, "
        "Paciente.fecha_alta AS fecha_alta, Paciente.sociedad AS sociedad, "
        "Paciente.comentario AS comentario, "
        "Visita.codigo AS \"Visita.codigo\", Visita.fecha AS fecha, Visita.pago AS pago, "
        "Visita.cantidad AS cantidad, Visita.observacion AS observacion, Visita.hora AS hora, "
        "Visita.factura AS factura, Visita.num_factura AS num_factura");
    return columnas;
}

const QString& ordenPermitido(const QString& ordenCitas)
{
    static const QStringList permitidos = {
        kOrdenHora,
        QStringLiteral("ORDER BY nombre"),
        QStringLiteral("ORDER BY apellido1"),
        QStringLiteral("ORDER BY apellido2"),
        QStringLiteral("ORDER BY paciente.codigo"),
    };
    for (const QString& p : permitidos) {
        if (p == ordenCitas)
            return p;
    }
    return permitidos.front();
}

// A day's visits with their patients, as the day lists show them: only the columns the grids
// show, colour and hand on. A busy day sorts a thousand rows, and every column fewer is less to
// sort and less to fetch.
Sql visitasConPacienteDelDia(const QString& fecha, const QString& orden)
{
    return {QStringLiteral(
                "SELECT Visita.hora AS hora, Visita.codigo AS \"Visita.codigo\", "
                "Paciente.apellido1 AS apellido1, Paciente.apellido2 AS apellido2, "
                "Paciente.nombre AS nombre, Visita.observacion AS observacion, "
                "Paciente.codigo AS \"Paciente.codigo\", Visita.fecha AS fecha, "
                "Visita.pago AS pago FROM Paciente, Visita WHERE Visita.fecha = ? "
                "AND Visita.codigo = Paciente.codigo ")
                + orden,
            {fecha}};
}

}  // namespace

Sql citasDelDia(const QString& fecha, const QString& ordenCitas)
{
    // Names sort by their Spanish keys; ties keep a stable, sensible order: by hour, then code.
    QString orden = ordenPermitido(ordenCitas);
    for (const char* nombre : {"nombre", "apellido1", "apellido2"}) {
        const QString columna = QString::fromLatin1(nombre);
        if (orden == QStringLiteral("ORDER BY ") + columna)
            orden = QStringLiteral("ORDER BY Paciente.") + columna + QStringLiteral("_orden");
    }
    if (orden != kOrdenHora)
        orden += QStringLiteral(", hora");
    return visitasConPacienteDelDia(fecha, orden + QStringLiteral(", Visita.codigo"));
}

Sql vistaRapida(const QString& fecha)
{
    // Only what the quick view shows, colours and hands on: on a crowded day every column
    // fewer is a page read fewer.
    return {QStringLiteral(
                "SELECT Visita.hora AS hora, Paciente.apellido1 AS apellido1, "
                "Paciente.apellido2 AS apellido2, Paciente.nombre AS nombre, "
                "Paciente.codigo AS \"Paciente.codigo\", Visita.codigo AS \"Visita.codigo\", "
                "Visita.fecha AS fecha, Visita.pago AS pago "
                "FROM Visita, Paciente WHERE Visita.codigo = Paciente.codigo AND Visita.fecha = ? "
                "ORDER BY hora, Visita.codigo"),
            {fecha}};
}

Sql horasOcupadas(const QString& fecha)
{
    // Read from the date index alone; every visit has its patient (the foreign key), so the
    // hours are those of the day's lists.
    return {QStringLiteral("SELECT DISTINCT hora FROM Visita WHERE fecha = ?"), {fecha}};
}

Sql diasCompletos(const QStringList& fechas, const QStringList& horas)
{
    // Dates are dd/mm/yyyy texts, which no range walks in date order: every day is named, and
    // each of its slots is one probe of the (fecha, hora) index, a day left at its first free
    // slot. Reading the days' visits instead costs as many rows as a busy day holds.
    const auto lista = [](const QStringList& textos, QVariantList& valores) {
        QStringList filas;
        for (const QString& t : textos) {
            filas << QStringLiteral("(?)");
            valores << t;
        }
        return filas.join(QStringLiteral(", "));
    };
    QVariantList valores;
    const QString dias = lista(fechas, valores);
    const QString huecos = lista(horas, valores);
    return {QStringLiteral("SELECT d.column1 AS fecha FROM (VALUES %1) AS d WHERE NOT EXISTS ("
                           "SELECT 1 FROM (VALUES %2) AS h WHERE NOT EXISTS (SELECT 1 FROM Visita "
                           "WHERE Visita.fecha = d.column1 AND Visita.hora = h.column1))")
                .arg(dias, huecos),
            valores};
}

Sql citasDeFecha(const QString& fecha)
{
    return visitasConPacienteDelDia(fecha, QStringLiteral("ORDER BY hora, Visita.codigo"));
}

Sql pacientePorCodigo(int codigo)
{
    return {QStringLiteral("SELECT * FROM Paciente WHERE codigo = ?"), {codigo}};
}

Sql visitasDelMes(const QString& mes, const QString& ano)
{
    // The month's visits are those of its days, "01/{mes}/{ano}" to "31/{mes}/{ano}": each found
    // on the day index, which also hands them back in day and hour order. A day that is not two
    // characters is none of them.
    QStringList marcas;
    QVariantList dias;
    for (int dia = 1; dia <= 31; ++dia) {
        marcas << QStringLiteral("?");
        dias << QStringLiteral("%1/%2/%3").arg(dia, 2, 10, QLatin1Char('0')).arg(mes, ano);
    }
    return {QStringLiteral("SELECT ") + columnasPacienteVisita()
                + QStringLiteral(", CASE Visita.pago WHEN 0 THEN 'No' ELSE 'Sí' END AS pago_texto"
                                 " FROM Paciente, Visita WHERE Visita.fecha IN (")
                + marcas.join(QStringLiteral(", "))
                + QStringLiteral(") AND Paciente.codigo = Visita.codigo"
                                 " ORDER BY Visita.fecha, Visita.hora, Visita.codigo"),
            dias};
}

QString numeroDeSerie(const QString& tabla)
{
    return QStringLiteral("CAST(%1.ano AS TEXT) || '-' || CASE WHEN %1.numero < 10000"
                          " THEN substr(CAST(10000 + %1.numero AS TEXT), 2)"
                          " ELSE CAST(%1.numero AS TEXT) END")
        .arg(tabla);
}

Sql facturasDelAno(const QString& ano)
{
    // A year's invoices in calendar order: text order would put every 1st of a month before
    // every 2nd. The partial index on invoiced visits holds them in exactly this order. Numbers
    // of the correlative series come after, in number order, with the numbers of the register
    // that no visit carries any more (annulled) in their places.
    const QString vivo = QStringLiteral(
        "Visita.codigo = Factura.codigo AND Visita.fecha = Factura.fecha AND Visita.factura = 1"
        " AND Visita.num_factura = ") + numeroDeSerie(QStringLiteral("Factura"));
    return {QStringLiteral("SELECT * FROM (SELECT ") + columnasPacienteVisita()
                + QStringLiteral(", Factura.numero AS numero_serie FROM Paciente, Visita"
                                 " LEFT JOIN Factura ON ")
                + vivo
                + QStringLiteral(" WHERE substr(Visita.fecha, 7) = ?"
                                 " AND substr(Visita.fecha, 3, 1) = '/'"
                                 " AND substr(Visita.fecha, 6, 1) = '/'"
                                 " AND Visita.factura = 1"
                                 " AND Paciente.codigo = Visita.codigo"
                                 " UNION ALL SELECT Paciente.codigo, Paciente.nombre,"
                                 " Paciente.apellido1, Paciente.apellido2, Paciente.dni,"
                                 " Paciente.tlf1, Paciente.tlf2, Paciente.direccion,"
                                 " Paciente.poblacion, Paciente.provincia, Paciente.fecha_alta,"
                                 " Paciente.sociedad, Paciente.comentario, Factura.codigo,"
                                 " Factura.fecha, NULL, NULL, '', '', 0,"
                                 " ")
                + numeroDeSerie(QStringLiteral("Factura"))
                + QStringLiteral(" || ' (anulada)', Factura.numero"
                                 " FROM Factura LEFT JOIN Paciente ON Paciente.codigo = Factura.codigo"
                                 " WHERE Factura.ano = ? AND NOT EXISTS"
                                 " (SELECT 1 FROM Visita WHERE ")
                + vivo
                + QStringLiteral(")) AS facturas ORDER BY numero_serie IS NOT NULL, numero_serie,"
                                 " substr(fecha, 4, 2), substr(fecha, 1, 2), hora,"
                                 " \"Visita.codigo\""),
            {ano, ano}};
}

Sql leerTablaCodigo()
{
    // The table holds one row at most (the schema check refuses more).
    return {QStringLiteral("SELECT codigo FROM tabla_codigo LIMIT 1"), {}};
}

Sql guardarTablaCodigo(qint64 codigo)
{
    return {QStringLiteral("UPDATE tabla_codigo SET codigo = ?"), {codigo}};
}

Sql reponerTablaCodigo(qint64 codigo)
{
    // Typed, so the server knows what the bare value is before it meets the column.
    return {QStringLiteral("INSERT INTO tabla_codigo (codigo) SELECT CAST(? AS BIGINT) "
                           "WHERE NOT EXISTS (SELECT 1 FROM tabla_codigo)"),
            {codigo}};
}

Sql contarPacientesConCodigo(qint64 codigo)
{
    return {QStringLiteral("SELECT COUNT(*) AS cuantos FROM Paciente WHERE codigo = ?"),
            {codigo}};
}

Sql primerCodigoLibreDesde(qint64 desde)
{
    // Codes are unique, so a range [lo, fin] is fully taken exactly when it holds fin - lo + 1
    // patients, and counting a key range is the cheapest walk the engine has. The search first
    // doubles a window from `desde` while each window is full (gallop), then halves the first
    // window that has a gap (bisection). Each step is three rows of the recursion, so every
    // count runs once: a row without `fin` gets its window end, a row without `n` gets its
    // count, a row with both moves on. It ends when lo = hi (the answer) or past the largest
    // code.
    return {QStringLiteral(
                "WITH RECURSIVE paso(lo, hi, ancho, fin, n) AS ("
                " SELECT CAST(? AS BIGINT), CAST(NULL AS BIGINT), CAST(1 AS BIGINT),"
                " CAST(NULL AS BIGINT), CAST(NULL AS BIGINT)"
                " UNION ALL"
                " SELECT"
                "  CASE WHEN fin IS NULL OR n IS NULL THEN lo"
                "       WHEN n = fin - lo + 1 THEN fin + 1 ELSE lo END,"
                "  CASE WHEN fin IS NULL OR n IS NULL THEN hi"
                "       WHEN n = fin - lo + 1 THEN hi ELSE fin END,"
                "  CASE WHEN fin IS NULL OR n IS NULL THEN ancho ELSE ancho * 2 END,"
                "  CASE WHEN fin IS NULL THEN"
                "         CASE WHEN hi IS NULL THEN lo + ancho - 1 ELSE (lo + hi) / 2 END"
                "       WHEN n IS NULL THEN fin END,"
                "  CASE WHEN fin IS NOT NULL AND n IS NULL THEN"
                "         (SELECT COUNT(*) FROM Paciente WHERE codigo BETWEEN lo AND fin) END"
                " FROM paso WHERE (hi IS NULL OR lo < hi) AND lo <= CAST(? AS BIGINT))"
                " SELECT lo AS libre FROM paso"
                " WHERE (hi IS NOT NULL AND lo >= hi) OR lo > CAST(? AS BIGINT) LIMIT 1"),
            {desde, kCodigoMaximo, kCodigoMaximo}};
}

Sql insertarPaciente(const DatosPaciente& p)
{
    return {QStringLiteral(
                "INSERT INTO Paciente (codigo, nombre, apellido1, apellido2, dni, tlf1, tlf2, "
                "direccion, poblacion, provincia, fecha_alta, sociedad, comentario, nombre_orden, "
                "apellido1_orden, apellido2_orden) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {p.codigo, p.nombre, p.apellido1, p.apellido2, p.dni, p.tlf1, p.tlf2, p.direccion,
             p.poblacion, p.provincia, p.fechaAlta, p.sociedad, p.comentario,
             orden::clave(p.nombre), orden::clave(p.apellido1), orden::clave(p.apellido2)}};
}

Sql contarVisitasDelDia(int codigo, const QString& fecha)
{
    return {QStringLiteral(
                "SELECT COUNT(*) AS cuantos FROM Visita WHERE codigo = ? AND fecha = ?"),
            {codigo, fecha}};
}

Sql insertarVisita(const NuevaVisita& v)
{
    return {QStringLiteral("INSERT INTO Visita (codigo, fecha, pago, cantidad, observacion, hora, "
                           "factura) VALUES (?, ?, ?, ?, ?, ?, 0)"),
            {v.codigo, v.fecha, v.pago ? 1 : 0, v.cantidad, v.observacion, v.hora}};
}

Sql visitaPorCodigoYFecha(int codigo, const QString& fecha)
{
    return {QStringLiteral("SELECT codigo, fecha, pago, cantidad, observacion, hora, factura, "
                           "num_factura FROM Visita WHERE codigo = ? AND fecha = ?"),
            {codigo, fecha}};
}

Sql actualizarVisita(const DatosVisita& v)
{
    return {QStringLiteral("UPDATE Visita SET pago = ?, cantidad = ?, observacion = ?, hora = ?, "
                           "factura = ?, num_factura = ? WHERE codigo = ? AND fecha = ?"),
            {v.pago ? 1 : 0, v.cantidad, v.observacion, v.hora, v.factura ? 1 : 0, v.numFactura,
             v.codigo, v.fecha}};
}

namespace {

// "AND pago = ? ..." for every column a record window shows: a row still as it was loaded.
const QString kVisitaComoSeCargo = QStringLiteral(
    " AND pago = ? AND cantidad = ? AND observacion = ? AND hora = ? AND factura = ?"
    " AND num_factura = ?");

QVariantList valoresVisita(const DatosVisita& v)
{
    return {v.pago ? 1 : 0, v.cantidad, v.observacion, v.hora, v.factura ? 1 : 0, v.numFactura};
}

const QString kPacienteComoSeCargo = QStringLiteral(
    " AND nombre = ? AND apellido1 = ? AND apellido2 = ? AND dni = ? AND tlf1 = ? AND tlf2 = ?"
    " AND direccion = ? AND poblacion = ? AND provincia = ? AND sociedad = ?"
    " AND comentario = ?");

QVariantList valoresPaciente(const DatosPaciente& p)
{
    return {p.nombre, p.apellido1, p.apellido2, p.dni, p.tlf1, p.tlf2, p.direccion, p.poblacion,
            p.provincia, p.sociedad, p.comentario};
}

}  // namespace

Sql actualizarVisita(const DatosVisita& v, const DatosVisita& cargada)
{
    Sql s = actualizarVisita(v);
    s.text += kVisitaComoSeCargo;
    s.values += valoresVisita(cargada);
    return s;
}

Sql borrarVisita(const DatosVisita& cargada)
{
    Sql s = borrarVisita(cargada.codigo, cargada.fecha);
    s.text += kVisitaComoSeCargo;
    s.values += valoresVisita(cargada);
    return s;
}

Sql modificarPaciente(const DatosPaciente& p, const DatosPaciente& cargado)
{
    Sql s = modificarPaciente(p);
    s.text += kPacienteComoSeCargo;
    s.values += valoresPaciente(cargado);
    return s;
}

Sql borrarPaciente(const DatosPaciente& cargado)
{
    Sql s = borrarPaciente(cargado.codigo);
    s.text += kPacienteComoSeCargo;
    s.values += valoresPaciente(cargado);
    return s;
}

Sql importarVisita(const DatosVisita& v)
{
    return {QStringLiteral("INSERT INTO Visita (codigo, fecha, pago, cantidad, observacion, hora, "
                           "factura, num_factura) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
            {v.codigo, v.fecha, v.pago ? 1 : 0, v.cantidad, v.observacion, v.hora,
             v.factura ? 1 : 0, v.numFactura}};
}

Sql borrarVisita(int codigo, const QString& fecha)
{
    return {QStringLiteral("DELETE FROM Visita WHERE codigo = ? AND fecha = ?"), {codigo, fecha}};
}

namespace {

const QString kColumnasBusqueda =
    QStringLiteral("SELECT codigo, apellido1, apellido2, nombre, tlf1 FROM Paciente");

// The first text after every text that begins with `prefijo`: its last character moved on by
// one code point (texts compare byte by byte in UTF-8, which keeps code point order). None
// when every character is already the last code point.
std::optional<QString> siguienteAlPrefijo(const QString& prefijo)
{
    QList<uint> puntos = prefijo.toUcs4();
    while (!puntos.isEmpty()) {
        uint& ultimo = puntos.last();
        if (ultimo < 0x10FFFF) {
            ++ultimo;
            // Surrogates never stand alone in stored text.
            if (ultimo == 0xD800)
                ultimo = 0xE000;
            return QString::fromUcs4(reinterpret_cast<const char32_t*>(puntos.constData()),
                                     puntos.size());
        }
        puntos.removeLast();
    }
    return std::nullopt;
}

// "expr >= ? AND expr < ?": every text beginning with the prefix, and only those, in a form
// an index on `expresion` can walk.
void rangoDePrefijo(const QString& expresion, const QString& prefijo, QStringList& condiciones,
                    QVariantList& valores)
{
    condiciones << expresion + QStringLiteral(" >= ?");
    valores << prefijo;
    if (const std::optional<QString> fin = siguienteAlPrefijo(prefijo)) {
        condiciones << expresion + QStringLiteral(" < ?");
        valores << *fin;
    }
}

}  // namespace

Sql busquedaVacia()
{
    return {kColumnasBusqueda + QStringLiteral(" LIMIT 0"), {}};
}

Sql buscarPacientes(const QString& columna, const QString& texto, const QString& campoOrden)
{
    QStringList condiciones;
    QVariantList valores;
    if (!texto.isEmpty()) {
        if (columna == QLatin1String("codigo")) {
            // The code read as text, as the user sees it: "1" finds 1, 10 and 100, "-" the
            // negative codes.
            rangoDePrefijo(QStringLiteral("CAST(codigo AS TEXT)"), texto, condiciones, valores);
        } else {
            const QString nombre = (columna == QLatin1String("apellido2")
                                    || columna == QLatin1String("nombre"))
                                       ? columna
                                       : QStringLiteral("apellido1");
            // The sort key is built letter by letter, so the key of a name that begins with
            // the text, accents and case aside, begins with the key of the text: "martinez"
            // finds MARTÍNEZ on the key's index alone.
            const QString columnaClave = nombre + QStringLiteral("_orden");
            const QString clave = orden::clave(texto);
            rangoDePrefijo(columnaClave, clave, condiciones, valores);
            // Ñ is a letter of its own, as in the order: a typed N finds no Ñ ("MUN" finds
            // MUNUERA, not MUÑOZ), so what is found by "MUN" stays found by "MUNO".
            if (clave.endsWith(QLatin1Char('N'))) {
                QStringList enie;
                rangoDePrefijo(columnaClave, clave + orden::kMarcaEnie, enie, valores);
                condiciones << QStringLiteral("NOT (%1)").arg(enie.join(QStringLiteral(" AND ")));
            }
        }
    }
    QString orden = QStringLiteral(" ORDER BY codigo");
    for (const char* n : {"nombre", "apellido1", "apellido2"}) {
        if (campoOrden == QLatin1String(n))
            orden = QStringLiteral(" ORDER BY %1_orden, codigo").arg(QLatin1String(n));
    }
    QString sentencia = kColumnasBusqueda;
    if (!condiciones.isEmpty())
        sentencia += QStringLiteral(" WHERE ") + condiciones.join(QStringLiteral(" AND "));
    return {sentencia + orden, valores};
}

Sql historialPaciente(int codigo)
{
    // Year, month and day of the dd/mm/yyyy text, so 30/12/2008 comes before 31/01/2008.
    return {QStringLiteral("SELECT * FROM Visita WHERE codigo = ? ORDER BY substr(fecha, 7, 4) "
                           "DESC, substr(fecha, 4, 2) DESC, substr(fecha, 1, 2) DESC, hora DESC"),
            {codigo}};
}

Sql modificarPaciente(const DatosPaciente& p)
{
    return {QStringLiteral(
                "UPDATE Paciente SET nombre = ?, apellido1 = ?, apellido2 = ?, dni = ?, tlf1 = ?, "
                "tlf2 = ?, direccion = ?, poblacion = ?, provincia = ?, sociedad = ?, "
                "comentario = ?, nombre_orden = ?, apellido1_orden = ?, apellido2_orden = ? "
                "WHERE codigo = ?"),
            {p.nombre, p.apellido1, p.apellido2, p.dni, p.tlf1, p.tlf2, p.direccion, p.poblacion,
             p.provincia, p.sociedad, p.comentario, orden::clave(p.nombre),
             orden::clave(p.apellido1), orden::clave(p.apellido2), p.codigo}};
}

Sql borrarVisitasDePaciente(int codigo)
{
    return {QStringLiteral("DELETE FROM Visita WHERE codigo = ?"), {codigo}};
}

Sql borrarPaciente(int codigo)
{
    return {QStringLiteral("DELETE FROM Paciente WHERE codigo = ?"), {codigo}};
}

}  // namespace sql
