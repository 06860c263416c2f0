#pragma once
// The main window: canvas, output panel, file browser, toolbar, menus and the shared settings.
#include "core/image/textdraw.h"
#include "core/image/undocopies.h"
#include "core/util/addressbook.h"
#include "core/util/appsettings.h"

#include <QMainWindow>
#include <QUrl>
#include <array>

class DirList;
class FRM_IMGINFO;
class DriveList;
class FileList;
class ImageControl;
class ImageView;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

class FRM_QUILMOAP : public QMainWindow {
    Q_OBJECT
public:
    // commandLine: the program's arguments joined by one space (opened after start-up).
    explicit FRM_QUILMOAP(const QString& commandLine = QString(), QWidget* parent = nullptr);
    ~FRM_QUILMOAP() override;

    // Closes for a signal or the end of the desktop session, when nobody is there to answer:
    // nothing asks or waits (composers close without their question), the settings are
    // written where they can be and a failure goes to standard error. False when something
    // could not be written.
    bool closeUnattended();

    // --- image controls
    ImageControl* LEAD1 = nullptr; // output image
    ImageControl* LEAD2 = nullptr; // canvas
    ImageControl* LEAD3 = nullptr; // copy buffer
    UndoCopies undoCopies;         // holds LEAD4, the undo and redo copies
    ImageView* LEAD1View = nullptr;
    ImageView* LEAD2View = nullptr;

    // --- controls
    QWidget* Picture2 = nullptr; // toolbar strip
    std::array<QToolButton*, 8> Command2{};
    QGroupBox* Frame1 = nullptr; // output panel
    QComboBox* Combo1 = nullptr;
    std::array<QLabel*, 6> Label1{};
    std::array<QLineEdit*, 4> Text1{};
    std::array<QPushButton*, 2> Command1{};
    QLabel* Label5 = nullptr;    // colour count
    QLabel* Label6 = nullptr;    // result size
    QGroupBox* Frame2 = nullptr; // file browser
    DriveList* Drive1 = nullptr;
    DirList* Dir1 = nullptr;
    FileList* File1 = nullptr;
    QWidget* Picture1 = nullptr; // status strip
    QLabel* Label2 = nullptr;    // zoom
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;

    // --- menus
    QAction *MNU_FILE_OPEN, *MNU_FILE_RELOAD, *MNU_FILE_ASAVE, *MNU_FILE_SAVE, *MNU_FILE_MAIL,
        *MNU_FILE_EXIT;
    QAction *MNU_EDIT_UNDO, *MNU_EDIT_REDO, *MNU_EDIT_COPY, *MNU_EDIT_PAST, *MNU_EDIT_TEXT,
        *MNU_EDIT_BKGROUND, *MNU_EDIT_GCOLSET;
    std::array<QAction*, 4> MNU_EDIT_GCOLOR{};
    std::array<QAction*, 2> MNU_EDIT_HIRITU{};
    QAction *MNU_IMG_INFO, *MNU_IMG_GLAY, *MNU_IMG_CTURN, *MNU_IMG_ALL, *MNU_IMG_ALLSELECT;
    std::array<QAction*, 4> MNU_IMG_ROLL{};
    QAction *MNU_DSP_ZOOMIN, *MNU_DSP_ZOOMOUT, *MNU_DSP_ORG, *MNU_DSP_FREFRESH, *MNU_DSP_MOTION;
    QAction *MNU_PRO_LUPAN, *MNU_PRO_NENGA, *MNU_PRO_CALEN, *MNU_PRO_PLATE, *MNU_PRO_DEFSIZE,
        *MNU_PRO_OPTION;
    QAction* MNU_HELP_VER;

    FRM_IMGINFO* imgInfo = nullptr; // created on first use, lives until the window unloads

    // --- shared state
    AppSettings settings;
    AddressFile addressBook;
    bool reduced = false;      // the output was colour-reduced since it last changed
    QString lastSavedFile;     // last successfully saved picture
    TextSettings textSettings; // the text dialog starts from the last confirmed settings

