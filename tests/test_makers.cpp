// The calendar, New Year card and number plate makers: their pictures, their windows driven
// through their handlers, and quilmo calendar.
#include "cli/calendarcommand.h"
#include "core/image/fonts.h"
#include "core/image/imagecodec.h"
#include "core/image/imagecontrol.h"
#include "core/makers/cl_gl028c.h"
#include "core/makers/makerdraw.h"
#include "core/util/appsettings.h"
#include "core/util/messages.h"
#include "gui/makers/frm_calen.h"
#include "gui/makers/frm_nenga.h"
#include "gui/makers/frm_plate.h"
#include "gui/widgets/handover.h"
#include "scripteddialogs.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QLineEdit>
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

enum Maker { Calendar, Card, Plate };

// Every file below root, as relative paths in order.
QStringList filesBelow(const QString& root) {
    QStringList files;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

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

    void calendarCells_data() {
        addDataRows("makers-calendar.txt",
                    {"year:int", "month:int", "column:int", "top:int", "colourName"});
    }
    void calendarCells() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, column);
        QFETCH(int, top);
        QFETCH(QString, colourName);
        const QRgb colour = colourName == "red" ? red : colourName == "blue" ? blue : black;
        const QImage templ = Makers::loadTemplate(Makers::templatePath("カレンダ.PNG"),
                                                  Makers::calendarSize, nullptr);
        const QImage pic = Makers::calendarPicture(year, month, Makers::calendarFont(), templ,
                                                   CL_GL028C::shared());
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

    // Characters as the cards set them one below the other: a full-width space, a surrogate pair
    // and a combining mark each stay one.
    void graphemes() {
        for (const auto& [text, count] :
             {std::pair(u"山田　太郎様"_qs, 6), {u"a\U00020BB7b"_qs, 3}, {u"か\u3099た"_qs, 2}}) {
            const QStringList g = Makers::graphemes(text);
            QCOMPARE(g.size(), count);
            QCOMPARE(g.join(QString()), text);
        }
    }

    // Vertical text of both card sides: each character in its own em below the first, in the
    // right column, nothing past the last one.
    void verticalText_data() {
        addDataRows("makers-vertical.txt",
                    {"line:int", "text", "centre:int", "first:int", "em:int"});
    }
    void verticalText() {
        QFETCH(int, line);
        QFETCH(QString, text);
        QFETCH(int, centre);
        QFETCH(int, first);
        QFETCH(int, em);
        std::array<QString, 4> lines;
        if (line < 4) lines[line] = text;
        const QImage pic = line < 4 ? Makers::greetingPicture(lines, Makers::greetingFont(), {})
                                    : Makers::addressPicture(line == 4 ? text : QString(),
                                                             line == 5 ? text : QString(),
                                                             Makers::addressFont(), {});
        const QRect box = inked(pic, black);
        QVERIFY(!box.isEmpty());
        QVERIFY(box.left() >= centre - 5 && box.right() <= centre + 6);
        QVERIFY2(qAbs((box.left() + box.right()) / 2 - centre) <= 1, "wrong column");
        const int n = int(text.size());
        QVERIFY(box.top() >= first && box.bottom() < first + em * n);
        for (int k = 0; k < n; ++k)
            QVERIFY2(count(pic, QRect(centre - 5, first + em * k, 12, em), black) > 0,
                     "a cell is empty");
    }

    void plateColours_data() {
        addDataRows("makers-plate.txt", {"type:int", "lit:bool", "colourName"});
    }
    void plateColours() {
        QFETCH(int, type);
        QFETCH(bool, lit);
        QFETCH(QString, colourName);
        const QRgb colour = QColor(colourName).rgb();
        ScriptedDialogs dialogs;
        FRM_PLATE form(settings);
        form.Combo1->setCurrentIndex(type);
        form.TextColor = QColor(200, 0, 100);
        form.Preview(lit);
        const QImage& pic = form.LEAD1->image();
        QVERIFY(count(pic, QRect(20, 18, 50, 16), colour) >= 20); // the serial number
        QVERIFY(count(pic, QRect(6, 19, 10, 14), colour) >= 5);   // the kana
        if (type < 0) QCOMPARE(pic.pixel(0, 0) | 0xff000000u, qRgb(255, 255, 255));
        QVERIFY(dialogs.messages().isEmpty());
    }

    // "作成": what is written beside the chosen name, what goes on to the composer, and the one
    // question when a derived name is taken already.
    // The three windows share one save: each way out once.
    void saves_data() {
        addDataRows("makers-saves.txt", {"makerName", "chosen", "checked", "present", "files"});
    }
    void saves() {
        QFETCH(QString, chosen);
        QFETCH(QString, present);
        QFETCH(QString, checked);
        QFETCH(QString, makerName);
        const int maker = int(QStringList{"calendar", "card", "plate"}.indexOf(makerName));
        QFETCH(QString, files);
        const QStringList fileList = files.split(u'|', Qt::SkipEmptyParts);
        QTemporaryDir out;
        QDir(out.path()).mkpath(QStringLiteral("a.b"));
        if (!present.isEmpty()) writeAll(out.filePath(present), "old");
        ScriptedDialogs dialogs;
        std::unique_ptr<QWidget> form(maker == Calendar ? new FRM_CALEN(settings)
                                      : maker == Card
                                          ? static_cast<QWidget*>(new FRM_NENGA(settings))
                                          : new FRM_PLATE(settings));
        form->setAttribute(Qt::WA_DeleteOnClose, false);
        if (auto* check = form->findChild<QCheckBox*>()) check->setChecked(checked == "1");
        dialogs.answer(chosen.isEmpty() ? QVariant() : QVariant(out.filePath(chosen)));
        if (!present.isEmpty())
            dialogs.answer(fileList.contains(present) ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        QMetaObject::invokeMethod(form.get(), "Command1_Click", Q_ARG(int, maker == Card ? 2 : 0));
        QStringList written;
        for (const QString& f : fileList) written << out.filePath(f);
        QCOMPARE(opened, written);
        QCOMPARE(openings, int(!fileList.isEmpty()));
        QCOMPARE(openedAnime, maker == Plate && !fileList.isEmpty());
        QStringList there = fileList;
        if (!present.isEmpty() && !fileList.contains(present)) there << present;
        QCOMPARE(filesBelow(out.path()), there);
        // Asked once, naming only the file that exists; a failed write is reported.
        QCOMPARE(dialogs.messages().size(), int(!present.isEmpty() || chosen.startsWith(u"miss")));
        if (!present.isEmpty()) {
            QCOMPARE(dialogs.messages()[0], Msg::makerOverwriteQuestion({out.filePath(present)}));
            QCOMPARE(readAll(out.filePath(present)) == "old", fileList.isEmpty());
        }
        if (!fileList.isEmpty()) QCOMPARE(settings.folder, QFileInfo(written[0]).absolutePath());
        for (const QString& f : written) { // at the smallest depth that holds 16 colours or fewer
            ImageCodec::FileInfo info;
            QVERIFY(ImageCodec::fileInfo(f, &info) && info.bits <= 4);
            QVERIFY(maker != Calendar || info.bits == 4);
        }
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
        QVERIFY(form.Combo1->currentIndex() == 5 && form.LEAD2->image() == tiger);

        form.Combo1->setCurrentIndex(Makers::cardOwnPicture);
        dialogs.answer(picture);
        form.Combo1_Click();
        QCOMPARE(form.picturePath(), picture);
        const QImage pic = form.LEAD2->image();
        QVERIFY(count(pic, QRect(0, 0, 15, 84), qRgb(250, 0, 0)) == 15 * 84 && // scaled to fill
                count(pic, pic.rect(), black) > 0);
    }

    void missingTemplate() {
        QTemporaryDir empty;
        Makers::setTemplateFolder(empty.path());
        ScriptedDialogs dialogs;
        {
            FRM_CALEN form(settings);
            form.Combo1[1]->setEditText(QStringLiteral("2")); // redraws: not asked again
            QCOMPARE(dialogs.messages().size(), 1);
            QCOMPARE(form.LEAD1->image().pixel(50, 50) | 0xff000000u, qRgb(255, 255, 255));
        }
        Makers::setTemplateFolder(templateFolder());
    }

    // quilmo calendar writes the picture the window saves for the month, and draws by the law of
    // the year asked for, not the registered table. Its refusals are in test_cli.
    void calendarCommand() {
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        QCOMPARE(Cli::runCalendar({"2001", "9", path("cli.png")}, out, err), 0);
        QCOMPARE(Cli::runCalendar({"1999", "7", path("1999.png")}, out, err), 0);
        QCOMPARE(errText, QString());
        CL_GL028C::shared().registerBuiltinTable();
        ScriptedDialogs dialogs;
        FRM_CALEN form(settings);
        form.Combo1[0]->setEditText("2001");
        form.Combo1[1]->setEditText("9");
        dialogs.answer(path("window.png"));
        form.Command1_Click(0);
        QCOMPARE(readAll(path("cli.png")), readAll(path("window.png")));
        const QImage pic(path("1999.png"));
        const QRect monday19(3 + 13, 52, 13, 11), tuesday20(3 + 13 * 2, 52, 13, 11);
        QVERIFY(count(pic, monday19, black) >= 4);
        QCOMPARE(count(pic, monday19, red), 0);
        QVERIFY(count(pic, tuesday20, red) >= 4);
    }
};

QTEST_MAIN(TestMakers)
#include "test_makers.moc"
