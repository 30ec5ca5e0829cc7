#include "u_EngineScheme.h"

#include <QMimeDatabase>
#include <QWebEngineUrlScheme>

void RegisterEngineScheme(const QByteArray& Name) {
    QWebEngineUrlScheme scheme(Name);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QByteArray EngineMimeType(const QString& FileName, const QByteArray& Data, bool Generated) {
    if (Generated)
        return "text/html";
    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFileNameAndData(FileName, Data);
    return type.isValid() ? type.name().toLatin1() : QByteArray("application/octet-stream");
}
