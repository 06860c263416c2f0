#pragma once
// "文字の挿入(&A)...": text, font, colour, placement and angle, with a live preview on the
// output picture. The settings belong to the main window, so every opening starts from the
// settings confirmed last time.
#include "core/image/textdraw.h"

#include <QDialog>
#include <QImage>
#include <array>
#include <optional>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class TextDialog : public QDialog {
    Q_OBJECT
public:
    // The preview is shown at least this large (nearest pixel, so each pixel stays visible).
    static constexpr int previewSide = 300;

    TextDialog(const QImage& output, const TextSettings& initial, QWidget* parent = nullptr);

    // Shows the dialog modally: the confirmed settings after "OK", nothing after cancel (the
    // caller then changes nothing, the settings included).
    // Window (MNU_EDIT_TEXT_Click): if (auto s = TextDialog::ask(this, LEAD1->image(),
    // textSettings)) { textSettings = *s; QImage r = drawText(LEAD1->image(), *s);
    // if (!r.isNull()) { LEAD1->setImage(r, 24); reduced = false; } }
    static std::optional<TextSettings> ask(QWidget* parent, const QImage& output,
                                           const TextSettings& initial);

    // The settings as the controls stand.
    TextSettings settings() const;
    QImage previewImage() const { return m_preview; }

    QPlainTextEdit* textEdit = nullptr;
    QLabel* fontLabel = nullptr;
    QPushButton* fontButton = nullptr;
    QDoubleSpinBox* sizeSpin = nullptr;
    QCheckBox* boldCheck = nullptr;
    QCheckBox* italicCheck = nullptr;
    QCheckBox* underlineCheck = nullptr;
    QCheckBox* strikeoutCheck = nullptr;
    QLabel* colourSwatch = nullptr;
    QPushButton* colourButton = nullptr;
    std::array<QRadioButton*, 9> alignButton{}; // indexed by TextAlign code
    QDoubleSpinBox* angleSpin = nullptr;        // degrees
    QCheckBox* antialiasCheck = nullptr;
    QLabel* previewView = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

public slots:
    // The font and colour dialogs; cancelling them keeps what was there.
    void chooseFont();
    void chooseColour();
    void updatePreview();

private:
    void showFont();
    void showColour();

    QImage m_output;
    QString m_fontName;
    QColor m_colour;
    QImage m_preview;
};
