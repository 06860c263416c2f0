#include "core/util/appsettings.h"

#include "core/util/fileio.h"
#include "core/util/numbers.h"
#include "core/util/profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

namespace {
QString key(const char* k) {
    return QString::fromLatin1(k);
}

// Values are trimmed and lose one pair of enclosing quotes when read, so a password goes in
// quotes: whatever blanks or quotes it has at its ends come back as they were.
QString quoted(const QString& v) {
    return QLatin1Char('"') + v + QLatin1Char('"');
}
} // namespace

QRect windowPlacement(double left, double top, qint32 width, qint32 height, const QRect& area) {
    auto pixels = [](double twips, int lo, int hi) {
        const double v = twips / TwipsPerPixel;
        return std::isnan(v) ? lo : int(std::clamp(v, double(lo), double(std::max(lo, hi))));
    };
    const int w = pixels(width, 1, area.width()), h = pixels(height, 1, area.height());
    return {pixels(left, area.left(), area.left() + area.width() - w),
            pixels(top, area.top(), area.top() + area.height() - h), w, h};
}

AppSettings readSettings(const Profile& ini) {
    AppSettings s;
    auto get = [&ini](const char* section, const QString& k) { return ini.value(key(section), k); };
    s.left = Val(get(Keys::MainForm, key(Keys::Left)));
    s.top = Val(get(Keys::MainForm, key(Keys::Top)));
    s.width = CLng(Val(get(Keys::MainForm, key(Keys::Width)))).value_or(0);
    s.height = CLng(Val(get(Keys::MainForm, key(Keys::Height)))).value_or(0);
    s.folder = get(Keys::Default, key(Keys::Folder));
    s.dir = get(Keys::Default, key(Keys::Dir));
    s.smtp = get(Keys::Mail, key(Keys::Smtp));
    s.address = get(Keys::Mail, key(Keys::Address));
    s.user = get(Keys::Mail, key(Keys::User));
    s.password = get(Keys::Mail, key(Keys::Password));
    s.savePassword = !s.password.isEmpty();
    for (int i = 0; i < PurposeCount; ++i) {
        s.px[i] = CInt(Val(get(Keys::Defsize, Keys::px(i)))).value_or(0);
        s.py[i] = CInt(Val(get(Keys::Defsize, Keys::py(i)))).value_or(0);
        if (s.px[i] == 0) s.px[i] = qint16(DefaultPX[i]);
        if (s.py[i] == 0) s.py[i] = qint16(DefaultPY[i]);
    }
    const qint16 q = CInt(Val(get(Keys::Jpeg, key(Keys::QFact)))).value_or(0);
    s.qfact = (q < 2 || q >= 256) ? qint16(DefaultQFact) : q;
    return s;
}

QStringList writeSettings(const AppSettings& s, Profile& ini) {
    QStringList unstored;
    auto put = [&ini, &unstored](const char* section, const QString& k, const QString& v) {
        if (!ini.setValue(key(section), k, v)) unstored.append(ini.errorString());
    };
    auto num = [](double v) { return QString::number(qint64(v)); };
    put(Keys::MainForm, key(Keys::Left), num(s.left));
    put(Keys::MainForm, key(Keys::Top), num(s.top));
    put(Keys::MainForm, key(Keys::Width), QString::number(s.width));
    put(Keys::MainForm, key(Keys::Height), QString::number(s.height));
    put(Keys::Default, key(Keys::Folder), s.folder);
    put(Keys::Default, key(Keys::Dir), s.dir);
    put(Keys::Mail, key(Keys::Smtp), s.smtp);
    put(Keys::Mail, key(Keys::Address), s.address);
    if (!s.user.isEmpty() || ini.contains(key(Keys::Mail), key(Keys::User)))
        put(Keys::Mail, key(Keys::User), s.user);
    if (s.savePassword && !s.password.isEmpty())
        put(Keys::Mail, key(Keys::Password), quoted(s.password));
    else if (ini.contains(key(Keys::Mail), key(Keys::Password)))
        put(Keys::Mail, key(Keys::Password), QString());
    for (int i = 0; i < PurposeCount; ++i) {
        put(Keys::Defsize, Keys::px(i), QString::number(s.px[i]));
        put(Keys::Defsize, Keys::py(i), QString::number(s.py[i]));
    }
    put(Keys::Jpeg, key(Keys::QFact), QString::number(s.qfact));
    return unstored;
}

namespace AppPaths {

namespace {
QString& overrideFolder() {
    static QString folder;
    return folder;
}
} // namespace

QString programFolder() {
    const QString dir = QCoreApplication::applicationDirPath();
    return dir.isEmpty() ? QDir::currentPath() : dir;
}

QString configFolder() {
    if (!overrideFolder().isEmpty()) return overrideFolder();
    static const QString folder = [] {
        const QString program = programFolder();
        if (settingsBesideProgram(program)) return program;
        const QString xdg =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QLatin1String("/quilmo-editor");
        QDir().mkpath(xdg);
        return xdg;
    }();
    return folder;
}

bool settingsBesideProgram(const QString& programFolder) {
    const QString path = QDir::cleanPath(QFileInfo(programFolder).absoluteFilePath());
    return QFileInfo(path).isWritable() && path != QLatin1String("/usr") &&
           !path.startsWith(QLatin1String("/usr/"));
}

void setConfigFolder(const QString& folder) {
    overrideFolder() = folder;
}

QString settingsFile() {
    return QDir(configFolder()).filePath(QStringLiteral("QUILMOAP.INI"));
}
QString addressFile() {
    return QDir(configFolder()).filePath(QStringLiteral("ADDRESS.TXT"));
}

bool restrictToOwner(const QString& path) {
    QString reason;
    if (!QFileInfo::exists(path) && !FileIO::write(path, {}, &reason)) return false;
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace AppPaths
