// Program entry: builds the windows and runs the start-up.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QLabel l(QStringLiteral("KOVRAL"));
    l.show();
    return app.exec();
}
