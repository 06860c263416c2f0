#pragma once
// Every message box, file dialog, font and colour dialog and input box of the program goes
// through this facade, so windows can be driven headless: tests install a scripted double that
// answers in order and records what was asked.
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;
struct Progress;

struct FileFilter {
    QString description;
    QString pattern; // "*.JPG;*.JPEG": matched case-insensitively
};
using FileFilters = QList<FileFilter>;

// Splits "desc\0pattern\0desc\0pattern" (a trailing NUL or a missing last pattern allowed).
FileFilters parseFilter(const QString& nulSeparated);
// The filters of every dialog that opens pictures, and the same as "desc\0pattern\0..." text.
FileFilters pictureOpenFilters();
QString nulSeparated(const FileFilters& filters);
// "*.JPG;*.JPEG" as the list of its patterns, "*.*" meaning every name. Directory listings
// and the file dialogs match them whatever the case of the name.
QStringList filterGlobs(const QString& pattern);
// The file dialog's entries: "description (*.JPG *.JPEG)".
QStringList nameFilters(const FileFilters& filters);

class Dialogs {
public:
    enum class Icon { None, Information, Question, Exclamation, Critical };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Dialogs() = default;

    virtual Answer message(QWidget* parent, const QString& text, const QString& title, Icon icon,
                           Buttons buttons) = 0;
    // Chosen paths; empty when cancelled.
    virtual QStringList openFiles(QWidget* parent, const FileFilters& filters,
                                  const QString& folder, const QString& name, bool multi) = 0;
    // Chosen path, "" when cancelled; *filterIndex (1-based) receives the chosen filter entry.
    // The dialog itself asks before an existing file is replaced.
    virtual QString saveFile(QWidget* parent, const FileFilters& filters, const QString& folder,
                             const QString& name, int* filterIndex) = 0;
    virtual std::optional<QFont> font(QWidget* parent, const QFont& initial) = 0;
    virtual std::optional<QColor> colour(QWidget* parent, const QColor& initial) = 0;
    virtual std::optional<QString> input(QWidget* parent, const QString& prompt,
                                         const QString& title, const QString& initial) = 0;
    // Runs work on a worker thread and returns once it has ended. Meanwhile the windows keep
    // repainting, take no input, and a progress dialog with text and "キャンセル" follows
    // progress; キャンセル sets its cancel flag, which work obeys. The caller disables its
    // commands around the call.
    virtual void runLong(QWidget* parent, const QString& text, Progress& progress,
                         const std::function<void()>& work) = 0;

    // The facade in use: the Qt dialogs unless a test installed another (not owned).
    static Dialogs& get();
    static void install(Dialogs* dialogs);

    // Shorthand for the common OK box.
    static void inform(QWidget* parent, const QString& text, Icon icon = Icon::None,
                       const QString& title = {});

    // The waiting in runLong, also for short work with no progress to show: work on its own
    // thread, this thread's event loop turning (user input only reaches except and its
    // children) and tick running every 50 ms until it ends.
    static void waitFor(const std::function<void()>& work, const std::function<void()>& tick,
                        QWidget* except);
};

// Shows the busy pointer for the lifetime of the object.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
