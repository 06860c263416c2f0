#include "gui/mail/frm_mail.h"

#include "core/image/imagecontrol.h"
#include "core/mail/addresslist.h"
#include "core/mail/mailfile.h"
#include "core/mail/mime.h"
#include "core/util/addressbook.h"
#include "core/util/appsettings.h"
#include "core/util/cl_gl010c.h"
#include "core/util/messages.h"
#include "gui/mail/frm_address.h"
#include "gui/mail/oneline.h"
#include "gui/widgets/dialogs.h"
#include "gui/widgets/imageview.h"
#include "gui/widgets/placement.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr int tw(int twips) {
    return twips / TwipsPerPixel;
}
void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(tw(left), tw(top), tw(width), tw(height));
}

QString filter(std::initializer_list<const char*> pairs) {
    QStringList parts;
    for (const char* p : pairs) parts.append(QString::fromUtf8(p));
    return parts.join(QChar(0));
}

const QString kComma = QStringLiteral(",");

} // namespace

FRM_MAIL::FRM_MAIL(AppSettings& settings, AddressFile& book, QWidget* parent)
    : QMainWindow(parent), m_settings(settings), m_book(book) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("送信ﾒｰﾙ"));
    auto* client = new QWidget(this);
    client->setFixedSize(tw(9300), tw(6210));
    setCentralWidget(client);

    const char* const buttons[] = {"宛先 :", "CC :", "添付ﾌｧｲﾙ :", "BCC :"};
    const int buttonTops[] = {150, 570, 1830, 990};
    for (int i = 0; i < 4; ++i) {
        Command1[i] = new QPushButton(QString::fromUtf8(buttons[i]), client);
        place(Command1[i], 90, buttonTops[i], 1125, 330);
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    }
    const int fieldTops[] = {150, 570, 990, 1410, 1830};
    for (int i = 0; i < 5; ++i) {
        Text1[i] = new QLineEdit(client);
        place(Text1[i], 1350, fieldTops[i], 5865, 330);
        keepOneLine(Text1[i]);
        connect(Text1[i], &QLineEdit::textChanged, this, [this, i] { Text1_Change(i); });
    }
    Label1[0] = new QLabel(QStringLiteral("件名 :"), client);
    place(Label1[0], 90, 1440, 1125, 300);
    Label1[0]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Command3 = new QPushButton(QStringLiteral("解除"), client);
    place(Command3, 7410, 1830, 690, 330);
    connect(Command3, &QPushButton::clicked, this, &FRM_MAIL::Command3_Click);
    Check1 = new QCheckBox(QStringLiteral("添付ｱﾆﾒ"), client);
    place(Check1, 8160, 1830, 1100, 330);

    Label4 = new QLabel(client);
    place(Label4, 7410, 150, 1800, 240);
    LEAD1 = new ImageControl(this);
    LEAD1View = new ImageView(LEAD1, client);
    place(LEAD1View, 7410, 390, 98 * TwipsPerPixel, 86 * TwipsPerPixel);
    LEAD1View->hideScrollBars();
    VScroll1 = new QScrollBar(Qt::Vertical, client);
    place(VScroll1, 7410 + 98 * TwipsPerPixel, 390, 255, 86 * TwipsPerPixel);
    VScroll1->setRange(1, 1);
    VScroll1->setValue(1);
    connect(VScroll1, &QScrollBar::valueChanged, this, &FRM_MAIL::VScroll1_Change);

    const QFont fixed(QStringLiteral("FixedSys"));
    Label5 = new QLabel(QStringLiteral("----+----1----+----2----+----3----+----4----+----5----+----"
                                       "6----+----7----+"),
                        client);
    Label5->setFont(fixed);
    place(Label5, 90, 2220, 9120, 300);
    Text2 = new QPlainTextEdit(client);
    Text2->setFont(fixed);
    Text2->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    place(Text2, 90, 2550, 9120, 3105);
    connect(Text2, &QPlainTextEdit::textChanged, this, &FRM_MAIL::Text2_Change);

    Label1[1] = new QLabel(QStringLiteral("ﾄｰﾀﾙｻｲｽﾞ :"), client);
    place(Label1[1], 90, 5850, 1200, 300);
    Label3 = new QLabel(QStringLiteral("0"), client);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    place(Label3, 1290, 5850, 900, 300);
    Label1[2] = new QLabel(QStringLiteral("byte"), client);
    place(Label1[2], 2280, 5850, 600, 300);
    Command2[0] = new QPushButton(QStringLiteral("送信"), client);
    Command2[1] = new QPushButton(QStringLiteral("閉じる"), client);
    place(Command2[0], 6870, 5760, 1125, 360);
    place(Command2[1], 8085, 5760, 1125, 360);
    for (int i = 0; i < 2; ++i)
        connect(Command2[i], &QPushButton::clicked, this, [this, i] { Command2_Click(i); });

    Picture1 = new QFrame(client);
    Picture1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Picture1->setAutoFillBackground(true);
    place(Picture1, 3540, 2850, 2655, 495);
    Label2 = new QLabel(Msg::mailSending(), Picture1);
    Label2->setAlignment(Qt::AlignCenter);
    (new QVBoxLayout(Picture1))->addWidget(Label2);
    Picture1->hide();

    MNU_FILE = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    MNU_FILE_LOAD = MNU_FILE->addAction(QStringLiteral("読み込み(&L)..."));
    MNU_FILE_SAVE = MNU_FILE->addAction(QStringLiteral("保存(&S)..."));
    MNU_MAIL = menuBar()->addMenu(QStringLiteral("ﾒｰﾙ(&M)"));
    MNU_MAIL_SEND = MNU_MAIL->addAction(QStringLiteral("送信(&S)"));
    connect(MNU_FILE_LOAD, &QAction::triggered, this, &FRM_MAIL::MNU_FILE_LOAD_Click);
    connect(MNU_FILE_SAVE, &QAction::triggered, this, &FRM_MAIL::MNU_FILE_SAVE_Click);
    connect(MNU_MAIL_SEND, &QAction::triggered, this, &FRM_MAIL::MNU_MAIL_SEND_Click);

    Preview();
    updateActions();
}

