#include "gui/makers/makersave.h"

#include "core/image/imagecodec.h"
#include "core/makers/makerdraw.h"
#include "core/util/cl_gl010c.h"
#include "core/util/fileio.h"
#include "core/util/messages.h"
#include "gui/widgets/dialogs.h"

#include <QFileInfo>

namespace MakerSave {

QString askName(QWidget* owner, AppSettings& settings) {
    const QString filter =
        QStringList{QStringLiteral("Portable Network Graphics(*.PNG)"), QStringLiteral("*.PNG"),
                    QStringLiteral("全てのﾌｧｲﾙ(*.*)"), QStringLiteral("*.*")}
            .join(QChar(0));
    qint32 filterIndex = 1;
    const QString name = CL_GL010C::instance().RVN_ShowSaveFileDlg(owner, filter, settings.folder,
                                                                   QString(), filterIndex);
    if (!name.isEmpty()) settings.folder = QFileInfo(name).absolutePath();
    return name;
}

bool confirmDerived(QWidget* owner, const QString& chosen, const QStringList& files) {
    const QString asked = QFileInfo(chosen).absoluteFilePath();
    QStringList existing;
    for (const QString& f : files)
        if (QFileInfo(f).absoluteFilePath() != asked && QFileInfo::exists(f)) existing.append(f);
    if (existing.isEmpty()) return true;
    return Dialogs::get().message(owner, Msg::makerOverwriteQuestion(existing), Msg::appTitle(),
                                  Dialogs::Icon::Question,
                                  Dialogs::Buttons::YesNo) == Dialogs::Answer::Yes;
}

bool write(QWidget* owner, const QString& file, const QImage& picture) {
    QString error;
    if (ImageCodec::save(file, picture, ImageCodec::FormatPng, Makers::savedBits, 1, &error))
        return true;
    Dialogs::inform(owner, FileIO::saveFailed(file, error), Dialogs::Icon::Critical,
                    Msg::appTitle());
    return false;
}

QImage templateOnce(QWidget* owner, const QString& fileName, QSize size, QSet<QString>& reported) {
    const QString path = Makers::templatePath(fileName);
    QString message;
    const QImage templ = Makers::loadTemplate(path, size, &message);
    if (templ.isNull() && !reported.contains(path)) {
        reported.insert(path);
        Dialogs::inform(owner, message, Dialogs::Icon::Exclamation, Msg::appTitle());
    }
    return templ;
}

} // namespace MakerSave
