#include "gui/app/frm_text.h"

#include "gui/widgets/dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

namespace {
const char* const alignNames[9] = {"左上",   "左中央", "左下",   "中央上", "中央",
                                   "中央下", "右上",   "右中央", "右下"};
} // namespace

TextDialog::TextDialog(const QImage& output, const TextSettings& initial, QWidget* parent)
    : QDialog(parent), m_output(output), m_fontName(initial.fontName), m_colour(initial.colour) {
    setWindowTitle(QStringLiteral("文字の挿入"));

    textEdit = new QPlainTextEdit(this);
    textEdit->setPlainText(initial.text);
    textEdit->setTabChangesFocus(true);

    fontLabel = new QLabel(this);
    fontButton = new QPushButton(QStringLiteral("フォント..."), this);
    sizeSpin = new QDoubleSpinBox(this);
    sizeSpin->setRange(TextDraw::minPoints, TextDraw::maxPoints);
    sizeSpin->setDecimals(1);
    sizeSpin->setSuffix(QStringLiteral(" pt"));
    sizeSpin->setValue(initial.size);
    boldCheck = new QCheckBox(QStringLiteral("太字"), this);
    italicCheck = new QCheckBox(QStringLiteral("斜体"), this);
    underlineCheck = new QCheckBox(QStringLiteral("下線"), this);
    strikeoutCheck = new QCheckBox(QStringLiteral("取り消し線"), this);
    boldCheck->setChecked(initial.bold);
    italicCheck->setChecked(initial.italic);
    underlineCheck->setChecked(initial.underline);
    strikeoutCheck->setChecked(initial.strikeout);
    colourSwatch = new QLabel(this);
    colourSwatch->setFixedSize(40, 20);
    colourSwatch->setFrameShape(QFrame::Box);
    colourSwatch->setAutoFillBackground(true);
    colourButton = new QPushButton(QStringLiteral("色..."), this);

    auto* fontBox = new QGroupBox(QStringLiteral("書式"), this);
    auto* fontGrid = new QGridLayout(fontBox);
    fontGrid->addWidget(new QLabel(QStringLiteral("フォント :"), this), 0, 0);
    fontGrid->addWidget(fontLabel, 0, 1);
    fontGrid->addWidget(fontButton, 0, 2);
    fontGrid->addWidget(new QLabel(QStringLiteral("サイズ :"), this), 1, 0);
    fontGrid->addWidget(sizeSpin, 1, 1);
    auto* styles = new QHBoxLayout;
    for (QCheckBox* c : {boldCheck, italicCheck, underlineCheck, strikeoutCheck})
        styles->addWidget(c);
    fontGrid->addLayout(styles, 2, 0, 1, 3);
    fontGrid->addWidget(new QLabel(QStringLiteral("色 :"), this), 3, 0);
    fontGrid->addWidget(colourSwatch, 3, 1);
    fontGrid->addWidget(colourButton, 3, 2);

    // Rows are the vertical positions, columns the horizontal ones, as the codes count.
    auto* alignBox = new QGroupBox(QStringLiteral("配置"), this);
    auto* alignGrid = new QGridLayout(alignBox);
    auto* alignGroup = new QButtonGroup(this);
    for (int code = 0; code < 9; ++code) {
        alignButton[code] = new QRadioButton(QString::fromUtf8(alignNames[code]), this);
        alignGroup->addButton(alignButton[code], code);
        alignGrid->addWidget(alignButton[code], code % 3, code / 3);
    }
    alignButton[std::clamp(initial.align, 0, 8)]->setChecked(true);

    angleSpin = new QDoubleSpinBox(this);
    angleSpin->setRange(-360, 360);
    angleSpin->setDecimals(1);
    angleSpin->setSingleStep(1);
    angleSpin->setSuffix(QStringLiteral(" 度"));
    angleSpin->setValue(initial.angle / 10.0);
    antialiasCheck = new QCheckBox(QStringLiteral("なめらかにする (色数が増えます)"), this);
    antialiasCheck->setChecked(initial.antialias);
    auto* angleRow = new QHBoxLayout;
    angleRow->addWidget(new QLabel(QStringLiteral("角度 (左回り) :"), this));
    angleRow->addWidget(angleSpin);
    angleRow->addStretch();

    previewView = new QLabel(this);
    previewView->setAlignment(Qt::AlignCenter);
    previewView->setMinimumSize(previewSide, previewSide);
    previewView->setFrameShape(QFrame::StyledPanel);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    cancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    okButton->setDefault(false); // Enter belongs to the text box
    connect(okButton, &QPushButton::clicked, this, &TextDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &TextDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("文字 :"), this));
    left->addWidget(textEdit, 1);
    left->addWidget(fontBox);
    left->addWidget(alignBox);
    left->addLayout(angleRow);
    left->addWidget(antialiasCheck);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("プレビュー"), this));
    right->addWidget(previewView, 1);
    right->addLayout(buttons);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(right, 1);

    connect(fontButton, &QPushButton::clicked, this, &TextDialog::chooseFont);
    connect(colourButton, &QPushButton::clicked, this, &TextDialog::chooseColour);
    connect(textEdit, &QPlainTextEdit::textChanged, this, &TextDialog::updatePreview);
    connect(sizeSpin, &QDoubleSpinBox::valueChanged, this, &TextDialog::updatePreview);
    connect(angleSpin, &QDoubleSpinBox::valueChanged, this, &TextDialog::updatePreview);
    for (QCheckBox* c : {boldCheck, italicCheck, underlineCheck, strikeoutCheck, antialiasCheck})
        connect(c, &QCheckBox::toggled, this, &TextDialog::updatePreview);
    connect(alignGroup, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) updatePreview();
    });

    showFont();
    showColour();
    updatePreview();
}

