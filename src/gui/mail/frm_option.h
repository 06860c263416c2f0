#pragma once
// The options window: mail server, sender, SMTP login, the address book and the JPEG factor.
// It edits copies and stores them only on "OK", writing the settings at once.
#include <QDialog>
#include <array>
#include <functional>

struct AppSettings;
class AddressFile;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;

class FRM_OPTION : public QDialog {
    Q_OBJECT
public:
    // Writes the shared settings and the address book to disk (the main window's IniSave); it
    // reports its own failure and returns false.
    using Commit = std::function<bool()>;
    // The commit used by windows that open the options without one of their own (the address
    // picker); the main window registers its IniSave at start-up.
    static void setDefaultCommit(Commit commit);

    FRM_OPTION(AppSettings& settings, AddressFile& book, Commit commit = {},
               QWidget* parent = nullptr);

    // Text1[0] server, [1] sender, [2] name, [3] address, [4] SMTP user, [5] password.
    std::array<QLineEdit*, 6> Text1{};
    std::array<QLabel*, 6> Label1{};
    std::array<QLabel*, 2> Label2{};
    std::array<QPushButton*, 5> Command1{}; // 追加, 削除, ↑, ↓, 修正
    std::array<QPushButton*, 2> Command2{}; // OK, ｷｬﾝｾﾙ
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QListWidget* List1 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QCheckBox* Check1 = nullptr; // store the password in the settings file

    // The list's entries in order.
    QStringList entries() const;

public slots:
    void Form_Load();
    void List1_Click();
    void Command1_Click(int index);
    void Command2_Click(int index);

private:
    void setList(const QStringList& list, int selected);
    void updateActions();

    AppSettings& m_settings;
    AddressFile& m_book;
    Commit m_commit;
};
