#include "gui/app/frm_quilmoap.h"

#include "core/image/imagecontrol.h"
#include "core/makers/cl_gl028c.h"
#include "core/util/cl_gl010c.h"
#include "core/util/messages.h"
#include "core/util/numbers.h"
#include "core/util/profile.h"
#include "gui/app/frm_defsize.h"
#include "gui/app/frm_imginfo.h"
#include "gui/app/frm_ver.h"
#include "gui/mail/frm_mail.h"
#include "gui/mail/frm_motion.h"
#include "gui/mail/frm_option.h"
#include "gui/makers/frm_calen.h"
#include "gui/makers/frm_lupan.h"
#include "gui/makers/frm_nenga.h"
#include "gui/makers/frm_plate.h"
#include "gui/widgets/dialogs.h"
#include "gui/widgets/filebrowser.h"
#include "gui/widgets/handover.h"
#include "gui/widgets/imageview.h"
#include "gui/widgets/placement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTextStream>
#include <QToolButton>

namespace {

// Designed geometry in twips, converted at 15 twips per pixel.
QPoint twp(int left, int top) {
    return {left / TwipsPerPixel, top / TwipsPerPixel};
}

constexpr int designedClientWidth = 9090, designedClientHeight = 7575;

const char* const purposes[PurposeCount] = {"壁紙",       "電源ON", "電源OFF",  "着信時",
                                            "アラーム時", "待受け", "ﾕｰｻﾞｰ設定"};
const char* const toolTips[8] = {
    "ﾌｧｲﾙを開く", "ﾌｧｲﾙの上書き保存", "ﾃｷｽﾄの挿入", "ｺﾋﾟｰ", "張り付け", "拡大", "縮小", "ﾒｰﾙ送信"};

QLabel* label(QWidget* parent, const QString& text, QPoint at) {
    auto* l = new QLabel(text, parent);
    l->move(at);
    l->adjustSize();
    return l;
}

} // namespace

FRM_QUILMOAP::FRM_QUILMOAP(const QString& commandLine, QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(Msg::appTitle());
    setWindowIcon(QIcon(QStringLiteral(":/icons/quilmo-editor.png")));
    setAcceptDrops(true);
    LEAD1 = new ImageControl(this);
    LEAD2 = new ImageControl(this);
    LEAD3 = new ImageControl(this);
    createControls();
    createFileMenu();
    createEditMenu();
    createImageMenu();
    createViewMenu();
    createToolsMenu();
    createHelpMenu();
    updateActions();
    resize(designedClientWidth / TwipsPerPixel,
           designedClientHeight / TwipsPerPixel + menuBar()->sizeHint().height());
    qApp->installEventFilter(this);
    Form_Load(commandLine);
}

FRM_QUILMOAP::~FRM_QUILMOAP() {
    if (qApp) qApp->removeEventFilter(this);
}

