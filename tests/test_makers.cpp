// The calendar, New Year card and number plate makers: their pictures, their windows driven
// through their handlers, and quilmo calendar.
#include "app/appsettings.h"
#include "cli/calendarcommand.h"
#include "mail/handover.h"
#include "makers/cl_gl028c.h"
#include "makers/frm_calen.h"
#include "makers/frm_nenga.h"
#include "makers/frm_plate.h"
#include "makers/makerdraw.h"
#include "platform/fonts.h"
#include "platform/imagecodec.h"
#include "platform/imagecontrol.h"
#include "scripteddialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), black = qRgb(0, 0, 0);

int count(const QImage& img, const QRect& area, QRgb colour) {
    int n = 0;
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += (img.pixel(x, y) | 0xff000000u) == colour;
    return n;
}

QSet<QRgb> colours(const QImage& img) {
    QSet<QRgb> set;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) set.insert(img.pixel(x, y));
    return set;
}

// The box around the pixels of the colour (within area when given).
QRect inked(const QImage& img, QRgb colour, QRect area = {}) {
    QRect box;
    if (area.isNull()) area = img.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((img.pixel(x, y) | 0xff000000u) == colour) box |= QRect(x, y, 1, 1);
    return box;
}

// The templates in the source tree (tests/data need not exist, so the path is cleaned first).
QString templateFolder() {
    return QDir::cleanPath(QStringLiteral(QUILMO_TEST_DATA "/../../resources/image"));
}

QStringList opened;
bool openedAnime = false;
int openings = 0;

} // namespace

class TestMakers : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;
    AppSettings settings;

    QString path(const QString& name) const { return tmp.filePath(name); }

