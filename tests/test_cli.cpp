// The command-line tool, called in-process through the same entry the executable uses.
#include "cli/commands.h"
#include "testsupport.h"

#include <QtTest>

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void exitCodes_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("help") << QStringList{"quilmo", "--help"} << 0;
        QTest::newRow("version") << QStringList{"quilmo", "--version"} << 0;
        QTest::newRow("none") << QStringList{"quilmo"} << 1;
        QTest::newRow("unknown") << QStringList{"quilmo", "frobnicate"} << 1;
    }
    void exitCodes() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QCOMPARE(Cli::run(args), code);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
