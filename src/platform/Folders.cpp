#include "Folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace order {

namespace {

// Reads XDG_TEMPLATES_DIR from user-dirs.dirs as xdg-user-dir does.
QString XdgTemplatesDir(const QString& home)
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = home + QStringLiteral("/.config");
    QFile f(config + QStringLiteral("/user-dirs.dirs"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (!line.startsWith(QStringLiteral("XDG_TEMPLATES_DIR=")))
            continue;
        QString v = line.mid(int(sizeof("XDG_TEMPLATES_DIR=")) - 1).trimmed();
        if (v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"')))
            v = v.mid(1, v.size() - 2);
        if (v.startsWith(QStringLiteral("$HOME")))
            v = home + v.mid(5);
        else if (!v.startsWith(QLatin1Char('/')))
            return {};
        // A templates folder equal to home means "disabled" for xdg-user-dir.
        if (QDir::cleanPath(v) == QDir::cleanPath(home))
            return {};
        return QDir::cleanPath(v);
    }
    return {};
}

}  // namespace

QString GetTemplatesFolder()
{
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty())
        return {};
    QString dir = XdgTemplatesDir(home);
    if (dir.isEmpty())
        dir = QDir::cleanPath(home + QStringLiteral("/Templates"));
    QDir().mkpath(dir);
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

QString WithSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool CopyFolderFiles(const QString& from, const QString& to)
{
    QDir target(to);
    if (!target.exists() && !QDir().mkdir(to))
        return false;
    const QDir source(from);
    const QFileInfoList entries = source.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& e : entries) {
        const QString dest = WithSlash(to) + e.fileName();
        if (QFileInfo::exists(dest) && !QFile::remove(dest))
            return false;
        if (!QFile::copy(e.absoluteFilePath(), dest))
            return false;
    }
    return true;
}

}  // namespace order
