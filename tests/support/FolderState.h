#pragma once
// A fingerprint of a folder's files, to show that nothing on disk changed.

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QString>

// Every file of the folder (hidden ones too, not below it) by name, with a hash of its contents.
inline QMap<QString, QByteArray> FolderState(const QString& folder)
{
    QMap<QString, QByteArray> state;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
        QFile f(dir.filePath(name));
        state[name] = f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                                 : QByteArray("<unreadable>");
    }
    return state;
}
