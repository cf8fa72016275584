#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace win
{

// The settings of the file tab of the batch append tool: its source and target folders.
// Modal; saving passes the folders straight to the batch append window.
class setappend : public QDialog
{
    Q_OBJECT
public:
    explicit setappend(QWidget* parent = nullptr);

    void Form_Load();
    void Command1_Click(); // save and close
    void Command2_Click(); // close without saving
    void Command3_Click(); // pick the source folder
    void Command4_Click(); // pick the target folder

    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command3 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
};

} // namespace win
