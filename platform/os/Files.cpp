#include "platform/os/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryFile>
#include <fcntl.h>
#include <unistd.h>

namespace {
QString& ProgramFolderOverride()
{
    static QString folder;
    return folder;
}

qsizetype LastDelimiter(const QString& fileName)
{
    return std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
}

// The entry of `dir` whose name equals `name` without case; empty when there is none.
QString FindEntryIgnoringCase(const QString& dir, const QString& name)
{
    const QStringList entries =
        QDir(dir.isEmpty() ? QStringLiteral(".") : dir)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return entry;
    return {};
}

QString ResolveParts(const QString& path)
{
    QString resolved = path.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QString prefix =
            resolved.isEmpty() || resolved.endsWith(QLatin1Char('/')) ? resolved : resolved + QLatin1Char('/');
        QString next = prefix + part;
        if (!QFileInfo::exists(next)) {
            const QString match = FindEntryIgnoringCase(resolved, part);
            if (match.isEmpty()) return {};
            next = prefix + match;
        }
        resolved = next;
    }
    return resolved;
}

int AttributesOf(const QFileInfo& info)
{
    int attr = 0;
    if (info.isDir()) attr |= faDirectory;
    else attr |= faArchive;
    if (!info.isWritable()) attr |= faReadOnly;
    if (info.fileName().startsWith(QLatin1Char('.'))) attr |= faHidden;
    return attr;
}

bool Qualifies(const QFileInfo& info, int mask)
{
    if (info.isDir() && !(mask & faDirectory)) return false;
    if (info.fileName().startsWith(QLatin1Char('.')) && !(mask & faHidden)) return false;
    return info.isDir() || info.isFile();
}

int TakeNext(TSearchRec& rec)
{
    while (!rec.Pending.isEmpty()) {
        const QString name = rec.Pending.takeFirst();
        const QFileInfo info(QDir(rec.Folder).filePath(name));
        if (!Qualifies(info, rec.Mask)) continue;
        rec.Name = name;
        rec.Size = info.isDir() ? 0 : info.size();
        rec.Time = info.lastModified();
        rec.Attr = AttributesOf(info);
        return FindFound;
    }
    return FindNoMoreFiles;
}
}  // namespace

QString ExtractFilePath(const QString& fileName) { return fileName.left(LastDelimiter(fileName) + 1); }

QString ExtractFileDir(const QString& fileName)
{
    const qsizetype at = LastDelimiter(fileName);
    if (at < 0) return {};
    return at == 0 ? fileName.left(1) : fileName.left(at);
}

QString ExtractFileName(const QString& fileName) { return fileName.mid(LastDelimiter(fileName) + 1); }

QString ExtractFileExt(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < LastDelimiter(fileName)) return {};
    return fileName.mid(dot);
}

QString ChangeFileExt(const QString& fileName, const QString& extension)
{
    const QString ext = ExtractFileExt(fileName);
    return fileName.left(fileName.size() - ext.size()) + extension;
}

QString IncludeTrailingPathDelimiter(const QString& path)
{
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))) return path;
    return path + QLatin1Char('/');
}

QString ExpandFileName(const QString& fileName)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(fileName));
}

QString ProgramFolder()
{
    if (!ProgramFolderOverride().isEmpty()) return IncludeTrailingPathDelimiter(ProgramFolderOverride());
    QString dir;
    if (QCoreApplication::instance()) dir = QCoreApplication::applicationDirPath();
    else dir = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
    return IncludeTrailingPathDelimiter(dir);
}

void SetProgramFolder(const QString& folder) { ProgramFolderOverride() = folder; }

QString ResolveFileNameCase(const QString& path)
{
    if (path.isEmpty() || QFileInfo::exists(path)) return path;
    QString slashed = path;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QFileInfo::exists(slashed)) return slashed;
    const QString resolved = ResolveParts(slashed);
    return resolved.isEmpty() ? path : resolved;
}

bool FileExists(const QString& fileName)
{
    if (fileName.isEmpty()) return false;
    return QFileInfo(ResolveFileNameCase(fileName)).isFile();
}

