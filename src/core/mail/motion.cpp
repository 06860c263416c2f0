#include "core/mail/motion.h"

#include "core/util/cl_gl010c.h"

#include <algorithm>

namespace Motion {

void add(FrameList& list, const QStringList& paths) {
    int s = std::clamp(list.selected, -1, int(list.frames.size()) - 1);
    for (const QString& path : paths) {
        list.frames.insert(s + 1, path);
        ++s;
    }
    list.selected = s;
}

bool remove(FrameList& list) {
    const int s = list.selected;
    if (s < 0 || s >= list.frames.size()) return false;
    list.frames.removeAt(s);
    list.selected = std::min(s, int(list.frames.size()) - 1);
    return true;
}

bool moveUp(FrameList& list) {
    const int s = list.selected;
    if (list.frames.size() < 2 || s < 1 || s >= list.frames.size()) return false;
    list.frames.swapItemsAt(s - 1, s);
    list.selected = s - 1;
    return true;
}

bool moveDown(FrameList& list) {
    const int s = list.selected;
    if (list.frames.size() < 2 || s < 0 || s >= list.frames.size() - 1) return false;
    list.frames.swapItemsAt(s, s + 1);
    list.selected = s + 1;
    return true;
}

int nextFrame(const FrameList& list) {
    if (list.frames.isEmpty()) return -1;
    const int next = list.selected + 1;
    return next > list.frames.size() - 1 || next < 0 ? 0 : next;
}

bool acceptableName(const QString& path) {
    if (path.isEmpty()) return false;
    for (const QChar c : path)
        if (c == u',' || c == u'|' || c.unicode() < 0x20 || c.unicode() == 0x7f) return false;
    return true;
}

QString tag(const QStringList& frames) {
    if (frames.isEmpty()) return {};
    const CL_GL010C& gl = CL_GL010C::instance();
    QString html = QStringLiteral("<IMG");
    for (const QString& frame : frames) {
        QString name = gl.RVN_GetFileName(frame);
        name.replace(u'&', QLatin1String("&amp;"))
            .replace(u'"', QLatin1String("&quot;"))
            .replace(u'<', QLatin1String("&lt;"));
        html += QStringLiteral(" MOTION=\"") + name + u'"';
    }
    return html + u'>';
}

qint64 totalSize(const QStringList& frames) {
    const CL_GL010C& gl = CL_GL010C::instance();
    qint64 total = 0;
    for (const QString& frame : frames) total += std::max<qint64>(0, gl.RVN_Filesize(frame));
    return total;
}

} // namespace Motion
