// The edit and image menus of the main window: which image each command changes, the reduced
// flag, undo copies, and that cancelling changes nothing.
#include "core/image/filters.h"
#include "core/image/imagecontrol.h"
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

    // A cancelled or refused command changes nothing; the reduced flag follows the picture (a
    // following save does not reduce again), and a fill leaves no stale colour count and takes
    // no undo copy.
    void colourCommands_data() {
        addDataRows("editmenu-colours.txt", {"command:int", "answer", "bits:int", "messages:int"});
    }
    void colourCommands() {
        QFETCH(int, command);
        QFETCH(QString, answer);
        QFETCH(int, bits);
        ScriptedDialogs dialogs;
        FRM_QUILMOAP w;
        w.LEAD2->setImage(photo(200, 175));
        w.MNU_IMG_ALLSELECT_Click();
        if (command == 0) QVERIFY(w.PNGRedraw(16));
        w.reduced = command == 0;
        const QImage before = w.LEAD1->image(), undo = w.undoCopies.LEAD4(0).image();
        if (command < 2)
            dialogs.answer(answer == "-"  ? QVariant()
                           : command == 0 ? QVariant(QColor(answer))
                                          : QVariant(answer));
        if (command == 0) w.MNU_EDIT_BKGROUND_Click();
        if (command == 1) w.MNU_EDIT_GCOLSET_Click();
        if (command == 2) w.MNU_EDIT_GCOLOR_Click(1);
        QTEST(int(dialogs.messages().size()), "messages");
        if (!bits) {
            QVERIFY(w.LEAD1->image() == before && w.reduced == (command == 0));
            return;
        }
        QCOMPARE(w.LEAD1->BitsPerPixel(), bits);
        QCOMPARE(w.reduced, bits < 24);
        if (command == 2) QCOMPARE(w.Label5->text(), QStringLiteral("16"));
        if (command == 0)
            QVERIFY(w.Label5->text().isEmpty() && w.undoCopies.LEAD4(0).image() == undo &&
                    w.LEAD1->image().pixel(50, 40) == qRgb(255, 0, 0));
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
    void processingWork_data() { addDataRows("editmenu-processing.txt", {"cancelAt:int"}); }
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
