#include "gui/app/frm_defsize.h"

#include "core/util/messages.h"
#include "core/util/numbers.h"
#include "gui/widgets/dialogs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

namespace {
const char* const models[FRM_DEFSIZE::Models] = {"J-SH02", "J-SH03", "J-DN02", "J-SA02",
                                                 "J-P02",  "J-T04",  "J-K03"};
// width, height for slots 0..6
constexpr int table[FRM_DEFSIZE::Models][PurposeCount][2] = {
    {{96, 84}, {96, 68}, {96, 68}, {96, 26}, {96, 40}, {96, 40}, {640, 480}},
    {{96, 90}, {96, 90}, {96, 90}, {96, 38}, {96, 51}, {96, 40}, {640, 480}},
    {{120, 94}, {120, 68}, {120, 68}, {120, 26}, {120, 40}, {1, 1}, {640, 480}},
    {{96, 92}, {96, 92}, {96, 92}, {96, 26}, {96, 52}, {1, 1}, {640, 480}},
    {{96, 105}, {96, 105}, {96, 105}, {48, 35}, {48, 35}, {96, 78}, {640, 480}},
    {{96, 90}, {96, 72}, {96, 72}, {96, 54}, {96, 90}, {96, 90}, {640, 480}},
    {{110, 120}, {143, 120}, {143, 120}, {78, 120}, {78, 120}, {110, 120}, {640, 480}},
};
const char* const rows[PurposeCount] = {
    "壁紙 :", "電源ON :", "電源OFF :", "着信時 :", "ｱﾗｰﾑ時 :", "待受け :", "ﾕｰｻﾞｰ設定 :"};
} // namespace

std::optional<qint16> parseDefaultSize(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*\\d+(\\.\\d*)?\\s*$"));
    if (!number.match(text).hasMatch()) return std::nullopt;
    const auto value = CInt(text.trimmed().toDouble());
    if (!value || *value < 1) return std::nullopt;
    return value;
}

QSize FRM_DEFSIZE::modelSize(int model, int slot) {
    if (model < 0 || model >= Models || slot < 0 || slot >= PurposeCount) return {};
    return {table[model][slot][0], table[model][slot][1]};
}

FRM_DEFSIZE::FRM_DEFSIZE(AppSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle(QStringLiteral("ﾃﾞﾌｫﾙﾄｻｲｽﾞ設定"));
    auto* grid = new QGridLayout(this);
    Label1[9] = new QLabel(QStringLiteral("機種 :"), this);
    Combo1 = new QComboBox(this);
    for (const char* m : models) Combo1->addItem(QString::fromLatin1(m));
    Combo1->setCurrentIndex(-1);
    connect(Combo1, &QComboBox::activated, this, &FRM_DEFSIZE::Combo1_Click);
    grid->addWidget(Label1[9], 0, 0);
    grid->addWidget(Combo1, 0, 1, 1, 2);
    Label1[7] = new QLabel(QStringLiteral("幅"), this);
    Label1[8] = new QLabel(QStringLiteral("高さ"), this);
    grid->addWidget(Label1[7], 1, 1, Qt::AlignHCenter);
    grid->addWidget(Label1[8], 1, 2, Qt::AlignHCenter);
    for (int i = 0; i < PurposeCount; ++i) {
        Label1[i] = new QLabel(QString::fromUtf8(rows[i]), this);
        Text1[i] = new QLineEdit(this);
        Text2[i] = new QLineEdit(this);
        Text1[i]->setMaxLength(8);
        Text2[i]->setMaxLength(8);
        grid->addWidget(Label1[i], i + 2, 0);
        grid->addWidget(Text1[i], i + 2, 1);
        grid->addWidget(Text2[i], i + 2, 2);
    }
    Command1[0] = new QPushButton(QStringLiteral("OK"), this);
    Command1[1] = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    Command1[0]->setDefault(true);
    for (int i = 0; i < 2; ++i) {
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        grid->addWidget(Command1[i], PurposeCount + 2, i + 1);
    }
    Form_Load();
}

void FRM_DEFSIZE::Form_Load() {
    for (int i = 0; i < PurposeCount; ++i) {
        Text1[i]->setText(QString::number(m_settings.px[i]));
        Text2[i]->setText(QString::number(m_settings.py[i]));
    }
}

void FRM_DEFSIZE::Combo1_Click() {
    const int model = Combo1->currentIndex();
    if (model < 0 || model >= Models) return;
    for (int i = 0; i < PurposeCount; ++i) {
        Text1[i]->setText(QString::number(table[model][i][0]));
        Text2[i]->setText(QString::number(table[model][i][1]));
    }
}

void FRM_DEFSIZE::Command1_Click(int index) {
    if (index == 1) {
        reject();
        return;
    }
    if (index != 0) return;
    std::array<qint16, PurposeCount> px{}, py{};
    for (int i = 0; i < PurposeCount; ++i) {
        const auto w = parseDefaultSize(Text1[i]->text());
        const auto h = parseDefaultSize(Text2[i]->text());
        if (!w || !h) {
            Dialogs::inform(this, Msg::defaultSizeInvalid(), Dialogs::Icon::Exclamation);
            (w ? Text2[i] : Text1[i])->setFocus();
            return;
        }
        px[i] = *w;
        py[i] = *h;
    }
    m_settings.px = px;
    m_settings.py = py;
    accept();
}
