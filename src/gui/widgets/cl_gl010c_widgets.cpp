// The members of the helper class that need windows: file dialogs and window placement.
#include "core/util/cl_gl010c.h"
#include "gui/widgets/dialogs.h"

#include <QScreen>
#include <QWidget>

QString CL_GL010C::RVN_ShowOpenFileDlg(QWidget* owner, const QString& filter,
                                       const QString& initDir, const QString& initName,
                                       bool multiSelect) const {
    const QStringList files =
        Dialogs::get().openFiles(owner, parseFilter(filter), initDir, initName, multiSelect);
    return multiSelect ? files.join(QLatin1Char(',')) : files.value(0);
}

QString CL_GL010C::RVN_ShowSaveFileDlg(QWidget* owner, const QString& filter,
                                       const QString& initDir, const QString& initName,
                                       qint32& filterIndex) const {
    int index = filterIndex;
    const QString file =
        Dialogs::get().saveFile(owner, parseFilter(filter), initDir, initName, &index);
    if (!file.isEmpty()) filterIndex = index;
    return file;
}

int CL_GL010C::RVN_SetFormMoveTop(QWidget* frm, int position, bool topmost) const {
    if (!frm || (frm->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) return 0;
    frm->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (position != 0) {
        const QScreen* screen = frm->screen();
        const QSize screenSize = screen ? screen->availableGeometry().size() : QSize(1024, 768);
        const QPoint origin = screen ? screen->availableGeometry().topLeft() : QPoint();
        frm->move(origin + formMovePosition(position, frm->frameGeometry().size(), screenSize));
    }
    frm->show();
    return 1;
}
