#include "gui/makers/frm_nenga.h"

#include "core/image/imagecodec.h"
#include "core/image/imagecontrol.h"
#include "core/util/cl_gl010c.h"
#include "core/util/messages.h"
#include "gui/makers/makerform.h"
#include "gui/makers/makersave.h"
#include "gui/widgets/dialogs.h"
#include "gui/widgets/handover.h"
#include "gui/widgets/imageview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FRM_NENGA::FRM_NENGA(AppSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), m_settings(settings) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("携帯年賀状 ﾒｰｶｰ"));
    MakerForm::setClientSize(this, 5340, 4905);

    Frame1 = new QGroupBox(QStringLiteral("宛名"), this);
    MakerForm::place(Frame1, 90, 90, 3885, 2175);
    LEAD1 = new ImageControl(this);
    LEAD1View = MakerForm::view(Frame1, LEAD1, 180, 300, 900, 1260);
    Label1[0] = MakerForm::label(Frame1, QStringLiteral("名前 :"), 1200, 390, 450, 180);
    Label1[1] = MakerForm::label(Frame1, QStringLiteral("連名 :"), 1200, 840, 450, 180);
    Command1[0] = MakerForm::button(Frame1, QStringLiteral("ﾌｫﾝﾄ..."), 150, 1680, 945, 375);

    Frame2 = new QGroupBox(QStringLiteral("裏面"), this);
    MakerForm::place(Frame2, 90, 2460, 3885, 2325);
    LEAD2 = new ImageControl(this);
    LEAD2View = MakerForm::view(Frame2, LEAD2, 180, 270, 900, 1260);
    Label1[2] = MakerForm::label(Frame2, QStringLiteral("ﾀｲﾌﾟ :"), 1260, 300, 435, 180);
    Combo1 = MakerForm::combo(Frame2, false, 1830, 240, 1875, 300);
    for (int t = 0; t < Makers::cardTypes; ++t) Combo1->addItem(Makers::cardTypeName(t));
    Combo1->setCurrentIndex(-1);
    Command1[1] = MakerForm::button(Frame2, QStringLiteral("ﾌｫﾝﾄ..."), 150, 1650, 945, 375);

    const char* const texts[6] = {"山田　太郎様",   "　　　花子様",   "謹賀新年",
                                  "今年もよろしく", "お願い致します", "平成十三年元旦"};
    for (int i = 0; i < 6; ++i) {
        Text1[i] = new QLineEdit(QString::fromUtf8(texts[i]), i < 2 ? Frame1 : Frame2);
        if (i < 2)
            MakerForm::place(Text1[i], 1800, i == 0 ? 300 : 750, 1875, 315);
        else
            MakerForm::place(Text1[i], 1260, 660 + 390 * (i - 2), 2415, 315);
        connect(Text1[i], &QLineEdit::textChanged, this, [this, i] { Text1_Change(i); });
    }

    Command1[2] = MakerForm::button(this, QStringLiteral("作成"), 4110, 90, 1095, 375);
    Command1[3] = MakerForm::button(this, QStringLiteral("閉じる"), 4110, 570, 1095, 375);
    Check1 = new QCheckBox(QStringLiteral("裏面無し"), this);
    MakerForm::place(Check1, 4140, 1080, 1035, 255);
    for (int i = 0; i < 4; ++i)
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    connect(Combo1, &QComboBox::activated, this, &FRM_NENGA::Combo1_Click);
    Form_Load();
}

void FRM_NENGA::Form_Load() {
    Preview1();
    Combo1->setCurrentIndex(0);
    Combo1_Click();
}

void FRM_NENGA::Text1_Change(int index) {
    if (index < 2)
        Preview1();
    else
        Preview2();
}

void FRM_NENGA::Combo1_Click() {
    const int type = Combo1->currentIndex();
    if (type != Makers::cardOwnPicture) {
        m_previousType = type;
        Preview2();
        return;
    }
    const QString path = CL_GL010C::instance().RVN_ShowOpenFileDlg(
        this, nulSeparated(pictureOpenFilters()), m_settings.folder, QString(), false);
    if (!path.isEmpty()) {
        m_settings.folder = QFileInfo(path).absolutePath();
        const ImageCodec::Decoded d = ImageCodec::decodeFile(path);
        if (d.error == ImageCodec::Error::None) {
            m_picturePath = path;
            m_picture = Makers::fitToCard(d.image);
            m_previousType = type;
            Preview2();
            return;
        }
        Dialogs::inform(this, ImageCodec::errorText(d.error, QFileInfo(path).fileName()),
                        Dialogs::Icon::Exclamation, Msg::appTitle());
    }
    // Nothing usable chosen: the type the picture still shows is the one to select.
    QSignalBlocker block(Combo1);
    Combo1->setCurrentIndex(m_previousType);
}

void FRM_NENGA::Preview1() {
    const QImage templ = MakerSave::templateOnce(this, QString::fromUtf8(Makers::addressTemplate),
                                                 Makers::cardSize, m_reported);
    LEAD1->setImage(Makers::addressPicture(Text1[0]->text(), Text1[1]->text(), LEAD1Font, templ),
                    Makers::savedBits);
    LEAD1->ForceRepaint();
}

void FRM_NENGA::Preview2() {
    const int type = Combo1->currentIndex();
    QImage templ;
    if (type == Makers::cardOwnPicture)
        templ = m_picture;
    else if (type >= 0 && type < Makers::cardTypes)
        templ =
            MakerSave::templateOnce(this, Makers::cardTemplate(type), Makers::cardSize, m_reported);
    const std::array<QString, 4> lines = {Text1[2]->text(), Text1[3]->text(), Text1[4]->text(),
                                          Text1[5]->text()};
    LEAD2->setImage(Makers::greetingPicture(lines, LEAD2Font, templ), Makers::savedBits);
    LEAD2->ForceRepaint();
    // The date line's size is taken from the whole points, which the font keeps from now on.
    LEAD2Font.points = std::max(Makers::minPoints, double(Makers::wholePoints(LEAD2Font.points)));
}

void FRM_NENGA::Command1_Click(int index) {
    switch (index) {
    case 0:
        MakerForm::chooseFont(this, LEAD1Font);
        Preview1();
        break;
    case 1:
        MakerForm::chooseFont(this, LEAD2Font);
        Preview2();
        break;
    case 2: {
        const QString chosen = MakerSave::askName(this, m_settings);
        if (chosen.isEmpty()) return;
        const QString base = Makers::baseName(chosen);
        QStringList files{base + QStringLiteral("1.png")};
        if (!Check1->isChecked()) files.append(base + QStringLiteral("2.png"));
        if (!MakerSave::confirmDerived(this, chosen, files)) return;
        Preview1();
        if (!MakerSave::write(this, files[0], LEAD1->image())) return;
        if (files.size() > 1) {
            Preview2();
            if (!MakerSave::write(this, files[1], LEAD2->image())) return;
        }
        HandOver::mail(files, false);
        break;
    }
    case 3:
        close();
        break;
    default:
        break;
    }
}
