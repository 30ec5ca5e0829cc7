// What every program of the kit does with the HTML engine's URL schemes: making a
// scheme of its own known to the engine, and the MIME type a served document is given.
#pragma once

#include <QByteArray>
#include <QString>

// Makes Name known to the engine as a local scheme with path syntax ("name:/a/b.htm"
// resolves relative links against the page's folder) whose pages may use local files.
// Must run before the QApplication is created.
void RegisterEngineScheme(const QByteArray& Name);

// The MIME type of a served document, judged from its file name (without folders) and
// its bytes; "text/html" for a page the program made itself, and
// "application/octet-stream" when nothing fits.
QByteArray EngineMimeType(const QString& FileName, const QByteArray& Data, bool Generated);