std::optional<TextSettings> TextDialog::ask(QWidget* parent, const QImage& output,
                                            const TextSettings& initial) {
    TextDialog dialog(output, initial, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.settings();
}

TextSettings TextDialog::settings() const {
    TextSettings s;
    s.text = textEdit->toPlainText();
    s.fontName = m_fontName;
    s.size = sizeSpin->value();
    s.bold = boldCheck->isChecked();
    s.italic = italicCheck->isChecked();
    s.underline = underlineCheck->isChecked();
    s.strikeout = strikeoutCheck->isChecked();
    s.colour = m_colour;
    for (int code = 0; code < 9; ++code)
        if (alignButton[code]->isChecked()) s.align = code;
    s.angle = int(std::lround(angleSpin->value() * 10));
    s.antialias = antialiasCheck->isChecked();
    return s;
}

void TextDialog::chooseFont() {
    const TextSettings now = settings();
    QFont initial = TextDraw::font(now);
    initial.setPointSizeF(now.size);
    const std::optional<QFont> chosen = Dialogs::get().font(this, initial);
    if (!chosen) return;
    m_fontName = chosen->family();
    const double points = chosen->pointSizeF() > 0 ? chosen->pointSizeF()
                                                   : chosen->pixelSize() * 72.0 / TextDraw::dpi;
    // A size the drawing refuses stays out of the box; the spin box keeps its range.
    if (points >= TextDraw::minPoints && points <= TextDraw::maxPoints) sizeSpin->setValue(points);
    {
        // One preview for the whole change, not one per box.
        const QSignalBlocker b1(boldCheck), b2(italicCheck), b3(underlineCheck), b4(strikeoutCheck);
        boldCheck->setChecked(chosen->bold());
        italicCheck->setChecked(chosen->italic());
        underlineCheck->setChecked(chosen->underline());
        strikeoutCheck->setChecked(chosen->strikeOut());
    }
    showFont();
    updatePreview();
}

void TextDialog::chooseColour() {
    const std::optional<QColor> chosen = Dialogs::get().colour(this, m_colour);
    if (!chosen || !chosen->isValid()) return;
    m_colour = *chosen;
    showColour();
    updatePreview();
}

void TextDialog::showFont() {
    fontLabel->setText(m_fontName);
}

void TextDialog::showColour() {
    QPalette p = colourSwatch->palette();
    p.setColor(QPalette::Window, m_colour);
    colourSwatch->setPalette(p);
}

void TextDialog::updatePreview() {
    m_preview = drawText(m_output, settings());
    if (m_preview.isNull()) {
        previewView->setPixmap(QPixmap());
        return;
    }
    // Small phone pictures are enlarged by whole steps so their pixels stay crisp.
    const int side = std::max(m_preview.width(), m_preview.height());
    const int zoom = std::max(1, previewSide / std::max(1, side));
    previewView->setPixmap(QPixmap::fromImage(
        m_preview.scaled(m_preview.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
}
