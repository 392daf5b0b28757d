#pragma once

#include <QMainWindow>

class PlottingArea;
class QCloseEvent;
class QLabel;
class QPushButton;
class QWidget;

// The main window: the field at the top, the control rows below it, a size
// fixed by its layout so that it follows the field's dimensions. Everything
// after construction runs through the connections made here.
class Windowstruct : public QMainWindow
{
    Q_OBJECT

public:
    explicit Windowstruct(QWidget* parent = nullptr, const char* name = nullptr);

protected:
    // Closing the window ends the program as Quit does, also during a run.
    void closeEvent(QCloseEvent* event) override;

public slots:
    void changesize(int x, int y, int Zellgr);

private:
    // The widgets the constructor's steps hand to each other; kept only
    // while the constructor runs.
    struct Controls {
        QWidget* topRow = nullptr;
        QPushButton* startButton = nullptr;
        QLabel* stepCounter = nullptr;
        QWidget* fileRow = nullptr;
        QPushButton* saveButton = nullptr;
        QPushButton* quitButton = nullptr;
        PlottingArea* field = nullptr;
    };

    Controls createControls();
    void createField(Controls& controls);
    void connectAll(const Controls& controls);
    void setStartValues(const Controls& controls);
    void createMenus(const Controls& controls);
    void layOut(const Controls& controls);
};
