#pragma once
// "ﾙﾊﾟﾝｻﾌﾞﾀｲﾄﾙ ﾒｰｶｰ": six large characters and a two-line title, written as nine two-colour
// frames and handed to a new Motion Viewer to play and mail.
#include "core/makers/titlecard.h"
#include "core/util/appsettings.h"

#include <QWidget>
#include <array>

class ImageControl;
class ImageView;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

class FRM_LUPAN : public QWidget {
    Q_OBJECT
public:
    // A new maker, shown modeless and deleted when closed.
    // Main window (MNU_PRO_LUPAN): FRM_LUPAN::openNew(settings, this).
    static FRM_LUPAN* openNew(AppSettings& settings, QWidget* parent = nullptr);

    // settings: the working folder of the save dialog lives there.
    explicit FRM_LUPAN(AppSettings& settings, QWidget* parent = nullptr);

    std::array<QLabel*, TitleCard::textCount> Label1{};
    std::array<QLineEdit*, TitleCard::textCount> Text1{};
    QGroupBox* Frame1 = nullptr;
    QScrollBar* VScroll1 = nullptr;
    // 0 "作成", 1 "閉じる", 2 "ﾌｫﾝﾄ..."
    std::array<QPushButton*, 3> Command1{};
    ImageControl* LEAD1 = nullptr;
    ImageView* LEAD1View = nullptr;

    // The font of the characters (LEAD1's font); its size is whole points after any preview.
    TitleCard::Font titleFont;

    QStringList texts() const;

public slots:
    void Form_Load();
    // Draws frame `frame` (1..7; any other frame is black) into LEAD1.
    void Preview(int frame);
    void VScroll1_Change();
    void Command1_Click(int index);

private:
    void Create();
    void ChooseFont();

    AppSettings& m_settings;
};
