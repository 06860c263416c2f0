#pragma once
// The general helper class every window uses: settings files, paths and file names, file
// dialogs, string splitting, window placement. It holds no state; share one instance.
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

class QWidget;

class CL_GL010C {
public:
    static CL_GL010C& instance();

    // Settings files (see Profile). A missing file, section or key reads as "".
    QString RVN_IniGet(const QString& section, const QString& key, const QString& ininame) const;
    // Writes one key through a whole-file atomic rewrite; false when the file could not be
    // read or written, or the value cannot be stored in CP932 (the old file is then whole).
    // An unchanged value does not rewrite the file. To write many keys, use one Profile.
    bool RVN_IniWrite(const QString& section, const QString& key, const QString& str,
                      const QString& ininame) const;

    // The folder with one trailing "/" ("" stays ""; a trailing "\" also counts as one).
    QString RVN_Path(const QString& pname) const;
    // The part after the last "/" or "\"; "" when the path ends in a separator.
    QString RVN_GetFileName(const QString& strPathName) const;
    // Text after the last "." of the file-name part only; "" when there is none
    // ("x.tar.PNG" gives "PNG", "/a.b/c" gives "").
    QString RVN_GetFileExt(const QString& strFileName) const;
    // Length in bytes of a regular file; -1 when missing, unreadable, or not a regular file.
    qint64 RVN_Filesize(const QString& fname) const;
    // Byte length of the text in CP932.
    qint32 RVN_LenB(const QString& str) const;

    // Splits at the separator: empty items between separators are kept, a separator at the
    // very end gives no final item, "" gives no items ("a,,b," gives "a", "", "b"). An empty
    // separator gives the whole text as one item.
    QStringList RVN_StrEnum(const QString& text, const QString& separator) const;
    // Every sstr replaced by dstr, scanning on after each inserted text; an empty sstr returns
    // buf unchanged.
    QString RVN_StrSubst(const QString& buf, const QString& sstr, const QString& dstr) const;

    // File dialogs through the Dialogs facade. filter holds description and pattern pairs
    // separated by NUL characters. The open dialog returns the full path, or with multiSelect
    // the chosen paths joined by ","; both return "" when cancelled. The save dialog stores the
    // 1-based index of the chosen filter entry in filterIndex (untouched when cancelled).
    QString RVN_ShowOpenFileDlg(QWidget* owner, const QString& filter, const QString& initDir,
                                const QString& initName, bool multiSelect) const;
    QString RVN_ShowSaveFileDlg(QWidget* owner, const QString& filter, const QString& initDir,
                                const QString& initName, qint32& filterIndex) const;

    // Places a window in its normal state: 0 keep, 1 centre, 2 top-left, 3 bottom-left,
    // 4 top-right, 5 bottom-right, other (0, 0). Returns 0 when the window is minimised or
    // maximised (nothing done), else 1.
    int RVN_SetFormMoveTop(QWidget* frm, int position, bool topmost) const;
    // The delivered program is always "compiled".
    bool RVN_CompiledCheck(QWidget*) const { return true; }
};

// Position of a window of size (w, h) placed by code on a screen of size (sw, sh), all in
// pixels: 1 centre ((sw - w) / 2, (sh - h) / 2, halves to the even neighbour), 2 top-left,
// 3 bottom-left, 4 top-right, 5 bottom-right, any other code (0, 0). Code 0 means "keep the
// position": the caller does not move the window and ignores the (0, 0) returned here.
QPoint formMovePosition(int code, QSize window, QSize screen);
