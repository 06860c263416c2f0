#include "gui/widgets/filebrowser.h"

#include "gui/widgets/dialogs.h"

#include <QDir>
#include <QKeyEvent>
#include <QStorageInfo>

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    Refresh();
    connect(this, &QComboBox::activated, this, &DriveList::Change);
}

QString DriveList::Drive() const {
    return currentText();
}

void DriveList::setDrive(const QString& path) {
    const QString root = QStorageInfo(path).rootPath();
    int index = findText(root.isEmpty() ? QStringLiteral("/") : root);
    if (index < 0) index = findText(QStringLiteral("/"));
    if (index >= 0 && index != currentIndex()) {
        setCurrentIndex(index);
        emit Change();
    }
}

void DriveList::Refresh() {
    const QString current = currentText();
    QStringList roots;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes())
        if (s.isValid() && s.isReady()) roots.append(s.rootPath());
    roots.removeDuplicates();
    roots.sort();
    QSignalBlocker block(this);
    clear();
    addItems(roots);
    const int index = findText(current.isEmpty() ? QStringLiteral("/") : current);
    setCurrentIndex(index < 0 ? 0 : index);
}

DirList::DirList(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setPath(item->data(Qt::UserRole).toString()); });
    setPath(QDir::homePath());
}

bool DirList::setPath(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir()) return false;
    m_path = QDir::cleanPath(info.absoluteFilePath());
    Refresh();
    emit Change();
    return true;
}

void DirList::Refresh() {
    QSignalBlocker block(this);
    clear();
    // The chain from the root down to the current folder, then its subfolders one level deeper.
    QStringList chain;
    for (QDir d(m_path);;) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp()) break;
    }
    int depth = 0;
    for (const QString& p : chain) {
        const QString name = depth == 0 ? p : QFileInfo(p).fileName();
        auto* item = new QListWidgetItem(QString(depth * 2, u' ') + name, this);
        item->setData(Qt::UserRole, p);
        item->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
        ++depth;
    }
    setCurrentRow(int(chain.size()) - 1);
    const QStringList subs =
        QDir(m_path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& s : subs) {
        auto* item = new QListWidgetItem(QString(depth * 2, u' ') + s, this);
        item->setData(Qt::UserRole, QDir(m_path).filePath(s));
        item->setIcon(style()->standardIcon(QStyle::SP_DirClosedIcon));
    }
}

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemDoubleClicked, this, &FileList::DblClick);
}

void FileList::setPath(const QString& path) {
    m_path = path;
    Refresh();
}

void FileList::setPattern(const QString& pattern) {
    m_globs = filterGlobs(pattern);
    Refresh();
}

QString FileList::FileName() const {
    const QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void FileList::Refresh() {
    QSignalBlocker block(this);
    clear();
    if (m_path.isEmpty()) return;
    addItems(QDir(m_path).entryList(m_globs, QDir::Files | QDir::Readable,
                                    QDir::Name | QDir::IgnoreCase));
}

void FileList::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        emit KeyPress(13);
        return;
    }
    QListWidget::keyPressEvent(e);
}