FRM_MAIL* FRM_MAIL::openNew(AppSettings& settings, AddressFile& book, const QStringList& files,
                            bool anime, QWidget* parent) {
    auto* w = new FRM_MAIL(settings, book, parent);
    showOver(w, parent);
    w->Check1->setChecked(anime);
    QStringList attach, refused;
    for (const QString& f : files) {
        if (f.isEmpty()) continue;
        (f.contains(u',') ? refused : attach).append(f);
    }
    w->Text1[4]->setText(attach.join(u','));
    if (!refused.isEmpty())
        Dialogs::inform(w, Msg::mailAttachmentComma(refused.join(u'\n')),
                        Dialogs::Icon::Exclamation, Msg::appTitle());
    return w;
}

bool FRM_MAIL::hasUnsentText() const {
    for (int i : {0, 1, 3, 4})
        if (!Text1[i]->text().isEmpty()) return true;
    return !Text2->toPlainText().isEmpty();
}

Mime::MailFields FRM_MAIL::fields() const {
    Mime::MailFields f;
    f.to = Text1[0]->text();
    f.cc = Text1[1]->text();
    f.bcc = Text1[2]->text();
    f.subject = Text1[3]->text();
    f.files = Text1[4]->text();
    f.body = Text2->toPlainText().replace(u'\n', QLatin1String("\r\n"));
    return f;
}

void FRM_MAIL::setFields(const Mime::MailFields& f) {
    const QString* values[] = {&f.to, &f.cc, &f.bcc, &f.subject, &f.files};
    for (int i = 0; i < 5; ++i) Text1[i]->setText(AddressList::oneLine(*values[i]));
    QString body = f.body;
    body.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    Text2->setPlainText(body);
}

void FRM_MAIL::Text1_Change(int index) {
    totalsize();
    if (index == 4) {
        Preview();
        updateActions();
    }
}

void FRM_MAIL::Text2_Change() {
    totalsize();
}

void FRM_MAIL::VScroll1_Change() {
    Preview();
}

void FRM_MAIL::totalsize() {
    const qint64 estimate = Mime::estimateSize(fields(), m_settings.address);
    Label3->setText(QString::number(estimate));
    QPalette pal = Label3->palette();
    pal.setColor(QPalette::WindowText,
                 estimate > Mime::EstimateLimit ? QColor(255, 0, 0) : QColor(0, 0, 0));
    Label3->setPalette(pal);
}