    // --- procedures
    void IniLoad();
    // Writes settings (and the address book when it changed). Returns false and keeps the
    // message for the user in iniSaveError() when a file could not be written (the old file is
    // then whole) or a value could not be stored in it (the key keeps its old value).
    bool IniSave();
    // IniSave, telling the user when a file could not be written.
    bool commitSettings();
    QString iniSaveError() const { return m_iniSaveError; }
    void leadsize();
    // Reduces the output's colours: cset < 1 searches for the most colours that meet both
    // limits, a positive cset reduces to that count. Returns true on success. It runs as long
    // work: after キャンセル the output is as it was before and no message is shown.
    bool PNGRedraw(int cset);
    // Writes the output: JPEG for names ending in JPG/JPEG, PNG otherwise. On failure says why
    // and changes nothing (the old file stays whole).
    bool FileSave(const QString& fname);
    static bool isJpegName(const QString& fname);
    // FileSave, reducing a PNG to the limits first unless that is done; a failed reduction
    // writes nothing.
    bool saveReduced(const QString& fname);
    // Loads a picture into the canvas; on failure says why and changes nothing.
    bool FileLoad(const QString& fname);
    // Files dropped on the window: the first one is opened.
    bool DropFiles(const QList<QUrl>& urls);
    void updateActions();

public slots:
    void Form_Resize();
    void Combo1_Click();
    void Command1_Click(int index);
    void Command2_Click(int index);
    void Text1_GotFocus(int index);
    void Text1_LostFocus(int index);
    void Drive1_Change();
    void Dir1_Change();
    void MNU_DSP_ZOOMIN_Click();
    void MNU_DSP_ZOOMOUT_Click();
    void MNU_DSP_ORG_Click();
    void MNU_DSP_FREFRESH_Click();
    void MNU_FILE_OPEN_Click();
    void MNU_FILE_RELOAD_Click();
    void File1_DblClick();
    void File1_KeyPress(int key);
    void MNU_FILE_SAVE_Click();
    void MNU_FILE_ASAVE_Click();
    void MNU_EDIT_UNDO_Click();
    void MNU_EDIT_REDO_Click();
    void MNU_EDIT_COPY_Click();
    void MNU_EDIT_PAST_Click();
    void MNU_FILE_EXIT_Click();
    void MNU_EDIT_BKGROUND_Click();
    void MNU_EDIT_GCOLOR_Click(int index);
    void MNU_EDIT_GCOLSET_Click();
    void MNU_EDIT_HIRITU_Click(int index);
    void MNU_EDIT_TEXT_Click();
    void MNU_IMG_ROLL_Click(int index);
    void MNU_IMG_GLAY_Click();
    void MNU_IMG_CTURN_Click();
    void MNU_IMG_ALL_Click();
    void LEAD2_MouseDown(Qt::MouseButtons button, Qt::KeyboardModifiers shift, int x, int y);
    void LEAD2_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, int x, int y);
    void LEAD2_RgnChange();
    void MNU_IMG_ALLSELECT_Click();
    void MNU_PRO_DEFSIZE_Click();
    void MNU_FILE_MAIL_Click();
    void MNU_PRO_OPTION_Click();
    void MNU_DSP_MOTION_Click();
    void MNU_PRO_LUPAN_Click();
    void MNU_PRO_NENGA_Click();
    void MNU_PRO_CALEN_Click();
    void MNU_PRO_PLATE_Click();
    void MNU_IMG_INFO_Click();
    void MNU_HELP_VER_Click();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Form_Load(const QString& commandLine);
    void Form_Unload();
    void createControls();
    // One per menu of the bar, each beside the commands of its menu.
    void createFileMenu();
    void createEditMenu();
    void createImageMenu();
    void createViewMenu();
    void createToolsMenu();
    void createHelpMenu();
    // A menu (a submenu of parent, else of the bar) named after its MNU_ name.
    QMenu* addMenu(QMenu* parent, const char* name, const QString& title);
    // An item named after its MNU_ name, running slot (with its index for an item array).
    QAction* addItem(QMenu* menu, const char* name, const QString& text,
                     void (FRM_QUILMOAP::*slot)(), const QKeySequence& shortcut = {});
    QAction* addItem(QMenu* menu, const char* name, const QString& text,
                     void (FRM_QUILMOAP::*slot)(int), int index);
    void setZoom(int percent);
    FRM_IMGINFO* imageInfoWindow();
    void showResultSize(qint64 size);
    // Label4: the selection's text, shown whole.
    void showSelectionText();
    void replaceInput(const QImage& image, int bits);
    // Every command disabled (true) or enabled again: no command may start while one runs.
    void setBusy(bool busy);
    // After drawing into the output: shown again, no longer reduced.
    void outputRedrawn();

    bool m_sizeFieldFocus = false;
    bool m_busy = false; // a long command runs; every other command waits
    bool m_unloaded = false;
    bool m_unattended = false; // closing for a signal or the session's end
    QString m_iniSaveError;
};
