#include "gui/widgets/dialogs.h"

#include "core/util/messages.h"
#include "core/util/progress.h"

#include <QApplication>
#include <QColorDialog>
#include <QEventLoop>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <memory>

FileFilters parseFilter(const QString& nulSeparated) {
    FileFilters filters;
    const QStringList parts = nulSeparated.split(QChar(0));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        if (!parts[i].isEmpty()) filters.append({parts[i], parts[i + 1]});
    return filters;
}

FileFilters pictureOpenFilters() {
    const char* const entries[][2] = {
        {"画像ﾌｧｲﾙ", "*.JPG;*.JPEG;*.BMP;*.GIF;*.TIF;*.PNG;*.PCX;*.TGA;*.ICO"},
        {"Jpeg-Files(*.JPG)", "*.JPG;*.JPEG"},
        {"Compuserve GIF(*.GIF)", "*.GIF"},
        {"Windows or OS/2 Bitmap(*.BMP)", "*.BMP"},
        {"Tagged Image File Format(*.TIF)", "*.TIF"},
        {"Portable Network Graphics(*.PNG)", "*.PNG"},
        {"Zsoft Paintbrush(*.PCX)", "*.PCX"},
        {"Truevision Targa(*.TGA)", "*.TGA"},
        {"Windows Icons(*.ICO)", "*.ICO"},
        {"全てのﾌｧｲﾙ(*.*)", "*.*"},
        {"WebP(*.WEBP)", "*.WEBP"},
    };
    FileFilters filters;
    for (const auto& e : entries)
        filters.append({QString::fromUtf8(e[0]), QString::fromUtf8(e[1])});
    return filters;
}

QString nulSeparated(const FileFilters& filters) {
    QString text;
    for (const FileFilter& f : filters) text += f.description + QChar(0) + f.pattern + QChar(0);
    return text;
}

QStringList filterGlobs(const QString& pattern) {
    QStringList globs;
    for (const QString& p : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        // "*.*" also means names without an extension, as the desktop's dialogs treat it.
        const QString glob = p.trimmed();
        globs.append(glob == QLatin1String("*.*") ? QStringLiteral("*") : glob);
    }
    return globs;
}

QStringList nameFilters(const FileFilters& filters) {
    QStringList names;
    for (const FileFilter& f : filters)
        names.append(f.description + QStringLiteral(" (") + filterGlobs(f.pattern).join(u' ') +
                     QLatin1Char(')'));
    return names;
}

namespace {

class QtDialogs final : public Dialogs {
public:
    Answer message(QWidget* parent, const QString& text, const QString& title, Icon icon,
                   Buttons buttons) override {
        QMessageBox box(parent);
        box.setWindowTitle(title.isEmpty() ? Msg::appTitle() : title);
        box.setText(text);
        switch (icon) {
        case Icon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Icon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case Icon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        }
        switch (buttons) {
        case Buttons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Buttons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case Buttons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case Buttons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
        }
    }

    QStringList openFiles(QWidget* parent, const FileFilters& filters, const QString& folder,
                          const QString& name, bool multi) override {
        QFileDialog dlg(parent, QString(), folder);
        dlg.setFileMode(multi ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        setFilters(dlg, filters);
        if (!name.isEmpty()) dlg.selectFile(name);
        if (dlg.exec() != QDialog::Accepted) return {};
        return dlg.selectedFiles();
    }

    QString saveFile(QWidget* parent, const FileFilters& filters, const QString& folder,
                     const QString& name, int* filterIndex) override {
        QFileDialog dlg(parent, QString(), folder);
        dlg.setFileMode(QFileDialog::AnyFile);
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        setFilters(dlg, filters);
        if (!name.isEmpty()) dlg.selectFile(name);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
        if (filterIndex) {
            const QStringList names = dlg.nameFilters();
            *filterIndex = int(names.indexOf(dlg.selectedNameFilter())) + 1;
            if (*filterIndex < 1) *filterIndex = 1;
        }
        return dlg.selectedFiles().constFirst();
    }

    std::optional<QFont> font(QWidget* parent, const QFont& initial) override {
        bool ok = false;
        const QFont f = QFontDialog::getFont(&ok, initial, parent);
        return ok ? std::optional<QFont>(f) : std::nullopt;
    }

    std::optional<QColor> colour(QWidget* parent, const QColor& initial) override {
        const QColor c = QColorDialog::getColor(initial, parent);
        return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
    }

    std::optional<QString> input(QWidget* parent, const QString& prompt, const QString& title,
                                 const QString& initial) override {
        bool ok = false;
        const QString s = QInputDialog::getText(parent, title.isEmpty() ? Msg::appTitle() : title,
                                                prompt, QLineEdit::Normal, initial, &ok);
        return ok ? std::optional<QString>(s) : std::nullopt;
    }

    void runLong(QWidget* parent, const QString& text, Progress& progress,
                 const std::function<void()>& work) override {
        // Short work ends before the dialog would show; the input stays blocked regardless.
        QProgressDialog dlg(text, Msg::progressCancel(), 0, 100, parent);
        dlg.setWindowTitle(Msg::appTitle());
        dlg.setWindowModality(Qt::WindowModal);
        dlg.setMinimumDuration(300);
        dlg.setAutoReset(false);
        dlg.setAutoClose(false);
        // The dialog hides at once; the work stops at its next band of rows.
        QObject::connect(&dlg, &QProgressDialog::canceled, &dlg, [&] { progress.cancel = true; });
        dlg.setValue(0);
        waitFor(
            work, [&] { dlg.setValue(progress.percent.load()); }, &dlg);
    }

private:
    static void setFilters(QFileDialog& dlg, const FileFilters& filters) {
        // Qt's own dialog matches patterns in any case; a desktop's native one may not.
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        dlg.setNameFilters(nameFilters(filters));
    }
};

Dialogs* installed = nullptr;

// Keeps the user's input from every window but one while long work runs, so no command can
// start in between, before the progress dialog shows and after.
class InputBlocker : public QObject {
public:
    explicit InputBlocker(QWidget* except) : m_except(except) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::Drop:
            break;
        case QEvent::Close:
            if (!e->spontaneous()) return false;
            break;
        default:
            return false;
        }
        const auto* w = qobject_cast<QWidget*>(watched);
        if (!w || (m_except && (w == m_except || m_except->isAncestorOf(w)))) return false;
        // An accepted override keeps shortcuts from firing; the rest is dropped.
        e->setAccepted(e->type() == QEvent::ShortcutOverride);
        return true;
    }

private:
    QWidget* m_except;
};

} // namespace

void Dialogs::waitFor(const std::function<void()>& work, const std::function<void()>& tick,
                      QWidget* except) {
    const InputBlocker blocker(except);
    const std::unique_ptr<QThread> thread(QThread::create(work));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer timer;
    timer.setInterval(50);
    if (tick) QObject::connect(&timer, &QTimer::timeout, &loop, tick);
    thread->start();
    timer.start();
    loop.exec();
    thread->wait();
}

Dialogs& Dialogs::get() {
    static QtDialogs qt;
    return installed ? *installed : qt;
}

void Dialogs::install(Dialogs* dialogs) {
    installed = dialogs;
}

void Dialogs::inform(QWidget* parent, const QString& text, Icon icon, const QString& title) {
    get().message(parent, text, title, icon, Buttons::Ok);
}

WaitCursor::WaitCursor() {
    if (qApp) QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor() {
    if (qApp) QApplication::restoreOverrideCursor();
}