void FRM_MAIL::Preview() {
    const CL_GL010C& gl = CL_GL010C::instance();
    const QStringList entries = gl.RVN_StrEnum(Text1[4]->text(), kComma);
    const int n = int(entries.size());
    {
        // The range change must not run Preview again from the inside.
        const QSignalBlocker block(VScroll1);
        VScroll1->setMaximum(qMax(1, n));
        if (n >= 1 && VScroll1->value() > n) VScroll1->setValue(n);
    }
    QImage black(96, 84, QImage::Format_RGB32);
    black.fill(Qt::black);
    LEAD1->setImage(black);
    if (n < 1) {
        Label4->clear();
    } else {
        const QString& entry = entries[VScroll1->value() - 1];
        Label4->setText(gl.RVN_GetFileName(entry));
        if (gl.RVN_Filesize(entry) > 0) LEAD1->Load(entry); // a failed load stays black
    }
    LEAD1->ForceRepaint();
}

void FRM_MAIL::Command1_Click(int index) {
    if (m_sending) return;
    if (index == 2) {
        const CL_GL010C& gl = CL_GL010C::instance();
        const QString file = gl.RVN_ShowOpenFileDlg(
            this,
            filter({"Portable Network Graphics(*.PNG)", "*.PNG", "Jpeg-Files(*.JPG)",
                    "*.JPG;*.JPEG", "全てのﾌｧｲﾙ(*.*)", "*.*"}),
            m_settings.folder, QString(), false);
        if (file.isEmpty()) return;
        m_settings.folder = QFileInfo(file).absolutePath();
        if (file.contains(u',')) {
            Dialogs::inform(this, Msg::mailAttachmentComma(file), Dialogs::Icon::Exclamation,
                            Msg::appTitle());
            return;
        }
        QString list = Text1[4]->text();
        if (!list.isEmpty()) list += kComma;
        Text1[4]->setText(list + file);
        return;
    }
    int field = 0;
    PickerHandOver handOver;
    switch (index) {
    case 0:
        field = 0;
        handOver.kind = PickerHandOver::Kind::To;
        break;
    case 1:
        field = 1;
        handOver.kind = PickerHandOver::Kind::CC;
        break;
    case 3:
        field = 2;
        handOver.kind = PickerHandOver::Kind::BCC;
        break;
    default:
        return;
    }
    handOver.text = Text1[field]->text();
    FRM_ADDRESS picker(handOver, m_settings, m_book, this);
    picker.exec();
    Text1[field]->setText(handOver.text);
}

void FRM_MAIL::Command3_Click() {
    if (m_sending) return;
    QStringList entries = CL_GL010C::instance().RVN_StrEnum(Text1[4]->text(), kComma);
    const int at = VScroll1->value() - 1;
    if (at >= 0 && at < entries.size()) {
        entries.removeAt(at);
        Text1[4]->setText(entries.join(kComma)); // runs Preview through Text1_Change
    }
    Preview();
}

void FRM_MAIL::Command2_Click(int index) {
    if (m_sending) return;
    if (index == 0) {
        send();
    } else if (index == 1) {
        if (!hasUnsentText() ||
            Dialogs::get().message(this, Msg::mailCloseQuestion(), Msg::mailCloseTitle(),
                                   Dialogs::Icon::Question,
                                   Dialogs::Buttons::YesNo) == Dialogs::Answer::Yes)
            closeByCode();
    } else {
        closeByCode();
    }
}

void FRM_MAIL::MNU_MAIL_SEND_Click() {
    Command2_Click(0);
}

