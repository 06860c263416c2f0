#pragma once
// "ｶﾚﾝﾀﾞｰﾒｰｶｰ": a month's calendar over the template, redrawn as the year or month changes,
// saved as a 16-colour PNG and handed to a new mail composer.
#include "core/makers/makerdraw.h"
#include "core/util/appsettings.h"

#include <QSet>
#include <QWidget>
#include <array>

class ImageControl;
class ImageView;
class QComboBox;
class QLabel;
class QPushButton;

class FRM_CALEN : public QWidget {
    Q_OBJECT
public:
    // settings: the working folder of the save dialog, shared with the main window.
    explicit FRM_CALEN(AppSettings& settings, QWidget* parent = nullptr);

    std::array<QLabel*, 2> Label1{};
    std::array<QComboBox*, 2> Combo1{}; // year, month
    std::array<QPushButton*, 3> Command1{};
    ImageControl* LEAD1 = nullptr;
    ImageView* LEAD1View = nullptr;
    Makers::FontSpec LEAD1Font = Makers::calendarFont();

public slots:
    void Form_Load();
    void Combo1_Change(int index);
    void Combo1_Click(int index);
    void Command1_Click(int index);
    // Draws the month the combos name into LEAD1.
    void Preview();

private:
    AppSettings& m_settings;
    QSet<QString> m_reported;
};