bool DirectoryExists(const QString& path)
{
    if (path.isEmpty()) return false;
    return QFileInfo(ResolveFileNameCase(path)).isDir();
}

bool DeleteFile(const QString& fileName)
{
    const QString name = ResolveFileNameCase(fileName);
    if (!QFileInfo(name).isFile()) return false;
    return QFile::remove(name);
}

bool RenameFile(const QString& oldName, const QString& newName)
{
    const QString from = ResolveFileNameCase(oldName);
    const QString to = ResolveFileNameCase(newName);
    if (!QFileInfo::exists(from) || QFileInfo::exists(to)) return false;
    return QFile::rename(from, to);
}

bool CopyFile(const QString& source, const QString& target, bool failIfExists)
{
    const QString from = ResolveFileNameCase(source);
    const QString to = ResolveFileNameCase(target);
    const QFileInfo fromInfo(from);
    if (!fromInfo.isFile()) return false;
    if (failIfExists && QFileInfo::exists(to)) return false;
    if (QFileInfo(to).isDir()) return false;

    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) return false;
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly)) return false;
    constexpr qint64 chunk = 1 << 16;
    while (!in.atEnd()) {
        const QByteArray bytes = in.read(chunk);
        if (bytes.isEmpty() && in.error() != QFileDevice::NoError) {
            out.cancelWriting();
            return false;
        }
        if (out.write(bytes) != bytes.size()) {
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit()) return false;
    QFile written(to);
    if (written.open(QIODevice::ReadWrite))
        written.setFileTime(fromInfo.lastModified(), QFileDevice::FileModificationTime);
    return true;
}

namespace {

bool SyncPath(const QString& path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

}  // namespace

bool SyncFileToDisk(const QString& fileName)
{
    return SyncPath(ResolveFileNameCase(fileName), O_RDONLY);
}

bool SyncFolderToDisk(const QString& folder)
{
    return SyncPath(folder.isEmpty() ? QStringLiteral(".") : ResolveFileNameCase(folder), O_RDONLY | O_DIRECTORY);
}

QString GetTempFileName(const QString& folder, const QString& prefix)
{
    const QString dir = folder.isEmpty() ? QDir::currentPath() : ResolveFileNameCase(folder);
    if (!QFileInfo(dir).isDir()) return {};
    QTemporaryFile file(QDir(dir).filePath(prefix.left(3) + QStringLiteral("XXXXXX.tmp")));
    file.setAutoRemove(false);
    if (!file.open()) return {};
    return QFileInfo(file.fileName()).absoluteFilePath();
}

int FindFirst(const QString& pattern, int attr, TSearchRec& rec)
{
    rec = TSearchRec{};
    const QString resolved = ResolveFileNameCase(pattern);
    QString slashed = resolved;
    if (!QFileInfo::exists(slashed)) slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const qsizetype at = slashed.lastIndexOf(QLatin1Char('/'));
    const QString folderPart = at < 0 ? QString() : slashed.left(at + 1);
    const QString namePart = slashed.mid(at + 1);
    const QString folder = folderPart.isEmpty() ? QStringLiteral(".") : ResolveFileNameCase(folderPart);
    if (!QFileInfo(folder).isDir()) return FindPathNotFound;
    if (namePart.isEmpty()) return FindFileNotFound;

    const QRegularExpression wildcard(
        QRegularExpression::wildcardToRegularExpression(namePart),
        QRegularExpression::CaseInsensitiveOption);
    const QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    rec.Folder = folder;
    rec.Mask = attr;
    for (const QString& entry : entries)
        if (wildcard.match(entry).hasMatch()) rec.Pending.append(entry);
    if (TakeNext(rec) != FindFound) {
        FindClose(rec);
        return FindFileNotFound;
    }
    return FindFound;
}

int FindNext(TSearchRec& rec) { return TakeNext(rec); }

void FindClose(TSearchRec& rec) { rec.Pending.clear(); }
