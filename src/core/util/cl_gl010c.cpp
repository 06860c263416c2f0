#include "core/util/cl_gl010c.h"

#include "core/util/numbers.h"
#include "core/util/profile.h"
#include "core/util/textcodec.h"

#include <QFileInfo>

namespace {

bool isSeparator(QChar c) {
    return c == u'/' || c == u'\\';
}

} // namespace

CL_GL010C& CL_GL010C::instance() {
    static CL_GL010C shared;
    return shared;
}

QString CL_GL010C::RVN_IniGet(const QString& section, const QString& key,
                              const QString& ininame) const {
    Profile profile;
    if (!profile.load(ininame)) return QString();
    return profile.value(section, key);
}

bool CL_GL010C::RVN_IniWrite(const QString& section, const QString& key, const QString& str,
                             const QString& ininame) const {
    Profile profile;
    if (!profile.load(ininame) || !profile.setValue(section, key, str)) return false;
    return !profile.isModified() || profile.save(ininame);
}

QString CL_GL010C::RVN_Path(const QString& pname) const {
    if (pname.isEmpty() || isSeparator(pname.back())) return pname;
    return pname + u'/';
}

QString CL_GL010C::RVN_GetFileName(const QString& strPathName) const {
    for (qsizetype i = strPathName.size() - 1; i >= 0; --i)
        if (isSeparator(strPathName[i])) return strPathName.sliced(i + 1);
    return strPathName;
}

QString CL_GL010C::RVN_GetFileExt(const QString& strFileName) const {
    const QString name = RVN_GetFileName(strFileName);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.sliced(dot + 1);
}

qint64 CL_GL010C::RVN_Filesize(const QString& fname) const {
    if (fname.isEmpty()) return -1;
    const QFileInfo info(fname);
    // isFile() is true for regular files only (symbolic links followed), not for devices,
    // pipes or sockets.
    if (!info.isFile() || !info.isReadable()) return -1;
    return info.size();
}

qint32 CL_GL010C::RVN_LenB(const QString& str) const {
    return qint32(TextCodec::toCp932(str).size());
}

QStringList CL_GL010C::RVN_StrEnum(const QString& text, const QString& separator) const {
    if (text.isEmpty()) return {};
    if (separator.isEmpty()) return {text};
    QStringList items = text.split(separator, Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (text.endsWith(separator)) items.removeLast();
    return items;
}

QString CL_GL010C::RVN_StrSubst(const QString& buf, const QString& sstr,
                                const QString& dstr) const {
    if (sstr.isEmpty()) return buf;
    QString out = buf;
    return out.replace(sstr, dstr, Qt::CaseSensitive);
}

QPoint formMovePosition(int code, QSize window, QSize screen) {
    const int right = screen.width() - window.width();
    const int bottom = screen.height() - window.height();
    switch (code) {
    case 1:
        return {CLngSat(right / 2.0), CLngSat(bottom / 2.0)};
    case 3:
        return {0, bottom};
    case 4:
        return {right, 0};
    case 5:
        return {right, bottom};
    default: // 2 top-left; 0 (keep the position) is handled by the caller
        return {0, 0};
    }
}
