#pragma once
// "携帯年賀状 ﾒｰｶｰ": the address side and the greeting side of a New Year card, written in
// vertical columns, redrawn as the user types, saved as two numbered PNG files and handed to a
// new mail composer.
#include "core/makers/makerdraw.h"
#include "core/util/appsettings.h"

#include <QImage>
#include <QSet>
#include <QWidget>
#include <array>

class ImageControl;
class ImageView;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class FRM_NENGA : public QWidget {
    Q_OBJECT
public:
    explicit FRM_NENGA(AppSettings& settings, QWidget* parent = nullptr);

    QGroupBox* Frame1 = nullptr; // "宛名"
    QGroupBox* Frame2 = nullptr; // "裏面"
    std::array<QLabel*, 3> Label1{};
    std::array<QLineEdit*, 6> Text1{};
    QComboBox* Combo1 = nullptr;
    QCheckBox* Check1 = nullptr;
    std::array<QPushButton*, 4> Command1{};
    ImageControl* LEAD1 = nullptr; // address side
    ImageControl* LEAD2 = nullptr; // greeting side
    ImageView* LEAD1View = nullptr;
    ImageView* LEAD2View = nullptr;
    Makers::FontSpec LEAD1Font = Makers::addressFont();
    Makers::FontSpec LEAD2Font = Makers::greetingFont();

    // The picture file chosen for "その他" ("" until one is chosen).
    QString picturePath() const { return m_picturePath; }

public slots:
    void Form_Load();
    void Text1_Change(int index);
    void Combo1_Click();
    void Command1_Click(int index);
    void Preview1();
    void Preview2();

private:
    AppSettings& m_settings;
    QSet<QString> m_reported;
    QString m_picturePath;
    QImage m_picture;
    int m_previousType = 0;
};
