#include "gui/makers/frm_calen.h"

#include "core/image/imagecontrol.h"
#include "core/makers/cl_gl028c.h"
#include "core/util/numbers.h"
#include "gui/makers/makerform.h"
#include "gui/makers/makersave.h"
#include "gui/widgets/handover.h"
#include "gui/widgets/imageview.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QPushButton>

FRM_CALEN::FRM_CALEN(AppSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), m_settings(settings) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("ｶﾚﾝﾀﾞｰﾒｰｶｰ"));
    MakerForm::setClientSize(this, 3825, 2130);

    Label1[0] = MakerForm::label(this, QStringLiteral("年 :"), 150, 150, 270, 180);
    Label1[1] = MakerForm::label(this, QStringLiteral("月 :"), 1530, 150, 270, 180);
    Combo1[0] = MakerForm::combo(this, true, 480, 90, 885, 300);
    for (const char* y :
         {"2000", "2001", "2002", "2003", "2004", "2005", "2007", "2008", "2009", "2010"})
        Combo1[0]->addItem(QString::fromLatin1(y));
    Combo1[1] = MakerForm::combo(this, true, 1860, 90, 615, 300);
    for (int m = 1; m <= 12; ++m) Combo1[1]->addItem(QString::number(m));
    Combo1[0]->setEditText(QStringLiteral("2000"));
    Combo1[1]->setEditText(QStringLiteral("1"));

    LEAD1 = new ImageControl(this);
    LEAD1View = MakerForm::view(this, LEAD1, 630, 570, 1470, 1290);

    const char* const captions[3] = {"作成", "閉じる", "ﾌｫﾝﾄ..."};
    const int tops[3] = {90, 510, 1350};
    for (int i = 0; i < 3; ++i) {
        Command1[i] =
            MakerForm::button(this, QString::fromUtf8(captions[i]), 2640, tops[i], 1095, 375);
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    }
    for (int i = 0; i < 2; ++i) {
        connect(Combo1[i], &QComboBox::editTextChanged, this, [this, i] { Combo1_Change(i); });
        connect(Combo1[i], &QComboBox::activated, this, [this, i] { Combo1_Click(i); });
    }
    Form_Load();
}

void FRM_CALEN::Form_Load() {
    const QDate today = QDate::currentDate();
    for (QComboBox* c : Combo1) c->blockSignals(true);
    Combo1[0]->setEditText(QString::number(today.year()));
    Combo1[1]->setEditText(QString::number(today.month()));
    for (QComboBox* c : Combo1) c->blockSignals(false);
    Preview();
}

void FRM_CALEN::Combo1_Change(int) {
    Preview();
}

void FRM_CALEN::Combo1_Click(int) {
    Preview();
}

void FRM_CALEN::Preview() {
    const int year = CLngSat(Val(Combo1[0]->currentText()));
    const int month = CLngSat(Val(Combo1[1]->currentText()));
    const QImage templ = MakerSave::templateOnce(this, QString::fromUtf8(Makers::calendarTemplate),
                                                 Makers::calendarSize, m_reported);
    LEAD1->setImage(Makers::calendarPicture(year, month, LEAD1Font, templ, CL_GL028C::shared()),
                    Makers::savedBits);
    LEAD1->ForceRepaint();
}

void FRM_CALEN::Command1_Click(int index) {
    switch (index) {
    case 0: {
        const QString chosen = MakerSave::askName(this, m_settings);
        if (chosen.isEmpty()) return;
        const QString file = Makers::baseName(chosen) + QStringLiteral(".png");
        if (!MakerSave::confirmDerived(this, chosen, {file})) return;
        Preview();
        if (!MakerSave::write(this, file, LEAD1->image())) return;
        HandOver::mail({file}, false);
        break;
    }
    case 1:
        close();
        break;
    case 2:
        MakerForm::chooseFont(this, LEAD1Font);
        Preview();
        break;
    default:
        break;
    }
}
