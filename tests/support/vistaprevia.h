#pragma once

#include <QString>

#include <functional>

class QPageLayout;
class QPrintPreviewDialog;

// The print preview as a user meets it: a test opens it through the program, works in it while
// it shows its pages, and prints from it to a PDF that tests/support/pdf.h reads back.

// Runs `abrir`, which opens a print preview and waits in it; once the preview shows its pages,
// runs `dentro` with it and closes it. False when no preview showed within ten seconds.
bool enVistaPrevia(const std::function<void()>& abrir,
                   const std::function<void(QPrintPreviewDialog*)>& dentro);

// What the preview's page set-up does: another paper or orientation, and the pages painted anew.
void cambiarPagina(QPrintPreviewDialog* vista, const QPageLayout& formato);

// Prints from the preview into a PDF file, as its Print button does once the printer dialog is
// accepted with printing to a file.
void imprimirEnPdf(QPrintPreviewDialog* vista, const QString& ruta);
