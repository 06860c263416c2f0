#pragma once
// A Dialogs facade for headless tests: answers come from a queue, in order, and every dialog is
// recorded. A notice with only an OK button needs no answer; any other dialog nobody scripted
// fails the test (and is cancelled), instead of blocking.
#include "core/util/progress.h"
#include "gui/widgets/dialogs.h"

#include <QVariant>
#include <QtTest>

class ScriptedDialogs : public Dialogs {
public:
    struct Asked {
        QString kind; // "message", "open", "save", "font", "colour", "input", "progress"
        QString text; // message text or prompt; the folder for file dialogs
        QString title;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        FileFilters filters;
        QString name; // the name a file dialog proposed
    };
    QList<Asked> asked;
    QList<QVariant> answers; // Answer as int, QStringList, QString, QFont, QColor; null = cancel
    int saveFilterIndex = 1;
    // Long work: the scripted user presses キャンセル once it reports this percentage (-1:
    // never); duringWork looks at the windows while the command waits for its work.
    int cancelAt = -1;
    std::function<void()> duringWork;
    QList<int> steps; // the percentages the last long work reported

    ScriptedDialogs() { Dialogs::install(this); }
    ~ScriptedDialogs() override { Dialogs::install(nullptr); }

    ScriptedDialogs& answer(const QVariant& v) {
        answers.append(v);
        return *this;
    }
    ScriptedDialogs& answer(Answer a) { return answer(QVariant(int(a))); }

    QStringList messages() const {
        QStringList texts;
        for (const Asked& a : asked)
            if (a.kind == QLatin1String("message")) texts.append(a.text);
        return texts;
    }

    Answer message(QWidget*, const QString& text, const QString& title, Icon icon,
                   Buttons buttons) override {
        asked.append({QStringLiteral("message"), text, title, icon, buttons, {}, {}});
        if (answers.isEmpty() && buttons == Buttons::Ok) return Answer::Ok;
        const QVariant v = next();
        return v.isNull() ? Answer::Cancel : Answer(v.toInt());
    }
    QStringList openFiles(QWidget*, const FileFilters& filters, const QString& folder,
                          const QString&, bool) override {
        asked.append({QStringLiteral("open"), folder, {}, Icon::None, Buttons::Ok, filters, {}});
        const QVariant v = next();
        return v.typeId() == QMetaType::QStringList
                   ? v.toStringList()
                   : (v.isNull() ? QStringList() : QStringList{v.toString()});
    }
    QString saveFile(QWidget*, const FileFilters& filters, const QString& folder,
                     const QString& name, int* filterIndex) override {
        asked.append({QStringLiteral("save"), folder, {}, Icon::None, Buttons::Ok, filters, name});
        const QVariant v = next();
        if (!v.isNull() && filterIndex) *filterIndex = saveFilterIndex;
        return v.toString();
    }
    std::optional<QFont> font(QWidget*, const QFont&) override {
        asked.append({QStringLiteral("font"), {}, {}, Icon::None, Buttons::Ok, {}, {}});
        const QVariant v = next();
        return v.isNull() ? std::nullopt : std::optional<QFont>(v.value<QFont>());
    }
    std::optional<QColor> colour(QWidget*, const QColor&) override {
        asked.append({QStringLiteral("colour"), {}, {}, Icon::None, Buttons::Ok, {}, {}});
        const QVariant v = next();
        return v.isNull() ? std::nullopt : std::optional<QColor>(v.value<QColor>());
    }
    std::optional<QString> input(QWidget*, const QString& prompt, const QString& title,
                                 const QString&) override {
        asked.append({QStringLiteral("input"), prompt, title, Icon::None, Buttons::Ok, {}, {}});
        const QVariant v = next();
        return v.isNull() ? std::nullopt : std::optional<QString>(v.toString());
    }

    void runLong(QWidget*, const QString& text, Progress& progress,
                 const std::function<void()>& work) override {
        asked.append({QStringLiteral("progress"), text, {}, Icon::None, Buttons::Ok, {}, {}});
        if (duringWork) duringWork();
        // Set from the working thread itself, so the work stops at the step that reached it.
        steps.clear();
        progress.onStep = [this, &progress](int percent) {
            steps.append(percent);
            if (cancelAt >= 0 && percent >= cancelAt) progress.cancel = true;
        };
        waitFor(work, {}, nullptr);
    }

private:
    QVariant next() {
        if (answers.isEmpty()) {
            const QByteArray what = asked.last().kind.toUtf8() + " \"" +
                                    asked.last().text.toUtf8() + "\" was not scripted";
            QTest::qFail(what.constData(), __FILE__, __LINE__);
            return {};
        }
        return answers.takeFirst();
    }
};