void FRM_QUILMOAP::createControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);

    LEAD2View = new ImageView(LEAD2, client);
    LEAD2View->setGeometry(twips(3720, 0, 5310, 7200));
    connect(LEAD2View, &ImageView::MouseDown, this, &FRM_QUILMOAP::LEAD2_MouseDown);
    connect(LEAD2View, &ImageView::MouseMove, this, &FRM_QUILMOAP::LEAD2_MouseMove);
    connect(LEAD2, &ImageControl::RgnChange, this, &FRM_QUILMOAP::LEAD2_RgnChange);

    Picture2 = new QWidget(client);
    Picture2->setGeometry(twips(0, 0, 3645, 495));
    for (int i = 0; i < 8; ++i) {
        auto* b = new QToolButton(Picture2);
        b->setGeometry(twips(450 * i, 0, 420, 420));
        b->setToolTip(QString::fromUtf8(toolTips[i]));
        b->setIcon(QIcon(QStringLiteral(":/icons/tool%1.png").arg(i)));
        b->setIconSize(QSize(16, 16));
        connect(b, &QToolButton::clicked, this, [this, i] { Command2_Click(i); });
        Command2[i] = b;
    }

    Frame1 = new QGroupBox(QStringLiteral("出力画像"), client);
    Frame1->setGeometry(twips(0, 540, 3675, 3495));
    Combo1 = new QComboBox(Frame1);
    Combo1->setGeometry(twips(90, 270, 1245, 300));
    for (const char* p : purposes) Combo1->addItem(QString::fromUtf8(p));
    connect(Combo1, &QComboBox::activated, this, &FRM_QUILMOAP::Combo1_Click);

    const QString captions[6] = {QStringLiteral("横幅:"),
                                 QStringLiteral("高さ:"),
                                 QStringLiteral("PNGﾌｧｲﾙｻｲｽﾞ(byte):"),
                                 QStringLiteral("BMPﾌｧｲﾙｻｲｽﾞ(byte):"),
                                 QStringLiteral("色数 :"),
                                 QStringLiteral("結果ｻｲｽﾞ :")};
    const QPoint captionAt[6] = {twp(150, 840),  twp(150, 1290),  twp(150, 2190),
                                 twp(150, 2490), twp(2400, 3180), twp(120, 3180)};
    for (int i = 0; i < 6; ++i) Label1[i] = label(Frame1, captions[i], captionAt[i]);
    const QRect fieldAt[4] = {twips(600, 780, 735, 270), twips(600, 1230, 735, 270),
                              twips(1950, 2130, 1605, 270), twips(1950, 2430, 1605, 270)};
    // Digits only, typed or pasted; "+" and "-" reach the window's zoom keys first.
    auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    for (int i = 0; i < 4; ++i) {
        auto* t = new QLineEdit(Frame1);
        t->setGeometry(fieldAt[i]);
        t->setValidator(digits);
        Text1[i] = t;
    }
    Text1[0]->setText(QStringLiteral("96"));
    Text1[1]->setText(QStringLiteral("96"));

    LEAD1View = new ImageView(LEAD1, Frame1);
    LEAD1View->setGeometry(twips(1410, 240, 2175, 1830));
    LEAD1View->hideScrollBars();

    Command1[0] = new QPushButton(QStringLiteral("比率調整"), Frame1);
    Command1[0]->setGeometry(twips(120, 2760, 1095, 345));
    Command1[1] = new QPushButton(QStringLiteral("減色化"), Frame1);
    Command1[1]->setGeometry(twips(2400, 2760, 1155, 345));
    for (int i = 0; i < 2; ++i)
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    Label6 = new QLabel(Frame1);
    Label6->setGeometry(twips(1050, 3150, 1215, 255));
    Label5 = new QLabel(Frame1);
    Label5->setGeometry(twips(2940, 3150, 585, 255));

    Frame2 = new QGroupBox(QStringLiteral("入力ファイル一覧"), client);
    Frame2->setGeometry(twips(0, 4080, 3675, 3135));
    Drive1 = new DriveList(Frame2);
    Drive1->setGeometry(twips(120, 240, 3465, 300));
    Dir1 = new DirList(Frame2);
    Dir1->setGeometry(twips(120, 600, 3465, 1560));
    File1 = new FileList(Frame2);
    File1->setGeometry(twips(120, 2220, 3495, 810));
    File1->setPattern(
        QStringLiteral("*.JPG;*.JPEG;*.BMP;*.GIF;*.TIF;*.PNG;*.PCX;*.TGA;*.ICO;*.WEBP"));
    File1->setPath(Dir1->Path());
    Drive1->setDrive(Dir1->Path());
    connect(Drive1, &DriveList::Change, this, &FRM_QUILMOAP::Drive1_Change);
    connect(Dir1, &DirList::Change, this, &FRM_QUILMOAP::Dir1_Change);
    connect(File1, &FileList::DblClick, this, &FRM_QUILMOAP::File1_DblClick);
    connect(File1, &FileList::KeyPress, this, &FRM_QUILMOAP::File1_KeyPress);

    Picture1 = new QWidget(client);
    Picture1->setGeometry(twips(0, 7230, 9090, 345));
    Label2 = label(Picture1, QStringLiteral("100%"), twp(30, 30));
    Label3 = label(Picture1, QString(), twp(720, 30));
    Label4 = label(Picture1, QString(), twp(2100, 30));
    Label3->setMinimumWidth(1380 / TwipsPerPixel);
    Label4->setMinimumWidth(3000 / TwipsPerPixel);
}

// ---------------------------------------------------------------------------------------------
// Menus: each family builds its own beside its commands; what is enabled is decided here

