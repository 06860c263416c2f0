#pragma once
// The address picker: builds the recipient list of one composer field from the address book
// and typed addresses. The composer and the picker exchange the field through a hand-over.
#include <QDialog>
#include <array>

struct AppSettings;
class AddressFile;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

// The field the picker serves and its text (addresses separated by ","): the composer fills
// it, the picker's "OK" replaces the text, the composer copies it back.
struct PickerHandOver {
    enum class Kind { To, CC, BCC };
    QString text;
    Kind kind = Kind::To;
};

class FRM_ADDRESS : public QDialog {
    Q_OBJECT
public:
    FRM_ADDRESS(PickerHandOver& handOver, AppSettings& settings, AddressFile& book,
                QWidget* parent = nullptr);

    QGroupBox* Frame1 = nullptr;
    QListWidget* List1 = nullptr; // the address book
    QListWidget* List2 = nullptr; // the recipients of the field
    QLineEdit* Text1 = nullptr;
    std::array<QPushButton*, 2> Command1{}; // 追加, 削除
    std::array<QPushButton*, 3> Command2{}; // OK, ｷｬﾝｾﾙ, ｵﾌﾟｼｮﾝ設定 ...

    QStringList recipients() const;

public slots:
    void Form_Load();
    void List1_Click();
    void List1_DblClick();
    void Command1_Click(int index);
    void Command2_Click(int index);

private:
    void fillBook();
    void setRecipients(const QStringList& list, int selected);
    void updateActions();

    PickerHandOver& m_handOver;
    AppSettings& m_settings;
    AddressFile& m_book;
};
