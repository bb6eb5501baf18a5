#include "padkit/util/PathUtil.h"

#include "padkit/util/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr const char* kAskCreateText =
    QT_TRANSLATE_NOOP("PathUtil", "下記のフォルダが見つかりません。作成しますか？\n\n%1");
constexpr const char* kAskCreateCaption = QT_TRANSLATE_NOOP("PathUtil", "確認");
constexpr const char* kCreateErrorText =
    QT_TRANSLATE_NOOP("PathUtil", "ディリクトリー作成中にエラーが発生しました。");
constexpr const char* kCreateErrorCaption = QT_TRANSLATE_NOOP("PathUtil", "エラー");

constexpr qint64 kCopyChunkBytes = 1 << 20;

// "C:\..." or "\\server\...": a path written on Windows that no folder here can resolve.
bool IsWindowsAbsolute(const QString& path) {
    if (path.startsWith(QStringLiteral("\\\\")))
        return true;
    return path.size() >= 2 && path.at(1) == u':' && path.at(0).isLetter() && path.at(0).unicode() < 0x80 &&
           (path.size() == 2 || path.at(2) == u'\\' || path.at(2) == u'/');
}

QString FullPath(const QString& path) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

// The folder of a base file; a base ending in a separator is a folder itself.
QString BaseFolder(const QString& base) {
    const QString full = FullPath(base);
    if (base.endsWith(u'/'))
        return full;
    return QFileInfo(full).path();
}

// QDir::cleanPath keeps the ".." of "/../x": the parent of the root is the root itself.
QString CleanAbsolute(const QString& path) {
    QString clean = QDir::cleanPath(path);
    while (clean.startsWith(QStringLiteral("/../")))
        clean.remove(0, 3);
    if (clean == QStringLiteral("/.."))
        clean = QStringLiteral("/");
    return clean;
}

bool IsHiddenName(const QString& path) {
    return QFileInfo(path).fileName().startsWith(u'.');
}

} // namespace

QString PADKIT_GetAbsPath(const QString& strBase, const QString& strStored) {
    if (strStored.isEmpty() || strBase.isEmpty() || IsWindowsAbsolute(strStored))
        return strStored;
    if (strStored.startsWith(u'/'))
        return CleanAbsolute(strStored);
    // Sets written on Windows store ".\Sounds\a.mp3".
    QString relative = strStored;
    relative.replace(u'\\', u'/');
    return CleanAbsolute(BaseFolder(strBase) + u'/' + relative);
}

QString PADKIT_GetIncPath(const QString& strBase, const QString& strTarget) {
    if (strTarget.isEmpty() || strBase.isEmpty() || IsWindowsAbsolute(strTarget))
        return strTarget;
    const QString relative = QDir(BaseFolder(strBase)).relativeFilePath(FullPath(strTarget));
    // A stored relative path reads '\' as a separator (sets from Windows): a name holding one
    // would come back as another file, so such a target stays absolute.
    if (relative.isEmpty() || relative == u'.' || relative.contains(u'\\'))
        return strTarget;
    if (relative == QStringLiteral("..") || relative.startsWith(QStringLiteral("../")))
        return relative;
    return QStringLiteral("./") + relative;
}

BOOL PADKIT_MakeDir(const QString& strPath, BOOL bAsk) {
    QString path = strPath;
    if (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    if (path.isEmpty())
        return FALSE;
    if (QFileInfo::exists(path))
        return TRUE;
    path += u'/';
    if (bAsk && PADKIT_MessageBox(nullptr, QCoreApplication::translate("PathUtil", kAskCreateText).arg(path),
                                  QCoreApplication::translate("PathUtil", kAskCreateCaption),
                                  MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return FALSE;

    // Create each missing folder from the root down, so that the parents come first.
    const QString full = FullPath(path);
    const QStringList names = full.split(u'/', Qt::SkipEmptyParts);
    QString built;
    for (const QString& name : names) {
        built += u'/' + name;
        if (QFileInfo(built).isDir())
            continue;
        if (!QDir().mkdir(built)) {
            if (bAsk)
                PADKIT_MessageBox(nullptr, QCoreApplication::translate("PathUtil", kCreateErrorText),
                                  QCoreApplication::translate("PathUtil", kCreateErrorCaption),
                                  MB_ICONEXCLAMATION);
            return FALSE;
        }
    }
    return TRUE;
}

BOOL PADKIT_CopyFile(const QString& strSource, const QString& strDest) {
    const QFileInfo source(strSource);
    if (!source.isFile())
        return FALSE;
    QString dest = strDest;
    if (QFileInfo(dest).isDir())
        dest = QDir(dest).filePath(source.fileName());

    QFile in(strSource);
    if (!in.open(QIODevice::ReadOnly))
        return FALSE;
    // The copy replaces an existing destination only once it is complete.
    QSaveFile out(dest);
    if (!out.open(QIODevice::WriteOnly))
        return FALSE;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kCopyChunkBytes);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError) {
            out.cancelWriting();
            return FALSE;
        }
        if (out.write(chunk) != chunk.size()) {
            out.cancelWriting();
            return FALSE;
        }
    }
    if (!out.commit())
        return FALSE;

    // The copy keeps the source's permissions; a read-only copy becomes writable unless it is
    // also hidden.
    // The "User" bits describe whoever runs us (all set for root), not the file: leave them out.
    const QFileDevice::Permissions userBits =
        QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    QFileDevice::Permissions perms = source.permissions() & ~userBits;
    if (!(perms & QFileDevice::WriteOwner) && !IsHiddenName(dest))
        perms |= QFileDevice::WriteOwner;
    QFile::setPermissions(dest, perms);
    return TRUE;
}