QMenu* FRM_QUILMOAP::addMenu(QMenu* parent, const char* name, const QString& title) {
    QMenu* menu = parent ? parent->addMenu(title) : menuBar()->addMenu(title);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

QAction* FRM_QUILMOAP::addItem(QMenu* menu, const char* name, const QString& text,
                               void (FRM_QUILMOAP::*slot)(), const QKeySequence& shortcut) {
    QAction* item = menu->addAction(text, shortcut, this, slot);
    item->setObjectName(QLatin1String(name));
    return item;
}

QAction* FRM_QUILMOAP::addItem(QMenu* menu, const char* name, const QString& text,
                               void (FRM_QUILMOAP::*slot)(int), int index) {
    QAction* item =
        menu->addAction(text, QKeySequence(), this, [this, slot, index] { (this->*slot)(index); });
    item->setObjectName(QLatin1String(name));
    return item;
}

void FRM_QUILMOAP::updateActions() {
    const bool idle = !m_busy;
    for (QAction* a : findChildren<QAction*>())
        if (!a->isSeparator() && !a->menu()) a->setEnabled(idle);
    for (QWidget* w : std::initializer_list<QWidget*>{Command1[0], Command1[1], Combo1})
        w->setEnabled(idle);
    for (QToolButton* b : Command2) b->setEnabled(idle);
    MNU_EDIT_UNDO->setEnabled(idle && undoCopies.canUndo());
    MNU_EDIT_REDO->setEnabled(idle && undoCopies.canRedo());
    // While a size field has the focus its "+", "-" and clipboard keys belong to the field.
    for (QAction* a : {MNU_DSP_ZOOMIN, MNU_DSP_ZOOMOUT, MNU_EDIT_COPY, MNU_EDIT_PAST})
        a->setEnabled(idle && !m_sizeFieldFocus);
}

// ---------------------------------------------------------------------------------------------
// Start-up, settings, shutdown

void FRM_QUILMOAP::Form_Load(const QString& commandLine) {
    // The old built-in table stays registered; the law of each year takes over from it.
    CL_GL028C& holidays = CL_GL028C::shared();
    holidays.registerBuiltinTable();
    holidays.useBuiltinLaw();
    LEAD2->RgnFrameType = 1;
    LEAD2->RgnMarkingMode = 1;
    LEAD2->PaintSizeMode = 4;
    LEAD2->setPaintZoomFactor(100);
    LEAD2->ResetView();
    IniLoad();
    if (settings.savePassword) AppPaths::restrictToOwner(AppPaths::settingsFile());
    FRM_OPTION::setDefaultCommit([this] { return commitSettings(); });
    HandOver::setMailOpener([this](const QStringList& files, bool anime) -> QWidget* {
        return FRM_MAIL::openNew(settings, addressBook, files, anime, this);
    });
    HandOver::setMotionOpener([this](const QStringList& frames) -> QWidget* {
        return FRM_MOTION::openNew(settings, frames, this);
    });
    Combo1->setCurrentIndex(0);
    Combo1_Click();
    // A default size below 1 (kept in the settings file as written) gives no blank picture.
    LEAD1->CreateBitmap(settings.px[0], settings.py[0], 24);
    LEAD2->CreateBitmap(settings.px[0], settings.py[0], 24);
    if (!commandLine.isEmpty()) {
        show();
        FileLoad(commandLine);
    }
}

void FRM_QUILMOAP::IniLoad() {
    Profile ini;
    ini.load(AppPaths::settingsFile()); // unreadable: every value takes its default
    settings = readSettings(ini);

    if (settings.width == 0 || settings.height == 0) {
        settings.width = 800 * TwipsPerPixel;
        settings.height = 600 * TwipsPerPixel;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect placed =
        windowPlacement(settings.left, settings.top, settings.width, settings.height,
                        screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768));
    move(placed.topLeft());
    // The drive first: choosing it moves the folder list to its root.
    if (QFileInfo(settings.dir).isDir()) {
        Drive1->setDrive(settings.dir);
        Dir1->setPath(settings.dir);
    }
    if (settings.left == 0 && settings.top == 0)
        CL_GL010C::instance().RVN_SetFormMoveTop(this, 1, false);
    resize(placed.size());

    addressBook.load(AppPaths::addressFile()); // a failed read is never written back
}

bool FRM_QUILMOAP::IniSave() {
    // The normal-state geometry is written without changing the window's state: committing
    // settings from another window must not un-maximise this one.
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    const QPoint framePos =
        (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
            ? normal.topLeft()
            : pos();
    settings.left = framePos.x() * TwipsPerPixel;
    settings.top = framePos.y() * TwipsPerPixel;
    settings.width = normal.width() * TwipsPerPixel;
    settings.height = normal.height() * TwipsPerPixel;
    settings.dir = File1->Path();

    QStringList errors, unstored; // files kept as they were; values left out of the file
    Profile ini;
    const QString iniPath = AppPaths::settingsFile();
    if (!ini.load(iniPath)) {
        // Never replace a file we could not read: its other sections would be lost.
        errors.append(ini.errorString());
    } else {
        unstored = writeSettings(settings, ini);
        if (ini.isModified() && !ini.save(iniPath)) errors.append(ini.errorString());
    }
    if (addressBook.isModified() && !addressBook.save(AppPaths::addressFile()))
        errors.append(addressBook.errorString());
    QStringList report;
    if (!errors.isEmpty()) report.append(Msg::settingsNotSaved(errors.join(QLatin1Char('\n'))));
    if (!unstored.isEmpty())
        report.append(Msg::settingsPartlyNotSaved(unstored.join(QLatin1Char('\n'))));
    m_iniSaveError = report.join(QStringLiteral("\n\n"));
    return m_iniSaveError.isEmpty();
}

void FRM_QUILMOAP::closeEvent(QCloseEvent* e) {
    // A composer with unsent text asks first; its "Cancel" keeps the program running.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* mail = qobject_cast<FRM_MAIL*>(w);
            mail && mail->isVisible() && !m_unattended && !mail->close()) {
            e->ignore();
            return;
        }
    Form_Unload();
    e->accept();
}

bool FRM_QUILMOAP::closeUnattended() {
    m_unattended = true;
    if (!m_unloaded) close();
    return m_iniSaveError.isEmpty();
}

void FRM_QUILMOAP::Form_Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    delete imgInfo;
    imgInfo = nullptr;
    if (!IniSave()) {
        if (m_unattended)
            QTextStream(stderr) << m_iniSaveError << Qt::endl;
        else
            Dialogs::inform(this, m_iniSaveError, Dialogs::Icon::Exclamation);
    }
    // Every other window ends with the main window.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == this || !w->isVisible()) continue;
        if (auto* mail = qobject_cast<FRM_MAIL*>(w); mail && m_unattended)
            mail->closeWithoutQuestion();
        else
            w->close();
    }
}