void FRM_MAIL::send() {
    const Mime::MailFields f = fields();
    if (f.to.isEmpty()) {
        // Nothing goes out without a To address: the copies alone are not a mail.
        Dialogs::get().message(this, Msg::mailNoRecipient(), Msg::mailNoRecipientTitle(),
                               Dialogs::Icon::Critical, Dialogs::Buttons::Ok);
        return;
    }
    QString refused;
    const std::optional<QString> recipients = SendMailArgs::recipients(f.to, f.cc, f.bcc, &refused);
    if (!recipients) {
        Dialogs::get().message(this, Msg::mailSendError(refused), Msg::mailSendErrorTitle(),
                               Dialogs::Icon::Critical, Dialogs::Buttons::Ok);
        return;
    }
    const QString attachments = SendMailArgs::attachments(f.files, Check1->isChecked());
    SendMailOptions options;
    if (!m_settings.user.isEmpty()) {
        options.user = m_settings.user;
        options.password = m_settings.password;
    }
    // Repainting while the call waits may run timers and paint events, never this window's
    // commands: they are disabled and user input is held back until the call returns.
    options.keepAlive = [this] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return !m_abandoned;
    };

    m_sending = true;
    updateActions();
    Picture1->show();
    Picture1->raise();
    repaint();
    QString result;
    {
        WaitCursor wait;
        result = sender ? sender(m_settings.smtp, *recipients, m_settings.address, f.subject,
                                 f.body, attachments, options)
                        : SendMail(m_settings.smtp, *recipients, m_settings.address, f.subject,
                                   f.body, attachments, options);
    }
    m_sending = false;
    Picture1->hide();
    updateActions();
    repaint();
    if (m_abandoned) { // the program is ending: nobody reads an answer now
        closeByCode();
        return;
    }

    if (!result.isEmpty()) {
        Dialogs::get().message(this, Msg::mailSendError(result), Msg::mailSendErrorTitle(),
                               Dialogs::Icon::Critical, Dialogs::Buttons::Ok);
        return;
    }
    if (Dialogs::get().message(this, Msg::mailSent(), Msg::mailSentTitle(), Dialogs::Icon::Question,
                               Dialogs::Buttons::YesNo) == Dialogs::Answer::Yes)
        closeByCode();
}

void FRM_MAIL::MNU_FILE_SAVE_Click() {
    if (m_sending) return;
    const Mime::MailFields f = fields();
    const QString missing = MailFile::unencodable(f);
    if (!missing.isEmpty() &&
        Dialogs::get().message(this, Msg::mailFileLossyQuestion(missing), Msg::appTitle(),
                               Dialogs::Icon::Exclamation,
                               Dialogs::Buttons::OkCancel) != Dialogs::Answer::Ok)
        return;
    qint32 filterIndex = 1;
    const QString path = CL_GL010C::instance().RVN_ShowSaveFileDlg(
        this, filter({"ﾃｷｽﾄﾌｧｲﾙ(*.TXT)", "*.TXT", "全てのﾌｧｲﾙ(*.*)", "*.*"}), m_settings.folder,
        QString(), filterIndex);
    if (path.isEmpty()) return;
    m_settings.folder = QFileInfo(path).absolutePath();
    QString error;
    if (!MailFile::save(path, f, &error, !missing.isEmpty()))
        Dialogs::inform(this, error, Dialogs::Icon::Critical, Msg::appTitle());
}

void FRM_MAIL::MNU_FILE_LOAD_Click() {
    if (m_sending) return;
    const QString path = CL_GL010C::instance().RVN_ShowOpenFileDlg(
        this, filter({"ﾃｷｽﾄﾌｧｲﾙ(*.TXT)", "*.TXT", "全てのﾌｧｲﾙ(*.*)", "*.*"}), m_settings.folder,
        QString(), false);
    if (path.isEmpty()) return;
    m_settings.folder = QFileInfo(path).absolutePath();
    QString error;
    const auto loaded = MailFile::load(path, &error);
    if (!loaded) {
        // The fields stay as they were: a file that cannot be read must not cost the mail.
        Dialogs::inform(this, error, Dialogs::Icon::Critical, Msg::appTitle());
        return;
    }
    setFields(loaded->fields);
}

bool FRM_MAIL::Form_QueryUnload() {
    if (m_closingByCode || !hasUnsentText()) return true;
    return Dialogs::get().message(this, Msg::mailCloseQuestion(), Msg::mailCloseTitle(),
                                  Dialogs::Icon::Question,
                                  Dialogs::Buttons::OkCancel) == Dialogs::Answer::Ok;
}

void FRM_MAIL::closeEvent(QCloseEvent* event) {
    // The send call is still on the stack: this window must outlive it.
    if (m_sending || !Form_QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
}

void FRM_MAIL::closeWithoutQuestion() {
    m_abandoned = true;
    if (!m_sending) closeByCode();
}

void FRM_MAIL::closeByCode() {
    m_closingByCode = true;
    if (!close()) m_closingByCode = false;
}

void FRM_MAIL::updateActions() {
    const bool idle = !m_sending;
    for (QPushButton* b : Command1) b->setEnabled(idle);
    for (QPushButton* b : Command2) b->setEnabled(idle);
    Command3->setEnabled(idle && !Text1[4]->text().isEmpty());
    for (QAction* a : {MNU_FILE_LOAD, MNU_FILE_SAVE, MNU_MAIL_SEND}) a->setEnabled(idle);
}
