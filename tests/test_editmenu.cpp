// The edit and image menus of the main window: which image each command changes, the reduced
// flag, undo copies, and that cancelling changes nothing.
#include "core/image/filters.h"
#include "core/image/imagecontrol.h"
#include "core/image/imageops.h"
#include "gui/app/frm_process.h"
#include "gui/app/frm_quilmoap.h"
#include "gui/app/frm_text.h"
#include "scripteddialogs.h"
#include "testsupport.h"

#include <QLabel>
#include <QMenu>

namespace {
// Closes the next modal dialog without confirming it.
void cancelNextDialog() {
    QTimer::singleShot(0, [] {
        if (QWidget* w = QApplication::activeModalWidget()) static_cast<QDialog*>(w)->reject();
    });
}
} // namespace

class TestEditMenu : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase() { initCodecsAndSettings(dir); }

    void fill() {
        ScriptedDialogs dialogs;
        FRM_QUILMOAP w;
        w.LEAD2->setImage(photo(200, 175));
        w.MNU_IMG_ALLSELECT_Click();
        QVERIFY(w.PNGRedraw(16));
        w.reduced = true;
        const QImage reduced = w.LEAD1->image();
        const QImage undo = w.undoCopies.LEAD4(0).image();
        dialogs.answer(QVariant()); // cancel
        w.MNU_EDIT_BKGROUND_Click();
        QCOMPARE(w.LEAD1->image(), reduced);
        QVERIFY(w.reduced);
        dialogs.answer(QColor(Qt::red));
        w.MNU_EDIT_BKGROUND_Click();
        QCOMPARE(w.LEAD1->image().pixel(50, 40), qRgb(255, 0, 0));
        QVERIFY(!w.reduced);
        QCOMPARE(w.Label5->text(), QString());         // no stale colour count
        QCOMPARE(w.undoCopies.LEAD4(0).image(), undo); // the fill takes no undo copy
    }

    void colourCounts_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("bits"); // 0: nothing happens
        QTest::addColumn<int>("messages");
        QTest::newRow("2") << "2" << 1 << 0;
        QTest::newRow("1") << "1" << 0 << 1;
        QTest::newRow("no wrap-around") << "65538" << 0 << 1;
        QTest::newRow("empty") << "" << 0 << 0;
    }
    void colourCounts() {
        QFETCH(QString, answer);
        QFETCH(int, bits);
        ScriptedDialogs dialogs;
        FRM_QUILMOAP w;
        w.LEAD2->setImage(photo(200, 175));
        w.MNU_IMG_ALLSELECT_Click();
        dialogs.answer(answer);
        w.MNU_EDIT_GCOLSET_Click();
        QTEST(int(dialogs.messages().size()), "messages");
        QCOMPARE(w.reduced, bits != 0);
        QCOMPARE(w.LEAD1->BitsPerPixel(), bits ? bits : 24);
    }

    void fixedCountsKeepTheFlag() {
        FRM_QUILMOAP w;
        w.LEAD2->setImage(photo(200, 175));
        w.MNU_IMG_ALLSELECT_Click();
        w.MNU_EDIT_GCOLOR_Click(1);
        QCOMPARE(w.LEAD1->BitsPerPixel(), 4);
        QVERIFY(w.reduced); // a following save does not reduce again
        QCOMPARE(w.Label5->text(), QStringLiteral("16"));
    }

    void inputCommands() {
        FRM_QUILMOAP w;
        const QImage img = photo(30, 20);
        w.LEAD2->setImage(img);
        const QImage output = w.LEAD1->image();
        w.MNU_IMG_GLAY_Click();
        QCOMPARE(w.LEAD2->image(), ImageOps::greyscale(img));
        QCOMPARE(w.LEAD1->image(), output); // the output waits for the next selection
    }

    void cancelledDialogsChangeNothing() {
        FRM_QUILMOAP w;
        w.LEAD2->setImage(photo(200, 175));
        w.MNU_IMG_ALLSELECT_Click();
        const QImage input = w.LEAD2->image(), output = w.LEAD1->image(),
                     undo = w.undoCopies.LEAD4(0).image();
        cancelNextDialog();
        w.MNU_IMG_ALL_Click();
        cancelNextDialog();
        w.MNU_EDIT_TEXT_Click();
        QCOMPARE(w.LEAD2->image(), input);
        QCOMPARE(w.LEAD1->image(), output);
        QCOMPARE(w.undoCopies.LEAD4(0).image(), undo);
    }

    // The processing dialog's filter runs off the window's thread: no command is enabled
    // meanwhile, キャンセル half-way changes nothing, and a finished run gives the filter's result.
    void processingWork_data() {
        QTest::addColumn<int>("cancelAt"); // percent; -1 runs to the end
        QTest::newRow("cancelled half-way") << 50;
        QTest::newRow("finished") << -1;
    }
    void processingWork() {
        QFETCH(int, cancelAt);
        ScriptedDialogs dialogs;
        dialogs.cancelAt = cancelAt;
        FRM_QUILMOAP w;
        w.LEAD2->setImage(photo(120, 90));
        w.MNU_IMG_ALLSELECT_Click();
        const QImage input = w.LEAD2->image(), output = w.LEAD1->image();
        QStringList enabled;
        dialogs.duringWork = [&] {
            for (QAction* a : w.findChildren<QAction*>())
                if (a->isEnabled() && !a->menu() && !a->isSeparator()) enabled << a->objectName();
        };
        QTimer::singleShot(0, [] {
            auto* dlg = qobject_cast<ProcessDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            dlg->selectFilter(int(Filters::Kind::Median));
            dlg->setValue(0, 5);
            dlg->accept(); // stays open after キャンセル
            if (dlg->isVisible()) dlg->reject();
        });
        w.MNU_IMG_ALL_Click();
        QCOMPARE(enabled, QStringList());
        QCOMPARE(w.MNU_IMG_ALL->isEnabled(), true);
        QCOMPARE(w.LEAD2->image(),
                 cancelAt >= 0 ? input : Filters::apply(input, Filters::Kind::Median, 5));
        if (cancelAt >= 0) QCOMPARE(w.LEAD1->image(), output);
    }
};

QTEST_MAIN(TestEditMenu)
#include "test_editmenu.moc"
