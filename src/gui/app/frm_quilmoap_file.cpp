// The file menu of the main window: opening, reloading, dropped files, the command line and
// mail; saving has its own file.
#include "gui/app/frm_quilmoap.h"

#include "core/image/imagecodec.h"
#include "core/image/imagecontrol.h"
#include "core/util/cl_gl010c.h"
#include "core/util/messages.h"
#include "gui/app/frm_imginfo.h"
#include "gui/mail/frm_mail.h"
#include "gui/widgets/dialogs.h"
#include "gui/widgets/filebrowser.h"

#include <QFileInfo>
#include <QMenu>

void FRM_QUILMOAP::createFileMenu() {
    QMenu* file = addMenu(nullptr, "MNU_FILE", QStringLiteral("ﾌｧｲﾙ(&F)"));
    MNU_FILE_OPEN = addItem(file, "MNU_FILE_OPEN", QStringLiteral("開く(&O)..."),
                            &FRM_QUILMOAP::MNU_FILE_OPEN_Click, Qt::CTRL | Qt::Key_O);
    MNU_FILE_RELOAD = addItem(file, "MNU_FILE_RELOAD", QStringLiteral("開き直す(&R)"),
                              &FRM_QUILMOAP::MNU_FILE_RELOAD_Click, Qt::CTRL | Qt::Key_R);
    file->addSeparator()->setObjectName(QStringLiteral("MNU_FILE_H1"));
    MNU_FILE_ASAVE = addItem(file, "MNU_FILE_ASAVE", QStringLiteral("上書き保存(&V)"),
                             &FRM_QUILMOAP::MNU_FILE_ASAVE_Click, Qt::CTRL | Qt::Key_S);
    MNU_FILE_SAVE = addItem(file, "MNU_FILE_SAVE", QStringLiteral("名前を付けて保存(&S)..."),
                            &FRM_QUILMOAP::MNU_FILE_SAVE_Click);
    file->addSeparator()->setObjectName(QStringLiteral("MNU_FILE_H2"));
    MNU_FILE_MAIL = addItem(file, "MNU_FILE_MAIL", QStringLiteral("ﾒｰﾙ送信(&M)..."),
                            &FRM_QUILMOAP::MNU_FILE_MAIL_Click, Qt::CTRL | Qt::Key_M);
    file->addSeparator()->setObjectName(QStringLiteral("MNU_FILE_H3"));
    MNU_FILE_EXIT = addItem(file, "MNU_FILE_EXIT", QStringLiteral("終了(&X)"),
                            &FRM_QUILMOAP::MNU_FILE_EXIT_Click);
}

bool FRM_QUILMOAP::FileLoad(const QString& fname) {
    if (fname.isEmpty()) return false;
    const CL_GL010C& gl = CL_GL010C::instance();
    // A file that fails changes nothing on screen: the canvas commits only a whole picture.
    const ImageCodec::Error error = LEAD2->Load(fname);
    if (error != ImageCodec::Error::None) {
        Dialogs::inform(this, ImageCodec::errorText(error, fname), Dialogs::Icon::Exclamation);
        return false;
    }
    const QString name = gl.RVN_GetFileName(fname);
    setWindowTitle(Msg::appTitle() + QStringLiteral(" - ") + name +
                   QStringLiteral(" (%1x%2x%3BPP)")
                       .arg(LEAD2->BitmapWidth())
                       .arg(LEAD2->BitmapHeight())
                       .arg(LEAD2->BitsPerPixel()));

    QStringList values;
    if (LEAD2->GetFileInfo(fname)) {
        for (const auto& line : ImageCodec::infoLines(name, LEAD2->Info))
            values.append(line.second);
    } else {
        // Never the previous file's values: what we know for sure, the rest blank.
        values = {name, QString(), QString(), QStringLiteral("%1 Pixels").arg(LEAD2->BitmapWidth()),
                  QStringLiteral("%1 Pixels").arg(LEAD2->BitmapHeight())};
    }
    imageInfoWindow()->setValues(values);
    LEAD2->ResetView();
    return true;
}

void FRM_QUILMOAP::MNU_FILE_OPEN_Click() {
    const CL_GL010C& gl = CL_GL010C::instance();
    const QString file = gl.RVN_ShowOpenFileDlg(this, nulSeparated(pictureOpenFilters()),
                                                settings.folder, QString(), false);
    if (file.isEmpty()) return;
    settings.folder = QFileInfo(file).absolutePath();
    WaitCursor wait;
    FileLoad(file);
}

void FRM_QUILMOAP::MNU_FILE_RELOAD_Click() {
    FileLoad(lastSavedFile);
}

void FRM_QUILMOAP::File1_DblClick() {
    const QString name = File1->FileName();
    if (!name.isEmpty()) FileLoad(CL_GL010C::instance().RVN_Path(File1->Path()) + name);
}

void FRM_QUILMOAP::File1_KeyPress(int key) {
    if (key == 13) File1_DblClick();
}

void FRM_QUILMOAP::MNU_FILE_MAIL_Click() {
    FRM_MAIL::openNew(settings, addressBook,
                      lastSavedFile.isEmpty() ? QStringList() : QStringList{lastSavedFile}, false,
                      this);
}
