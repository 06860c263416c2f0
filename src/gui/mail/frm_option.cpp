#include "gui/mail/frm_option.h"

#include "core/mail/addresslist.h"
#include "core/util/addressbook.h"
#include "core/util/appsettings.h"
#include "core/util/messages.h"
#include "gui/mail/oneline.h"
#include "gui/widgets/dialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {
FRM_OPTION::Commit& defaultCommit() {
    static FRM_OPTION::Commit commit;
    return commit;
}
constexpr int tw(int twips) {
    return twips / TwipsPerPixel;
}
} // namespace

void FRM_OPTION::setDefaultCommit(Commit commit) {
    defaultCommit() = std::move(commit);
}

FRM_OPTION::FRM_OPTION(AppSettings& settings, AddressFile& book, Commit commit, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_book(book),
      m_commit(commit ? std::move(commit) : defaultCommit()) {
    setWindowTitle(QStringLiteral("ｵﾌﾟｼｮﾝ設定"));
    auto* top = new QVBoxLayout(this);

    auto* server = new QGridLayout;
    const char* const captions[] = {
        "SMTPｻｰﾊﾞｰ名 :", "ﾒｰﾙｱﾄﾞﾚｽ :", "名前 :", "ｱﾄﾞﾚｽ :", "SMTPﾕｰｻﾞｰ名 :", "ﾊﾟｽﾜｰﾄﾞ :"};
    for (int i = 0; i < 6; ++i) {
        Label1[i] = new QLabel(QString::fromUtf8(captions[i]), this);
        Text1[i] = new QLineEdit(this);
        keepOneLine(Text1[i]);
    }
    Text1[5]->setEchoMode(QLineEdit::Password);
    Check1 = new QCheckBox(Msg::savePasswordLabel(), this);
    const int fieldWidth = tw(3855);
    int row = 0;
    for (int i : {0, 1, 4, 5}) {
        Text1[i]->setMinimumWidth(fieldWidth);
        server->addWidget(Label1[i], row, 0);
        server->addWidget(Text1[i], row++, 1);
    }
    server->addWidget(Check1, row, 1);
    top->addLayout(server);

    Frame1 = new QGroupBox(QStringLiteral("ｱﾄﾞﾚｽ帳"), this);
    auto* editor = new QGridLayout(Frame1);
    const char* const buttons[] = {"追加", "削除", "↑", "↓", "修正"};
    for (int i = 0; i < 5; ++i) {
        Command1[i] = new QPushButton(QString::fromUtf8(buttons[i]), Frame1);
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    }
    auto* column = new QVBoxLayout;
    for (int i : {0, 4, 1}) column->addWidget(Command1[i]);
    column->addStretch();
    for (int i : {2, 3}) column->addWidget(Command1[i]);
    editor->addLayout(column, 0, 0, 3, 1);
    editor->addWidget(Label1[2], 0, 1);
    editor->addWidget(Text1[2], 0, 2);
    editor->addWidget(Label1[3], 1, 1);
    editor->addWidget(Text1[3], 1, 2);
    List1 = new QListWidget(Frame1);
    List1->setMinimumHeight(tw(1800));
    editor->addWidget(List1, 2, 1, 1, 2);
    connect(List1, &QListWidget::currentRowChanged, this, &FRM_OPTION::List1_Click);
    top->addWidget(Frame1);

    Frame2 = new QGroupBox(QStringLiteral("Jpeg圧縮品質"), this);
    auto* quality = new QHBoxLayout(Frame2);
    Label2[0] = new QLabel(QStringLiteral("最高"), Frame2);
    Label2[1] = new QLabel(QStringLiteral("最低"), Frame2);
    HScroll1 = new QScrollBar(Qt::Horizontal, Frame2);
    HScroll1->setRange(2, 255);
    quality->addWidget(Label2[0]);
    quality->addWidget(HScroll1, 1);
    quality->addWidget(Label2[1]);
    top->addWidget(Frame2);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    Command2[0] = new QPushButton(QStringLiteral("OK"), this);
    Command2[1] = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    Command2[0]->setDefault(true);
    for (int i = 0; i < 2; ++i) {
        connect(Command2[i], &QPushButton::clicked, this, [this, i] { Command2_Click(i); });
        bottom->addWidget(Command2[i]);
    }
    top->addLayout(bottom);
    Form_Load();
}

QStringList FRM_OPTION::entries() const {
    QStringList list;
    for (int i = 0; i < List1->count(); ++i) list.append(List1->item(i)->text());
    return list;
}

void FRM_OPTION::setList(const QStringList& list, int selected) {
    const QSignalBlocker block(List1);
    List1->clear();
    List1->addItems(list);
    List1->setCurrentRow(selected);
    List1_Click();
}

void FRM_OPTION::Form_Load() {
    Text1[0]->setText(m_settings.smtp);
    Text1[1]->setText(m_settings.address);
    Text1[4]->setText(m_settings.user);
    Text1[5]->setText(m_settings.password);
    Check1->setChecked(m_settings.savePassword);
    QStringList book;
    for (const QString& entry : m_book.entries) book.append(AddressList::oneLine(entry));
    setList(book, book.isEmpty() ? -1 : 0);
    HScroll1->setValue(m_settings.qfact);
    updateActions();
}

void FRM_OPTION::List1_Click() {
    const int s = List1->currentRow();
    if (s < 0) return;
    const AddressList::Parts parts = AddressList::split(List1->item(s)->text());
    Text1[2]->setText(parts.name);
    Text1[3]->setText(parts.address);
    updateActions();
}

void FRM_OPTION::Command1_Click(int index) {
    QStringList list = entries();
    const int s = List1->currentRow();
    int next = s;
    QString entry;
    if (index == 0 || index == 4) {
        switch (AddressList::build(Text1[2]->text(), Text1[3]->text(), &entry)) {
        case AddressList::Built::Incomplete:
            return;
        case AddressList::Built::BadCharacter:
            Dialogs::inform(this, Msg::addressBadCharacter(), Dialogs::Icon::Exclamation,
                            Msg::appTitle());
            return;
        case AddressList::Built::NotMailbox:
            Dialogs::inform(this, Msg::addressNotMailbox(Text1[3]->text()),
                            Dialogs::Icon::Exclamation, Msg::appTitle());
            return;
        case AddressList::Built::Ok:
            break;
        }
    }
    switch (index) {
    case 0:
        if (list.size() >= AddressFile::MaxEntries) {
            Dialogs::inform(this, Msg::addressBookFull(AddressFile::MaxEntries),
                            Dialogs::Icon::Exclamation, Msg::appTitle());
            return;
        }
        next = AddressList::insertAfter(list, s, entry);
        break;
    case 1:
        next = AddressList::remove(list, s);
        break;
    case 2:
        next = AddressList::moveUp(list, s);
        break;
    case 3:
        next = AddressList::moveDown(list, s);
        break;
    case 4:
        if (s < 0) return;
        list[s] = entry;
        break;
    default:
        return;
    }
    setList(list, next);
    updateActions();
}

void FRM_OPTION::Command2_Click(int index) {
    if (index != 0) {
        reject();
        return;
    }
    const AppSettings oldSettings = m_settings;
    const QStringList oldBook = m_book.entries;
    m_settings.smtp = Text1[0]->text();
    m_settings.address = Text1[1]->text();
    m_settings.user = Text1[4]->text();
    m_settings.password = Text1[5]->text();
    m_settings.savePassword = Check1->isChecked() && !m_settings.password.isEmpty();
    m_book.entries = entries();
    m_settings.qfact = qint16(HScroll1->value());
    if (m_settings.savePassword && !AppPaths::restrictToOwner(AppPaths::settingsFile())) {
        // Never put a password into a file that others may read.
        m_settings.savePassword = false;
        Dialogs::inform(this, Msg::passwordNotStored(AppPaths::settingsFile()),
                        Dialogs::Icon::Exclamation, Msg::appTitle());
    }
    if (m_commit && !m_commit()) {
        // The commit reported why; the window keeps the edits so the user can retry or cancel,
        // and the shared settings stay what the files still hold.
        m_settings = oldSettings;
        m_book.entries = oldBook;
        return;
    }
    accept();
}

void FRM_OPTION::updateActions() {
    const int s = List1->currentRow();
    for (int i : {1, 4}) Command1[i]->setEnabled(s >= 0);
    Command1[2]->setEnabled(s > 0);
    Command1[3]->setEnabled(s >= 0 && s + 1 < List1->count());
}