private slots:
    void initTestCase() {
        Fonts::installSubstitutions();
        ImageCodec::initialize();
        Makers::setTemplateFolder(templateFolder());
        CL_GL028C::shared().registerBuiltinTable();
        HandOver::setMailOpener([](const QStringList& files, bool anime) -> QWidget* {
            opened = files;
            openedAnime = anime;
            ++openings;
            return nullptr;
        });
    }
    void init() {
        opened.clear();
        openedAnime = false;
        openings = 0;
    }

    void templates_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("calendar") << QStringLiteral("カレンダ.PNG") << QSize(96, 84);
        QTest::newRow("address") << QStringLiteral("宛名.PNG") << QSize(60, 84);
        for (int t = 0; t < Makers::cardOwnPicture; ++t)
            QTest::newRow(qPrintable(Makers::cardTypeName(t)))
                << Makers::cardTemplate(t) << QSize(60, 84);
        for (int t = 0; t < Makers::plateTypes; ++t)
            QTest::newRow(qPrintable(Makers::plateTemplate(t)))
                << Makers::plateTemplate(t) << QSize(80, 40);
    }
    void templates() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QString message;
        const QImage img = Makers::loadTemplate(Makers::templatePath(name), size, &message);
        QVERIFY2(!img.isNull(), qPrintable(message));
        // Room in the 16-colour palette for the text colours.
        QVERIFY(colours(img).size() <= 12);
    }

    void calendarCells_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("column"); // 1 Sunday ... 7 Saturday; 0: no grid at all
        QTest::addColumn<int>("top");
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("2001-01-01 holiday") << 2001 << 1 << 2 << 19 << red;
        QTest::newRow("2001-01-06 Saturday") << 2001 << 1 << 7 << 19 << blue;
        QTest::newRow("2001-01-07 Sunday") << 2001 << 1 << 1 << 30 << red;
        QTest::newRow("2001-01-08 second Monday") << 2001 << 1 << 2 << 30 << red;
        QTest::newRow("2001-01-09 weekday") << 2001 << 1 << 3 << 30 << black;
        QTest::newRow("2001-01-31 fifth row") << 2001 << 1 << 4 << 63 << black;
        QTest::newRow("2001-09-15 Saturday holiday") << 2001 << 9 << 7 << 41 << red;
        QTest::newRow("2001-09-24 substitute") << 2001 << 9 << 2 << 63 << red;
        QTest::newRow("2001-09-30 sixth row") << 2001 << 9 << 1 << 74 << red;
        QTest::newRow("2000-12-31 sixth row") << 2000 << 12 << 1 << 74 << red;
        QTest::newRow("month 13") << 2001 << 13 << 0 << 0 << black;
        QTest::newRow("month 0") << 2001 << 0 << 0 << 0 << black;
        QTest::newRow("year 0") << 0 << 5 << 0 << 0 << black;
        QTest::newRow("year 10000") << 10000 << 5 << 0 << 0 << black;
    }
    void calendarCells() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, column);
        QFETCH(int, top);
        QFETCH(QRgb, colour);
        const QImage templ = Makers::loadTemplate(Makers::templatePath("カレンダ.PNG"),
                                                  Makers::calendarSize, nullptr);
        const QImage pic = Makers::calendarPicture(year, month, Makers::calendarFont(), templ,
                                                   CL_GL028C::shared());
        QCOMPARE(pic.size(), QSize(96, 84));
        QVERIFY(pic.colorCount() <= 16);
        if (column == 0) { // out of range: the title is drawn, the grid stays empty
            QVERIFY(count(pic, QRect(0, 0, 96, 9), qRgb(255, 255, 255)) > 10);
            for (QRgb c : {red, blue, black}) QCOMPARE(count(pic, QRect(0, 19, 96, 65), c), 0);
            return;
        }
        const QRect cell(3 + 13 * (column - 1), top, 13, 11);
        QVERIFY2(count(pic, cell, colour) >= 4, "the day number is missing or recoloured");
        for (QRgb other : {red, blue, black})
            if (other != colour) QCOMPARE(count(pic, cell, other), 0);
    }

    void graphemes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("full-width space kept") << QStringLiteral("山田　太郎様") << 6;
        QTest::newRow("surrogate pair") << QStringLiteral("a\U00020BB7b") << 3;
        QTest::newRow("combining mark") << QStringLiteral("か\u3099た") << 2;
    }
    void graphemes() {
        QFETCH(QString, text);
        QFETCH(int, count);
        const QStringList g = Makers::graphemes(text);
        QCOMPARE(g.size(), count);
        QCOMPARE(g.join(QString()), text);
    }

    void greetingColumns_data() {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("centre");
        QTest::addColumn<QString>("text");
        QTest::newRow("line 1, right, from the top") << 0 << 51 << QStringLiteral("口口口");
        QTest::newRow("line 2") << 1 << 41 << QStringLiteral("口");
        QTest::newRow("line 3") << 2 << 31 << QStringLiteral("口");
        QTest::newRow("date line, left") << 3 << 21 << QStringLiteral("口");
    }
    void greetingColumns() {
        QFETCH(int, line);
        QFETCH(int, centre);
        QFETCH(QString, text);
        std::array<QString, 4> lines;
        lines[line] = text;
        const QImage pic = Makers::greetingPicture(lines, Makers::greetingFont(), QImage());
        const QRect box = inked(pic, black);
        QVERIFY(!box.isEmpty());
        QVERIFY(box.left() >= centre - 5 && box.right() <= centre + 6);
        QVERIFY2(qAbs((box.left() + box.right()) / 2 - centre) <= 1, "wrong column");
        // 6 points make 8 pixels, one character per em; nothing beyond the last one.
        const int n = int(text.size());
        if (line == 0)
            QVERIFY(box.top() >= 4 && box.bottom() < 4 + 8 * n);
        else
            QVERIFY(box.bottom() < 80 && box.top() >= 80 - 8 * n);
        for (int k = 0; line == 0 && k < n; ++k)
            QVERIFY2(count(pic, QRect(centre - 5, 4 + 8 * k, 12, 8), black) > 0, "a cell is empty");
        // The date line is smaller: 6 points make 4.5, six pixels a character.
        if (line == 3) QVERIFY(box.height() <= 6);
    }

    void addressColumns() {
        const QImage pic = Makers::addressPicture(QStringLiteral("口"), QStringLiteral("口口"),
                                                  Makers::addressFont(), QImage());
        // Name right of the joint name; both end at the bottom of their 64-pixel boxes.
        const QRect name = inked(pic, black, QRect(26, 0, 12, 84));
        const QRect joint = inked(pic, black, QRect(14, 0, 12, 84));
        QVERIFY(!name.isEmpty() && !joint.isEmpty());
        QVERIFY(name.bottom() < 74 && name.top() >= 74 - 11);
        QVERIFY(joint.top() >= 74 - 22 && joint.top() < 74 - 11);
    }

    void plateColours_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("lit");
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("0 day") << 0 << false << qRgb(0, 64, 0);
        QTest::newRow("0 lit") << 0 << true << qRgb(0, 255, 0);
        QTest::newRow("1 day") << 1 << false << qRgb(255, 255, 255);
        QTest::newRow("1 lit") << 1 << true << qRgb(128, 128, 128);
        QTest::newRow("2 day") << 2 << false << qRgb(0, 0, 0);
    }
    void plateColours() {
        QFETCH(int, type);
        QFETCH(bool, lit);
        QFETCH(QRgb, colour);
        const QImage templ = Makers::loadTemplate(Makers::templatePath(Makers::plateTemplate(type)),
                                                  Makers::plateSize, nullptr);
        const QImage pic = Makers::platePicture(
            {QStringLiteral("品川 55"), QStringLiteral("さ"), QStringLiteral("22-44")},
            Makers::plateTextColour(type, lit, Qt::red), Makers::plateFont(), templ);
        QCOMPARE(pic.size(), QSize(80, 40));
        QVERIFY(count(pic, QRect(20, 18, 50, 16), colour) >= 20); // the serial number
        QVERIFY(count(pic, QRect(6, 19, 10, 14), colour) >= 5);   // the kana
    }

    void plateOutsideTypes() {
        ScriptedDialogs dialogs;
        FRM_PLATE form(settings);
        form.Combo1->setCurrentIndex(-1);
        form.TextColor = QColor(200, 0, 100);
        form.Preview(false);
        const QImage& pic = form.LEAD1->image();
        QCOMPARE(pic.pixel(0, 0) | 0xff000000u, qRgb(255, 255, 255)); // no template
        QVERIFY(count(pic, pic.rect(), qRgb(200, 0, 100)) > 20);
        QVERIFY(dialogs.messages().isEmpty());
    }

    void calendarSave_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("bmp replaced") << QString("c1.bmp") << QString("c1.png");
        QTest::newRow("png kept") << QString("c2.png") << QString("c2.png");
        QTest::newRow("no extension") << QString("c3") << QString("c3.png");
        QTest::newRow("dot in the folder only") << QString("a.b/cal") << QString("a.b/cal.png");
    }
    void calendarSave() {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QDir(tmp.path()).mkpath(QStringLiteral("a.b"));
        ScriptedDialogs dialogs;
        FRM_CALEN form(settings);
        form.Combo1[0]->setEditText(QStringLiteral("2001"));
        form.Combo1[1]->setEditText(QStringLiteral("9"));
        dialogs.answer(path(chosen));
        form.Command1_Click(0);
        QCOMPARE(opened, QStringList{path(written)});
        QVERIFY(!openedAnime);
        QCOMPARE(settings.folder, QFileInfo(path(written)).absolutePath());
        ImageCodec::FileInfo info;
        QVERIFY(ImageCodec::fileInfo(path(written), &info));
        QCOMPARE(QSize(info.width, info.height), QSize(96, 84));
        QCOMPARE(info.bits, 4);
        QVERIFY(dialogs.messages().isEmpty());
    }

    void saveCancelledOrFailed_data() {
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<int>("messages");
        QTest::newRow("cancelled") << QVariant() << 0;
        QTest::newRow("missing folder") << QVariant(path("missing/x.png")) << 1;
    }
    void saveCancelledOrFailed() {
        QFETCH(QVariant, answer);
        QFETCH(int, messages);
        for (int maker = 0; maker < 3; ++maker) {
            ScriptedDialogs dialogs;
            std::unique_ptr<QWidget> form(maker == 0 ? new FRM_CALEN(settings)
                                          : maker == 1
                                              ? static_cast<QWidget*>(new FRM_NENGA(settings))
                                              : new FRM_PLATE(settings));
            form->setAttribute(Qt::WA_DeleteOnClose, false);
            dialogs.answer(answer);
            QMetaObject::invokeMethod(form.get(), "Command1_Click", Q_ARG(int, maker == 1 ? 2 : 0));
            QCOMPARE(openings, 0);
            QCOMPARE(dialogs.messages().size(), messages);
            if (messages) QCOMPARE(dialogs.asked.last().icon, Dialogs::Icon::Critical);
        }
    }

    void nengaSave_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("frontOnly");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("both sides") << "card.png" << false << QStringList{"card1.png", "card2.png"};
        QTest::newRow("no extension") << "kard" << false << QStringList{"kard1.png", "kard2.png"};
        QTest::newRow("address only") << "front.png" << true << QStringList{"front1.png"};
    }
    void nengaSave() {
        QFETCH(QString, chosen);
        QFETCH(bool, frontOnly);
        QFETCH(QStringList, files);
        ScriptedDialogs dialogs;
        FRM_NENGA form(settings);
        form.Check1->setChecked(frontOnly);
        dialogs.answer(path(chosen));
        form.Command1_Click(2);
        QStringList expected;
        for (const QString& f : files) expected.append(path(f));
        QCOMPARE(opened, expected);
        for (const QString& f : expected) QVERIFY(QFileInfo::exists(f));
        QCOMPARE(QFileInfo::exists(path(chosen.section('.', 0, 0) + "2.png")), !frontOnly);
    }

    void existingDerivedFiles_data() {
        QTest::addColumn<int>("reply");
        QTest::addColumn<bool>("written");
        QTest::newRow("yes") << int(Dialogs::Answer::Yes) << true;
        QTest::newRow("no") << int(Dialogs::Answer::No) << false;
    }
    void existingDerivedFiles() {
        QFETCH(int, reply);
        QFETCH(bool, written);
        const QString old = path("old2.png");
        {
            QFile f(old);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        QFile::remove(path("old1.png"));
        ScriptedDialogs dialogs;
        FRM_PLATE form(settings);
        form.Check1->setChecked(true);
        dialogs.answer(path("old.png")).answer(QVariant(reply));
        form.Command1_Click(0);
        QCOMPARE(dialogs.messages().size(), 1); // asked once, naming only the existing file
        QVERIFY(dialogs.messages()[0].contains(old));
        QVERIFY(!dialogs.messages()[0].contains(path("old1.png")));
        QCOMPARE(openings, written ? 1 : 0);
        QCOMPARE(QFileInfo(old).size() != 3, written);
    }

    void plateSave() {
        ScriptedDialogs dialogs;
        FRM_PLATE form(settings);
        form.Combo1->setCurrentIndex(3);
        form.Combo1_Click();
        form.Check1->setChecked(true);
        // Typed after the last preview: the saved pictures still carry it.
        form.Text1[2]->setText(QStringLiteral("11-11"));
        dialogs.answer(path("plate.png"));
        form.Command1_Click(0);
        QCOMPARE(opened, (QStringList{path("plate1.png"), path("plate2.png")}));
        QVERIFY(openedAnime);
        const QImage day = ImageCodec::decodeFile(path("plate1.png")).image;
        const QImage lit = ImageCodec::decodeFile(path("plate2.png")).image;
        const QRect serial(20, 18, 50, 16);
        QVERIFY(count(day, serial, qRgb(255, 255, 0)) >= 20);
        QCOMPARE(count(day, serial, qRgb(64, 64, 0)), 0);
        QVERIFY(count(lit, serial, qRgb(64, 64, 0)) >= 20);
        QCOMPARE(count(lit, serial, qRgb(255, 255, 0)), 0);
        const QImage expected = Makers::platePicture(
            {form.Text1[0]->text(), form.Text1[1]->text(), "11-11"}, QColor(255, 255, 0),
            form.LEAD1Font,
            Makers::loadTemplate(Makers::templatePath("no4.png"), Makers::plateSize, nullptr));
        QCOMPARE(day, expected.convertToFormat(QImage::Format_RGB32));
    }

    void ownPicture() {
        const QString picture = path("own.png");
        QImage red30(30, 30, QImage::Format_RGB32);
        red30.fill(QColor(250, 0, 0));
        QVERIFY(ImageCodec::save(picture, red30, ImageCodec::FormatPng, 24, 1));
        ScriptedDialogs dialogs;
        FRM_NENGA form(settings);
        form.Combo1->setCurrentIndex(5);
        form.Combo1_Click();
        const QImage tiger = form.LEAD2->image();

        form.Combo1->setCurrentIndex(Makers::cardOwnPicture);
        dialogs.answer(QVariant()); // cancelled: the previous type again, the picture stays
        form.Combo1_Click();
        QCOMPARE(form.Combo1->currentIndex(), 5);
        QCOMPARE(form.LEAD2->image(), tiger);

        form.Combo1->setCurrentIndex(Makers::cardOwnPicture);
        dialogs.answer(picture);
        form.Combo1_Click();
        QCOMPARE(form.picturePath(), picture);
        const QImage pic = form.LEAD2->image();
        QCOMPARE(pic.size(), QSize(60, 84));
        QVERIFY(count(pic, QRect(0, 0, 15, 84), qRgb(250, 0, 0)) == 15 * 84); // scaled to fill
        QVERIFY(count(pic, pic.rect(), black) > 0);
    }

    void missingTemplate() {
        QTemporaryDir empty;
        Makers::setTemplateFolder(empty.path());
        ScriptedDialogs dialogs;
        {
            FRM_CALEN form(settings);
            form.Combo1[1]->setEditText(QStringLiteral("2")); // redraws: not asked again
            QCOMPARE(dialogs.messages().size(), 1);
            QCOMPARE(dialogs.asked[0].icon, Dialogs::Icon::Exclamation);
            QCOMPARE(form.LEAD1->image().pixel(50, 50) | 0xff000000u, qRgb(255, 255, 255));
        }
        Makers::setTemplateFolder(templateFolder());
    }

    void fontDialog() {
        ScriptedDialogs dialogs;
        FRM_NENGA form(settings);
        QFont chosen(QStringLiteral("IPAMincho"));
        chosen.setPointSizeF(10.5);
        dialogs.answer(QVariant::fromValue(chosen));
        form.Command1_Click(1);
        QCOMPARE(form.LEAD2Font.points, 10.0); // the whole points stay after the draw
        dialogs.answer(QVariant());            // cancelled: the font stays
        form.Command1_Click(1);
        QCOMPARE(form.LEAD2Font.points, 10.0);
    }

    void calendarCommand_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("nothing") << QStringList() << 1;
        QTest::newRow("month 13") << QStringList{"2001", "13", path("x.png")} << 1;
        QTest::newRow("year text") << QStringList{"year", "1", path("x.png")} << 1;
        QTest::newRow("extra word") << QStringList{"2001", "1", path("x.png"), "y"} << 1;
        QTest::newRow("unwritable") << QStringList{"2001", "1", path("none/x.png")} << 4;
        QTest::newRow("written") << QStringList{"2001", "9", path("cli.png")} << 0;
    }
    void calendarCommand() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        QCOMPARE(runCalendar(args, out, err), code);
        QCOMPARE(errText.isEmpty(), code == 0);
        if (code != 0) return;
        // The same picture the window saves for the month.
        ScriptedDialogs dialogs;
        FRM_CALEN form(settings);
        form.Combo1[0]->setEditText(args[0]);
        form.Combo1[1]->setEditText(args[1]);
        dialogs.answer(path("window.png"));
        form.Command1_Click(0);
        QFile a(args[2]), b(path("window.png"));
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
        CL_GL028C::shared().registerBuiltinTable();
    }
};

QTEST_MAIN(TestMakers)
#include "test_makers.moc"
