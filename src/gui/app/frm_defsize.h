#pragma once
// The default output size of each purpose, by hand or from the table of phone models.
#include "core/util/appsettings.h"

#include <QDialog>
#include <array>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// A size typed into a box: a whole number from 1 to 32767 (halves round to the even
// neighbour); nothing for anything else.
std::optional<qint16> parseDefaultSize(const QString& text);

class FRM_DEFSIZE : public QDialog {
    Q_OBJECT
public:
    static constexpr int Models = 7;
    // The model table: width and height per model and slot.
    static QSize modelSize(int model, int slot);

    // sizes: the table to show and, after "OK", the table that was stored into it.
    explicit FRM_DEFSIZE(AppSettings& settings, QWidget* parent = nullptr);

    std::array<QLabel*, 10> Label1{};
    QComboBox* Combo1 = nullptr;
    std::array<QLineEdit*, PurposeCount> Text1{}; // widths
    std::array<QLineEdit*, PurposeCount> Text2{}; // heights
    std::array<QPushButton*, 2> Command1{};

public slots:
    void Form_Load();
    void Combo1_Click();
    void Command1_Click(int index);

private:
    AppSettings& m_settings;
};
