#include "gui/makers/frm_plate.h"

#include "core/image/fonts.h"
#include "core/image/imagecontrol.h"
#include "gui/makers/makerform.h"
#include "gui/makers/makersave.h"
#include "gui/widgets/handover.h"
#include "gui/widgets/imageview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

PlateShape::PlateShape(bool round, QWidget* parent) : QWidget(parent), m_round(round) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PlateShape::setFillColor(const QColor& colour) {
    FillColor = colour;
    update();
}

void PlateShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.setBrush(FillColor);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_round)
        p.drawEllipse(r);
    else
        p.drawRoundedRect(r, 10, 10);
}

namespace {
struct MockUp {
    QRgb plate, text, field;
};
constexpr MockUp mockUps[Makers::plateTypes] = {
    {qRgb(255, 255, 255), qRgb(0, 64, 0), qRgb(255, 255, 255)},
    {qRgb(0, 64, 0), qRgb(255, 255, 255), qRgb(0, 64, 0)},
    {qRgb(255, 255, 0), qRgb(0, 0, 0), qRgb(255, 255, 0)},
    {qRgb(0, 0, 0), qRgb(255, 255, 0), qRgb(0, 0, 0)},
};
} // namespace

FRM_PLATE::FRM_PLATE(AppSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), m_settings(settings) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("ﾅﾝﾊﾞｰﾌﾟﾚｰﾄ ﾒｰｶｰ"));
    MakerForm::setClientSize(this, 4365, 3075);

    Label1 = MakerForm::label(this, QStringLiteral("ﾀｲﾌﾟ :"), 180, 150, 435, 180);
    Combo1 = MakerForm::combo(this, false, 750, 90, 2205, 300);
    for (int t = 0; t < Makers::plateTypes; ++t) Combo1->addItem(Makers::plateTypeName(t));
    Combo1->setCurrentIndex(-1);

    Shape1 = new PlateShape(false, this);
    MakerForm::place(Shape1, 150, 510, 2835, 1695);
    Shape2[0] = new PlateShape(true, this);
    MakerForm::place(Shape2[0], 570, 750, 225, 195);
    Shape2[1] = new PlateShape(true, this);
    MakerForm::place(Shape2[1], 2400, 750, 165, 165);
    for (PlateShape* s : Shape2) s->setFillColor(QColor(128, 128, 128));

    const char* const texts[3] = {"品川 55", "さ", "22-44"};
    const double sizes[3] = {14.25, 18, 36};
    const int places[3][4] = {{930, 690, 1335, 405}, {240, 1410, 495, 435}, {780, 1290, 2085, 765}};
    for (int i = 0; i < 3; ++i) {
        Text1[i] = new QLineEdit(QString::fromUtf8(texts[i]), this);
        QFont f(Fonts::substituteFor(QStringLiteral("ＭＳ ゴシック")));
        f.setPointSizeF(sizes[i]);
        f.setBold(true);
        Text1[i]->setFont(f);
        Text1[i]->setFrame(false);
        Text1[i]->setAlignment(Qt::AlignCenter);
        MakerForm::place(Text1[i], places[i][0], places[i][1], places[i][2], places[i][3]);
    }

    LEAD1 = new ImageControl(this);
    LEAD1View = MakerForm::view(this, LEAD1, 1680, 2340, 1230, 630);
    Command1[0] = MakerForm::button(this, QStringLiteral("作成"), 3120, 90, 1095, 375);
    Command1[1] = MakerForm::button(this, QStringLiteral("閉じる"), 3120, 510, 1095, 375);
    Check1 = new QCheckBox(QStringLiteral("字光式"), this);
    MakerForm::place(Check1, 3150, 960, 1035, 225);
    Command1[2] = MakerForm::button(this, QStringLiteral("ﾌｫﾝﾄ..."), 3090, 2460, 1095, 375);
    for (int i = 0; i < 3; ++i)
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    connect(Combo1, &QComboBox::activated, this, &FRM_PLATE::Combo1_Click);
    Form_Load();
}

void FRM_PLATE::Form_Load() {
    Combo1->setCurrentIndex(0);
    Combo1_Click();
}

void FRM_PLATE::Combo1_Click() {
    Preview(false);
    const int type = Combo1->currentIndex();
    if (type < 0 || type >= Makers::plateTypes) return;
    const MockUp& m = mockUps[type];
    Shape1->setFillColor(QColor(m.plate));
    for (QLineEdit* t : Text1) {
        QPalette pal = t->palette();
        pal.setColor(QPalette::Text, QColor(m.text));
        pal.setColor(QPalette::Base, QColor(m.field));
        t->setPalette(pal);
    }
}

void FRM_PLATE::Preview(bool lit) {
    const Makers::PlateTexts texts{Text1[0]->text(), Text1[1]->text(), Text1[2]->text()};
    const int type = Combo1->currentIndex();
    QImage templ;
    if (type >= 0 && type < Makers::plateTypes)
        templ = MakerSave::templateOnce(this, Makers::plateTemplate(type), Makers::plateSize,
                                        m_reported);
    TextColor = Makers::plateTextColour(type, lit, TextColor);
    LEAD1->setImage(Makers::platePicture(texts, TextColor, LEAD1Font, templ), Makers::savedBits);
    LEAD1->ForceRepaint();
    LEAD1Font.points = std::max(Makers::minPoints, double(Makers::wholePoints(LEAD1Font.points)));
}

void FRM_PLATE::Command1_Click(int index) {
    switch (index) {
    case 0: {
        const QString chosen = MakerSave::askName(this, m_settings);
        if (chosen.isEmpty()) return;
        const QString base = Makers::baseName(chosen);
        const bool lit = Check1->isChecked();
        const QStringList files =
            lit ? QStringList{base + QStringLiteral("1.png"), base + QStringLiteral("2.png")}
                : QStringList{base + QStringLiteral(".png")};
        if (!MakerSave::confirmDerived(this, chosen, files)) return;
        for (int i = 0; i < files.size(); ++i) {
            Preview(i == 1);
            if (!MakerSave::write(this, files[i], LEAD1->image())) return;
        }
        HandOver::mail(files, true);
        break;
    }
    case 1:
        close();
        break;
    case 2:
        MakerForm::chooseFont(this, LEAD1Font);
        Preview(false);
        break;
    default:
        break;
    }
}
