#include "gui/app/frm_imginfo.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char* const captions[FRM_IMGINFO::Rows] = {"ﾌｧｲﾙ名 ：", "ﾌｫｰﾏｯﾄ ：",     "ｶﾗｰ階調 ：",
                                                 "幅 ：",     "高さ ：",       "ﾒﾓﾘ使用量 ：",
                                                 "ｻｲｽﾞ ：",   "水平解像度 ：", "垂直解像度 ："};
} // namespace

QString FRM_IMGINFO::caption(int row) {
    return row >= 0 && row < Rows ? QString::fromUtf8(captions[row]) : QString();
}

FRM_IMGINFO::FRM_IMGINFO(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("画像の情報"));
    Frame1 = new QGroupBox(this);
    auto* grid = new QGridLayout(Frame1);
    for (int i = 0; i < Rows; ++i) {
        Label1[i] = new QLabel(caption(i), Frame1);
        Label1[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        Label2[i] = new QLabel(Frame1);
        Label2[i]->setMinimumWidth(220);
        Label2[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(Label1[i], i, 0);
        grid->addWidget(Label2[i], i, 1);
    }
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &FRM_IMGINFO::Command1_Click);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(Command1, 0, Qt::AlignHCenter);
}

void FRM_IMGINFO::setValues(const QStringList& values) {
    for (int i = 0; i < Rows; ++i) Label2[i]->setText(values.value(i));
}

void FRM_IMGINFO::Command1_Click() {
    hide();
}
