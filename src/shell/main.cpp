// Start-up: the launcher window comes with the application shell.
#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMessageBox::information(nullptr, QStringLiteral("Ruvo"),
                             QStringLiteral("Morvik: the launcher is not built yet."));
    return 0;
}
