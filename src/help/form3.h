#pragma once

#include "widgets/childwindow.h"

class QLabel;

// The help window: the rules of the game.
class Form3 : public ChildWindow
{
    Q_OBJECT
public:
    explicit Form3(QWidget *mainWindow);

    QLabel *Label1 = nullptr;

protected:
    void Form_Load() override;
};
