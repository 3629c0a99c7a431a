// The yardstick for Pictovane's start: a bare Qt dialog of the main window's
// size, nothing loaded, nothing drawn but its background.
#include <QApplication>
#include <QDialog>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.resize(414, 413);
    return dialog.exec();
}
