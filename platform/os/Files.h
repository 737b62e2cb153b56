#pragma once
// File services the program had from its system: existence, copy, delete, rename, find-first,
// unique temporary names, path pieces and the program's own folder. Names of existing files are
// matched without regard to letter case, since the shop's files were named on a system that
// ignored it ("CarVantel.MDB" and "CarVantel.mdb" are one file).

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Path pieces. Both '/' and '\' end a folder part; a result that ends in a folder keeps its
// delimiter as it stood.
QString ExtractFilePath(const QString& fileName);  // folder with its trailing delimiter, or empty
QString ExtractFileDir(const QString& fileName);   // folder without the trailing delimiter
QString ExtractFileName(const QString& fileName);  // name and extension
QString ExtractFileExt(const QString& fileName);   // ".ext", or empty
QString ChangeFileExt(const QString& fileName, const QString& extension);
QString IncludeTrailingPathDelimiter(const QString& path);
QString ExpandFileName(const QString& fileName);  // absolute, relative to the current directory

// The folder of the running program, ending in '/'. Tests may put another folder in its place
// (an empty text goes back to the real one).
QString ProgramFolder();
void SetProgramFolder(const QString& folder);

// The existing file or folder whose path differs from `path` only in letter case (folder by
// folder; '\' taken as '/' when the path as given does not exist), else `path` itself.
QString ResolveFileNameCase(const QString& path);

bool FileExists(const QString& fileName);  // a file, not a folder
bool DirectoryExists(const QString& path);
bool DeleteFile(const QString& fileName);  // false when missing or not removable
// False when the target exists or the move fails.
bool RenameFile(const QString& oldName, const QString& newName);
// Copies contents and modification time. The target is replaced only once the whole copy is
// written, so a failed copy never leaves a half-written target. With failIfExists an existing
// target is left alone and false returned.
bool CopyFile(const QString& source, const QString& target, bool failIfExists);
// Waits until the file's contents, or the folder's list of names (what a rename changed), are
// on the disk. False when that cannot be done.
bool SyncFileToDisk(const QString& fileName);
bool SyncFolderToDisk(const QString& folder);

// A new empty file in `folder` (the current directory when empty) named with the first three
// characters of `prefix` and a unique part, extension ".tmp". Empty text on failure.
QString GetTempFileName(const QString& folder, const QString& prefix);

// File attributes for FindFirst.
constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;

// The answers of a file search: 0, or the system error code it stands for.
constexpr int FindFound = 0;
constexpr int FindFileNotFound = 2;
constexpr int FindPathNotFound = 3;
constexpr int FindNoMoreFiles = 18;

struct TSearchRec {
    QString Name;  // name and extension of the match
    qint64 Size = 0;
    QDateTime Time;
    int Attr = 0;
    // The search state between FindFirst and FindNext.
    QString Folder;
    QStringList Pending;
    int Mask = 0;
};

// Searches for `pattern` (a path whose last part may hold '*' and '?', matched without case).
// Plain files always qualify; folders only with faDirectory in `attr`, hidden ones (names
// starting with '.') only with faHidden. Returns 0 with the first match in `rec`, or the error
// code: 2 when nothing matches, 3 when the folder does not exist.
int FindFirst(const QString& pattern, int attr, TSearchRec& rec);
// The next match: 0, or 18 when there are no more.
int FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);
