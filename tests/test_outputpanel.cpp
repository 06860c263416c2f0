// The output panel headless: selection and rebuild, the colour-fit search as the window runs
// it, and the default-size window.
#include "core/image/imagecontrol.h"
#include "core/image/selection.h"
#include "core/util/profile.h"
#include "gui/app/frm_defsize.h"
#include "gui/app/frm_quilmoap.h"
#include "gui/widgets/imageview.h"
#include "scripteddialogs.h"

#include "testsupport.h"
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

class TestOutputPanel : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase() { initCodecsAndSettings(dir); }

    // A right-button move puts the selection's corner at the pointer, inside the picture.
    void moveTarget() {
        const QSize picture(120, 160);
        QCOMPARE(Selection::moveTarget({10.7, 20.2}, picture, {50, 50}), QPoint(10, 20));
        QCOMPARE(Selection::moveTarget({500, 500}, picture, {50, 40}), QPoint(70, 120));
        QCOMPARE(Selection::moveTarget({5, 5}, picture, {300, 40}), QPoint(0, 5)); // wider
    }

    // The selection may reach past the picture (every ratio adjustment makes such ones): the
    // part outside it stays blank instead of the picture being stretched over it.
    void cutAndScale_data() {
        addDataRows("outputpanel-cut.txt", {"rgn:rect", "size:size", "at:point", "colour"});
    }
    void cutAndScale() {
        QFETCH(QRect, rgn);
        QFETCH(QSize, size);
        QFETCH(QPoint, at);
        QFETCH(QString, colour);
        QImage redOverBlue(200, 100, QImage::Format_RGB32);
        redOverBlue.fill(Qt::red);
        for (int y = 50; y < 100; ++y)
            for (int x = 0; x < 200; ++x) redOverBlue.setPixel(x, y, qRgb(0, 0, 255));
        const QImage out =
            Selection::cutAndScale(redOverBlue, rgn, size.width(), size.height(), true);
        QCOMPARE(out.size(), size);
        QCOMPARE(QColor(out.pixel(at)), QColor(colour));
    }

    void selectAllRebuilds() {
        FRM_QUILMOAP w;
        w.LEAD2->setImage(photo(120, 160));
        const QImage before = w.LEAD1->image();
        w.reduced = true;
        w.MNU_IMG_ALLSELECT_Click();
        QCOMPARE(w.LEAD1->image().size(), QSize(96, 84));
        QCOMPARE(w.undoCopies.LEAD4(0).image(), before); // the previous output is the undo copy
        QVERIFY(!w.reduced);
    }

    void rightDragMovesSelection() {
        FRM_QUILMOAP w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.LEAD2->setImage(photo(120, 160));
        w.LEAD2->setPaintZoomFactor(200);
        w.LEAD2->SetRgnRect(0, 0, 40, 30);
        w.LEAD2_MouseMove(Qt::RightButton, {}, 100, 20);
        QCOMPARE(w.LEAD2->rgn(), QRect(50, 10, 40, 30));
        QCOMPARE(w.Label3->text(), QStringLiteral("100,20"));
        w.LEAD2_MouseMove(Qt::RightButton, {}, 1000, 1000); // past the edges: touches them
        QCOMPARE(w.LEAD2->rgn(), QRect(80, 130, 40, 30));
        // What the screen shows: the outline's left edge, white or black dashes, is back.
        QCoreApplication::processEvents();
        const QImage shown = w.screen()->grabWindow(w.winId()).toImage();
        const QPoint edge = w.LEAD2View->viewport()->mapTo(&w, w.LEAD2View->toViewport({80, 135}));
        const QRgb ink = shown.pixel(edge) & 0xffffff;
        QVERIFY2(ink == 0 || ink == 0xffffff, qPrintable(QString::number(ink, 16)));
        w.LEAD2_MouseMove(Qt::LeftButton | Qt::RightButton, {}, 0, 0); // not the right alone
        QCOMPARE(w.LEAD2->rgn(), QRect(80, 130, 40, 30));
    }

    void rebuildRefusals_data() {
        addDataRows("outputpanel-rebuild.txt", {"width", "selection:bool", "warned:bool"});
    }
    void rebuildRefusals() {
        QFETCH(QString, width);
        QFETCH(bool, selection);
        ScriptedDialogs dialogs;
        FRM_QUILMOAP w;
        w.LEAD2->setImage(photo(120, 160));
        const QImage before = w.LEAD1->image();
        w.Text1[0]->setText(width);
        if (selection) w.LEAD2->SetRgnRect(10, 10, 50, 50);
        w.LEAD2_MouseMove(Qt::RightButton, {}, 30, 30);
        w.LEAD2_RgnChange();
        QCOMPARE(w.LEAD1->image(), before);
        QVERIFY(!w.undoCopies.canUndo());
        QTEST(!dialogs.messages().isEmpty(), "warned");
    }

    void colourFitInTheWindow_data() {
        addDataRows("outputpanel-fit.txt", {"pngLimit", "ok:bool", "cancelAt:int"});
    }
    void colourFitInTheWindow() {
        QFETCH(QString, pngLimit);
        QFETCH(bool, ok);
        QFETCH(int, cancelAt);
        ScriptedDialogs dialogs;
        dialogs.cancelAt = cancelAt;
        FRM_QUILMOAP w;
        w.LEAD2->setImage(photo(300, 260));
        w.MNU_IMG_ALLSELECT_Click();
        const QImage before = w.LEAD1->image();
        w.Text1[2]->setText(pngLimit);
        w.Command1_Click(1);
        QCOMPARE(w.reduced, ok);
        QVERIFY(std::is_sorted(dialogs.steps.begin(), dialogs.steps.end())); // never backwards
        QCOMPARE(w.Text1[2]->text(), pngLimit); // the limits come back after the search
        QVERIFY(w.MNU_DSP_ZOOMIN->isEnabled());
        const QStringList failed{"減色に失敗しました。ファイルサイズを大きく設定して下さい。"};
        QCOMPARE(dialogs.messages(), ok || cancelAt >= 0 ? QStringList() : failed);
        if (ok) {
            const QByteArray png = w.LEAD1->SaveMemory(75, w.LEAD1->BitsPerPixel(), 0);
            QCOMPARE(w.Label6->text().toLongLong(), qint64(png.size())); // what a save writes
            QVERIFY(png.size() <= 5500);
        } else {
            QVERIFY(w.Label6->text().toLongLong() > 0); // the last PNG size measured
            QCOMPARE(w.LEAD1->image(), before);         // nothing over the limit is kept
        }
        QCOMPARE(w.undoCopies.LEAD4(0).image(), before);
    }

    void defaultSizeParsing_data() {
        addDataRows("outputpanel-defsize.txt", {"text", "value:int"});
    }
    void defaultSizeParsing() {
        QFETCH(QString, text);
        QTEST(int(parseDefaultSize(text).value_or(0)), "value");
    }

    // The window from the menu: a model's sizes and the typed ones are stored only by OK, a size
    // that is no number is refused with the window left open, and the current purpose follows.
    void defaultSizes() {
        ScriptedDialogs dialogs;
        FRM_QUILMOAP w;
        w.Combo1->setCurrentIndex(3);
        w.Combo1_Click();
        const QString before = w.Text1[0]->text();
        for (int button : {1, 0}) {
            QTimer::singleShot(0, [button] {
                auto* dlg = qobject_cast<FRM_DEFSIZE*>(QApplication::activeModalWidget());
                QVERIFY(dlg);
                dlg->Combo1->setCurrentIndex(2);
                dlg->Combo1_Click();
                dlg->Text1[3]->setText("abc");
                dlg->Command1_Click(0);
                QVERIFY(dlg->isVisible());
                dlg->Text1[3]->setText("48");
                dlg->Command1_Click(button);
            });
            w.MNU_PRO_DEFSIZE_Click();
            QCOMPARE(w.Text1[0]->text(), button ? before : u"48"_qs);
        }
        QCOMPARE(dialogs.messages().size(), 2);
        Profile ini;
        QVERIFY(ini.load(AppPaths::settingsFile()));
        QCOMPARE(QStringList({ini.value("Defsize", "3PX"), ini.value("Defsize", "5PY"),
                              ini.value("Defsize", "0PY")}),
                 QStringList({"48", "1", "94"}));
    }
};

QTEST_MAIN(TestOutputPanel)
#include "test_outputpanel.moc"
