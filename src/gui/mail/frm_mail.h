#pragma once
// The mail composer: recipients, subject, attached pictures with a preview, the body and a
// running size estimate; sends through SendMail and saves or loads the mail as a text file.
// Modeless and deleted on close; any number may be open at once.
#include "core/mail/sendmail.h"

#include <QMainWindow>
#include <array>
#include <functional>

struct AppSettings;
class AddressFile;
class ImageControl;
class ImageView;
class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
namespace Mime {
struct MailFields;
}

class FRM_MAIL : public QMainWindow {
    Q_OBJECT
public:
    // settings: server, sender, login and working folder; book: for the address picker. Both
    // are the main window's and outlive every composer.
    FRM_MAIL(AppSettings& settings, AddressFile& book, QWidget* parent = nullptr);

    // A new composer, shown, with the files attached (files whose names hold "," are refused
    // with a message) and, with anime, sent as an animation.
    static FRM_MAIL* openNew(AppSettings& settings, AddressFile& book, const QStringList& files,
                             bool anime, QWidget* parent = nullptr);

    // True when closing would lose something typed or attached (To, CC, subject, attachments
    // or body; BCC alone does not count).
    bool hasUnsentText() const;
    // Closes without the closing question, for a program that ends unattended; a send under
    // way gives up at its next wait and the window closes when it returns.
    void closeWithoutQuestion();

    // Stands in for SendMail (tests): receives exactly what SendMail would.
    using Sender =
        std::function<QString(const QString& server, const QString& recipients,
                              const QString& sender, const QString& subject, const QString& body,
                              const QString& attachments, const SendMailOptions& options)>;
    Sender sender;

    // The fields as one mail, the body with CR LF line ends.
    Mime::MailFields fields() const;
    void setFields(const Mime::MailFields& fields);

    // Text1[0] To, [1] CC, [2] BCC, [3] subject, [4] attachments (paths separated by ",").
    std::array<QLineEdit*, 5> Text1{};
    QPlainTextEdit* Text2 = nullptr;
    // Command1[0] To, [1] CC, [3] BCC pickers, [2] add an attachment.
    std::array<QPushButton*, 4> Command1{};
    std::array<QPushButton*, 2> Command2{}; // 送信, 閉じる
    QPushButton* Command3 = nullptr;        // 解除
    QCheckBox* Check1 = nullptr;            // 添付ｱﾆﾒ
    QScrollBar* VScroll1 = nullptr;         // previewed attachment, 1-based
    ImageControl* LEAD1 = nullptr;
    ImageView* LEAD1View = nullptr;
    std::array<QLabel*, 3> Label1{};
    QLabel* Label3 = nullptr; // size estimate
    QLabel* Label4 = nullptr; // previewed file name
    QLabel* Label5 = nullptr; // column ruler
    QFrame* Picture1 = nullptr;
    QLabel* Label2 = nullptr;
    QMenu* MNU_FILE = nullptr;
    QMenu* MNU_MAIL = nullptr;
    QAction* MNU_FILE_LOAD = nullptr;
    QAction* MNU_FILE_SAVE = nullptr;
    QAction* MNU_MAIL_SEND = nullptr;

public slots:
    void Text1_Change(int index);
    void Text2_Change();
    void VScroll1_Change();
    void Command1_Click(int index);
    void Command2_Click(int index);
    void Command3_Click();
    void MNU_MAIL_SEND_Click();
    void MNU_FILE_LOAD_Click();
    void MNU_FILE_SAVE_Click();
    // False when the user keeps the window.
    bool Form_QueryUnload();
    void totalsize();
    void Preview();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void send();
    void closeByCode();
    void updateActions();

    AppSettings& m_settings;
    AddressFile& m_book;
    bool m_closingByCode = false;
    bool m_sending = false;
    bool m_abandoned = false; // closeWithoutQuestion() came while sending
};
