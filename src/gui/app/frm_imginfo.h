#pragma once
// The image information window: nine captions and the values of the last load. "OK" only
// hides it; the main window keeps the one instance.
#include <QDialog>
#include <array>

class QGroupBox;
class QLabel;
class QPushButton;

class FRM_IMGINFO : public QDialog {
    Q_OBJECT
public:
    explicit FRM_IMGINFO(QWidget* parent = nullptr);

    static constexpr int Rows = 9;
    // The captions, in row order, as the window shows them.
    static QString caption(int row);
    // Writes the nine values (missing ones are blank).
    void setValues(const QStringList& values);

    QGroupBox* Frame1 = nullptr;
    std::array<QLabel*, Rows> Label1{};
    std::array<QLabel*, Rows> Label2{};
    QPushButton* Command1 = nullptr;

public slots:
    void Command1_Click();
};
