// quilmo-editor: the editor window.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Quilmo Editor"));
    w.show();
    return app.exec();
}
