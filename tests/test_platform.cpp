// The stand-ins for the desktop pieces: dialogs facade, file lists, image model and canvas.
#include "core/image/imagecontrol.h"
#include "core/util/cl_gl010c.h"
#include "gui/widgets/filebrowser.h"
#include "gui/widgets/imageview.h"
#include "scripteddialogs.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void fileLists() {
        QTemporaryDir dir;
        for (const char* name : {"a.PNG", "b.png", "c.Gif", "d.txt", "e.jpeg"})
            writeAll(dir.filePath(name), {});
        QDir().mkdir(dir.filePath("sub.png")); // folders never show as files
        FileList list;
        list.setPattern("*.JPG;*.JPEG;*.GIF;*.PNG");
        list.setPath(dir.path());
        QStringList shown;
        for (int i = 0; i < list.count(); ++i) shown.append(list.item(i)->text());
        QCOMPARE(shown, (QStringList{"a.PNG", "b.png", "c.Gif", "e.jpeg"}));
        DirList dirs; // a folder that is gone leaves the list where it was
        QVERIFY(dirs.setPath(dir.path()));
        QVERIFY(!dirs.setPath(dir.filePath("gone")));
        QCOMPARE(dirs.Path(), dir.path());
    }

    void fileDialogs() {
        ScriptedDialogs dialogs;
        const CL_GL010C& gl = CL_GL010C::instance();
        dialogs.answer(QStringList{"/p/a.png", "/p/b.png"}).answer(QVariant()).answer("/p/c.png");
        QCOMPARE(gl.RVN_ShowOpenFileDlg(nullptr, QStringLiteral("x\0*.png\0"), "/p", "", true),
                 QStringLiteral("/p/a.png,/p/b.png"));
        qint32 index = 7;
        QCOMPARE(gl.RVN_ShowSaveFileDlg(nullptr, QStringLiteral("x\0*.png\0"), "/p", "", index),
                 QString());
        QCOMPARE(index, 7); // a cancelled dialog leaves the index alone
        dialogs.saveFilterIndex = 2;
        QCOMPARE(gl.RVN_ShowSaveFileDlg(nullptr, QStringLiteral("x\0*.png\0"), "/p", "", index),
                 QStringLiteral("/p/c.png"));
        QCOMPARE(index, 2);
        QCOMPARE(dialogs.asked[0].filters.size(), 1);
        const FileFilters f = parseFilter(QStringLiteral("画像\0*.JPG;*.png\0All\0*.*\0"));
        QCOMPARE(nameFilters(f), (QStringList{"画像 (*.JPG *.png)", "All (*)"}));
    }

    void createBitmapLimits_data() {
        addDataRows("platform-bitmaps.txt", {"w:int", "h:int", "ok:bool"});
    }
    void createBitmapLimits() {
        QFETCH(int, w);
        QFETCH(int, h);
        ImageControl c;
        QVERIFY(c.CreateBitmap(10, 10, 24));
        QFETCH(bool, ok);
        QCOMPARE(c.CreateBitmap(w, h, 24), ok);
        QCOMPARE(c.BitmapWidth(), ok ? w : 10); // a refused size keeps the old image
        QVERIFY(!c.Size(w, 0));                 // refused, image kept
        QVERIFY(c.Bitmap());
    }

    void rubberBandMarks() {
        ImageControl c;
        QVERIFY(c.CreateBitmap(200, 100, 24));
        c.RgnMarkingMode = 1;
        c.RgnFrameType = 1;
        c.setPaintZoomFactor(200);
        ImageView view(&c);
        view.resize(300, 200);
        view.show();
        QSignalSpy changed(&c, &ImageControl::RgnChange);
        QWidget* vp = view.viewport();
        QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::mouseMove(vp, QPoint(60, 50));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(60, 50));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(c.rgn(), QRect(10, 5, 20, 20));                 // viewport pixels halved at 200 %
        QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(5, 5)); // a click marks nothing
        QCOMPARE(changed.count(), 1);
        c.RgnMarkingMode = 0; // the output image is never marked
        QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(0, 0));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(90, 90));
        QCOMPARE(changed.count(), 1);
    }
};

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
