#pragma once
// "Motion Viewer": a sequence of picture files played in a loop as a phone's frame animation,
// with the total size of the frames, their HTML tag and a hand-over to the mail composer.
// Modeless; any number may be open at once.
#include "core/mail/motion.h"
#include "core/util/appsettings.h"

#include <QStringList>
#include <QWidget>
#include <array>

class ImageControl;
class ImageView;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class FRM_MOTION : public QWidget {
    Q_OBJECT
public:
    // Interval of the loop: two frames a second.
    static constexpr int playInterval = 500;

    // A new viewer, shown modeless and deleted when closed, with the frames listed.
    // Main window: HandOver::setMotionOpener([this](const QStringList& f) {
    //     return FRM_MOTION::openNew(settings, f, this); }), and for "Motion Viewer ..."
    //     FRM_MOTION::openNew(settings, {}, this).
    static FRM_MOTION* openNew(AppSettings& settings, const QStringList& frames,
                               QWidget* parent = nullptr);

    // settings: the working folder of the open dialog lives there.
    explicit FRM_MOTION(AppSettings& settings, QWidget* parent = nullptr);

    QGroupBox* Frame1 = nullptr;
    QListWidget* List1 = nullptr;
    // 0 "追加", 1 "削除", 2 "↑", 3 "↓", 4 "ﾌﾟﾚﾋﾞｭｰ"/"停止"
    std::array<QPushButton*, 5> Command1{};
    std::array<QLabel*, 2> Label1{};
    QLabel* Label2 = nullptr;        // total size
    QPlainTextEdit* Text1 = nullptr; // the tag
    QPushButton* Command2 = nullptr; // "ﾒｰﾙ送信..."
    QPushButton* Command3 = nullptr; // copies the tag
    ImageControl* LEAD1 = nullptr;
    ImageView* LEAD1View = nullptr;
    QTimer* Timer1 = nullptr;

    QStringList frames() const;
    bool playing() const;

public slots:
    // Adds the files behind the selection, as "追加" does. Names the frames could not be handed
    // on with are left out and named in one message.
    void mlistadd(const QStringList& files);
    void SizeCheck();
    void htmlview();
    void Command1_Click(int index);
    void Command2_Click();
    void Command3_Click();
    void List1_Click();
    void Timer1_Timer();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Motion::FrameList state() const;
    void showList(const Motion::FrameList& list);
    void updateActions();

    AppSettings& m_settings;
};