void FRM_QUILMOAP::MNU_FILE_EXIT_Click() {
    close();
}

FRM_IMGINFO* FRM_QUILMOAP::imageInfoWindow() {
    if (!imgInfo) imgInfo = new FRM_IMGINFO(this);
    return imgInfo;
}

bool FRM_QUILMOAP::commitSettings() {
    if (IniSave()) return true;
    Dialogs::inform(this, m_iniSaveError, Dialogs::Icon::Exclamation);
    return false;
}

// ---------------------------------------------------------------------------------------------
// Tools and help menus

void FRM_QUILMOAP::createToolsMenu() {
    QMenu* pro = addMenu(nullptr, "MNU_PRO", QStringLiteral("ﾂｰﾙ(&T)"));
    MNU_PRO_LUPAN = addItem(pro, "MNU_PRO_LUPAN", QStringLiteral("ﾙﾊﾟﾝｻﾌﾞﾀｲﾄﾙ ﾒｰｶｰ(&R)..."),
                            &FRM_QUILMOAP::MNU_PRO_LUPAN_Click);
    MNU_PRO_NENGA = addItem(pro, "MNU_PRO_NENGA", QStringLiteral("携帯年賀状 ﾒｰｶｰ(&N)..."),
                            &FRM_QUILMOAP::MNU_PRO_NENGA_Click);
    MNU_PRO_CALEN = addItem(pro, "MNU_PRO_CALEN", QStringLiteral("ｶﾚﾝﾀﾞｰ ﾒｰｶｰ(&C)..."),
                            &FRM_QUILMOAP::MNU_PRO_CALEN_Click);
    MNU_PRO_PLATE = addItem(pro, "MNU_PRO_PLATE", QStringLiteral("ﾅﾝﾊﾞｰﾌﾟﾚｰﾄ ﾒｰｶｰ(&P)..."),
                            &FRM_QUILMOAP::MNU_PRO_PLATE_Click);
    pro->addSeparator()->setObjectName(QStringLiteral("MNU_PRO_H1"));
    MNU_PRO_DEFSIZE = addItem(pro, "MNU_PRO_DEFSIZE", QStringLiteral("ﾃﾞﾌｫﾙﾄｻｲｽﾞ設定(&D)..."),
                              &FRM_QUILMOAP::MNU_PRO_DEFSIZE_Click);
    pro->addSeparator()->setObjectName(QStringLiteral("MNU_PRO_H2"));
    MNU_PRO_OPTION = addItem(pro, "MNU_PRO_OPTION", QStringLiteral("ｵﾌﾟｼｮﾝ(&O)..."),
                             &FRM_QUILMOAP::MNU_PRO_OPTION_Click);
}

