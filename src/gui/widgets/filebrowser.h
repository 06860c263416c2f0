#pragma once
// The three lists of the file browser: drives (mount points here), the folder hierarchy of the
// current folder, and the picture files in it.
#include <QComboBox>
#include <QListWidget>

class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);
    // Mount point shown; setting a path selects the mount point that holds it.
    QString Drive() const;
    void setDrive(const QString& path);
    void Refresh();
signals:
    void Change();
};

class DirList : public QListWidget {
    Q_OBJECT
public:
    explicit DirList(QWidget* parent = nullptr);
    QString Path() const { return m_path; }
    // Moves to an existing folder (returns false and stays otherwise); raises Change.
    bool setPath(const QString& path);
    void Refresh();
signals:
    void Change();

private:
    QString m_path;
};

class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);
    QString Path() const { return m_path; }
    void setPath(const QString& path);
    // ";"-separated patterns, matched case-insensitively.
    void setPattern(const QString& pattern);
    // The selected file name, "" when none.
    QString FileName() const;
    void Refresh();
signals:
    void DblClick();
    void KeyPress(int key);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    QString m_path;
    QStringList m_globs;
};
