#include "gui/makers/frm_lupan.h"

#include "core/image/fonts.h"
#include "core/image/imagecodec.h"
#include "core/image/imagecontrol.h"
#include "core/mail/motion.h"
#include "core/util/cl_gl010c.h"
#include "core/util/fileio.h"
#include "core/util/messages.h"
#include "gui/widgets/dialogs.h"
#include "gui/widgets/handover.h"
#include "gui/widgets/imageview.h"
#include "gui/widgets/placement.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {
QString saveFilter() {
    return QStringLiteral("Portable Network Graphics(*.PNG)") + QChar(0) + QStringLiteral("*.PNG") +
           QChar(0) + QStringLiteral("全てのﾌｧｲﾙ(*.*)") + QChar(0) + QStringLiteral("*.*") +
           QChar(0);
}

const char* const initialTexts[TitleCard::textCount] = {"ル", "パ", "ン",     "三",
                                                        "世", "！", "ルパン", "三世！"};
} // namespace

FRM_LUPAN* FRM_LUPAN::openNew(AppSettings& settings, QWidget* parent) {
    auto* w = new FRM_LUPAN(settings, parent);
    w->setAttribute(Qt::WA_DeleteOnClose);
    showOver(w, parent);
    return w;
}

FRM_LUPAN::FRM_LUPAN(AppSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings) {
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("ﾙﾊﾟﾝｻﾌﾞﾀｲﾄﾙ ﾒｰｶｰ"));
    setFixedSize(4260 / TwipsPerPixel, 3225 / TwipsPerPixel);

    for (int i = 0; i < 6; ++i) {
        Label1[i] = new QLabel(QStringLiteral("%1文字目").arg(i + 1), this);
        Label1[i]->setGeometry(twips(210, 180 + 330 * i, 630, 180));
        Text1[i] = new QLineEdit(QString::fromUtf8(initialTexts[i]), this);
        Text1[i]->setGeometry(twips(930, 120 + 330 * i, 495, 270));
    }
    Frame1 = new QGroupBox(QStringLiteral("ﾀｲﾄﾙ"), this);
    Frame1->setGeometry(twips(120, 2160, 2115, 945));
    for (int i = 6; i < 8; ++i) {
        const int row = i - 6;
        Label1[i] = new QLabel(QStringLiteral("%1行目").arg(row + 1), Frame1);
        Label1[i]->setGeometry(twips(180, 270 + 330 * row, 450, 180));
        Text1[i] = new QLineEdit(QString::fromUtf8(initialTexts[i]), Frame1);
        Text1[i]->setGeometry(twips(810, 210 + 330 * row, 1125, 270));
    }

    LEAD1 = new ImageControl(this);
    LEAD1View = new ImageView(LEAD1, this);
    LEAD1View->setGeometry(twips(2370, 1830, 1470, 1290));
    LEAD1View->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LEAD1View->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    VScroll1 = new QScrollBar(Qt::Vertical, this);
    VScroll1->setGeometry(twips(3840, 1860, 285, 1275));
    VScroll1->setRange(1, TitleCard::frameCount);
    VScroll1->setValue(1);
    connect(VScroll1, &QScrollBar::valueChanged, this, &FRM_LUPAN::VScroll1_Change);

    const char* const captions[3] = {"作成", "閉じる", "ﾌｫﾝﾄ..."};
    const int tops[3] = {90, 510, 1350};
    for (int i = 0; i < 3; ++i) {
        Command1[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        Command1[i]->setGeometry(twips(3030, tops[i], 1095, 375));
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    }
    Form_Load();
}

QStringList FRM_LUPAN::texts() const {
    QStringList list;
    for (const QLineEdit* t : Text1) list.append(t->text());
    return list;
}

void FRM_LUPAN::Form_Load() {
    titleFont = TitleCard::Font();
    Preview(1);
}

void FRM_LUPAN::Preview(int frame) {
    LEAD1->setImage(TitleCard::frame(texts(), frame, titleFont), 1);
    LEAD1->ForceRepaint();
    titleFont.size = TitleCard::characterPoints(titleFont.size);
}

void FRM_LUPAN::VScroll1_Change() {
    Preview(VScroll1->value());
}

void FRM_LUPAN::Command1_Click(int index) {
    switch (index) {
    case 0:
        Create();
        return;
    case 1:
        close();
        return;
    case 2:
        ChooseFont();
        return;
    default:
        return;
    }
}

void FRM_LUPAN::Create() {
    const CL_GL010C& gl = CL_GL010C::instance();
    qint32 filterIndex = 1;
    const QString chosen =
        gl.RVN_ShowSaveFileDlg(this, saveFilter(), m_settings.folder, QString(), filterIndex);
    if (chosen.isEmpty()) return;
    m_settings.folder = QFileInfo(chosen).absolutePath();

    const QStringList files = TitleCard::fileNames(chosen);
    // The viewer would refuse such names, so refuse them before anything is written.
    for (const QString& file : files) {
        if (!Motion::acceptableName(file)) {
            Dialogs::inform(this, Msg::motionBadName(file), Dialogs::Icon::Exclamation,
                            Msg::appTitle());
            return;
        }
    }
    // The dialog asked about the chosen name only; these are the files we are about to replace.
    QStringList existing;
    for (const QString& file : files)
        if (QFileInfo::exists(file)) existing.append(gl.RVN_GetFileName(file));
    if (!existing.isEmpty() &&
        Dialogs::get().message(this, Msg::titleOverwrite(existing), Msg::appTitle(),
                               Dialogs::Icon::Exclamation,
                               Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
        return;

    WaitCursor wait;
    for (int n = 1; n <= TitleCard::fileCount; ++n) {
        if (n <= TitleCard::frameCount) Preview(n);
        const QString& file = files[n - 1];
        QString error;
        if (!ImageCodec::save(file, LEAD1->image(), ImageCodec::FormatPng, LEAD1->BitsPerPixel(), 1,
                              &error)) {
            // Half a title is no animation: no viewer, and the user learns which file failed.
            Dialogs::inform(this, FileIO::saveFailed(file, error), Dialogs::Icon::Critical,
                            Msg::appTitle());
            return;
        }
    }
    HandOver::motion(files);
}

void FRM_LUPAN::ChooseFont() {
    const QString mapped = Fonts::substituteFor(titleFont.name);
    QFont initial(mapped.isEmpty() ? titleFont.name : mapped);
    initial.setPointSizeF(titleFont.size);
    initial.setBold(titleFont.bold);
    initial.setItalic(titleFont.italic);
    const auto chosen = Dialogs::get().font(this, initial);
    if (!chosen) return;
    titleFont.name = chosen->family();
    // A font given in pixels has no point size; keep the one we had.
    if (chosen->pointSizeF() > 0) titleFont.size = chosen->pointSizeF();
    titleFont.bold = chosen->bold();
    titleFont.italic = chosen->italic();
    Preview(VScroll1->value());
}
