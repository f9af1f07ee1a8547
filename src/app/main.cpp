// Program start: the application and its window.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication App(argc, argv);
    QApplication::setApplicationName("Velnaro");
    QMainWindow Window;
    Window.setWindowTitle("Velnaro");
    Window.resize(640, 480);
    Window.show();
    return App.exec();
}
