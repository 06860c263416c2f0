#include "gui/mail/frm_address.h"

#include "core/mail/addresslist.h"
#include "core/mail/mime.h"
#include "core/util/addressbook.h"
#include "core/util/appsettings.h"
#include "core/util/cl_gl010c.h"
#include "gui/mail/frm_option.h"
#include "gui/mail/oneline.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int tw(int twips) {
    return twips / TwipsPerPixel;
}
} // namespace

FRM_ADDRESS::FRM_ADDRESS(PickerHandOver& handOver, AppSettings& settings, AddressFile& book,
                         QWidget* parent)
    : QDialog(parent), m_handOver(handOver), m_settings(settings), m_book(book) {
    setWindowTitle(QStringLiteral("ｱﾄﾞﾚｽ選択"));
    auto* top = new QVBoxLayout(this);
    Frame1 = new QGroupBox(QStringLiteral("ｱﾄﾞﾚｽ帳"), this);
    auto* frame = new QVBoxLayout(Frame1);
    List1 = new QListWidget(Frame1);
    List1->setMinimumSize(tw(5235), tw(1860));
    frame->addWidget(List1);
    top->addWidget(Frame1);

    auto* grid = new QGridLayout;
    Command1[0] = new QPushButton(QStringLiteral("追加"), this);
    Command1[1] = new QPushButton(QStringLiteral("削除"), this);
    Text1 = new QLineEdit(this);
    keepOneLine(Text1);
    List2 = new QListWidget(this);
    List2->setMinimumSize(tw(4395), tw(1500));
    grid->addWidget(Command1[0], 0, 0);
    grid->addWidget(Text1, 0, 1);
    grid->addWidget(Command1[1], 1, 0, Qt::AlignTop);
    grid->addWidget(List2, 1, 1);
    top->addLayout(grid);
    for (int i = 0; i < 2; ++i)
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });

    auto* bottom = new QHBoxLayout;
    Command2[0] = new QPushButton(QStringLiteral("OK"), this);
    Command2[1] = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    Command2[2] = new QPushButton(QStringLiteral("ｵﾌﾟｼｮﾝ設定 ..."), this);
    bottom->addWidget(Command2[2]);
    bottom->addStretch();
    bottom->addWidget(Command2[0]);
    bottom->addWidget(Command2[1]);
    top->addLayout(bottom);
    for (int i = 0; i < 3; ++i)
        connect(Command2[i], &QPushButton::clicked, this, [this, i] { Command2_Click(i); });
    // Enter in the address field adds it; it must not close the picker.
    for (QPushButton* b : Command2) b->setAutoDefault(false);
    connect(Text1, &QLineEdit::returnPressed, this, [this] { Command1_Click(0); });

    connect(List1, &QListWidget::currentRowChanged, this, &FRM_ADDRESS::List1_Click);
    connect(List1, &QListWidget::itemDoubleClicked, this, &FRM_ADDRESS::List1_DblClick);
    connect(List2, &QListWidget::currentRowChanged, this, &FRM_ADDRESS::updateActions);
    Form_Load();
}

QStringList FRM_ADDRESS::recipients() const {
    QStringList list;
    for (int i = 0; i < List2->count(); ++i) list.append(List2->item(i)->text());
    return list;
}

void FRM_ADDRESS::fillBook() {
    const QSignalBlocker block(List1);
    List1->clear();
    for (const QString& entry : m_book.entries) List1->addItem(AddressList::oneLine(entry));
    if (List1->count() > 0) {
        List1->setCurrentRow(0);
        List1_Click();
    }
}

void FRM_ADDRESS::setRecipients(const QStringList& list, int selected) {
    List2->clear();
    List2->addItems(list);
    List2->setCurrentRow(selected);
    updateActions();
}

void FRM_ADDRESS::Form_Load() {
    fillBook();
    const QStringList parts = CL_GL010C::instance().RVN_StrEnum(
        AddressList::oneLine(m_handOver.text), QStringLiteral(","));
    setRecipients(parts, parts.isEmpty() ? -1 : 0);
    switch (m_handOver.kind) {
    case PickerHandOver::Kind::To:
        setWindowTitle(QStringLiteral("宛先ｱﾄﾞﾚｽの選択"));
        break;
    case PickerHandOver::Kind::CC:
        setWindowTitle(QStringLiteral("CCｱﾄﾞﾚｽの選択"));
        break;
    case PickerHandOver::Kind::BCC:
        setWindowTitle(QStringLiteral("BCCｱﾄﾞﾚｽの選択"));
        break;
    }
}

void FRM_ADDRESS::List1_Click() {
    if (QListWidgetItem* item = List1->currentItem()) Text1->setText(item->text());
}

void FRM_ADDRESS::List1_DblClick() {
    List1_Click();
    Command1_Click(0);
}

void FRM_ADDRESS::Command1_Click(int index) {
    QStringList list = recipients();
    const int s = List2->currentRow();
    if (index == 0) {
        const QString text = Text1->text();
        if (!Mime::parseAddress(text)) return; // one mailbox, or nothing to add
        const int at = AddressList::insertAfter(list, s, text);
        setRecipients(list, at);
    } else if (index == 1) {
        if (s < 0) return;
        const int next = AddressList::remove(list, s);
        setRecipients(list, next);
    }
}

void FRM_ADDRESS::Command2_Click(int index) {
    switch (index) {
    case 0:
        m_handOver.text = recipients().join(u',');
        accept();
        break;
    case 1:
        reject();
        break;
    case 2: {
        FRM_OPTION options(m_settings, m_book, {}, this);
        options.exec();
        fillBook();
        break;
    }
    default:
        break;
    }
}

void FRM_ADDRESS::updateActions() {
    Command1[1]->setEnabled(List2->currentRow() >= 0);
}
