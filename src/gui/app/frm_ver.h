#pragma once
// The version window.
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class FRM_VER : public QDialog {
    Q_OBJECT
public:
    explicit FRM_VER(QWidget* parent = nullptr);
    static QString versionText();

    QLabel* Image1 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;

public slots:
    void Command1_Click() { accept(); }
};
