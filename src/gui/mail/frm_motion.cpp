#include "gui/mail/frm_motion.h"

#include "core/image/imagecontrol.h"
#include "core/util/messages.h"
#include "gui/widgets/dialogs.h"
#include "gui/widgets/handover.h"
#include "gui/widgets/imageview.h"
#include "gui/widgets/placement.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

namespace {

const QString playCaption = QStringLiteral("ﾌﾟﾚﾋﾞｭｰ");
const QString stopCaption = QStringLiteral("停止");
} // namespace

FRM_MOTION* FRM_MOTION::openNew(AppSettings& settings, const QStringList& frames, QWidget* parent) {
    auto* w = new FRM_MOTION(settings, parent);
    w->setAttribute(Qt::WA_DeleteOnClose);
    showOver(w, parent);
    if (!frames.isEmpty()) w->mlistadd(frames);
    return w;
}

FRM_MOTION::FRM_MOTION(AppSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings) {
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Motion Viewer"));
    setFixedSize(6945 / TwipsPerPixel, 4545 / TwipsPerPixel);

    Frame1 = new QGroupBox(QStringLiteral("ファイル一覧"), this);
    Frame1->setGeometry(twips(30, 30, 6885, 2385));
    List1 = new QListWidget(Frame1);
    List1->setGeometry(twips(150, 300, 6585, 960));
    const char* const captions[5] = {"追加", "削除", "↑", "↓", "ﾌﾟﾚﾋﾞｭｰ"};
    const QRect places[5] = {twips(150, 1320, 855, 375), twips(1110, 1320, 855, 375),
                             twips(2070, 1320, 495, 375), twips(2640, 1320, 495, 375),
                             twips(5730, 1320, 1005, 375)};
    for (int i = 0; i < 5; ++i) {
        Command1[i] = new QPushButton(QString::fromUtf8(captions[i]), Frame1);
        Command1[i]->setGeometry(places[i]);
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    }
    Label1[0] = new QLabel(QStringLiteral("ﾄｰﾀﾙｻｲｽﾞ :"), Frame1);
    Label1[0]->setGeometry(twips(3240, 1380, 1050, 255));
    Label2 = new QLabel(Frame1);
    Label2->setGeometry(twips(4290, 1380, 1290, 255));
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1[1] = new QLabel(QStringLiteral("HTML :"), Frame1);
    Label1[1]->setGeometry(twips(150, 1800, 630, 255));
    // One line that scrolls sideways, so the tag can be selected and copied whole.
    Text1 = new QPlainTextEdit(Frame1);
    Text1->setGeometry(twips(780, 1770, 4860, 510));
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Command3 = new QPushButton(QStringLiteral("ｺﾋﾟｰ"), Frame1);
    Command3->setGeometry(twips(5730, 1800, 1005, 375));
    connect(Command3, &QPushButton::clicked, this, &FRM_MOTION::Command3_Click);

    LEAD1 = new ImageControl(this);
    LEAD1View = new ImageView(LEAD1, this);
    LEAD1View->setGeometry(twips(30, 2460, 98 * TwipsPerPixel, 86 * TwipsPerPixel));
    LEAD1View->hideScrollBars();
    Command2 = new QPushButton(QStringLiteral("ﾒｰﾙ送信..."), this);
    Command2->setGeometry(twips(5730, 2550, 1005, 375));
    connect(Command2, &QPushButton::clicked, this, &FRM_MOTION::Command2_Click);

    Timer1 = new QTimer(this);
    Timer1->setInterval(playInterval);
    connect(Timer1, &QTimer::timeout, this, &FRM_MOTION::Timer1_Timer);
    connect(List1, &QListWidget::currentRowChanged, this, &FRM_MOTION::List1_Click);
    updateActions();
}

QStringList FRM_MOTION::frames() const {
    QStringList list;
    for (int i = 0; i < List1->count(); ++i) list.append(List1->item(i)->text());
    return list;
}

bool FRM_MOTION::playing() const {
    return Timer1->isActive();
}

Motion::FrameList FRM_MOTION::state() const {
    return {frames(), List1->currentRow()};
}

void FRM_MOTION::showList(const Motion::FrameList& list) {
    {
        const QSignalBlocker blocker(List1);
        List1->clear();
        List1->addItems(list.frames);
        List1->setCurrentRow(list.selected);
    }
    List1->setFocus();
    List1_Click();
}

void FRM_MOTION::updateActions() {
    const bool idle = !playing();
    for (int i = 0; i < 4; ++i) Command1[i]->setEnabled(idle);
    Command1[4]->setText(idle ? playCaption : stopCaption);
}

void FRM_MOTION::mlistadd(const QStringList& files) {
    QStringList accepted, refused;
    for (const QString& file : files)
        (Motion::acceptableName(file) ? accepted : refused).append(file);
    if (!accepted.isEmpty()) {
        Motion::FrameList list = state();
        Motion::add(list, accepted);
        showList(list);
        SizeCheck();
        htmlview();
    }
    if (!refused.isEmpty())
        Dialogs::inform(this, Msg::motionBadName(refused.join(QLatin1Char('\n'))),
                        Dialogs::Icon::Exclamation, Msg::appTitle());
}

void FRM_MOTION::SizeCheck() {
    Label2->setText(QString::number(Motion::totalSize(frames())));
}

void FRM_MOTION::htmlview() {
    Text1->setPlainText(Motion::tag(frames()));
}

void FRM_MOTION::Command1_Click(int index) {
    Motion::FrameList list = state();
    switch (index) {
    case 0: {
        if (playing()) return;
        // The helper's ","-joined answer could not tell a comma inside a name from the
        // separator, so the paths are taken as the list the dialog returns.
        const QStringList chosen = Dialogs::get().openFiles(this, pictureOpenFilters(),
                                                            m_settings.folder, QString(), true);
        if (chosen.isEmpty()) return;
        m_settings.folder = QFileInfo(chosen.first()).absolutePath();
        mlistadd(chosen);
        return;
    }
    case 1:
        if (playing() || !Motion::remove(list)) return;
        showList(list);
        SizeCheck();
        htmlview();
        return;
    case 2:
    case 3:
        if (playing() || !(index == 2 ? Motion::moveUp(list) : Motion::moveDown(list))) return;
        showList(list);
        htmlview();
        return;
    case 4:
        if (List1->count() < 2) return;
        if (playing())
            Timer1->stop();
        else
            Timer1->start();
        updateActions();
        return;
    default:
        return;
    }
}

void FRM_MOTION::Command2_Click() {
    HandOver::mail(frames(), true);
}

void FRM_MOTION::Command3_Click() {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(Motion::tag(frames()));
}

void FRM_MOTION::List1_Click() {
    const int row = List1->currentRow();
    if (row < 0 || row >= List1->count()) {
        LEAD1->clear();
        return;
    }
    // A missing or unreadable frame shows nothing rather than the previous one.
    if (LEAD1->Load(List1->item(row)->text()) != ImageCodec::Error::None) LEAD1->clear();
}

void FRM_MOTION::Timer1_Timer() {
    const int next = Motion::nextFrame(state());
    if (next < 0) {
        Timer1->stop();
        updateActions();
        return;
    }
    List1->setCurrentRow(next);
}

void FRM_MOTION::closeEvent(QCloseEvent* event) {
    Timer1->stop();
    updateActions();
    QWidget::closeEvent(event);
}
