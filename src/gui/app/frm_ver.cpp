#include "gui/app/frm_ver.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

QString FRM_VER::versionText() {
    return QStringLiteral("Quilmo Editor version 3.0\r\nFor 32-bit Windows Application\r\n\r\n"
                          "Qt %1 / Linux 版 (build " QUILMO_VERSION ")")
        .arg(QString::fromLatin1(qVersion()));
}

FRM_VER::FRM_VER(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Quilmo Editorのﾊﾞｰｼﾞｮﾝ情報"));
    Image1 = new QLabel(this);
    Image1->setPixmap(QPixmap(QStringLiteral(":/icons/quilmo-editor.png")));
    Text1 = new QPlainTextEdit(this);
    Text1->setReadOnly(true);
    Text1->setPlainText(versionText().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    Text1->setMinimumSize(320, 90);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &FRM_VER::Command1_Click);
    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addWidget(Text1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Command1, 0, Qt::AlignHCenter);
}
