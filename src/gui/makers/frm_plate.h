#pragma once
// "ﾅﾝﾊﾞｰﾌﾟﾚｰﾄ ﾒｰｶｰ": a car number plate over the template of its type, by day and with lit
// characters, saved as PNG and handed to a new mail composer as an animation. The window
// itself is a mock-up of the plate in the type's colours.
#include "core/makers/makerdraw.h"
#include "core/util/appsettings.h"

#include <QColor>
#include <QSet>
#include <QWidget>
#include <array>

class ImageControl;
class ImageView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// A filled rounded rectangle or circle drawn behind the fields.
class PlateShape : public QWidget {
public:
    PlateShape(bool round, QWidget* parent);
    QColor FillColor = Qt::white;
    void setFillColor(const QColor& colour);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool m_round;
};

class FRM_PLATE : public QWidget {
    Q_OBJECT
public:
    explicit FRM_PLATE(AppSettings& settings, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QComboBox* Combo1 = nullptr;
    std::array<QLineEdit*, 3> Text1{}; // top line, kana, serial number
    QCheckBox* Check1 = nullptr;       // "字光式"
    std::array<QPushButton*, 3> Command1{};
    PlateShape* Shape1 = nullptr;
    std::array<PlateShape*, 2> Shape2{};
    ImageControl* LEAD1 = nullptr;
    ImageView* LEAD1View = nullptr;
    Makers::FontSpec LEAD1Font = Makers::plateFont();
    // The picture's text colour; a type outside the list keeps the last one.
    QColor TextColor = Qt::black;

public slots:
    void Form_Load();
    void Combo1_Click();
    void Command1_Click(int index);
    // lit: the colours of the illuminated characters instead of the day colours.
    void Preview(bool lit);

private:
    AppSettings& m_settings;
    QSet<QString> m_reported;
};