void FRM_QUILMOAP::MNU_PRO_LUPAN_Click() {
    FRM_LUPAN::openNew(settings, this);
}
void FRM_QUILMOAP::MNU_PRO_NENGA_Click() {
    showOver(new FRM_NENGA(settings), this);
}
void FRM_QUILMOAP::MNU_PRO_CALEN_Click() {
    showOver(new FRM_CALEN(settings), this);
}
void FRM_QUILMOAP::MNU_PRO_PLATE_Click() {
    showOver(new FRM_PLATE(settings), this);
}

void FRM_QUILMOAP::MNU_PRO_DEFSIZE_Click() {
    FRM_DEFSIZE dlg(settings, this);
    if (dlg.exec() != QDialog::Accepted) return;
    commitSettings();
    Combo1_Click();
}

void FRM_QUILMOAP::MNU_PRO_OPTION_Click() {
    FRM_OPTION dlg(
        settings, addressBook, [this] { return commitSettings(); }, this);
    dlg.exec();
}

void FRM_QUILMOAP::createHelpMenu() {
    QMenu* help = addMenu(nullptr, "MNU_HELP", QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    MNU_HELP_VER = addItem(help, "MNU_HELP_VER", QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&V)..."),
                           &FRM_QUILMOAP::MNU_HELP_VER_Click);
}

void FRM_QUILMOAP::MNU_HELP_VER_Click() {
    FRM_VER ver(this);
    ver.exec();
}

// ---------------------------------------------------------------------------------------------
// Layout and keys

void FRM_QUILMOAP::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    Form_Resize();
}

void FRM_QUILMOAP::Form_Resize() {
    const QWidget* client = centralWidget();
    if (!client) return;
    const int w = client->width(), h = client->height();
    const int statusHeight = Picture1->height();
    LEAD2View->setGeometry(LEAD2View->x(), LEAD2View->y(), qMax(0, w - LEAD2View->x()),
                           qMax(0, h - LEAD2View->y() - statusHeight));
    Frame2->resize(Frame2->width(), qMax(0, h - Frame2->y() - statusHeight));
    File1->resize(File1->width(), qMax(0, Frame2->height() - File1->y() - 6));
    Picture1->setGeometry(0, h - statusHeight, w, statusHeight);
}

bool FRM_QUILMOAP::eventFilter(QObject* watched, QEvent* e) {
    // A key travels up through the parents of the focused widget; act on it once.
    const QWidget* focus = QApplication::focusWidget();
    if (e->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this &&
        (watched == focus || (!focus && watched == this))) {
        // The window sees typed characters before the focused control; the control still gets
        // them (the size fields then discard them).
        const QString text = static_cast<QKeyEvent*>(e)->text();
        if (text == QLatin1String("+"))
            MNU_DSP_ZOOMIN_Click();
        else if (text == QLatin1String("-"))
            MNU_DSP_ZOOMOUT_Click();
    }
    for (int i = 0; i < 4; ++i) {
        if (watched != Text1[i]) continue;
        if (e->type() == QEvent::FocusIn) Text1_GotFocus(i);
        // A menu opening or another window coming to the front leaves the field the focused
        // control of this window: only a move to another control is a loss.
        if (e->type() == QEvent::FocusOut) {
            const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
            if (why != Qt::PopupFocusReason && why != Qt::MenuBarFocusReason &&
                why != Qt::ActiveWindowFocusReason)
                Text1_LostFocus(i);
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void FRM_QUILMOAP::Text1_GotFocus(int) {
    m_sizeFieldFocus = true;
    updateActions();
}

void FRM_QUILMOAP::Text1_LostFocus(int) {
    m_sizeFieldFocus = false;
    updateActions();
}

// ---------------------------------------------------------------------------------------------
// Drops

void FRM_QUILMOAP::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void FRM_QUILMOAP::dropEvent(QDropEvent* e) {
    if (DropFiles(e->mimeData()->urls())) e->acceptProposedAction();
}

bool FRM_QUILMOAP::DropFiles(const QList<QUrl>& urls) {
    if (urls.isEmpty() || !urls.first().isLocalFile()) return false;
    FileLoad(urls.first().toLocalFile()); // only the first file of a multi-file drop
    return true;
}
